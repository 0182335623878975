"""nldat.sniff: the plan for small files of several kinds, read right by
nldat.read where the plan converts, the same as the CLI's sniff --json, and
how paths, texts, bytes and encodings are told apart."""

import json
import os
import shutil
import subprocess

import numpy as np
import pytest

import nldat

# name, preferred locale, delimiter, columns: (name, fields, what each
# means (None: the file does not settle it), kind, status).
FILES = [
    ("German", "en_US", ";", [
        ("Buchungstag", ["07.12.2026", "13.12.2026", "01.01.2027"], ["2026-12-07", "2026-12-13", "2027-01-01"],
         "date", "decided"),
        ("Betrag", ["-1.150,00", "12,50", "3.000,00"], [-1150.0, 12.5, 3000.0], "number", "decided"),
    ]),
    ("UK", "en_US", ",", [
        ("Date", ["07/12/2026", "13/12/2026", "25/01/2027"], ["2026-12-07", "2026-12-13", "2027-01-25"],
         "date", "decided"),
        ("Amount", ["-1,150.00", "12.50", "3,000.00"], [-1150.0, 12.5, 3000.0], "number", "decided"),
    ]),
    ("US", "de_DE", ",", [
        ("Date", ["12/07/2026", "12/13/2026", "01/25/2027"], ["2026-12-07", "2026-12-13", "2027-01-25"],
         "date", "decided"),
    ]),
    ("ambiguous", "en_US", ",", [
        ("Date", ["05/06/2026", "07/08/2026", "01/02/2027"], None, "date", "ambiguous"),
        ("Item", ["tea", "milk", "bread"], None, "text", "none"),
    ]),
    ("not dates", "de_DE", ",", [
        ("Code", ["41_10_1", "41_10_2", "AB-12"], None, "text", "none"),
        ("Version", ["1.2.3", "2.0.11", "10.4.1"], None, "text", "none"),
        ("Phone", ["+49 30 1234567", "+49 89 7654321", "+49 40 111222"], None, "text", "none"),
    ]),
]


def file_text(columns, delimiter, line_end="\n"):
    def quoted(field):
        return '"' + field + '"' if delimiter in field else field

    rows = [delimiter.join(c[0] for c in columns)]
    for r in range(len(columns[0][1])):
        rows.append(delimiter.join(quoted(c[1][r]) for c in columns))
    return line_end.join(rows) + line_end


def cli():
    return os.environ.get("NLDAT_CLI") or shutil.which("nldat")


@pytest.mark.parametrize("what,preferred,delimiter,columns", FILES, ids=[f[0] for f in FILES])
def test_each_column_gets_its_kind_and_no_value_is_read_wrong(what, preferred, delimiter, columns):
    plan = nldat.sniff(text=file_text(columns, delimiter), locale=preferred)
    assert plan["delimiter"] == delimiter
    assert plan["header"] is True
    assert plan["records"] == len(columns[0][1])
    assert [c["name"] for c in plan["columns"]] == [c[0] for c in columns]
    for (name, fields, truth, kind, status), column in zip(columns, plan["columns"]):
        assert (column["kind"], column["status"]) == (kind, status), name
        if truth is None:
            assert "reader" not in column, name
            continue
        # Read by what the plan says, every field means what it should.
        locale = plan["locale"] or column["answers"][0]["locale"]
        read = nldat.read(fields, column["reader"], locale, errors="raise")
        expected = np.array(truth, dtype=read.dtype)
        assert np.array_equal(read, expected), (name, read, expected)
    if any(c[4] == "decided" for c in columns):
        assert plan["command"].startswith("nldat ")
    else:
        assert plan["command"] is None


def test_an_ambiguous_column_shows_a_field_and_each_answers_value():
    columns = FILES[3][3]
    plan = nldat.sniff(text=file_text(columns, ","), locale="en_US")
    date = plan["columns"][0]
    assert date["ambiguity"]["line"] == 2
    assert date["ambiguity"]["field"] == "05/06/2026"
    assert sorted(date["ambiguity"]["values"]) == ["2026-05-06", "2026-06-05"]
    assert len(date["answers"]) == 2


def test_the_plan_is_what_the_cli_says(tmp_path):
    program = cli()
    if program is None:
        pytest.skip("the nldat CLI is not found (NLDAT_CLI)")
    for what, preferred, delimiter, columns in FILES:
        path = tmp_path / f"{what.replace(' ', '_')}.csv"
        path.write_text(file_text(columns, delimiter, "\r\n"), encoding="utf-8")
        run = subprocess.run([program, "--locale", preferred, "sniff", "--json", str(path)], capture_output=True,
                             text=True, check=False)
        assert run.returncode in (0, 1), run.stderr
        assert nldat.sniff(str(path), locale=preferred) == json.loads(run.stdout), what


def test_paths_texts_bytes_and_open_files(tmp_path):
    text = file_text(FILES[0][3], ";")
    path = tmp_path / "konto.csv"
    path.write_text(text, encoding="utf-8")
    by_path = nldat.sniff(path, locale="de_DE")
    assert by_path["file"] == str(path)
    assert nldat.sniff(str(path), locale="de_DE") == by_path
    same = dict(by_path, file="-", command=by_path["command"].replace(" " + str(path), ""))
    assert nldat.sniff(text, locale="de_DE") == same  # a str of several lines is the text
    assert nldat.sniff(text.encode("utf-8"), locale="de_DE") == same  # bytes are the file's content
    with open(path, "rb") as f:
        assert nldat.sniff(f, locale="de_DE") == same
    one_line = nldat.sniff(text="07.12.2026;1,50", delimiter=";", header=False, locale="de_DE")
    assert [c["kind"] for c in one_line["columns"]] == ["date", "number"]


@pytest.mark.parametrize("call,error", [
    (lambda p: nldat.sniff(str(p / "missing.csv")), FileNotFoundError),
    (lambda p: nldat.sniff(p / "missing.csv"), FileNotFoundError),
    (lambda p: nldat.sniff(), TypeError),
    (lambda p: nldat.sniff("a\n", text="a\n"), TypeError),
    (lambda p: nldat.sniff(42), TypeError),
    (lambda p: nldat.sniff(text="a;b\n", delimiter=";;"), ValueError),
    (lambda p: nldat.sniff(text="a;b\n", delimiter='"'), ValueError),
    (lambda p: nldat.sniff(text="a;b\n", header="yes"), ValueError),
    (lambda p: nldat.sniff(text="a;b\n", encoding="windows-1252"), ValueError),  # a str is decoded already
    (lambda p: nldat.sniff(text=b"a;b\n", encoding="no-such-encoding"), ValueError),
    (lambda p: nldat.sniff(text=b"a;b\n\x81\n", encoding="Shift_JIS"), ValueError),  # cut short
])
def test_what_cannot_be_sniffed_is_refused(tmp_path, call, error):
    with pytest.raises(error):
        call(tmp_path)


def test_options_override_the_guesses():
    text = "07.12.2026|1,50\n13.12.2026|2,00\n"
    plan = nldat.sniff(text=text, delimiter="|", header=False, locale="de_DE")
    assert (plan["delimiter"], plan["header"], plan["records"]) == ("|", False, 2)
    assert "--no-header" in plan["command"] and "--delimiter '|'" in plan["command"]
    tabbed = nldat.sniff(text=text.replace("|", "\t"), delimiter="tab", header=False, locale="de_DE")
    assert tabbed["delimiter"] == "\t"


LATIN = "Datum;Empfänger\n07.12.2026;Müller\n13.12.2026;Bäcker Straße\n"


@pytest.mark.parametrize("data,encoding,named,names", [
    # Not UTF-8 and no encoding given: read as the detector's guess, and said to be.
    (LATIN.encode("cp1252"), None, "not UTF-8: read as windows-1252", ["Datum", "Empfänger"]),
    (LATIN.encode("cp1252"), "windows-1252", "windows-1252 (as given)", ["Datum", "Empfänger"]),
    (LATIN.encode("cp1252"), "auto", "windows-1252 (encoding=auto", ["Datum", "Empfänger"]),
    (LATIN.encode("utf-16"), None, "UTF-16LE with BOM", ["Datum", "Empfänger"]),
    (b"\xef\xbb\xbf" + LATIN.encode("utf-8"), None, "UTF-8 with BOM", ["Datum", "Empfänger"]),
])
def test_encodings_are_named_and_decoded(tmp_path, data, encoding, named, names):
    path = tmp_path / "latin.csv"
    path.write_bytes(data)
    for source in (path, data):
        plan = nldat.sniff(source, encoding=encoding, locale="de_DE")
        assert named in plan["encoding"], plan["encoding"]
        if names is not None:
            assert [c["name"] for c in plan["columns"]] == names
            assert plan["columns"][0]["status"] == "decided"
            # The command reads the file as it was read here.
            latin = encoding is not None or plan["encoding_guessed"]
            assert ("--encoding windows-1252" in plan["command"]) == latin, plan["command"]
            assert plan["encoding_guessed"] == (encoding is None and data[:2] not in (b"\xff\xfe", b"\xef\xbb"))
