"""The folders a release is written to and built in, and how a release goes into place. A
command replaces a folder only when it holds what that command made there; the two never lie
one inside the other; a release appears whole or not at all."""

from __future__ import annotations

import os
import shutil
import tempfile
from pathlib import Path

from chain import model

# Left in a build folder while the chain empties and fills it: a folder holding it, or a CMake
# cache, was a build of ours, whatever else it holds after a stop.
BUILD_MARK = ".shipping-build"


class Refused(Exception):
    pass


def _listing(names) -> str:
    return "".join(f"\n  {name}" for name in sorted(names))


def check_apart(out: Path, build: Path) -> None:
    """Neither folder may be the other or lie inside it: emptying the build would take the
    release, and the release's replacing would take the build."""
    a, b = Path(os.path.realpath(out)), Path(os.path.realpath(build))
    if a == b or a in b.parents or b in a.parents:
        raise Refused(f"the release folder {out} and the build folder {build} lie one inside the other")


def check_replaceable(out: Path) -> None:
    """An OUTDIR that exists is replaced only when it is empty, or when it holds a release: a
    SHA256SUMS and a build record beside it, and nothing but plain files of a release's names,
    whatever its SHA256SUMS lists (a downloads folder often has one)."""
    if not out.exists() and not out.is_symlink():
        return
    if out.is_symlink() or not out.is_dir():
        raise Refused(f"{out} is not a folder")
    names = os.listdir(out)
    foreign = [n for n in names if not model.kind_of(n) or (out / n).is_symlink() or not (out / n).is_file()]
    if foreign:
        raise Refused(f"{out} holds what no release does; left as it is:" + _listing(foreign))
    kinds = {model.kind_of(n) for n in names}
    if names and not {"sums", "record"} <= kinds:
        raise Refused(f"{out} holds no whole release (a SHA256SUMS and a build record); left as it is:"
                      + _listing(names))


def prepare_build(build: Path) -> None:
    """Empties the build folder where a build, or this chain, was there before; refuses one that
    holds other files."""
    if build.exists() and any(build.iterdir()) and not (build / "CMakeCache.txt").is_file() \
            and not (build / BUILD_MARK).is_file():
        raise Refused(f"{build} holds files and no build")
    build.mkdir(parents=True, exist_ok=True)
    (build / BUILD_MARK).touch()
    for entry in build.iterdir():
        if entry.name == BUILD_MARK:
            continue
        if entry.is_dir() and not entry.is_symlink():
            shutil.rmtree(entry)
        else:
            entry.unlink()


def finish_build(build: Path) -> None:
    (build / BUILD_MARK).unlink(missing_ok=True)


def part_beside(out: Path) -> Path:
    """A hidden folder beside OUTDIR, where the release is written until it is whole."""
    out.parent.mkdir(parents=True, exist_ok=True)
    return Path(tempfile.mkdtemp(prefix=f".{out.name}.part.", dir=out.parent))


def siblings(out: Path) -> list[Path]:
    """The hidden folders a release into OUTDIR writes beside it."""
    return [p for p in out.parent.glob(f".{out.name}.*") if p.is_dir()] if out.parent.is_dir() else []


def into_place(part: Path, out: Path) -> None:
    """Moves the whole release into OUTDIR; an earlier release there goes only then."""
    part.chmod(0o755)
    if out.exists():
        old = Path(tempfile.mkdtemp(prefix=f".{out.name}.old.", dir=out.parent))
        out.rename(old / out.name)
        part.rename(out)
        shutil.rmtree(old)
    else:
        part.rename(out)
