"""nldat.read: values by each reader and locale, what is not read, the
shapes values come in, errors, and the answers a Series gets."""

import datetime
import decimal
import os
import subprocess
import sys

import numpy as np
import pytest

import nldat

pd = pytest.importorskip("pandas")


def iso(array):
    """datetime64/timedelta64 values as text, NaT as "NaT"; a Series of
    dates (which pandas keeps in nanoseconds) as days."""
    if isinstance(array, pd.Series):
        return ["NaT" if pd.isna(v) else str(v.date()) for v in array]
    return [str(v) for v in array]


# reader, locale, field, what it reads as (str of the numpy value).
VALUES = [
    ("NLDATE", "de_DE", "07.12.2026", "2026-12-07"),
    ("NLDATE", "de_DE", "7. Dezember 2026", "2026-12-07"),
    ("NLDATE", "de_DE", "7. März 2026", "2026-03-07"),  # one byte a character in a str
    ("NLDATE", "de_DE", "2026-12-07", "2026-12-07"),  # ISO 8601 by the fallback
    ("NLDATE", "en_US", "12/07/2026", "2026-12-07"),
    ("NLDATE", "en_US", "Dec 7, 2026", "2026-12-07"),
    ("NLDATE", "fr_FR", "07/12/2026", "2026-12-07"),
    ("NLDATE", "fr_FR", "7 déc. 2026", "2026-12-07"),
    ("NLDATE", "es_ES", "7 dic 2026", "2026-12-07"),
    ("NLDATE", "ru_RU", "07.12.2026", "2026-12-07"),
    ("NLDATE", "ru_RU", "7 дек. 2026 г.", "2026-12-07"),  # two bytes a character
    ("NLDATE", "de_DE", "29.02.2024", "2024-02-29"),
    ("NLDATE", "de_DE", "01.01.1582", "1582-01-01"),
    ("NLDATEW", "de_DE", "Montag, 7. Dezember 2026", "2026-12-07"),
    ("NLDATEW", "fr_FR", "lundi 7 décembre 2026", "2026-12-07"),
    ("NLDATM", "de_DE", "07.12.2026, 14:30:45", "2026-12-07T14:30:45"),
    ("NLDATM", "en_US", "12/07/2026, 02:30:45 PM", "2026-12-07T14:30:45"),
    ("NLDATMW", "de_DE", "Montag, 7. Dezember 2026, 14:30:45", "2026-12-07T14:30:45"),
    ("NLDATMAP", "de_DE", "07.12.2026, 02:30:45 PM", "2026-12-07T14:30:45"),
    ("WEEK", "en_US", "2026-W50-01", "2026-12-07"),
    ("WEEK", "en_US", "2026W5001", "2026-12-07"),
]

NUMBERS = [
    ("NUMBER", "de_DE", "1.234,5", 1234.5),
    ("NUMBER", "en_US", "1,234.5", 1234.5),
    ("NUMBER", "fr_FR", "1\u202f234,5", 1234.5),  # a narrow no-break space groups
    ("NUMBER", "de_CH", "1’234.5", 1234.5),
    ("NUMBER", "de_DE", "\u22123", -3.0),  # a minus sign
    ("MONEY", "de_DE", "1.234,56 €", 1234.56),
    ("MONEY", "en_US", "$1,234.56", 1234.56),
    ("MONEY", "fr_FR", "1\u202f234,56\u00a0€", 1234.56),
    ("PERCENT", "de_DE", "12,5 %", 0.125),
    ("PERCENT", "en_US", "12.5%", 0.125),
]


@pytest.mark.parametrize("reader,locale,field,expected", VALUES)
def test_reads_dates_and_datetimes(reader, locale, field, expected):
    out = nldat.read([field], reader, locale=locale, errors="raise")
    assert iso(out) == [expected]


@pytest.mark.parametrize("reader,locale,field,expected", NUMBERS)
def test_reads_numbers(reader, locale, field, expected):
    out = nldat.read([field], reader, locale=locale, errors="raise")
    assert out.dtype == np.float64
    assert out[0] == pytest.approx(expected, rel=0, abs=1e-12)


@pytest.mark.parametrize(
    "reader,field,dtype",
    [
        ("NLDATE", "07.12.2026", "datetime64[D]"),
        ("NLDATEW", "Montag, 7. Dezember 2026", "datetime64[D]"),
        ("WEEK", "2026-W50-01", "datetime64[D]"),
        ("NLDATM", "07.12.2026, 14:30:45", "datetime64[s]"),
        ("NUMBER", "1,5", "float64"),
    ],
)
def test_each_reader_answers_its_type(reader, field, dtype):
    assert nldat.read([field], reader, locale="de_DE").dtype == np.dtype(dtype)


def test_a_fraction_of_a_second_is_kept():
    out = nldat.read(["2026-12-07T14:30:45.5", "07.12.2026, 14:30:45"], "NLDATM", locale="de_DE")
    assert out.dtype == np.dtype("datetime64[us]")
    assert iso(out) == ["2026-12-07T14:30:45.500000", "2026-12-07T14:30:45.000000"]


def test_times_by_a_pattern():
    out = nldat.read(["14:30", "09:05", "25:00"], "time", pattern="%H:%M")
    assert out.dtype == np.dtype("timedelta64[s]")
    assert out[0] == np.timedelta64(14 * 3600 + 30 * 60, "s")
    assert out[1] == np.timedelta64(9 * 3600 + 5 * 60, "s")


def test_a_pattern_of_ones_own():
    out = nldat.read(["2026|12|07", "07.12.2026"], "date", pattern="%Y|%m|%d", locale="de_DE")
    assert iso(out) == ["2026-12-07", "NaT"]
    out = nldat.read(["2026|12|07 14:30"], "NLDATM", pattern="%Y|%m|%d %H:%M")
    assert iso(out) == ["2026-12-07T14:30:00"]


def test_what_is_not_read_is_nat_or_nan():
    fields = ["07.12.2026", "32.12.2026", "", "   ", "07.12.2026 und mehr", "x", None, float("nan"), pd.NA,
              pd.NaT, "\ud800", "07.12.2026\x00"]
    out = nldat.read(fields, locale="de_DE")
    assert iso(out) == ["2026-12-07"] + ["NaT"] * (len(fields) - 1)
    numbers = nldat.read(["1,5", "eins", None], "NUMBER", locale="de_DE")
    assert numbers[0] == 1.5 and np.isnan(numbers[1]) and np.isnan(numbers[2])


def test_lenient_reads_the_start_of_a_longer_field():
    field = ["07.12.2026 und mehr"]
    assert iso(nldat.read(field, locale="de_DE", strict=False)) == ["2026-12-07"]
    assert iso(nldat.read(field, locale="de_DE", strict=True)) == ["NaT"]


def test_values_in_every_shape():
    want = ["2026-12-07", "NaT", "2026-03-07"]
    fields = ["07.12.2026", "x", "7. März 2026"]
    shapes = [
        fields,
        tuple(fields),
        np.array(fields, dtype=object),
        np.array(fields),  # "U": four bytes a character
        np.array([f.encode() for f in fields]),  # "S": UTF-8 bytes
        np.array([f.encode() for f in fields], dtype=object),
        np.array([f for f in fields for _ in "ab"], dtype=object)[::2],  # a stride of two
        np.array([f for f in fields for _ in "ab"])[::2],
        np.array(fields, dtype=">U16"),
        pd.Series(fields),
        pd.Series(fields, dtype="string"),
        pd.Series(fields, dtype="category"),
    ]
    for values in shapes:
        assert iso(nldat.read(values, locale="de_DE")) == want, type(values)
    grid = np.array([["07.12.2026", "x"], ["7. März 2026", "08.12.2026"]])
    assert nldat.read(grid, locale="de_DE").shape == (2, 2)


def test_a_categorical_series_reads_each_category_once():
    s = pd.Series(["07.12.2026", None, "x", "07.12.2026", "08.12.2026"], dtype="category", index=list("abcde"))
    out, not_read = nldat.read(s, locale="de_DE", errors="report")
    assert iso(out) == ["2026-12-07", "NaT", "NaT", "2026-12-07", "2026-12-08"]
    assert out.index.tolist() == list("abcde") and not_read.tolist() == [2]
    with pytest.raises(nldat.NotRead, match=r"values\[2\] \(index 'c'\) 'x'"):
        nldat.read(s, locale="de_DE", errors="raise")
    amounts = nldat.read(pd.Series(["1,5", None, "1,5"], dtype="category"), "NUMBER", "de_DE", exact=True)
    assert amounts.tolist() == [decimal.Decimal("1.5"), None, decimal.Decimal("1.5")]
    numbers = nldat.read(pd.Series(["1,5", None], dtype="category"), "NUMBER", "de_DE")
    assert numbers[0] == 1.5 and np.isnan(numbers[1])


def test_bytes_that_are_not_utf8_are_not_read():
    out = nldat.read([b"7. M\xe4rz 2026", b"\xff", "7. März 2026".encode()], locale="de_DE")
    assert iso(out) == ["NaT", "NaT", "2026-03-07"]


def test_an_empty_column():
    assert nldat.read([], locale="de_DE").dtype == np.dtype("datetime64[D]")
    assert len(nldat.read(pd.Series([], dtype=object))) == 0
    # pandas reads a column of nothing as float NaN: every value missing.
    assert iso(nldat.read(pd.Series([np.nan, np.nan]))) == ["NaT", "NaT"]


@pytest.mark.parametrize(
    "values,error",
    [
        ("07.12.2026", TypeError),  # one text, not a column of them
        ([20261207], TypeError),
        ([datetime.date(2026, 12, 7)], TypeError),
        (np.array([1.5, 2.5]), TypeError),
        (np.array([1, 2]), TypeError),
    ],
)
def test_what_is_not_text_is_refused(values, error):
    with pytest.raises(error):
        nldat.read(values)


@pytest.mark.parametrize(
    "kwargs",
    [
        {"informat": "NLNONE"},
        {"locale": "xx_NOWHERE"},
        {"locale": "de_DE" * 30},
        {"informat": "NUMBER", "pattern": "%d"},
        {"informat": "WEEK", "pattern": "%d.%m.%Y"},  # a week reader reads no pattern
        {"informat": "NLDATE", "exact": True},
        {"rule": "X"},
        {"errors": "ignore"},
        {"threads": 0},
    ],
)
def test_bad_arguments_are_value_errors(kwargs):
    with pytest.raises(ValueError):
        nldat.read(["07.12.2026"], **kwargs)


def test_locale_from_the_environment(monkeypatch):
    for variable in ("LC_ALL", "LC_TIME", "LANG"):
        monkeypatch.delenv(variable, raising=False)
    assert iso(nldat.read(["12/07/2026"])) == ["2026-12-07"]  # en_US
    monkeypatch.setenv("LANG", "de_DE.UTF-8")
    assert iso(nldat.read(["07.12.2026"])) == ["2026-12-07"]
    monkeypatch.setenv("LC_TIME", "fr-FR")
    assert iso(nldat.read(["7 déc. 2026"])) == ["2026-12-07"]
    monkeypatch.setenv("LC_ALL", "C")
    assert iso(nldat.read(["12/07/2026"])) == ["2026-12-07"]


def test_errors_raise_names_the_first_field_not_read():
    fields = ["07.12.2026", "32.12.2026", "x"]
    with pytest.raises(nldat.NotRead) as caught:
        nldat.read(fields, locale="de_DE", errors="raise")
    assert caught.value.position == 1 and caught.value.field == "32.12.2026"
    assert "values[1] '32.12.2026' not read by NLDATE and 1 more" in str(caught.value)
    s = pd.Series(fields, index=["a", "b", "c"])
    with pytest.raises(ValueError, match=r"values\[1\] \(index 'b'\)"):
        nldat.read(s, locale="de_DE", errors="raise")
    with pytest.raises(nldat.NotRead, match=r"xx\.\.\. not read") as caught:
        nldat.read(["x" * 100000], errors="raise")
    assert len(str(caught.value)) < 200 and caught.value.field == "x" * 100000
    # Missing values are not errors.
    assert iso(nldat.read(["07.12.2026", None], locale="de_DE", errors="raise")) == ["2026-12-07", "NaT"]


def test_errors_report_gives_the_positions_not_read():
    out, not_read = nldat.read(["x", "07.12.2026", None, "y"], locale="de_DE", errors="report")
    assert iso(out) == ["NaT", "2026-12-07", "NaT", "NaT"]
    assert not_read.tolist() == [0, 3]


def test_a_series_keeps_its_index_and_name():
    s = pd.Series(["07.12.2026", "x", "1.234,5"], index=[10, 20, 30], name="when")
    dates = nldat.read(s, locale="de_DE")
    assert isinstance(dates, pd.Series)
    assert dates.index.tolist() == [10, 20, 30] and dates.name == "when"
    assert dates[10] == pd.Timestamp("2026-12-07") and pd.isna(dates[20])
    numbers = nldat.read(s, "NUMBER", locale="de_DE")
    assert numbers[30] == 1234.5 and numbers.index.equals(s.index)
    out, not_read = nldat.read(s, locale="de_DE", errors="report")
    assert out.index.equals(s.index) and not_read.tolist() == [1, 2]


def test_exact_amounts_are_decimals():
    out = nldat.read(["1.234,56 €", "0,10 €", "x", None], "MONEY", locale="de_DE", exact=True)
    assert out.dtype == object
    assert out[0] == decimal.Decimal("1234.56") and isinstance(out[0], decimal.Decimal)
    assert out[1] == decimal.Decimal("0.10") or out[1] == decimal.Decimal("0.1")
    assert out[2] is None and out[3] is None
    s = nldat.read(pd.Series(["1,5"], index=["k"]), "NUMBER", locale="de_DE", exact=True)
    assert s["k"] == decimal.Decimal("1.5")


def test_dates_at_the_ends_of_what_pandas_holds():
    s = pd.Series(["22.09.1677", "11.04.2262", None])
    assert iso(nldat.read(s, locale="de_DE")) == ["1677-09-22", "2262-04-11", "NaT"]
    times = nldat.read(pd.Series(["23:59"]), "time", pattern="%H:%M")
    assert times[0] == pd.Timedelta(hours=23, minutes=59)
    datetimes = nldat.read(pd.Series(["2026-12-07T14:30:45.5"]), "NLDATM")
    assert datetimes[0] == pd.Timestamp("2026-12-07 14:30:45.5")
    # pandas before 2 holds datetimes of nanoseconds: a clear error, not a wrong value.
    for field in ("01.01.1582", "12.04.2262", "01.01.9999"):
        s = pd.Series(["07.12.2026", field])
        if int(pd.__version__.split(".")[0]) < 2:
            with pytest.raises(ValueError, match="to_numpy"):
                nldat.read(s, locale="de_DE")
        else:
            assert iso(nldat.read(s, locale="de_DE"))[1] != "NaT"
        assert iso(nldat.read(s.to_numpy(), locale="de_DE"))[1] != "NaT"


def test_a_module_that_cannot_be_loaded_is_a_clear_error(tmp_path):
    bad = tmp_path / "uwinldat.so"
    bad.write_bytes(b"not a shared object")
    run = subprocess.run([sys.executable, "-c", "import nldat; nldat.read(['x'])"], capture_output=True, text=True,
                         env={**os.environ, "NLDAT_MODULE": str(bad)}, check=False)
    assert run.returncode != 0
    assert "RuntimeError" in run.stderr and "NLDAT_MODULE" in run.stderr and str(bad) in run.stderr
