"""A release against its rebuild: every entry of both folders, hidden ones and folders too.
A file must be the rebuilt one byte for byte, and diffoscope says why one is not; the build
record is compared field by field instead: the release's fields must be the same, and the
building machine's fields are compared item by item, each difference listed and counted once
per package or file as this machine's."""

from __future__ import annotations

import os
import re
import subprocess
import tempfile
from dataclasses import dataclass, field
from pathlib import Path

from chain import record

EXPLAINED_LINES = 40


@dataclass
class Outcome:
    lines: list[str] = field(default_factory=list)  # what the comparison says, in order
    same: bool = True  # every entry the release's own
    machine: int = 0  # this machine's differences from the record, counted


def _entries(folder: Path) -> set[str]:
    found = set()
    for top, folders_, files in os.walk(folder):
        for name in folders_ + files:
            found.add((Path(top) / name).relative_to(folder).as_posix())
    return found


def explain(a: Path, b: Path) -> list[str]:
    """diffoscope's first lines on why two files differ."""
    with tempfile.TemporaryDirectory() as work:
        text = Path(work, "diffoscope.txt")
        done = subprocess.run(["diffoscope", "--text", str(text), "--no-progress", str(a), str(b)],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if done.returncode != 1:
            raise RuntimeError(f"diffoscope failed with status {done.returncode}: "
                               + done.stdout.decode(errors="replace"))
        lines = text.read_text(errors="replace").splitlines()
    more = ["(diffoscope says more: run it on both files)"] if len(lines) > EXPLAINED_LINES else []
    return lines[:EXPLAINED_LINES] + more


def _items(values: list[str]) -> set[str]:
    return {v.strip().removesuffix(",") for v in values if v.strip()}


def _counted(item: str) -> str:
    """The package or file an item of a machine field is about."""
    return re.sub(r"^[0-9a-f]{64} ", "", re.sub(r" \(= .*", "", item))


def records(recorded: dict[str, list[str]], rebuilt: dict[str, list[str]], name: str, out: Outcome) -> None:
    def names(fields):
        return [f for f in fields if f != "Unpackaged-Build-Files"]

    if names(recorded) != names(rebuilt):
        out.lines.append(f"the record's fields differ: recorded {' '.join(recorded)} rebuilt {' '.join(rebuilt)}")
        out.same = False
    same = True
    for field_name in sorted(set(recorded) | set(rebuilt)):
        ours, theirs = recorded.get(field_name, []), rebuilt.get(field_name, [])
        if ours == theirs:
            continue
        if field_name in record.MACHINE:
            only_recorded, only_here = _items(ours) - _items(theirs), _items(theirs) - _items(ours)
            out.lines.append(f"this machine differs from the record in {field_name}:")
            out.lines += [f"  recorded: {i}" for i in sorted(only_recorded)]
            out.lines += [f"  here:     {i}" for i in sorted(only_here)]
            out.machine += len({_counted(i) for i in only_recorded | only_here})
        else:
            out.lines.append(f'the release differs in {field_name}: recorded "{"|".join(ours)}", '
                             f'rebuilt "{"|".join(theirs)}"')
            same = False
    if same:
        out.lines.append(f"the same: {name} (every field of the release)")
    else:
        out.same = False


def folders(release: Path, rebuilt: Path, recorded: dict[str, list[str]], record_name: str) -> Outcome:
    """`recorded`: the release's record, read already (a record that cannot be read is refused
    before any rebuild)."""
    out = Outcome()
    for name in sorted(_entries(release) | _entries(rebuilt)):
        a, b = release / name, rebuilt / name
        if not a.exists() and not a.is_symlink():
            out.lines.append(f"missing from the release: {name}")
            out.same = False
        elif a.is_symlink() or not a.is_file():
            kind = "symbolic link" if a.is_symlink() else "directory" if a.is_dir() else "special file"
            out.lines.append(f"not a file of a release: {name} ({kind})")
            out.same = False
        elif not b.exists():
            out.lines.append(f"not a file of a release: {name} (nothing rebuilt has that name)")
            out.same = False
        elif name == record_name:
            fields, _ = record.read(b.read_bytes())
            records(recorded, fields, name, out)
        elif a.read_bytes() == b.read_bytes():
            out.lines.append(f"the same: {name}")
        else:
            out.lines.append(f"differs: {name}")
            out.lines += ["  " + line for line in explain(a, b)]
            out.same = False
    return out
