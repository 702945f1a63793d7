"""Releases made, checked and rebuilt as their users do, from a build of the tree as it is:
a signed one made in a clone elsewhere and checked passing, an edited copy failing, a release
killed mid-way and made again, the installer package's own identities, and reprotest's varied
rebuild. Run by CTest with --build-tree (the i686 build) and --work (a folder of their own)."""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

import pytest

from chain import model, packages, tools

ROOM = Path(__file__).resolve().parent.parent
TREE = ROOM.parent


def run(*command, cwd=None, env=None, check=True):
    done = subprocess.run([str(c) for c in command], cwd=cwd, env={**os.environ, **(env or {})},
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    assert not check or done.returncode == 0, f"{command}: {done.returncode}\n{done.stdout[-3000:]}"
    return done


@pytest.fixture(scope="module")
def work(request):
    folder = Path(request.config.getoption("--work")).resolve()
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    return folder


@pytest.fixture(scope="module")
def build(request):
    return Path(request.config.getoption("--build-tree")).resolve()


RELEASE = model.release(model.version_of(TREE))


@pytest.fixture(scope="module")
def commit(work):
    """The tree as it is, committed or not: HEAD when nothing differs, else a commit of the
    working tree with HEAD's times, which the build tree was configured with."""
    index = {"GIT_INDEX_FILE": str(work / "index")}
    run("git", "-C", TREE, "read-tree", "HEAD", env=index)
    run("git", "-C", TREE, "add", "-A", env=index)
    written = run("git", "-C", TREE, "write-tree", env=index).stdout.strip()
    if written == run("git", "-C", TREE, "rev-parse", "HEAD^{tree}").stdout.strip():
        return run("git", "-C", TREE, "rev-parse", "HEAD").stdout.strip()
    dates = run("git", "-C", TREE, "log", "-1", "--format=%ad|%cd", "--date=raw").stdout.strip().split("|")
    who = {f"GIT_{r}_{k}": v for r in ("AUTHOR", "COMMITTER") for k, v in (("NAME", "t"), ("EMAIL", "t@t"))}
    return run("git", "-C", TREE, "commit-tree", written, "-p", "HEAD", "-m", "the tree as it is",
               env={**who, "GIT_AUTHOR_DATE": dates[0], "GIT_COMMITTER_DATE": dates[1]}).stdout.strip()


def clone_at(commit, folder):
    run("git", "clone", "-q", "--shared", "--no-checkout", TREE, folder)
    run("git", "-C", folder, "checkout", "-q", commit)
    return folder


@pytest.fixture(scope="module")
def signer(work):
    """A code-signing certificate that a CA issued: osslsigncode puts the CA's first."""
    folder = work / "certificates"
    folder.mkdir()
    (folder / "ext").write_text("extendedKeyUsage=codeSigning\n")
    key = "-newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes".split()
    for command in (["req", "-x509", *key, "-subj", "/CN=Rebuild test CA", "-keyout", "ca.key", "-out", "ca.pem"],
                    ["req", *key, "-subj", "/CN=GetSessionLevel rebuild test", "-keyout", "sign.key", "-out", "sign.csr"],
                    "x509 -req -in sign.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile ext -out sign.pem".split(),
                    "pkcs12 -export -inkey sign.key -in sign.pem -certfile ca.pem -out sign.pfx -passout pass:x".split()):
        run("openssl", *command, cwd=folder)
    return folder


@pytest.fixture(scope="module")
def signed(work, commit, signer):
    """A signed release, made in a clone at another path (spaces, regex characters) reached
    through a symlink, owned by another user when run as root, typed from release/ with
    relative paths into a folder of the tree, with the caller's compiler flags set."""
    clone = clone_at(commit, work / "sources c++ [cloned] elsewhere")
    if os.getuid() == 0:
        run("chown", "-R", "nobody", clone)
    (work / "linked").symlink_to(clone)
    clone = work / "linked"
    made = run(clone / "release/make", "--build", "../build/signed", "out", cwd=clone / "release",
               env={"ZR_SIGN_PFX": str(signer / "sign.pfx"), "ZR_SIGN_PASSWORD": "x",
                    "ZR_SIGN_NO_TIMESTAMP": "1", "LDFLAGS": "-Wl,--no-insert-timestamp", "CXXFLAGS": "-O0"})
    assert "not taken from the environment: LDFLAGS=" in made.stdout
    shutil.copytree(clone / "release/out", work / "signed")
    shutil.rmtree(clone / "release/out")  # a folder no other check in the tree is of
    return clone


def fields(record):
    return dict(re.findall(r"^([A-Z][\w-]*):((?: .*)?(?:\n .*)*)", record.read_text(), re.M))


def test_a_signed_release_is_checked_passing(work, build, commit, signer, signed):
    out = signed / "release/out"
    shutil.copytree(work / "signed", out)
    record = out / RELEASE.record
    said = fields(record)
    assert "Uncommitted-Changes" not in said
    assert said["Signed-Files"].split() == [f.name for f in RELEASE.files if f.signed]
    for text in (record.read_text(), (out / RELEASE.bill).read_text()):
        assert "sign." not in text and str(work) not in text and "sources c++" not in text
    run("sh", ROOM / "tests/check-sbom.sh", out / RELEASE.bill)

    # This machine differs from the record: a package's version, a package it lacks, and the
    # files of no package a wrapper on PATH runs and reads. What the wrapper writes outside the
    # build folder is scratch, never an input.
    wrapper, tmp = Path(tempfile.mkdtemp()), work / "tmp"  # a wrapper in /tmp is no scratch
    for folder in (tmp, signed / "build/shipping/bin"):
        folder.mkdir(parents=True, exist_ok=True)
    (wrapper / "data").write_text("read by the wrapper\n")
    (wrapper / "zip").write_text(f"#!/bin/sh\necho made >{wrapper}/scratch\ncat {wrapper}/data {wrapper}/scratch "
                                 f">/dev/null\nexec {shutil.which('zip')} \"$@\"\n")
    (wrapper / "zip").chmod(0o755)
    text = re.sub(r"^ zip:(\w+) \(= [^)]*\)", r" zip:\1 (= 0-elsewhere)", record.read_text(), flags=re.M)
    text = text.replace("Installed-Build-Depends:\n", "Installed-Build-Depends:\n made-up:amd64 (= 1.0),\n")
    record.write_text(text.split("Unpackaged-Build-Files:")[0])
    (signed / "build/shipping/bin/GetSessionLevel.exe").write_text("corrupted")
    try:
        checked = run(signed / "release/check", "release/out", cwd=signed, env={
            "PATH": f"{wrapper}:{os.environ['PATH']}", "SSL_CERT_FILE": str(signer / "ca.pem"), "TMPDIR": str(tmp)})
    finally:
        shutil.rmtree(out)
        shutil.rmtree(wrapper)
    fingerprint = run("openssl", "x509", "-in", signer / "sign.pem", "-noout", "-fingerprint", "-sha256").stdout
    lines = checked.stdout.splitlines()
    assert lines[-1].startswith(f"check-release: PASS: every file of {out.resolve()} is what commit {commit} builds; ")
    for file in RELEASE.files:
        assert (f"; {file.name} signed by /CN=GetSessionLevel rebuild test (certificate SHA-256 {fingerprint.split('=', 1)[1].strip()}"
                "), which chains to a root this machine trusts" in lines[-1]) == file.signed
    for item in ("recorded: zip:", "recorded: made-up:amd64 (= 1.0)", f"{wrapper}/zip", f"{wrapper}/data"):
        assert any(item in line for line in lines), item
    assert not any("scratch" in line for line in lines)
    assert int(re.search(r"differs from the record in (\d+) places", lines[-1]).group(1)) >= 4
    assert list(tmp.iterdir()) == []
    assert (signed / "build/shipping/bin/GetSessionLevel.exe").read_text() == "corrupted"


def test_an_edited_release_fails_each_difference_explained(work, signed, signer):
    edited = work / "edited"
    shutil.copytree(work / "signed", edited)
    record, bill, tool = edited / RELEASE.record, edited / RELEASE.bill, edited / RELEASE.tool
    record.write_text(re.sub(r"^Source-Date-Epoch-From: .*", "Source-Date-Epoch-From: SOURCE_DATE_EPOCH",
                             record.read_text(), flags=re.M))
    bill.write_text(bill.read_text().replace('"ZPL-2.1"', '"MIT"'))
    data = bytearray(tool.read_bytes())
    data[4096] ^= 1
    tool.write_bytes(bytes(data))
    (edited / ".hidden").write_text("")
    (edited / "extra").mkdir()
    checked = run(signed / "release/check", edited, cwd=signed, check=False)
    assert checked.returncode == 1
    assert checked.stdout.splitlines()[-1].startswith(f"check-release: FAIL: {edited} is not what")
    for words in ("the release differs in Source-Date-Epoch-From", f"differs: {RELEASE.bill}",
                  f"differs: {RELEASE.tool}", "  @@ -", "not a file of a release: .hidden",
                  "not a file of a release: extra (directory)", "which chains to no root this machine trusts"):
        assert words in checked.stdout, words


def test_a_release_killed_midway_is_made_again(work, commit):
    clone = clone_at(commit, work / "killed")
    started = subprocess.Popen([clone / "release/make", work / "killed-out"], cwd=clone, start_new_session=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 120
    while not (clone / "build/shipping/build.ninja").exists() and time.monotonic() < deadline:
        time.sleep(0.2)
    assert started.poll() is None, "the release ended before it could be killed"
    os.killpg(started.pid, signal.SIGKILL)
    started.wait()
    assert not (work / "killed-out").exists()
    run(clone / "release/make", work / "killed-out", cwd=clone)
    # Refused before anything is written, the release kept: nested folders, a tree with changes.
    (clone / "tool/GetSessionLevel.cpp").write_text("// a change\n")
    for args, said in ((["--build", work / "killed-out/build"], "lie one inside the other"),
                       ([], "  M tool/GetSessionLevel.cpp")):
        refused = run(clone / "release/make", *args, work / "killed-out", cwd=clone, check=False)
        assert refused.returncode == 1 and said in refused.stdout
    run("sha256sum", "-c", "--quiet", "SHA256SUMS", cwd=work / "killed-out")


def test_the_installer_package_is_its_own(request, work, build):
    """Made again with a wixl two seconds slower, the MSI is the same (no running clock); the
    release's and the upgrade's products and packages differ; the exe carries its version."""
    msi = next(f.built for f in RELEASE.files if f.name.endswith(".msi"))
    (work / "wixl").write_text(f"#!/bin/sh\nsleep 2\nexec {shutil.which('wixl')} \"$@\"\n")
    (work / "wixl").chmod(0o755)
    step = run("ninja", "-C", build, "-t", "commands", "-s", msi).stdout.strip()
    for name, value in (("WIXL", work / "wixl"), ("OUTPUT", work / "slow.msi"), ("STAGE", work / "slow-files")):
        step = re.sub(rf"-D{name}=\S+", f"-D{name}={value}", step)
    run("sh", "-c", step, env={"ZR_SIGN_PFX": ""})
    assert (work / "slow.msi").read_bytes() == (build / msi).read_bytes()

    def codes(package):
        product = re.search(r"^ProductCode\t(\S+)", run("msiinfo", "export", package, "Property").stdout, re.M)
        revision = re.search(r"^Revision number \(UUID\): (\S+)", run("msiinfo", "suminfo", package).stdout, re.M)
        return product.group(1), revision.group(1)

    upgrade = request.config.getoption("--upgrade-msi")
    assert all(a != b for a, b in zip(codes(build / msi), codes(upgrade)))
    files = run("msiinfo", "export", build / msi, "File").stdout
    assert re.search(r"^GetSessionLevel\.exe\t.*\t" + re.escape(request.config.getoption("--file-version")) + r"\t",
                     files, re.M)
    assert not re.search(r"^GetSessionLevel\.exe", run("msiinfo", "export", build / msi, "MsiFileHash").stdout, re.M)


def test_reprotest_finds_a_varied_rebuild_the_same(work, build, commit):
    """A git archive's release, built twice by reprotest, the second time varied every way it
    can here (not the user, which needs sudo and a second account), into a folder of the tree."""
    archive = work / "archive"
    archive.mkdir()
    tar = subprocess.run(["git", "-C", TREE, "archive", "--format=tar", commit], stdout=subprocess.PIPE, check=True)
    subprocess.run(["tar", "-xf", "-", "-C", archive], input=tar.stdout, check=True)
    done = run("reprotest", "--vary=-user_group", "--vary=locales.locale+=tr_TR.UTF-8", "--store-dir",
               work / "store", "-c", "release/make release/out", archive, "release/out/*", check=False)
    assert done.returncode == 0 and "Reproduction successful" in done.stdout, done.stdout[-4000:]
    out = work / "store/control/source-root/release/out"
    for file in RELEASE.files:  # the build tree's, made from a clone
        assert (out / file.name).read_bytes() == (build / file.built).read_bytes(), file.name
    said = fields(out / RELEASE.record)
    assert (said["Commit"], said["Source-Date-Epoch-From"]) == (f" {commit}", f" committer date of {commit}")
    for text in ((out / RELEASE.record).read_text(), (out / RELEASE.bill).read_text()):
        assert str(work) not in text and "reprotest" not in text
    # Every shared library of the programs that make the bytes is named by its package (strace
    # and dpkg-query serve the chain, outside the traced build).
    programs = [shutil.which(c) for c in tools.listed() if c not in ("strace", "dpkg-query") and c[0] != "/"]
    compiler = next(p for p in programs if p.endswith("g++-posix"))
    programs += [run(compiler, f"-print-prog-name={p}").stdout.strip() for p in ("cc1plus", "as", "ld")]
    libraries = {Path(os.path.realpath(m)) for p in programs for m in re.findall(r"=> (/\S+)", run("ldd", p).stdout)}
    owned = packages.owned(sorted(libraries))
    assert set(owned) == libraries, f"of no package: {libraries - set(owned)}"
    for library, owners in owned.items():
        assert any(" " + owner.split(":")[0] + ":" in said["Installed-Build-Depends"] for owner in owners), library
    run("sh", ROOM / "tests/check-sbom.sh", out / RELEASE.bill)
    bill = (out / RELEASE.bill).read_text()
    for package in packages.owners(packages.linked_files(build / RELEASE.link_map)):
        assert '"name": "%s"' % package.split(":")[0] in bill
