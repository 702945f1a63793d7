"""The commands the chain runs and their Debian packages, as release/tools.txt lists them: the
one list, which scripts/setup installs and the chain asks for before it starts."""

from __future__ import annotations

import shutil
from pathlib import Path

from chain.model import ROOM


class Missing(Exception):
    """Commands of tools.txt that this machine lacks; names the packages to install."""

    def __init__(self, packages: list[str]):
        super().__init__("missing tools; install them with: apt-get install " + " ".join(packages))


def missing(*kinds: str, listing: Path = ROOM / "tools.txt") -> list[str]:
    """The packages, sorted, of the commands (or files, by absolute path) that are not here,
    of the lines without a third word or with one of `kinds`."""
    packages = set()
    for line in listing.read_text(encoding="utf-8").splitlines():
        words = line.split()
        if not words or line.startswith("#"):
            continue
        command, package, limits = words[0], words[1], words[2:]
        if limits and not set(limits) & set(kinds):
            continue
        present = Path(command).exists() if command.startswith("/") else shutil.which(command)
        if not present:
            packages.add(package)
    return sorted(packages)


def require(*kinds: str) -> None:
    packages = missing(*kinds)
    if packages:
        raise Missing(packages)
