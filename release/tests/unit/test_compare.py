"""A release against its rebuild: each entry, and the record's fields of the release apart
from the building machine's."""

from chain import compare


def fields(**changed):
    base = {"Format": ["1.0"], "Commit": ["c0ffee"], "Checksums-Sha256": ["aa 1 GetSessionLevel.exe"],
            "Build-Distribution": ["bookworm 12.11"],
            "Installed-Build-Depends": ["", "wixl:amd64 (= 1),", "zip:amd64 (= 3)"],
            "Unpackaged-Build-Files": ["", "0" * 64 + " /tmp/wrapper/zip"]}
    return {**base, **changed}


def test_the_machines_differences_are_counted_and_the_releases_fail():
    out = compare.Outcome()
    here = fields(**{"Installed-Build-Depends": ["", "wixl:amd64 (= 2),", "jq:amd64 (= 1)"],
                     "Unpackaged-Build-Files": ["", "1" * 64 + " /tmp/wrapper/zip"]})
    compare.records(fields(), here, "r.buildinfo", out)
    # wixl's version, zip missing, jq extra, the wrapper's content: four places.
    assert (out.same, out.machine) == (True, 4)
    assert "  recorded: zip:amd64 (= 3)" in out.lines and "  here:     jq:amd64 (= 1)" in out.lines
    out = compare.Outcome()
    compare.records(fields(), fields(Commit=["decade"]), "r.buildinfo", out)
    assert not out.same
    assert 'the release differs in Commit: recorded "c0ffee", rebuilt "decade"' in out.lines
    out = compare.Outcome()
    compare.records(fields(), {k: v for k, v in fields().items() if k != "Format"}, "r.buildinfo", out)
    assert not out.same


def test_every_entry_of_both_folders_counts(tmp_path):
    release, rebuilt = tmp_path / "release", tmp_path / "rebuilt"
    for folder in (release, rebuilt):
        folder.mkdir()
        (folder / "GetSessionLevel.exe").write_bytes(b"MZ")
        (folder / "SHA256SUMS").write_text("sums\n")
    assert compare.folders(release, rebuilt, {}, "r.buildinfo").same
    (release / ".hidden").write_text("")
    (release / "extra").mkdir()
    (release / "SHA256SUMS").unlink()
    out = compare.folders(release, rebuilt, {}, "r.buildinfo")
    assert not out.same
    assert out.lines == ["not a file of a release: .hidden (nothing rebuilt has that name)",
                         "the same: GetSessionLevel.exe", "missing from the release: SHA256SUMS",
                         "not a file of a release: extra (directory)"]
