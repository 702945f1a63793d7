"""What the check refuses before any rebuild, and its verdict always last."""

from pathlib import Path

import pytest

from chain import check, cli, tree

RECORDED = (Path(__file__).parent / "fixtures/GetSessionLevel-1.0.0.buildinfo").read_text()
COMMIT, TIME = "b77675fa7b7ba33afefd97f861a1a30e5ba53df4", 1765000000


def checked(folder, text, commit=COMMIT, time=TIME):
    folder.mkdir(exist_ok=True)
    (folder / "GetSessionLevel-1.0.0.buildinfo").write_text(text)
    _, fields = check._read_record(folder, lambda line: None)
    return check._epoch(fields, tree.Tree(folder, commit, time, tree.FROM_GIT))


def test_the_record_decides_the_rebuild_or_refuses_it(tmp_path):
    given = "Source-Date-Epoch-From: SOURCE_DATE_EPOCH"
    assert checked(tmp_path, RECORDED) == 1765000000
    assert checked(tmp_path, RECORDED.replace(given, f"Source-Date-Epoch-From: committer date of {COMMIT}")) is None
    refused = {
        RECORDED.replace("Commit: ", "Comment: "): "the build record has no Commit",
        RECORDED.replace("Build-Origin:", "Uncommitted-Changes:\n tool/a.cpp (M)\nBuild-Origin:"):
            "made from a tree with changes",
        RECORDED.replace(given, f"Source-Date-Epoch-From: committer date of {COMMIT}").replace("1765000000", "1765000001"):
            "is said to be the committer date of",
        RECORDED.replace(given, "Source-Date-Epoch-From: the moon"): "which no release says",
        RECORDED + "Reviewed By: yes\n": "cannot be read whole",
    }
    for text, said in refused.items():
        with pytest.raises(check.Failed, match=said):
            checked(tmp_path, text)
    with pytest.raises(check.Failed, match=f"the release is of commit {COMMIT}, this tree of 0123"):
        checked(tmp_path, RECORDED, commit="0123")
    (tmp_path / "GetSessionLevel-1.0.1.buildinfo").write_text(RECORDED)
    with pytest.raises(check.Failed, match="2 build records"):
        check._read_record(tmp_path, print)


def test_the_verdict_is_the_last_line_whatever_stops_the_check(tmp_path, monkeypatch, capsys):
    def stops(folder, say):
        say("a line of the check")
        raise IsADirectoryError(21, "Is a directory", "GetSessionLevel-1.0.0.buildinfo")

    monkeypatch.setattr(check, "check", stops)
    monkeypatch.setattr(cli.tools, "require", lambda *kinds: None)
    assert cli.check([str(tmp_path)]) == 1
    said = capsys.readouterr().out.splitlines()
    assert said[-1].startswith("check-release: FAIL: the check stopped: IsADirectoryError")
    assert cli.check([]) == 2
    assert capsys.readouterr().out.splitlines()[-1] == "check-release: FAIL: no release folder named"
    assert cli.make(["--build"]) == 2 and cli.make(["a", "b"]) == 2
