"""The build record written and read: today's format, and every line it cannot take quoted."""

from pathlib import Path

from chain import record

# Made by the chain before it was written in Python; its two lists cut to four items each.
RECORDED = Path(__file__).parent / "fixtures/GetSessionLevel-1.0.0.buildinfo"


def test_a_record_of_the_chain_reads_whole_and_is_written_the_same():
    data = RECORDED.read_bytes()
    fields, problems = record.read(data)
    assert problems == []
    assert [f for f in record.REQUIRED if f not in fields] == []
    assert fields["Unpackaged-Build-Files"][0].endswith(",")
    files = [record.Entry(h, int(s), n) for h, s, n in (line.split() for line in fields["Checksums-Sha256"])]
    made = record.Made(fields["Source"][0], fields["Version"][0], fields["Commit"][0],
                       int(fields["Source-Date-Epoch"][0]), fields["Source-Date-Epoch-From"][0], (), (),
                       fields["Build-Origin"][0], fields["Build-Distribution"][0], fields["Build-Architecture"][0],
                       tuple(files), tuple(i.rstrip(",") for i in fields["Installed-Build-Depends"]),
                       tuple(i.rstrip(",") for i in fields["Unpackaged-Build-Files"]))
    assert record.write(made).encode() == data
    changed = record.write(made.__class__(**{**made.__dict__, "changes": ("tool/a.cpp (M)",),
                                             "signed": ("GetSessionLevel.exe",)}))
    assert "Uncommitted-Changes:\n tool/a.cpp (M)\nSigned-Files:\n GetSessionLevel.exe\nBuild-Origin:" in changed


def test_what_a_record_cannot_be_is_quoted():
    data = RECORDED.read_bytes()
    after = data.count(b"\n") + 1
    cases = {
        data + b"Reviewed By: yes\n": [f'line {after} is not understood: "Reviewed By: yes"'],
        data.replace(b"Source: GetSessionLevel\n", b"Source: GetSessionLevel\nSource: x\n"):
            ['field Source twice, line 3: "Source: x"'],
        data.replace(b"Source: GetSessionLevel", b"Source: GetSessionLevel\x1b[1m\xe9"):
            ['line 2 holds a byte that is no printable text: "Source: GetSessionLevel^[[1mM-i" (as cat -v shows it)'],
        data + b"Extra: x": ["the last line has no line end"],
        data + b"Empty:  two spaces\n": [f'line {after} is not understood: "Empty:  two spaces"'],
        b"": ["it is empty"],
    }
    for text, said in cases.items():
        assert record.read(text)[1] == said
