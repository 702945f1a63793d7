"""The tree against its commit, by content: what git's index bits and exclude files hide."""

import subprocess
from pathlib import Path

import pytest

from chain import tree


def git(root, *args):
    return subprocess.run(["git", "-C", str(root), *args], check=True, stdout=subprocess.PIPE, text=True).stdout


@pytest.fixture
def clone(tmp_path):
    root = tmp_path / "tree"
    for path, text in (("tool/main.cpp", "int main() {}\n"), ("tool/other.cpp", "// other\n"),
                       ("doc/Text.txt", "shipped\n"), (".gitattributes", "doc/*.txt text eol=crlf\n")):
        (root / path).parent.mkdir(parents=True, exist_ok=True)
        (root / path).write_text(text)
    for args in (["init", "-q"], ["add", "-A"], ["-c", "user.name=t", "-c", "user.email=t@t", "commit", "-qm", "1"]):
        git(root, *args)
    (root / "doc/Text.txt").unlink()
    git(root, "checkout", "--", "doc/Text.txt")  # CRLF, as the attribute checks it out
    return root


def test_a_clean_clone_is_its_commit_and_crlf_checkouts_are_no_change(clone):
    assert (clone / "doc/Text.txt").read_bytes() == b"shipped\r\n"
    answer = tree.ask(clone)
    head = git(clone, "log", "-1", "--format=%ct %H").split()
    assert (answer.problem, answer.changes) == ("", ())
    assert (answer.time, answer.commit, answer.read_from) == (int(head[0]), head[1], tree.FROM_GIT)


def test_changes_hidden_from_git_status_are_found_by_content(clone):
    for path, bit in (("tool/main.cpp", "--assume-unchanged"), ("tool/other.cpp", "--skip-worktree")):
        (clone / path).write_text("// changed\n")
        git(clone, "update-index", bit, path)
    assert git(clone, "status", "--porcelain") == ""
    assert [str(c) for c in tree.ask(clone).changes] == [" M tool/main.cpp", " M tool/other.cpp"]
    (clone / "tool/main.cpp").unlink()
    assert " D tool/main.cpp" in [str(c) for c in tree.ask(clone).changes]


def test_untracked_files_before_and_after_the_build(clone):
    (clone / "NOTES.txt").write_text("not read by the build\n")
    (clone / "tool/New.h").write_text("// untracked\n")
    (clone / "tool/Hidden.h").write_text("// excluded\n")
    (clone / ".git/info/exclude").write_text("tool/Hidden.h\n")
    (clone / "tool/out").mkdir()
    (clone / "tool/out/SHA256SUMS").write_text("a release's own output\n")
    # Before: untracked files under the inputs that git does not ignore; never NOTES.txt at
    # the root, nor a release's own folder.
    answer = tree.ask(clone, [clone / "tool/out"])
    assert [str(c) for c in answer.changes] == ["?? tool/New.h"]
    # After: every file the build read, ignored or not, against the commit.
    read = {clone, clone / "tool", clone / "tool/Hidden.h", clone / "tool/main.cpp", clone / "doc/Text.txt", clone / ".git/HEAD",
            clone / "tool/out/SHA256SUMS", Path("/usr/include/stdio.h")}
    assert [str(c) for c in tree.read_changes(answer, read, [clone / "tool/out"])] == ["?? tool/Hidden.h"]


def test_sources_without_a_commit_are_refused(tmp_path, monkeypatch):
    monkeypatch.setattr(tree, "ARCHIVED", tmp_path / "SourceDate.txt")
    (tmp_path / "SourceDate.txt").write_text("$Format:%ct %H$\n")
    assert "neither a git clone of its own nor a git archive" in tree.ask(tmp_path).problem
    (tmp_path / "SourceDate.txt").write_text("1765000000 " + "a" * 40 + "\n")
    answer = tree.ask(tmp_path)
    assert (answer.time, answer.commit, answer.read_from) == (1765000000, "a" * 40, tree.FROM_ARCHIVE)
