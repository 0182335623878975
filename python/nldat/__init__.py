"""nldat: locale-formatted dates, times, datetimes, numbers and amounts for
numpy and pandas.

    >>> import nldat
    >>> nldat.read(["07.12.2026", "7. Dezember 2026"], locale="de_DE")
    array(['2026-12-07', '2026-12-07'], dtype='datetime64[D]')

Fields are read by the informats of the module uwinldat.so (found beside this
package, or where NLDAT_MODULE names it) through the host in _nldat.  A field
that is not read becomes NaT or NaN; errors="raise" and errors="report" say
which.
"""

import json
import os
import threading

import numpy as np

from . import _nldat

__all__ = ["read", "format", "week", "locales", "patterns", "readers", "sniff", "NotRead", "NotReadPositions"]
__version__ = _nldat.__version__

_session = None
_session_lock = threading.Lock()

# Days from 1960-01-01 (the host's day 0) to 1970-01-01 (numpy's).
_EPOCH_DAYS = 3653


class NotRead(ValueError):
    """A field that was not read, with errors="raise": its position in
    values (.position), its index label for a Series (.label) and its text
    (.field); for a field that alternatives read to different values, what
    each made of it (.ambiguity: {alternative: value}; None for another
    field)."""

    def __init__(self, message, position, label, field, ambiguity=None):
        super().__init__(message)
        self.position = position
        self.label = label
        self.field = field
        self.ambiguity = ambiguity


class NotReadPositions(np.ndarray):
    """The positions of the fields not read, as errors="report" gives them
    for a reader of alternatives: an array of positions, and in .ambiguous
    for each position whose field two alternatives read to different values
    what each made of it ({position: {alternative: value}}; None where an
    alternative did not read it)."""

    def __array_finalize__(self, obj):
        self.ambiguous = getattr(obj, "ambiguous", {})


def _ambiguous_fields(found, positions):
    """{position: {alternative: value}} of the host's account of the fields
    the alternatives read to different values: its positions, mapped to
    positions (a category's codes map one to several rows)."""
    values = found["values"]
    none = np.isnat(values) if values.dtype.kind in "mM" else np.isnan(values)
    each = values.astype(object)
    each[none] = None
    by_field = [dict(zip(found["labels"], row)) for row in each.tolist()]
    return {int(row): by_field[k] for row, k in positions}


def _module_path():
    given = os.environ.get("NLDAT_MODULE")
    if given:
        return given
    return os.path.join(os.path.dirname(os.path.abspath(__file__)), "uwinldat.so")


def _the_session():
    global _session
    with _session_lock:
        if _session is None:
            try:
                _session = _nldat.Session(_module_path())
            except RuntimeError as e:
                raise RuntimeError(f"{e} (NLDAT_MODULE names the module uwinldat.so)") from None
        return _session


def _locale(locale):
    """The locale: the one given, else the first set of LC_ALL, LC_TIME and
    LANG, as the host names it ("de_DE.UTF-8" and "de-DE" give "de_DE"; "C"
    and "POSIX" the default, en_US)."""
    if locale is None:
        for variable in ("LC_ALL", "LC_TIME", "LANG"):
            locale = os.environ.get(variable)
            if locale:
                break
    if not isinstance(locale, str) and locale is not None:
        raise TypeError(f"locale must be a str, not {type(locale).__name__}")
    return _nldat.host_locale_name(locale or "")


def _missing_markers():
    """pandas' missing values, which an object column may hold."""
    try:
        import pandas as pd
    except ImportError:
        return ()
    return (pd.NA, pd.NaT)


def _series_type():
    try:
        import pandas as pd
    except ImportError:
        return None
    return pd.Series


def _as_text_array(values):
    """values as a numpy array of str/bytes objects or of a "U"/"S" type,
    the pandas index and name to give the answer (or None), and for a
    categorical Series the codes into its categories, which the array then
    holds (or None)."""
    series = _series_type()
    index = None
    name = None
    codes = None
    if series is not None and isinstance(values, series):
        index, name = values.index, values.name
        if values.dtype.name == "category":
            codes = values.cat.codes.to_numpy()
            values = values.cat.categories.to_numpy(dtype=object)
        else:
            values = values.to_numpy(dtype=object) if values.dtype != object else values.to_numpy()
    elif isinstance(values, (str, bytes)):
        raise TypeError("values must be a list, a numpy array or a pandas Series of texts, not one text")
    elif not isinstance(values, np.ndarray):
        values = np.array(list(values), dtype=object)
    if values.dtype.kind == "U" and values.dtype.byteorder == ">":
        values = values.astype(values.dtype.newbyteorder("="))  # read as this machine stores code points
    if values.dtype.kind == "f" and np.isnan(values).all():
        values = np.full(values.shape, None, dtype=object)  # a column of nothing but missing values
    return values, index, name, codes


# The days a datetime64[ns] holds whole.
_NS_FIRST = np.datetime64("1677-09-22T00:00:00")
_NS_LAST = np.datetime64("2262-04-11T00:00:00")


def _nanoseconds(result):
    """Dates and datetimes as datetime64[ns], which pandas before 2.0 holds
    alone (its own conversion costs 30 times numpy's, which does not check
    the range: checked here)."""
    if result.dtype.kind != "M":
        return result.astype("timedelta64[ns]")
    known = result[~np.isnat(result)]
    if known.size and (known.min() < _NS_FIRST or known.max() > _NS_LAST):
        first = known[(known < _NS_FIRST) | (known > _NS_LAST)][0]
        raise ValueError(f"{first} is beyond what this pandas holds (datetimes of nanoseconds, 1677 to 2262); "
                         "pass values.to_numpy() to get a numpy array")
    return result.astype("datetime64[ns]")


def _wrap(result, index, name, shape):
    result = result.reshape(shape)
    if index is None:
        return result
    import pandas as pd

    if result.dtype.kind in "mM" and int(pd.__version__.split(".")[0]) < 2:
        result = _nanoseconds(result)
    return pd.Series(result, index=index, name=name)


def read(values, informat="NLDATE", locale=None, strict=True, *, errors="coerce", pattern=None,
         exact=False, rule="V", threads=None):
    """Reads text fields by an informat or reader of the locale.

    values: a list, a numpy array of str/bytes objects (or "U"/"S") or a
    pandas Series; None, NaN and pandas' NA/NaT are missing (NaT or NaN, not
    an error).  informat: NLDATE, NLDATM, NLDATEW, NLDATMW, NLDATMAP (the
    module's informats), NUMBER, MONEY, PERCENT, WEEK (the locale library's
    readers); with pattern, a pattern of the module's language (%d.%m.%Y),
    informat names the kind it reads: date, datetime or time.  A reader may
    name its own locale (NLDATE@en_GB), be a pattern read as the locale's
    own forms are (form:%b. %d, %Y) or name alternatives joined by "|"
    (NLDATE@en_GB|NLDATE@en_US): a field read by one of them, or by several
    to the same value, gets that value; one read by two to different values
    is not read but ambiguous.  locale: a locale name (de_DE); None:
    LC_ALL, LC_TIME or LANG, else en_US; it is the locale of every reader
    that names none.  strict: a field counts as read only when the value
    accounts for all of it.

    Returns datetime64[D] (dates), datetime64[s] (datetimes),
    timedelta64[s] (times) (of microseconds when a value has a fraction of a
    second) or float64 (numbers), NaT/NaN where a field is not read; for a
    Series, a Series with the same index.  exact=True (numbers): an array of
    decimal.Decimal, None where not read.

    errors: "coerce" (NaT/NaN where not read), "raise" (NotRead, a
    ValueError, naming the first field not read) or "report" (a pair: the
    values and the positions of the fields not read; for alternatives a
    NotReadPositions, whose .ambiguous says what each alternative made of
    the ambiguous ones).  rule: the week rule of WEEK (U, V or W).
    threads: how many threads read a long column (None: one a core, at
    most 8).
    """
    if errors not in ("coerce", "raise", "report"):
        raise ValueError(f'errors is "coerce", "raise" or "report", not {errors!r}')
    if threads is not None and (not isinstance(threads, int) or threads < 1 or threads > 64):
        raise ValueError("threads is a number from 1 to 64, or None")
    array, index, name, codes = _as_text_array(values)
    shape = array.shape
    flat = array.reshape(-1)
    result, status, found = _the_session().read(
        flat, str(informat), pattern or "", _locale(locale), bool(strict), str(rule), threads or 0,
        bool(exact), _missing_markers())
    # The host's positions of the ambiguous fields, as (row, entry) pairs of this answer.
    rows = None
    if found is not None:
        rows = zip(found["positions"].tolist(), range(len(found["positions"])))
    if codes is not None:
        # A category's text is read once; code -1 (missing) takes the missing value put last.
        missing = np.array([None if result.dtype == object else "NaT" if result.dtype.kind in "mM" else np.nan],
                           dtype=result.dtype)
        result = np.concatenate([result, missing])[codes]
        status = np.concatenate([status, np.array([2], dtype=status.dtype)])[codes]
        if found is not None:
            # Each row of an ambiguous category is ambiguous alike.
            entry = {int(p): k for k, p in enumerate(found["positions"].tolist())}
            hit = np.flatnonzero(np.isin(codes, found["positions"]))
            rows = ((int(r), entry[int(codes[r])]) for r in hit)
        flat, shape = flat[codes], codes.shape
    answer = _wrap(result, index, name, shape)
    if errors == "coerce":
        return answer
    not_read = np.flatnonzero((status == 0) | (status == 3))
    if errors == "report":
        if found is None:
            return answer, not_read
        positions = not_read.view(NotReadPositions)
        positions.ambiguous = _ambiguous_fields(found, rows)
        return answer, positions
    if len(not_read) > 0:
        first = int(not_read[0])
        label = index[first] if index is not None else None
        field = flat[first]
        where = f"values[{first}]" if index is None else f"values[{first}] (index {label!r})"
        more = f" and {len(not_read) - 1} more" if len(not_read) > 1 else ""
        shown = repr(field) if len(repr(field)) <= 80 else repr(field)[:76] + "..."
        each, why = None, ""
        if status[first] == 3:
            entry = next(k for row, k in rows if row == first)
            each = _ambiguous_fields(found, [(first, entry)])[first]
            why = " (ambiguous: " + _nldat.describe(found["kind"], found["host"][entry], found["labels"]) + ")"
        raise NotRead(f"{where} {shown} not read by {informat}{why}{more}", first, label, field, each)
    return answer


def _from_objects(values):
    """datetime.date, datetime.datetime and datetime.time objects (None for
    none) as datetime64 or timedelta64."""
    import datetime

    flat = values.reshape(-1)
    first = next((v for v in flat if v is not None), None)
    if isinstance(first, datetime.datetime):
        return np.array(flat.tolist(), dtype="datetime64[us]").reshape(values.shape)
    if isinstance(first, datetime.date):
        return np.array(flat.tolist(), dtype="datetime64[D]").reshape(values.shape)
    if isinstance(first, datetime.time):
        micros = [np.timedelta64("NaT") if t is None else np.timedelta64(
            ((t.hour * 60 + t.minute) * 60 + t.second) * 1000000 + t.microsecond, "us") for t in flat]
        return np.array(micros, dtype="timedelta64[us]").reshape(values.shape)
    return values


def _host_values(values):
    """Dates, datetimes or times as the host's values: (float64 array, kind,
    index, name, shape)."""
    series = _series_type()
    index = name = None
    if series is not None and isinstance(values, series):
        index, name = values.index, values.name
        values = values.to_numpy()
    elif not isinstance(values, np.ndarray):
        values = np.array(list(values))
    if values.dtype == object:
        values = _from_objects(values)
    kind_code = values.dtype.kind
    if kind_code == "M":
        unit = np.datetime_data(values.dtype)[0]
        if unit in ("Y", "M", "W", "D"):
            days = values.astype("datetime64[D]")
            out = days.astype(np.int64).astype(np.float64) + _EPOCH_DAYS
            kind = "date"
        else:
            micros = values.astype("datetime64[us]")
            out = micros.astype(np.int64).astype(np.float64) / 1e6 + _EPOCH_DAYS * 86400
            kind = "datetime"
        out[np.isnat(values)] = np.nan
    elif kind_code == "m":
        micros = values.astype("timedelta64[us]")
        out = micros.astype(np.int64).astype(np.float64) / 1e6
        out[np.isnat(values)] = np.nan
        kind = "time"
    else:
        raise TypeError(f"values must be datetime64 or timedelta64 (or dates, datetimes, times), not {values.dtype}")
    return out, kind, index, name, values.shape


def _texts(texts, index, name, shape):
    out = np.empty(len(texts), dtype=object)
    out[:] = texts
    return _wrap(out, index, name, shape)


def format(values, pattern, locale=None):
    """Writes dates (datetime64[D], datetime.date), datetimes (datetime64 of
    a unit below a day, datetime.datetime) or times (timedelta64,
    datetime.time) by a pattern of the module's language ("%d. %B %Y") or a
    locale item ("@28"), in the locale.  Returns an array of str (None for
    NaT), for a Series a Series with the same index.  A value the pattern
    cannot write (out of range) is None; a pattern the module refuses raises
    ValueError."""
    host, kind, index, name, shape = _host_values(values)
    texts = _the_session().format(host.reshape(-1), kind, str(pattern), _locale(locale))
    return _texts(texts, index, name, shape)


def week(values, rule="V", width=11):
    """Writes dates as week-date text under rule (U: weeks from Sunday, W:
    from Monday, V: ISO 8601); width chooses the form: 3-4 Www, 5-6 yyWww,
    7-8 yyWwwdd, 9-10 yyyyWwwdd, 11 or more yyyy-Www-dd.  None for NaT."""
    host, kind, index, name, shape = _host_values(values)
    if kind != "date":
        host = np.floor(host / 86400) if kind == "datetime" else host
        if kind == "time":
            raise TypeError("week writes dates, not times")
    texts = _the_session().week(host.reshape(-1), str(rule), int(width))
    return _texts(texts, index, name, shape)


def locales():
    """The names of the locales the host offers (de_DE, fr_CA, ...), sorted."""
    return _nldat.locales()


def patterns(locale=None):
    """The locale's pattern items: a list of dicts with the item's number,
    what reads by it (read_by), its pattern in the module's language and
    what the module writes by it for 2026-12-07 14:30:45 (None for the
    number items, and both None where the locale lacks the item)."""
    return _the_session().patterns(_locale(locale))


def readers():
    """The names of the readers read() takes, informats first."""
    return _nldat.readers()


def _sniffed_input(source, text):
    """(input, is_path, name): a file's path or the bytes of an input, and
    the name the report gives it."""
    if (source is None) == (text is None):
        raise TypeError("sniff takes a file or its content (path_or_text), or a text (text=), one of them")
    if text is not None:
        if isinstance(text, str):
            return text.encode("utf-8"), False, "-"
        if isinstance(text, (bytes, bytearray, memoryview)):
            return bytes(text), False, "-"
        raise TypeError(f"text must be str or bytes, not {type(text).__name__}")
    if hasattr(source, "read"):  # an open file: its content
        return _sniffed_input(None, source.read())
    if isinstance(source, (bytes, bytearray, memoryview)):
        return bytes(source), False, "-"
    if isinstance(source, str) and ("\n" in source or "\r" in source):
        return source.encode("utf-8"), False, "-"
    if not isinstance(source, (str, os.PathLike)):
        raise TypeError(f"sniff reads a path, a text or bytes, not {type(source).__name__}")
    path = os.fspath(source)
    if isinstance(path, bytes):
        path = os.fsdecode(path)
    if isinstance(source, str) and not os.path.exists(path):
        raise FileNotFoundError(f"no file {path!r} (a text of one line is given as text=...)")
    with open(path, "rb"):  # the reason a file cannot be read, as Python says it
        pass
    return path, True, path


def _delimiter_byte(delimiter):
    if delimiter is None:
        return ""
    if delimiter in ("tab", "\\t"):
        delimiter = "\t"
    if not isinstance(delimiter, str) or len(delimiter.encode("utf-8")) != 1 or delimiter in "\"\r\n":
        raise ValueError(f"the delimiter is one byte other than a quote or a line end, not {delimiter!r}")
    return delimiter


def sniff(path_or_text=None, *, text=None, delimiter=None, header=None, locale=None, encoding=None):
    """What a delimited file holds, found by reading it: a dict with its
    encoding, dialect (delimiter, quote, header, crlf), records and sampled
    counts, and for every column its kind, the answers (readers and the
    locales that read every field alike), the evidence that ruled others
    out, any ambiguity with each answer's value, and the nldat convert
    command the plan amounts to ("command", None when no column converts).

    path_or_text: a path (str or os.PathLike), a text of several lines
    (str), a file's content (bytes) or an open file; text= takes a text
    even of one line.  delimiter: one byte ("tab" for a tab); None guesses.
    header: True, False, or None to guess.  locale: the locale preferred
    among those that read a column alike (None: LC_ALL, LC_TIME or LANG),
    never a reason to read a field otherwise.  encoding: of a file or bytes:
    None (by its byte-order mark, else UTF-8), "auto" (detected), or a name
    ("windows-1252").
    """
    data, is_path, name = _sniffed_input(path_or_text, text)
    if encoding is not None and not isinstance(encoding, str):
        raise TypeError(f"encoding must be a str, not {type(encoding).__name__}")
    if encoding and isinstance(text if text is not None else path_or_text, str) and not is_path:
        raise ValueError("a str is text already: encoding= applies to files and bytes")
    if header not in (None, True, False):
        raise ValueError(f"header is True, False or None, not {header!r}")
    header_code = -1 if header is None else int(header)
    plan = _the_session().sniff(
        data.encode("utf-8", "surrogateescape") if is_path else data, is_path, name, _delimiter_byte(delimiter),
        header_code, encoding or "", _locale(locale))
    return json.loads(plan)
