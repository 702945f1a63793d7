"""Which folders a release may replace and build in: nothing of anyone else's is lost."""

import pytest

from chain import folders
from chain.folders import Refused


def files(folder, *names):
    folder.mkdir(parents=True, exist_ok=True)
    for name in names:
        (folder / name).write_text(name)
    return folder


def test_the_release_and_build_folders_never_nest(tmp_path):
    for out, build in (("b/out", "b"), ("out", "out/build"), ("same", "same")):
        with pytest.raises(Refused, match="lie one inside the other"):
            folders.check_apart(tmp_path / out, tmp_path / build)
    (tmp_path / "b").mkdir()
    (tmp_path / "link").symlink_to(tmp_path / "b")
    with pytest.raises(Refused):
        folders.check_apart(tmp_path / "link/out", tmp_path / "b")
    folders.check_apart(tmp_path / "out", tmp_path / "build")


def test_only_an_empty_folder_or_a_release_is_replaced(tmp_path):
    release = ("SHA256SUMS", "GetSessionLevel.exe", "GetSessionLevel-1.0.0-win32.zip",
               "GetSessionLevel-1.0.0-win32.msi", "GetSessionLevel-1.0.0.buildinfo", "GetSessionLevel-1.0.0.cdx.json")
    for replaced in (tmp_path / "none", files(tmp_path / "empty"), files(tmp_path / "release", *release)):
        folders.check_replaceable(replaced)
    (tmp_path / "release/extra").mkdir()
    refused = {files(tmp_path / "downloads", "SHA256SUMS", "holiday.jpg"): "holiday.jpg",
               files(tmp_path / "sums", "SHA256SUMS"): "no whole release", tmp_path / "release": "extra"}
    for folder, said in refused.items():
        held = sorted(folder.iterdir())
        with pytest.raises(Refused, match=said):
            folders.check_replaceable(folder)
        assert sorted(folder.iterdir()) == held
    with pytest.raises(Refused, match="is not a folder"):
        folders.check_replaceable(tmp_path / "release/SHA256SUMS")


def test_a_build_folder_is_emptied_only_when_it_was_a_build(tmp_path):
    with pytest.raises(Refused, match="holds files and no build"):
        folders.prepare_build(files(tmp_path / "photos", "holiday.jpg"))
    assert (tmp_path / "photos/holiday.jpg").exists()
    # A run stopped while it emptied the folder left the mark and no cache: the next one goes on.
    stopped = files(tmp_path / "stopped", folders.BUILD_MARK, "half-deleted.o")
    folders.prepare_build(stopped)
    assert [p.name for p in stopped.iterdir()] == [folders.BUILD_MARK]
    built = files(tmp_path / "built", "CMakeCache.txt", "bin.exe")
    folders.prepare_build(built)
    folders.finish_build(built)
    assert list(built.iterdir()) == []
