"""nldat.format, nldat.week, nldat.locales, nldat.readers."""

import datetime

import numpy as np
import pytest

import nldat

pd = pytest.importorskip("pandas")

DAY = np.array(["2026-12-07", "NaT"], dtype="datetime64[D]")


@pytest.mark.parametrize(
    "values,pattern,locale,expected",
    [
        (DAY, "%d. %B %Y", "de_DE", ["07. Dezember 2026", None]),
        (DAY, "%A %d %B %Y", "fr_FR", ["lundi 07 décembre 2026", None]),
        (DAY, "@28", "de_DE", ["07.12.2026", None]),
        (DAY, "@29", "ru_RU", ["07 дек. 2026 г.", None]),
        ([datetime.date(2026, 12, 7), None], "%Y/%m/%d", "en_US", ["2026/12/07", None]),
        (np.array(["2026-12-07T14:30:45"], dtype="datetime64[s]"), "%d.%m.%Y %H:%M:%S", "de_DE",
         ["07.12.2026 14:30:45"]),
        (np.array(["2026-12-07T14:30:45.250"], dtype="datetime64[ms]"), "@31", "en_US",
         ["12/07/2026, 02:30:45 PM"]),
        ([datetime.datetime(2026, 12, 7, 14, 30)], "%H:%M", "de_DE", ["14:30"]),
        (np.array([14 * 3600 + 30 * 60], dtype="timedelta64[s]"), "%H:%M", "de_DE", ["14:30"]),
        ([datetime.time(9, 5)], "%I:%M %P", "en_US", ["09:05 AM"]),
    ],
)
def test_format(values, pattern, locale, expected):
    assert nldat.format(values, pattern, locale).tolist() == expected


def test_format_a_series_keeps_its_index():
    s = pd.Series(pd.to_datetime(["2026-12-07", None]), index=["a", "b"], name="when")
    out = nldat.format(s, "%d.%m.%Y %H:%M", "de_DE")
    assert out.index.tolist() == ["a", "b"] and out.name == "when"
    assert out["a"] == "07.12.2026 00:00" and out["b"] is None


def test_read_and_format_round_trip():
    days = np.arange(np.datetime64("1600-01-01"), np.datetime64("2400-01-01"), 37)
    for locale in ("de_DE", "fr_FR", "en_US", "ru_RU", "es_ES"):
        texts = nldat.format(days, "@28", locale)
        np.testing.assert_array_equal(nldat.read(texts, locale=locale, errors="raise"), days)


@pytest.mark.parametrize(
    "values,pattern",
    [
        (DAY, "%K"),  # no such directive
        (DAY, "@999"),  # no such item
        (DAY, "@2x"),
        (np.array([1.5]), "%d"),
    ],
)
def test_format_refuses(values, pattern):
    with pytest.raises((ValueError, TypeError)):
        nldat.format(values, pattern, "de_DE")


@pytest.mark.parametrize(
    "rule,width,expected",
    [
        ("V", 11, ["2026-W50-01", "2020-W53-05", None]),
        ("V", 9, ["2026W5001", "2020W5305", None]),
        ("V", 3, ["W50", "W53", None]),
        ("U", 11, ["2026-W49-02", "2021-W00-06", None]),
        ("W", 11, ["2026-W49-01", "2021-W00-05", None]),
    ],
)
def test_week(rule, width, expected):
    dates = np.array(["2026-12-07", "2021-01-01", "NaT"], dtype="datetime64[D]")
    assert nldat.week(dates, rule, width).tolist() == expected


def test_week_dates_read_back():
    days = np.arange(np.datetime64("1990-01-01"), np.datetime64("2030-01-01"), 5)
    for rule in "UVW":
        texts = nldat.week(days, rule)
        np.testing.assert_array_equal(nldat.read(texts, "WEEK", rule=rule, errors="raise"), days)


def test_week_refuses_a_bad_rule_or_width():
    with pytest.raises(ValueError):
        nldat.week(DAY, "X")
    with pytest.raises(ValueError):
        nldat.week(DAY, "V", 100)


def test_locales_and_readers():
    names = nldat.locales()
    assert "de_DE" in names and "fr_CA" in names and names == sorted(names)
    assert nldat.readers()[:5] == ["NLDATE", "NLDATM", "NLDATEW", "NLDATMW", "NLDATMAP"]
    assert {"NUMBER", "MONEY", "PERCENT", "WEEK"} <= set(nldat.readers())


def test_patterns_give_the_locales_items_and_examples():
    rows = {row["item"]: row for row in nldat.patterns("de_DE")}
    assert rows[28]["pattern"] == "%d.%m.%Y" and rows[28]["example"] == "07.12.2026"
    assert rows[28]["read_by"] == "NLDATE, first" and rows[32]["read_by"] == "NLDATM and NLDATMAP, second"
    assert rows[36]["read_by"] == "time, second" and rows[113]["read_by"] == "MONEY, local"
    assert rows[29]["example"] == "07. Dezember 2026"
    assert rows[31]["example"] == "07.12.2026, 14:30:45"
    assert rows[36]["example"] == "14:30"
    assert rows[113]["pattern"] is not None and rows[113]["example"] is None
    # What the module writes by an item, the informat reading by it reads back.
    for item in (28, 29):
        assert nldat.read([rows[item]["example"]], "NLDATE", "de_DE", errors="raise")[0] == np.datetime64("2026-12-07")
    assert nldat.patterns("ja_JP")[0]["pattern"] != rows[28]["pattern"]
