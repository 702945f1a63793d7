"""What a step of the build ran, read and created, seen by strace. `run` traces a command into
a folder, one file a process; `read` turns a folder of such traces into a Trace. A successful
open names the file it opened by its real path (strace -y), relative opens too; a program is
seen by the path it was started with, when that path is absolute."""

from __future__ import annotations

import os
import re
import subprocess
from dataclasses import dataclass, field
from pathlib import Path

CALLS = ("execve", "open", "openat", "creat", "rename", "renameat", "renameat2", "link", "linkat",
         "symlink", "symlinkat")
_LINE = re.compile(r"^(?P<call>\w+)\((?P<args>.*)\) += (?P<result>-?\d+)(?:<(?P<fd>.*)>)?(?: .*)?$")
_STRING = re.compile(r'(?:(?:AT_FDCWD|\d+)<(?P<dir>(?:[^>\\]|\\.)*)>, )?"(?P<text>(?:[^"\\]|\\.)*)"')


@dataclass
class Trace:
    executed: set[Path] = field(default_factory=set)  # programs started, by absolute path
    read: set[Path] = field(default_factory=set)  # files opened, not to be created
    created: set[Path] = field(default_factory=set)  # opened to be created, renamed or linked to

    @property
    def inputs(self) -> set[Path]:
        """What the build ran or read and did not make itself."""
        return (self.executed | self.read) - self.created


def _unquote(text: str) -> str:
    """A path as strace quotes it: C escapes, octal and hexadecimal bytes."""
    out = bytearray()
    i = 0
    raw = text.encode("utf-8", "surrogateescape")
    simple = {ord("n"): 10, ord("t"): 9, ord("r"): 13, ord("v"): 11, ord("f"): 12,
              ord('"'): 34, ord("\\"): 92}
    while i < len(raw):
        if raw[i] != 92 or i + 1 == len(raw):
            out.append(raw[i])
            i += 1
            continue
        nxt = raw[i + 1]
        if nxt == ord("x"):
            out.append(int(raw[i + 2:i + 4], 16))
            i += 4
        elif 48 <= nxt <= 55:
            digits = re.match(rb"[0-7]{1,3}", raw[i + 1:i + 4]).group()
            out.append(int(digits, 8))
            i += 1 + len(digits)
        else:
            out.append(simple.get(nxt, nxt))
            i += 2
    return os.fsdecode(bytes(out))


def parse_line(line: str, trace: Trace) -> None:
    """Adds what one traced call names to `trace`; a failed call names nothing."""
    found = _LINE.match(line)
    if not found or found.group("call") not in CALLS or found.group("result").startswith("-"):
        return
    call, args = found.group("call"), found.group("args")
    strings = [(_unquote(m.group("dir")) if m.group("dir") else "", _unquote(m.group("text")))
               for m in _STRING.finditer(args)]
    if not strings:
        return
    if call == "execve":
        if strings[0][1].startswith("/"):
            trace.executed.add(Path(os.path.normpath(strings[0][1])))
        return
    if call in ("open", "openat", "creat"):
        opened = found.group("fd")
        path = Path(_unquote(opened)) if opened else Path(strings[0][0], strings[0][1])
        if call == "creat" or "O_CREAT" in args:
            trace.created.add(path)
        else:
            trace.read.add(path)
        return
    folder, target = strings[-1]
    target_path = Path(folder, target) if folder else Path(target)
    if target_path.is_absolute():
        trace.created.add(Path(os.path.realpath(target_path)))


def read(folder: Path) -> Trace:
    trace = Trace()
    for file in sorted(folder.iterdir()):
        with open(file, encoding="utf-8", errors="surrogateescape") as lines:
            for line in lines:
                parse_line(line.rstrip("\n"), trace)
    return trace


def run(command: list[str], folder: Path, name: str, **kwargs) -> None:
    """Runs `command` under strace, each process's calls into `folder`/`name`.<pid>."""
    folder.mkdir(parents=True, exist_ok=True)
    subprocess.run(["strace", "-ff", "-qq", "-y", "-s", "4096", "-e", "signal=none",
                    "-e", "trace=" + ",".join(CALLS), "-o", str(folder / name), "--", *command],
                   check=True, **kwargs)
