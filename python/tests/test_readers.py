"""nldat.read by the readers the CLI takes: a locale of the reader's own,
alternatives that must agree, forms; ambiguous fields never read; the
sniff plan's readers applied as they stand."""

import datetime
import decimal

import numpy as np
import pytest

import nldat

TWO_SYSTEMS = "NLDATE@en_GB|NLDATE@en_US"

# reader, locale of the call, fields, what each reads as ("NaT": not read),
# and which of them are ambiguous.
CASES = [
    ("locale of its own", "NLDATE@en_GB", "en_US", ["13/02/2026", "05/06/2026"], ["2026-02-13", "2026-06-05"], []),
    ("its own beats the call's", "NLDATE@de_DE", "fr_FR", ["7. Dezember 2026"], ["2026-12-07"], []),
    ("one alternative reads", TWO_SYSTEMS, "de_DE", ["13/02/2026", "02/13/2026"], ["2026-02-13", "2026-02-13"], []),
    ("alternatives agree", TWO_SYSTEMS, "de_DE", ["07/07/2026", "2026-06-05"], ["2026-07-07", "2026-06-05"], []),
    ("alternatives disagree", TWO_SYSTEMS, "de_DE", ["05/06/2026", "13/02/2026", "x"],
     ["NaT", "2026-02-13", "NaT"], [0]),
    ("an alternative without a locale takes the call's", "NLDATE|NLDATE@en_US", "en_GB", ["05/06/2026"],
     ["NaT"], [0]),
    ("form", "form:%b. %d, %Y", "es_ES", ["dic. 9, 2026", "DIC. 19, 2026", "dic 9 2026"],
     ["2026-12-09", "2026-12-19", "NaT"], []),
    ("form with a locale", "form:%d %B %Y@fr_FR", "en_US", ["7 décembre 2026"], ["2026-12-07"], []),
    ("form among alternatives", "form:%d.%m.%Y@de_DE|NLDATE@en_US", "en_US", ["7.12.2026", "12/07/2026"],
     ["2026-12-07", "2026-12-07"], []),
]


@pytest.mark.parametrize("what,reader,locale,fields,truth,ambiguous", CASES, ids=[c[0] for c in CASES])
def test_each_reader_reads_what_it_should_and_nothing_ambiguous(what, reader, locale, fields, truth, ambiguous):
    values, not_read = nldat.read(fields, reader, locale, errors="report")
    assert [str(v) for v in values] == truth
    assert not_read.tolist() == [i for i, t in enumerate(truth) if t == "NaT"]
    if "|" in reader:
        assert sorted(not_read.ambiguous) == ambiguous
    else:
        assert type(not_read) is np.ndarray  # one reader: as ever


def test_an_ambiguous_field_tells_each_alternatives_value():
    fields = ["01/01/2026", "05/06/2026", None, "13/02/2026", "07/08/2026"]
    values, not_read = nldat.read(fields, TWO_SYSTEMS, errors="report")
    assert not_read.tolist() == [1, 4]
    assert not_read.ambiguous == {
        1: {"NLDATE@en_GB": np.datetime64("2026-06-05"), "NLDATE@en_US": np.datetime64("2026-05-06")},
        4: {"NLDATE@en_GB": np.datetime64("2026-08-07"), "NLDATE@en_US": np.datetime64("2026-07-08")},
    }
    with pytest.raises(nldat.NotRead) as raised:
        nldat.read(fields, TWO_SYSTEMS, errors="raise")
    e = raised.value
    assert (e.position, e.field) == (1, "05/06/2026")
    assert str(e) == ("values[1] '05/06/2026' not read by NLDATE@en_GB|NLDATE@en_US (ambiguous: 2026-06-05 by "
                      "NLDATE@en_GB or 2026-05-06 by NLDATE@en_US) and 1 more")
    assert e.ambiguity == not_read.ambiguous[1]
    # A field not read at all has no ambiguity.
    with pytest.raises(nldat.NotRead) as raised:
        nldat.read(["x"], TWO_SYSTEMS, errors="raise")
    assert raised.value.ambiguity is None
    assert "ambiguous" not in str(raised.value)


def test_alternatives_that_agree_are_named_together_and_one_that_does_not_read_is_none():
    three = "NLDATE@en_GB|NLDATE@fr_FR|NLDATE@en_US"
    _, not_read = nldat.read(["05/06/2026"], three, errors="report")
    assert not_read.ambiguous[0]["NLDATE@fr_FR"] == np.datetime64("2026-06-05")
    with pytest.raises(nldat.NotRead, match="2026-06-05 by NLDATE@en_GB, NLDATE@fr_FR or 2026-05-06 by"):
        nldat.read(["05/06/2026"], three, errors="raise")
    _, not_read = nldat.read(["13/02/2026"], "NLDATE@en_GB|NLDATE@en_US|NLDATE@ja_JP", errors="report")
    assert len(not_read) == 0


def test_a_series_a_category_and_threads_give_the_same_answer():
    pd = pytest.importorskip("pandas")
    fields = ["05/06/2026", "13/02/2026", "02/13/2026", None] * 10000
    plain, not_read = nldat.read(fields, TWO_SYSTEMS, errors="report", threads=1)
    for threads in (2, 4):
        again, positions = nldat.read(fields, TWO_SYSTEMS, errors="report", threads=threads)
        assert np.array_equal(again, plain, equal_nan=True)
        assert positions.tolist() == not_read.tolist()
    series = pd.Series(fields, index=[f"r{i}" for i in range(len(fields))], dtype="category")
    values, positions = nldat.read(series, TWO_SYSTEMS, errors="report")
    assert positions.tolist() == not_read.tolist()
    assert sorted(positions.ambiguous) == not_read.tolist()
    assert values.isna().sum() == len(not_read) + 10000


def test_the_first_field_not_read_of_a_category_is_told_by_its_own_values():
    pd = pytest.importorskip("pandas")
    # The categories sort otherwise than the rows come.
    series = pd.Series(["13/02/2026", "07/08/2026", "05/06/2026", "07/08/2026"], dtype="category")
    with pytest.raises(nldat.NotRead, match=r"values\[1\] \(index 1\) '07/08/2026' .*2026-08-07 by NLDATE@en_GB "
                       r"or 2026-07-08 by NLDATE@en_US\) and 2 more") as raised:
        nldat.read(series, TWO_SYSTEMS, errors="raise")
    assert raised.value.ambiguity == {"NLDATE@en_GB": datetime.date(2026, 8, 7),
                                      "NLDATE@en_US": datetime.date(2026, 7, 8)}
    _, not_read = nldat.read(series, TWO_SYSTEMS, errors="report")
    assert not_read.ambiguous[3] == raised.value.ambiguity
    assert not_read.ambiguous[2]["NLDATE@en_GB"] == datetime.date(2026, 6, 5)


def test_numbers_by_alternatives_keep_their_digits():
    values, not_read = nldat.read(["1.234,50", "12,5", "1.234", "x"], "NUMBER@de_DE|NUMBER@en_US", exact=True,
                                  errors="report")
    assert values[0] == decimal.Decimal("1234.50") and values[1] == decimal.Decimal("12.5")
    assert values[2] is None and values[3] is None
    assert not_read.ambiguous == {2: {"NUMBER@de_DE": 1234.0, "NUMBER@en_US": 1.234}}


@pytest.mark.parametrize("reader,message", [
    ("NLDATE|", "names no reader"),
    ("|".join(["NLDATE"] * 9), "at most 8 alternatives"),
    ("form:", "takes a pattern"),
    ("NLDATE|NUMBER", "read different kinds"),
    ("NLDATE@xx_NOWHERE", "unknown locale"),
    ("NLDATX@en_GB", "no informat or reader named NLDATX"),
    ("MONEY|NLDATE@en_GB", "read different kinds"),
])
def test_bad_reader_text_is_a_value_error(reader, message):
    with pytest.raises(ValueError, match=message):
        nldat.read(["07/12/2026"], reader)


def test_exact_needs_numbers_from_every_alternative():
    with pytest.raises(ValueError, match="exact=True"):
        nldat.read(["1"], TWO_SYSTEMS, exact=True)


# A file that one system wrote day-first and another month-first.
TWO_SYSTEMS_FILE = "Date,Amount\n13/02/2026,1\n02/14/2026,2\n05/06/2026,3\n07/07/2026,4\n"


def test_the_sniff_plan_applies_as_it_stands():
    plan = nldat.sniff(text=TWO_SYSTEMS_FILE, locale="en_US")
    date = plan["columns"][0]
    assert date["status"] == "none" and date["together"]
    values, not_read = nldat.read(["13/02/2026", "02/14/2026", "05/06/2026", "07/07/2026"], date["together"],
                                  errors="report")
    assert [str(v) for v in values] == ["2026-02-13", "2026-02-14", "NaT", "2026-07-07"]
    assert list(not_read.ambiguous) == [2]
    uk = nldat.sniff(text="Date,Amount\n13/02/2026,1\n25/12/2026,2\n", locale="en_US")
    reader = uk["columns"][0]["reader"]
    locale = uk["locale"] or "en_US"
    assert [str(v) for v in nldat.read(["13/02/2026"], reader, locale, errors="raise")] == ["2026-02-13"]
