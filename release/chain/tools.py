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


def listed(*kinds: str, listing: Path = ROOM / "tools.txt") -> dict[str, str]:
    """The package of each command (or file, by absolute path) of the lines without a third
    word or with one of `kinds`."""
    found = {}
    for line in listing.read_text(encoding="utf-8").splitlines():
        words = line.split()
        if words and not line.startswith("#") and (len(words) == 2 or set(words[2:]) & set(kinds)):
            found[words[0]] = words[1]
    return found


def missing(*kinds: str) -> list[str]:
    """The packages, sorted, of what `listed` gives that is not here."""
    return sorted({package for command, package in listed(*kinds).items()
                   if not (Path(command).exists() if command.startswith("/") else shutil.which(command))})


def require(*kinds: str) -> None:
    packages = missing(*kinds)
    if packages:
        raise Missing(packages)
