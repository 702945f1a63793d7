"""The chain's commands, as release/make, release/check and the build call them, and the one
place that turns what they raise into their last words and exit codes:
  make [--allow-changes] [--build BUILD] OUTDIR   0 made, 1 refused or failed, 2 a wrong call
  check FOLDER                                    0 PASS, 1 FAIL, 2 a wrong call (FAIL too)
  notices MAP OUTPUT                              the notices the linked packages ask for
  time ROOT                                       "<seconds> <commit>" of the tree's commit
Paths are read from the folder the command is typed in."""

from __future__ import annotations

import os
import signal
import subprocess
import sys
import traceback
from pathlib import Path

from chain import check as checking
from chain import make as making
from chain import model, packages, tools, tree
from chain.folders import Refused

MAKE_USAGE = "usage: release/make [--allow-changes] [--build BUILD] OUTDIR"


def _stopped(signum, _frame):
    # An interrupted or stopped run unwinds like a failure: no OUTDIR, no part folder.
    raise SystemExit(f"release: stopped by signal {signum}")


def make(args: list[str]) -> int:
    allow, build, rest = False, None, list(args)
    while len(rest) > 1:
        if rest[0] == "--allow-changes":
            allow, rest = True, rest[1:]
        elif rest[0] == "--build" and len(rest) > 2:
            build, rest = rest[1], rest[2:]
        else:
            break
    if len(rest) != 1 or not rest[0] or rest[0].startswith("-") or build == "":
        print(MAKE_USAGE, file=sys.stderr)
        return 2
    for signum in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        signal.signal(signum, _stopped)
    out = Path(os.path.abspath(rest[0]))
    build_folder = Path(os.path.abspath(build)) if build else model.TREE / "build" / making.PRESET
    given = os.environ.get("SOURCE_DATE_EPOCH")
    try:
        tools.require(*(["sign"] if os.environ.get("ZR_SIGN_PFX") else []))
        if given is not None and not given.isdigit():
            raise Refused(f"SOURCE_DATE_EPOCH={given}: seconds since 1970, from 1980 on")
        making.make(making.Request(out, build_folder, allow, int(given) if given else None))
    except Refused as error:
        print(f"release: refused: {error}", file=sys.stderr)
        return 1
    except tools.Missing as error:
        print(f"release: {error}", file=sys.stderr)
        return 1
    except subprocess.CalledProcessError as error:
        print(f"release: failed: {' '.join(map(str, error.cmd))}: exit status {error.returncode} (above)",
              file=sys.stderr)
        return 1
    except Exception as error:  # what no step expected: its trace, then the failure
        traceback.print_exc()
        print(f"release: failed: {type(error).__name__}: {error}", file=sys.stderr)
        return 1
    return 0


def check(args: list[str]) -> int:
    def verdict(words: str, code: int) -> int:
        print(f"check-release: {words}", flush=True)
        return code

    if len(args) != 1:
        print("usage: release/check RELEASE_FOLDER", file=sys.stderr)
        return verdict("FAIL: no release folder named", 2)
    folder = Path(args[0])
    try:
        for signum in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            signal.signal(signum, _stopped)
        if not folder.is_dir():
            return verdict(f"FAIL: no folder {folder}", 1)
        tools.require("sign", "check")
        passed, words = checking.check(folder, lambda line: print(line, flush=True))
        return verdict(words, 0 if passed else 1)
    except (checking.Failed, tools.Missing) as error:
        return verdict(f"FAIL: {error}", 1)
    except BaseException as error:  # noqa: B902 - whatever stops the check, its verdict is last
        traceback.print_exc(file=sys.stdout)
        return verdict(f"FAIL: the check stopped: {type(error).__name__}: {error}", 1)


def notices(args: list[str]) -> int:
    link_map, output = Path(args[0]), Path(args[1])
    text = packages.notices(packages.owners(packages.linked_files(link_map)))
    part = output.with_name(output.name + ".part")
    part.write_bytes(text.encode("utf-8", "surrogateescape"))
    part.replace(output)
    return 0


def time(args: list[str]) -> int:
    answer = tree.ask(Path(args[0]))
    if answer.problem:
        print(answer.problem, file=sys.stderr)
        return 1
    print(answer.time, answer.commit)
    return 0


def main(argv: list[str]) -> int:
    commands = {"make": make, "check": check, "notices": notices, "time": time}
    if len(argv) < 1 or argv[0] not in commands:
        print(__doc__, file=sys.stderr)
        return 2
    return commands[argv[0]](argv[1:])
