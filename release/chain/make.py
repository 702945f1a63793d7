"""Making the release of a tree's commit: asked of the tree, built from scratch in a build
folder of its own under strace (the configure step too), the tree held against what the build
read, the release's files copied beside OUTDIR with their sums, bill and record, and moved into
place whole. The check makes its rebuild through the same `make`."""

from __future__ import annotations

import os
import shutil
import time
from dataclasses import dataclass
from pathlib import Path
from typing import Callable

from chain import bill, folders, model, packages, provenance, record, signatures, trace, tree
from chain.folders import Refused

# Flags CMake takes from the environment at a first configure: the tree's own are the release's.
FLAGS = ("CFLAGS", "CXXFLAGS", "CPPFLAGS", "LDFLAGS", "RCFLAGS", "ASMFLAGS")
PRESET = "shipping"


@dataclass(frozen=True)
class Request:
    out: Path  # OUTDIR, absolute
    build: Path  # the build folder, absolute
    allow_changes: bool = False
    epoch: int | None = None  # a time given for what the build writes
    tree: tree.Tree | None = None  # an answer about the tree already asked (the check's)
    attach: Path | None = None  # signatures to attach instead of signing (the check's)


def _epoch(answer: tree.Tree, given: int | None) -> tuple[int, str, str]:
    """The time every build writes, what it is and where it was read."""
    if given is not None and given != answer.time:
        epoch, said, where = given, record.GIVEN_TIME, "the environment"
    else:
        epoch, said, where = answer.time, record.COMMITTER_DATE + answer.commit, answer.read_from
    if epoch < 315532800:
        raise Refused(f"SOURCE_DATE_EPOCH={epoch}: seconds since 1970, from 1980 on")
    return epoch, said, where


def _refuse_changes(changes, allow: bool, when: str) -> None:
    if changes and not allow:
        raise Refused(f"the tree has changes no commit holds{when} (release/make --allow-changes "
                      "makes a release that says so):" + "".join(f"\n  {c}" for c in changes))


def make(request: Request, say: Callable[[str], None] = lambda line: print(line, flush=True),
         output=None) -> Path:
    """Makes the release and returns OUTDIR. Raises Refused, before writing anything, for a
    tree or a folder it will not take; any other failure leaves no OUTDIR and the build folder
    to be emptied by the next run. `output` takes what the build's commands print."""
    out, build = request.out, request.build
    folders.check_apart(out, build)
    excluded = [out, build, *folders.siblings(out)]
    answer = request.tree or tree.ask(model.TREE, excluded)
    if answer.problem:
        raise Refused(answer.problem)
    _refuse_changes(answer.changes, request.allow_changes, "")
    folders.check_replaceable(out)
    epoch, said, where = _epoch(answer, request.epoch)
    release = model.release(model.version_of(model.TREE))
    signing = bool(os.environ.get("ZR_SIGN_PFX")) or request.attach is not None

    # The build speaks one language, whatever the caller's: what it prints is read back.
    environment = {k: v for k, v in os.environ.items() if k not in FLAGS + ("SOURCE_DATE_EPOCH",)}
    environment["LC_ALL"] = "C"
    for name in FLAGS:
        if name in os.environ:
            say(f"release: not taken from the environment: {name}={os.environ[name]}")
    folders.prepare_build(build)
    part = folders.part_beside(out)
    try:
        traces = part / "trace"
        say(f"release: SOURCE_DATE_EPOCH={epoch} "
            f"({time.strftime('%Y-%m-%d %H:%M:%S UTC', time.gmtime(epoch))}), from {said} read from {where}")
        configure = ["cmake", "-S", str(model.TREE), "--preset", PRESET, "-B", str(build),
                     f"-DZR_SOURCE_DATE_EPOCH={epoch}"]
        if request.attach:
            configure.append(f"-DZR_SIGN_ATTACH={request.attach}")
        trace.run(configure, traces, "configure", env=environment, stdout=output, stderr=output)
        trace.run(["cmake", "--build", str(build)], traces, "build", env=environment, stdout=output,
                  stderr=output)
        seen = trace.read(traces)
        shutil.rmtree(traces)

        excluded = [out, build, part, *folders.siblings(out)]
        read = tree.read_changes(answer, seen.read - seen.created, excluded)
        _refuse_changes(read, request.allow_changes, " that the build read")
        changes = sorted(set(answer.changes) | set(read), key=lambda c: c.path)

        sums = {}
        for file in release.files:
            shutil.copyfile(build / file.built, part / file.name)
            sums[file.name] = provenance.sha256(part / file.name)
        (part / release.sums).write_text("".join(f"{h}  {n}\n" for n, h in sums.items()))
        linked = packages.owners(packages.linked_files(build / release.link_map))
        (part / release.bill).write_text(bill.write(release, sums, linked, epoch))

        key = [Path(os.environ["ZR_SIGN_PFX"])] if os.environ.get("ZR_SIGN_PFX") else []
        skipped = [model.TREE, build, part] + ([request.attach] if request.attach else [])
        depends, unpackaged = provenance.made_with(provenance.inputs(seen, skipped, key))
        signed = tuple(f.name for f in release.files
                       if signing and f.signed and signatures.extract(part / f.name, part / "signature"))
        (part / "signature").unlink(missing_ok=True)
        system = provenance.machine()
        entries = tuple(record.Entry(sums[f.name], (part / f.name).stat().st_size, f.name)
                        for f in release.files)
        made = record.Made(release.product, release.version, answer.commit, epoch, said,
                           tuple(f"{c.path} ({c.status})" for c in changes), signed,
                           system.origin, system.distribution, system.architecture, entries,
                           tuple(depends), tuple(unpackaged))
        (part / release.record).write_text(record.write(made))
        folders.into_place(part, out)
        folders.finish_build(build)
    finally:
        if part.exists():
            shutil.rmtree(part)
    say(f"release: in {out}")
    say((out / release.sums).read_text().rstrip("\n"))
    return out
