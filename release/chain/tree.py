"""The tree a release is made from: which commit it is, its time, and every file that differs
from the commit. A file is compared by its content with the commit's blob, never by what git's
index says: --assume-unchanged, --skip-worktree and exclude files hide nothing here. Line ends
as a clone's checkout gave them are no change.

Before a build, `ask` compares the commit's files under the folders the build reads (INPUTS)
and names the untracked files there that git does not ignore. After it, `read_changes` holds
every file under the tree that the build read, ignored ones included, to the same rule."""

from __future__ import annotations

import os
import re
import shutil
import subprocess
from dataclasses import dataclass, field
from pathlib import Path

from chain.model import ROOM

# The files and folders a release build reads, relative to the tree.
INPUTS = ("CMakeLists.txt", "CMakePresets.json", "cmake", "release", "Common", "Include", "tool",
          "doc", "examples")
ARCHIVED = ROOM / "SourceDate.txt"  # "<time> <commit>", written by `git archive`
FROM_GIT = "git"
FROM_ARCHIVE = "the git archive's SourceDate.txt"


@dataclass(frozen=True)
class Change:
    path: str  # relative to the tree
    status: str  # "M" changed, "D" missing, "??" no file of the commit, "A" only in git's index

    def __str__(self) -> str:
        return f"{self.status:>2} {self.path}"


@dataclass(frozen=True)
class Tree:
    """The answer about a tree: `problem` says why no commit is known, when none is."""

    root: Path
    commit: str = ""
    time: int = 0
    read_from: str = ""
    problem: str = ""
    changes: tuple[Change, ...] = ()
    blobs: dict[str, str] = field(default_factory=dict, repr=False, compare=False)


def _git(root: Path, *args: str, stdin: bytes | None = None) -> bytes:
    command = ["git", "-c", "safe.directory=*", "-c", "log.showSignature=false",
               "-c", "core.autocrlf=true", "-c", "core.quotePath=false", "-C", str(root), *args]
    return subprocess.run(command, input=stdin, stdout=subprocess.PIPE, check=True).stdout


def _inside(path: Path, folders: list[Path]) -> bool:
    return any(path == f or f in path.parents for f in folders)


def _split(output: bytes) -> list[str]:
    return [os.fsdecode(p) for p in output.split(b"\0") if p]


def ask(root: Path, excluded: list[Path] = ()) -> Tree:
    """Which commit `root` is and how its build inputs differ from it. What lies in an
    `excluded` folder (a release's own output and build, wherever they are) is no change."""
    root = root.resolve()
    excluded = [p.resolve() for p in excluded]
    own = False
    if shutil.which("git"):
        top = subprocess.run(["git", "-c", "safe.directory=*", "-C", str(root), "rev-parse",
                              "--show-toplevel"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        own = top.returncode == 0 and Path(os.fsdecode(top.stdout.strip())).resolve() == root
    if not own:
        archived = ARCHIVED.read_text(encoding="utf-8").strip() if ARCHIVED.exists() else ""
        found = re.fullmatch(r"([0-9]+) ([0-9a-f]{40})", archived)
        if found:
            return Tree(root, found.group(2), int(found.group(1)), FROM_ARCHIVE)
        if (root / ".git").exists() and not shutil.which("git"):
            return Tree(root, problem="git is not installed (apt-get install git), and this tree is a "
                        "git clone: its commit cannot be read without it")
        return Tree(root, problem=f"{root} is neither a git clone of its own nor a git archive: "
                    "no commit is known")
    found = subprocess.run(["git", "-c", "safe.directory=*", "-C", str(root), "log", "-1", "--no-show-signature",
                            "--format=%ct %H"], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if found.returncode != 0 or not re.fullmatch(r"[0-9]+ [0-9a-f]+\n", found.stdout):
        return Tree(root, problem=f"git gives no commit for {root}: {found.stdout}{found.stderr}".strip())
    time, commit = found.stdout.split()
    blobs = {}
    for entry in _split(_git(root, "ls-tree", "-r", "-z", "--full-tree", commit)):
        meta, path = entry.split("\t", 1)
        blobs[path] = meta.split()[2]
    tree = Tree(root, commit, int(time), FROM_GIT, blobs=blobs)
    changes = list(_differing(tree, [p for p in blobs if _under_inputs(p)], excluded))
    # Untracked files git does not ignore, and files only its index holds.
    status = _split(_git(root, "status", "--porcelain=v1", "-z", "--untracked-files=all",
                         "--no-renames", "--", *INPUTS))
    for entry in status:
        code, path = entry[:2], entry[3:]
        if path in blobs or _inside(root / path, excluded):
            continue
        changes.append(Change(path, "??" if code == "??" else "A"))
    return Tree(root, commit, int(time), FROM_GIT, changes=tuple(sorted(set(changes), key=str)),
                blobs=blobs)


def _under_inputs(path: str) -> bool:
    return any(path == i or path.startswith(i + "/") for i in INPUTS)


def _differing(tree: Tree, paths: list[str], excluded: list[Path]):
    """The changes among `paths`, relative to the tree, by content."""
    present = []
    for path in paths:
        full = tree.root / path
        if _inside(full, excluded):
            continue
        if path not in tree.blobs:
            yield Change(path, "??")
        elif not full.is_file():
            yield Change(path, "D")
        else:
            present.append(path)
    if present:
        # hash-object cleans each file as `git add` would, by its path's attributes.
        hashes = _git(tree.root, "hash-object", "--stdin-paths",
                      stdin="".join(p + "\n" for p in present).encode()).decode().split()
        for path, blob in zip(present, hashes):
            if blob != tree.blobs[path]:
                yield Change(path, "M")


def read_changes(tree: Tree, read: set[Path], excluded: list[Path]) -> tuple[Change, ...]:
    """The files under the tree that a build read and that are not the commit's files with the
    commit's content. git's own folder is no file of the tree; without a git clone nothing is
    known to compare with."""
    if tree.read_from != FROM_GIT:
        return ()
    paths = []
    for path in read:
        try:
            relative = path.relative_to(tree.root)
        except ValueError:
            continue
        if not path.is_file() or relative.parts[0] == ".git" or _inside(path, excluded):
            continue
        paths.append(relative.as_posix())
    return tuple(sorted(_differing(tree, sorted(paths), excluded), key=str))
