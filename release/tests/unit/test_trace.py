"""What a traced build ran, read and created, and which of it the record names."""

from pathlib import Path

from chain import provenance, trace
from chain.trace import Trace

FIXTURES = Path(__file__).parent / "fixtures"


def test_a_recorded_trace_is_read_by_real_paths():
    # sh -c 'cat ../tool/Extra.h "../tool/we\"ird ä.h" /nonexist; echo > scratch; cat scratch;
    # mv scratch moved; ln -s moved linked', run in /fx/build.
    seen = trace.read(FIXTURES / "trace")
    assert seen.executed == {Path(p) for p in ("/usr/bin/sh", "/usr/bin/cat", "/usr/bin/mv", "/usr/bin/ln")}
    assert {Path("/fx/tool/Extra.h"), Path('/fx/tool/we"ird ä.h'), Path("/fx/scratch")} <= seen.read
    assert Path("/nonexist") not in seen.read
    assert {Path("/fx/scratch"), Path("/fx/moved"), Path("/fx/linked")} <= seen.created
    assert Path("/fx/scratch") not in seen.inputs and Path("/fx/tool/Extra.h") in seen.inputs


def test_only_inputs_are_recorded(tmp_path):
    made = {name: tmp_path / name for name in ("wrapper", "data", "scratch", "key.pfx", "tree/a.h")}
    for path in made.values():
        path.parent.mkdir(exist_ok=True)
        path.write_text(path.name)
    (tmp_path / "link").symlink_to(made["data"])
    seen = Trace(executed={made["wrapper"]}, read={tmp_path / "link", made["scratch"], made["key.pfx"],
                                                   made["tree/a.h"], Path("/etc/hostname"), tmp_path / "gone"},
                 created={made["scratch"]})
    assert provenance.inputs(seen, [tmp_path / "tree"], [made["key.pfx"]]) == sorted([made["data"], made["wrapper"]])
