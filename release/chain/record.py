"""The build record (in the spirit of Debian's .buildinfo): written from what the chain knows,
and read back as records, one field a line with its items on indented lines after it. Reading
fails closed: every line it cannot take is a problem that quotes it."""

from __future__ import annotations

from dataclasses import dataclass

# Read in every record, in this order of a record written today.
REQUIRED = ("Format", "Source", "Version", "Commit", "Source-Date-Epoch", "Source-Date-Epoch-From",
            "Checksums-Sha256", "Build-Origin", "Build-Distribution", "Build-Architecture",
            "Installed-Build-Depends")
# The fields that describe the machine that built; every other field is the release's.
MACHINE = ("Build-Origin", "Build-Distribution", "Build-Architecture", "Installed-Build-Depends",
           "Unpackaged-Build-Files")
COMMITTER_DATE = "committer date of "
GIVEN_TIME = "SOURCE_DATE_EPOCH"


@dataclass(frozen=True)
class Entry:
    """One file of a release, as its record lists it."""

    sha256: str
    size: int
    name: str


@dataclass(frozen=True)
class Made:
    """What a record says of a release's making."""

    product: str
    version: str
    commit: str
    epoch: int
    epoch_from: str
    changes: tuple[str, ...]  # "<path> (<status>)"
    signed: tuple[str, ...]  # names of the signed files; empty when signing was not asked for
    origin: str
    distribution: str
    architecture: str
    files: tuple[Entry, ...]
    packages: tuple[str, ...]  # "name:arch (= version)"
    unpackaged: tuple[str, ...]  # "<sha256> <path>"


def write(made: Made) -> str:
    lines = ["Format: 1.0", f"Source: {made.product}", f"Version: {made.version}",
             f"Commit: {made.commit}", f"Source-Date-Epoch: {made.epoch}",
             f"Source-Date-Epoch-From: {made.epoch_from}"]
    if made.changes:
        lines += ["Uncommitted-Changes:"] + [f" {c}" for c in made.changes]
    if made.signed:
        lines += ["Signed-Files:"] + [f" {name}" for name in made.signed]
    lines += [f"Build-Origin: {made.origin}", f"Build-Distribution: {made.distribution}",
              f"Build-Architecture: {made.architecture}", "Checksums-Sha256:"]
    lines += [f" {e.sha256} {e.size} {e.name}" for e in made.files]
    lines += ["Installed-Build-Depends:"] + _listed(made.packages)
    if made.unpackaged:
        lines += ["Unpackaged-Build-Files:"] + _listed(made.unpackaged)
    return "".join(line + "\n" for line in lines)


def _listed(items: tuple[str, ...]) -> list[str]:
    return [f" {item}," for item in items[:-1]] + [f" {items[-1]}"] if items else []


def shown(line: bytes) -> str:
    """A line as `cat -v` shows it: control bytes as ^X, bytes above 127 as M-x."""
    out = []
    for byte in line:
        prefix = ""
        if byte >= 128:
            prefix, byte = "M-", byte - 128
        if byte < 32:
            out.append(f"{prefix}^{chr(byte + 64)}")
        elif byte == 127:
            out.append(f"{prefix}^?")
        else:
            out.append(prefix + chr(byte))
    return "".join(out)


def read(data: bytes) -> tuple[dict[str, list[str]], list[str]]:
    """The fields of a record, in its order, each a list of its value (when on the field's own
    line) and its items (the indented lines after it, less the indent); and the problems, one a
    line. A record with any problem is not to be trusted at all."""
    lines = data.split(b"\n")
    problems = [f'line {number} holds a byte that is no printable text: "{shown(line)}" '
                "(as cat -v shows it)"
                for number, line in enumerate(lines, 1) if any(b < 32 or b > 126 for b in line)]
    if lines[-1] == b"":
        lines.pop()
    else:
        problems.append("the last line has no line end")
    fields: dict[str, list[str]] = {}
    current = None
    for number, raw in enumerate(lines, 1):
        line = raw.decode("latin-1")
        head, colon, rest = line.partition(":")
        if colon and _is_name(head) and (rest == "" or (rest.startswith(" ") and rest[1:2] not in ("", " "))):
            if head in fields:
                problems.append(f'field {head} twice, line {number}: "{line}"')
                continue
            current = head
            fields[head] = [rest[1:]] if rest else []
        elif line.startswith(" ") and line[1:2] not in ("", " ") and current:
            fields[current].append(line[1:])
        else:
            problems.append(f'line {number} is not understood: "{line}"')
    if not lines:
        problems.append("it is empty")
    return fields, problems


def _is_name(text: str) -> bool:
    return (text[:1].isascii() and text[:1].isupper()
            and all(c.isascii() and (c.isalnum() or c == "-") for c in text))
