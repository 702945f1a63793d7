"""Checking a release by rebuilding it: this tree must be the release's commit and nothing
else; the record is read whole before anything is built; the release is made again from
scratch in a folder of the check's own, with the record's time and the release's signatures
attached; then every entry of both folders is compared. Returns the verdict's words and whether
it passes; a failure on the way raises Failed with the reason."""

from __future__ import annotations

import os
import tempfile
from pathlib import Path
from typing import Callable

from chain import compare, make, model, record, signatures, tree


class Failed(Exception):
    pass


def _read_record(folder: Path, say) -> tuple[Path, dict[str, list[str]]]:
    found = sorted(p for p in folder.iterdir() if p.name.endswith(".buildinfo"))
    if len(found) != 1:
        raise Failed(f"{len(found)} build records in {folder}, not one")
    fields, problems = record.read(found[0].read_bytes())
    for problem in problems:
        say(f"{found[0].name}: {problem}")
    if problems:
        raise Failed("the build record cannot be read whole (above)")
    for name in record.REQUIRED:
        if name not in fields:
            raise Failed(f"the build record has no {name}")
    for change in fields.get("Uncommitted-Changes", []):
        say(f"  {change}")
    if "Uncommitted-Changes" in fields:
        raise Failed("the release was made from a tree with changes no commit holds (above): "
                     "no commit rebuilds it")
    return found[0], fields


def _epoch(fields: dict[str, list[str]], answer: tree.Tree) -> int | None:
    """The time to rebuild with: None for the commit's own, once the record's is shown to be it."""
    commit = fields["Commit"][0] if fields["Commit"] else ""
    if commit != answer.commit:
        raise Failed(f"the release is of commit {commit or 'none'}, this tree of {answer.commit}: "
                     "check that commit out first")
    epoch = fields["Source-Date-Epoch"][0] if fields["Source-Date-Epoch"] else ""
    said = fields["Source-Date-Epoch-From"][0] if fields["Source-Date-Epoch-From"] else ""
    if said == record.COMMITTER_DATE + commit:
        if epoch != str(answer.time):
            raise Failed(f"the record's time {epoch} is said to be the committer date of {commit}, "
                         f"which is {answer.time}")
        return None
    if said == record.GIVEN_TIME:
        if not epoch.isdigit():
            raise Failed(f'the record\'s time is no number: "{epoch}"')
        return int(epoch)
    raise Failed(f'the record\'s time is said to come from "{said}", which no release says')


def check(folder: Path, say: Callable[[str], None]) -> tuple[bool, str]:
    release = Path(os.path.realpath(folder))
    with tempfile.TemporaryDirectory() as scratch:
        work = Path(os.path.realpath(scratch))
        answer = tree.ask(model.TREE, [release, work])
        if answer.problem:
            raise Failed(f"this tree cannot be checked against: {answer.problem}")
        if answer.changes:
            for change in answer.changes:
                say(f"  {change}")
            raise Failed("this tree has changes no commit holds (above): check out the release's commit clean")
        record_file, fields = _read_record(release, say)
        epoch = _epoch(fields, answer)

        # Signatures: taken from the release's files, to be attached to the rebuilt ones.
        attached = work / "signatures"
        attached.mkdir()
        signed = []
        for name in sorted(f.name for f in model.release(model.version_of(model.TREE)).files if f.signed):
            file = release / name
            if file.is_file() and not file.is_symlink() and signatures.extract(file, attached / f"{name}.sig"):
                signed.append(f"{name} {signatures.signer(attached / f'{name}.sig')}")

        rebuilt = work / "rebuilt"
        with open(work / "release.log", "w") as log:
            try:
                make.make(make.Request(rebuilt, work / "build", epoch=epoch, tree=answer, attach=attached),
                          say=lambda line: print(line, file=log, flush=True), output=log)
            except Exception as error:
                log.flush()
                say((work / "release.log").read_text().rstrip("\n"))
                raise Failed(f"the release could not be rebuilt here: {error}") from error
        outcome = compare.folders(release, rebuilt, fields, record_file.name)
    for line in outcome.lines:
        say(line)
    notes = "".join(f"; {line}" for line in signed)
    if signed:
        notes += " (signatures taken as they are: a signature cannot be rebuilt)"
    if outcome.machine:
        places = "place" if outcome.machine == 1 else "places"
        notes += f"; this machine differs from the record in {outcome.machine} {places} (above)"
    commit = answer.commit
    if outcome.same:
        return True, f"PASS: every file of {release} is what commit {commit} builds{notes}"
    return False, f"FAIL: {release} is not what commit {commit} builds (above){notes}"
