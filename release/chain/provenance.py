"""What a release is made with, from what its build ran, loaded and read: the packages that
installed those files, exactly, and every other file by SHA-256 and path. Left out is only what
is no input of the build: what it created itself (scratch, wherever it lies), the tree and the
build and release folders, the package database the record is named from, the files that follow
the caller's settings or are no files (below), and the signing inputs."""

from __future__ import annotations

import hashlib
import os
import subprocess
from dataclasses import dataclass
from pathlib import Path

from chain import packages
from chain.trace import Trace

NO_INPUTS = ("/proc/", "/sys/", "/dev/", "/etc/", "/var/lib/dpkg/", "/usr/share/locale/",
             "/usr/lib/locale/", "/usr/share/zoneinfo/", "/usr/share/i18n/")


@dataclass(frozen=True)
class Machine:
    origin: str
    distribution: str
    architecture: str


def sha256(file: Path) -> str:
    digest = hashlib.sha256()
    with open(file, "rb") as data:
        for block in iter(lambda: data.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def inputs(trace: Trace, folders: list[Path], files: list[Path]) -> list[Path]:
    """The files the build ran or read that are inputs: existing plain files, by real path,
    outside `folders` and not among `files` (the signing key), less what it created."""
    created = {Path(os.path.realpath(p)) for p in trace.created}
    skipped = [str(Path(os.path.realpath(f))) + "/" for f in folders] + list(NO_INPUTS)
    secret = {Path(os.path.realpath(f)) for f in files}
    found = set()
    for path in trace.inputs:
        real = Path(os.path.realpath(path))
        text = str(real)
        if real in created or real in secret or any(text.startswith(s) for s in skipped):
            continue
        if real.is_file():
            found.add(real)
    return sorted(found)


def made_with(files: list[Path]) -> tuple[list[str], list[str]]:
    """The packages of `files`, "name:arch (= version)" sorted, and "<sha256> <path>" of each
    file no package installed."""
    owned = packages.owned(files)
    found = packages.versions({p for names in owned.values() for p in names})
    if not found:
        raise RuntimeError("the trace names no file of any package")
    return found, [f"{sha256(f)} {f}" for f in files if f not in owned]


def machine() -> Machine:
    release = {}
    for line in Path("/etc/os-release").read_text().splitlines():
        key, _, value = line.partition("=")
        release[key] = value.strip().strip('"')
    point = Path("/etc/debian_version").read_text().strip()
    architecture = subprocess.run(["dpkg", "--print-architecture"], stdout=subprocess.PIPE,
                                  check=True).stdout.decode().strip()
    return Machine(release["NAME"], f"{release.get('VERSION_CODENAME', '')} {point}", architecture)
