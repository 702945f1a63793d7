"""The release's model, read from release/model.json: the one place that names a release's
files, says which of them carry signatures and what the packages ship. Every step, test and text
takes the names from here (the build reads the same file)."""

from __future__ import annotations

import json
import re
from dataclasses import dataclass
from pathlib import Path

ROOM = Path(__file__).resolve().parent.parent
TREE = ROOM.parent
_MODEL = ROOM / "model.json"


@dataclass(frozen=True)
class ReleaseFile:
    name: str  # in the release folder
    built: str  # where the build puts it, relative to the build folder
    signed: bool  # carries an Authenticode signature in a signed release


@dataclass(frozen=True)
class Release:
    """A release of one version: its built files in SHA256SUMS order, and the three files the
    chain writes beside them."""

    product: str
    version: str
    files: tuple[ReleaseFile, ...]
    sums: str
    record: str
    bill: str
    link_map: str  # the linker's map of the tool, in the build folder: what went into it

    @property
    def names(self) -> tuple[str, ...]:
        return tuple(f.name for f in self.files) + (self.sums, self.record, self.bill)

    @property
    def tool(self) -> str:
        return self.files[0].name


def _data() -> dict:
    return json.loads(_MODEL.read_text(encoding="utf-8"))


def _expand(template: str, version: str, arch: str) -> str:
    return template.replace("<version>", version).replace("<arch>", arch)


def version_of(tree: Path) -> str:
    """The project's version, as the tree's top CMakeLists.txt declares it."""
    text = (tree / "CMakeLists.txt").read_text(encoding="utf-8")
    found = re.search(r"^project\(\S+ VERSION ([0-9]+\.[0-9]+\.[0-9]+)\b", text, re.M)
    if not found:
        raise ValueError(f"{tree / 'CMakeLists.txt'} declares no project version")
    return found.group(1)


def release(version: str) -> Release:
    data = _data()
    arch = data["arch"]
    files = tuple(
        ReleaseFile(_expand(f["name"], version, arch), _expand(f["built"], version, arch), f["signed"])
        for f in data["files"]
    )
    return Release(
        data["product"],
        version,
        files,
        data["sums"],
        _expand(data["record"], version, arch),
        _expand(data["bill"], version, arch),
        data["link_map"],
    )


def kind_of(name: str) -> str:
    """Which of a release's files, of any version, a file of this name is: "file" (built),
    "sums", "record" or "bill"; "" for none."""
    data = _data()
    templates = [("file", f["name"]) for f in data["files"]]
    templates += [("sums", data["sums"]), ("record", data["record"]), ("bill", data["bill"])]
    for kind, template in templates:
        pattern = "[^/]+".join(re.escape(_expand(p, "", data["arch"])) for p in template.split("<version>"))
        if re.fullmatch(pattern, name):
            return kind
    return ""
