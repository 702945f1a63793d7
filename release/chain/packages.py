"""What the package database says of files: which package installed each, the exact versions,
their copyright files and licences; and which packages the linker put into the exe, from its
link map. Names are the database's, never typed by hand."""

from __future__ import annotations

import os
import re
import subprocess
from pathlib import Path

_NOT_FOUND = "dpkg-query: no path found matching pattern "


def owned(files: list[Path]) -> dict[Path, list[str]]:
    """The packages that installed each file that a package installed. dpkg knows a file by the
    path its package installed it at, before /usr was merged: each is asked in three forms."""
    forms: dict[str, Path] = {}
    for file in files:
        text = str(file)
        for form in (text, text.removeprefix("/usr"), "/usr" + text):
            forms.setdefault(form, file)
    owners: dict[Path, list[str]] = {}
    names = sorted(forms)
    for start in range(0, len(names), 1000):
        done = subprocess.run(["dpkg-query", "-S", "--", *names[start:start + 1000]],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=_c_locale())
        complaints = [line for line in done.stderr.decode().splitlines()
                      if not line.startswith(_NOT_FOUND)]
        if complaints or done.returncode not in (0, 1):
            raise RuntimeError(f"dpkg-query failed (status {done.returncode}): " + "\n".join(complaints))
        for line in os.fsdecode(done.stdout).splitlines():
            if line.startswith("diversion by"):
                continue
            packages, _, path = line.partition(": ")
            if path in forms:
                owners.setdefault(forms[path], []).extend(p.strip() for p in packages.split(","))
    return owners


def versions(packages: set[str]) -> list[str]:
    """"name:arch (= version)" of each package, sorted."""
    if not packages:
        return []
    listed = subprocess.run(["dpkg-query", "-W", "-f", "${Package}:${Architecture} (= ${Version})\n",
                             "--", *sorted(packages)], stdout=subprocess.PIPE, check=True,
                            env=_c_locale()).stdout.decode()
    return sorted(set(listed.splitlines()))


def owners(files: list[Path]) -> list[str]:
    return versions({p for found in owned(files).values() for p in found})


def linked_files(link_map: Path) -> list[Path]:
    """The objects the linker loaded and the archives it took members from, by real path."""
    files = set()
    members = False
    for line in link_map.read_text(encoding="utf-8", errors="surrogateescape").splitlines():
        if line.startswith("LOAD /") and line.endswith(".o"):
            files.add(line[len("LOAD "):])
        elif line.startswith("Archive member included"):
            members = True
        elif members and re.match(r"(Discarded|Memory Configuration|Allocating common)", line):
            members = False
        elif members and line.startswith("/"):
            files.add(line.split("(", 1)[0])
    if not files:
        raise RuntimeError(f"the link map {link_map} names nothing linked")
    return sorted({Path(os.path.realpath(f)) for f in files})


def copyright_file(package: str) -> Path:
    """The copyright file of a package, which must be there: the notices and the bill quote it."""
    file = Path("/usr/share/doc", package.split(":")[0], "copyright")
    if not file.is_file():
        raise RuntimeError(f"{package} has no copyright file {file}")
    return file


def _gcc_exception(text: str) -> bool:
    return "GCC RUNTIME LIBRARY EXCEPTION" in text


def licence(package: str) -> dict:
    """The licence of a package as CycloneDX names it."""
    file = copyright_file(package)
    text = file.read_text(encoding="utf-8", errors="replace")
    if _gcc_exception(text):
        return {"expression": "GPL-3.0-or-later WITH GCC-exception-3.1"}
    if text.startswith("Format:"):
        # A machine-readable copyright file: the licence of its "Files: *" paragraph.
        found = re.search(r"^Files: \*\n(?:.*\n)*?License: (.*)$", text, re.M)
        if found:
            return {"license": {"name": found.group(1)}}
    return {"license": {"name": f"see {file}"}}


def notices(packages: list[str]) -> str:
    """The notices the licences of the linked packages ask a binary to carry, CRLF ended."""
    text = ("GetSessionLevel.exe contains code of the following packages, linked in from the\n"
            "toolchain that built it. Their copyright and licence terms follow, as Debian ships them.\n"
            "(The C++ runtime and libgcc are under the GCC Runtime Library Exception, which asks\n"
            "for no notice in a program built with them.)\n")
    for package in packages:
        name, version = package.split(":")[0], package.split("(= ")[1].rstrip(")")
        copyright = copyright_file(package).read_text(encoding="utf-8", errors="surrogateescape")
        if not _gcc_exception(copyright):
            text += f"\n==== {name} {version} ====\n\n{copyright}"
    return text.replace("\n", "\r\n")


def _c_locale() -> dict:
    return {**os.environ, "LC_ALL": "C"}

