// nldat for Python: the extension module _nldat.  The package nldat
// (nldat/__init__.py) is the interface people use; this is what it calls.
// The interpreter's lock is held while Python objects are touched and let go
// while fields are read.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "column.h"
#include "nlhost/column_reader.h"
#include "nlhost/icu_locale.h"
#include "nlhost/readers.h"
#include "session.h"

namespace py = pybind11;

namespace nldat_py {
namespace {

// Days from 1960-01-01, the host's day 0, to 1970-01-01, numpy's.
constexpr int64_t kEpochDays = 3653;
constexpr int64_t kEpochSeconds = kEpochDays * 86400;
constexpr int64_t kNaT = std::numeric_limits<int64_t>::min();
// Seconds, and days, beyond which a value has no datetime64 of microseconds.
constexpr double kLargest = 9e12;

// References to the objects a column's fields lie in, held while the
// interpreter's lock is let go (another thread may drop the array's own).
class Kept {
 public:
  ~Kept() {
    for (PyObject *o : objects_) Py_DECREF(o);
  }
  void keep(PyObject *o) {
    Py_INCREF(o);
    objects_.push_back(o);
  }
  void reserve(size_t n) { objects_.reserve(n); }

 private:
  std::vector<PyObject *> objects_;
};

// Where a text is missing: None, a float NaN, or one of the given markers
// (pandas' NA and NaT).
bool is_missing(PyObject *o, const py::tuple &markers) {
  if (o == nullptr || o == Py_None) return true;
  if (PyFloat_Check(o)) return std::isnan(PyFloat_AS_DOUBLE(o));
  for (const py::handle marker : markers) {
    if (o == marker.ptr()) return true;
  }
  return false;
}

// The fields of a one-dimensional array of str or bytes objects, "U" or "S".
Column column_of(const py::array &values, const py::tuple &markers, Kept &kept) {
  if (values.ndim() != 1) throw py::value_error("values must be one-dimensional");
  const auto n = static_cast<size_t>(values.shape(0));
  const ptrdiff_t stride = values.strides(0);
  const auto *base = static_cast<const char *>(values.data());
  const char type = values.dtype().kind();
  if (type == 'U' || type == 'S') {
    return Column(base, n, stride, static_cast<size_t>(values.itemsize()),
                  type == 'U' ? Encoding::kUcs4 : Encoding::kUtf8);
  }
  if (type != 'O') {
    throw py::type_error(std::string("values must be text (str or bytes), not ") +
                         std::string(py::str(values.dtype())));
  }
  std::vector<Text> texts(n);
  kept.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    PyObject *o = nullptr;
    std::memcpy(&o, base + static_cast<ptrdiff_t>(i) * stride, sizeof o);
    Text &text = texts[i];
    if (o != nullptr && PyUnicode_Check(o)) {
#if PY_VERSION_HEX < 0x030C0000
      if (PyUnicode_READY(o) < 0) throw py::error_already_set();
#endif
      text.data = PyUnicode_DATA(o);
      text.length = static_cast<size_t>(PyUnicode_GET_LENGTH(o));
      switch (PyUnicode_KIND(o)) {
        case PyUnicode_1BYTE_KIND:
          text.encoding = PyUnicode_IS_ASCII(o) ? Encoding::kUtf8 : Encoding::kUcs1;
          break;
        case PyUnicode_2BYTE_KIND: text.encoding = Encoding::kUcs2; break;
        default: text.encoding = Encoding::kUcs4; break;
      }
      kept.keep(o);
    } else if (o != nullptr && PyBytes_Check(o)) {
      text.data = PyBytes_AS_STRING(o);
      text.length = static_cast<size_t>(PyBytes_GET_SIZE(o));
      text.encoding = Encoding::kUtf8;
      kept.keep(o);
    } else if (!is_missing(o, markers)) {
      throw py::type_error("values[" + std::to_string(i) + "] is " + Py_TYPE(o)->tp_name +
                           ", not text (str or bytes)");
    }
  }
  return Column(std::move(texts));
}

// The values read, as numpy holds them: datetime64[D] for dates,
// datetime64[s] for datetimes and timedelta64[s] for times (of microseconds
// when a value has a fraction of a second), float64 for numbers; NaT and
// NaN where a field was not read.
py::array to_numpy(nlhost::ValueKind kind, const std::vector<double> &values, std::vector<uint8_t> &status) {
  const size_t n = values.size();
  if (kind == nlhost::ValueKind::kNumber) {
    py::array_t<double> out(static_cast<py::ssize_t>(n));
    double *p = out.mutable_data();
    for (size_t i = 0; i < n; ++i) p[i] = status[i] == kRead ? values[i] : std::nan("");
    return out;
  }
  // A value beyond what datetime64 holds is not passed on as read.
  bool fraction = false;
  for (size_t i = 0; i < n; ++i) {
    if (status[i] != kRead) continue;
    if (!(std::fabs(values[i]) < kLargest)) {
      status[i] = kNotRead;
    } else if (kind != nlhost::ValueKind::kDate && values[i] != std::floor(values[i])) {
      fraction = true;
    }
  }
  const char *dtype = kind == nlhost::ValueKind::kDate ? "datetime64[D]"
                      : kind == nlhost::ValueKind::kDatetime
                          ? (fraction ? "datetime64[us]" : "datetime64[s]")
                          : (fraction ? "timedelta64[us]" : "timedelta64[s]");
  const int64_t epoch = kind == nlhost::ValueKind::kDate       ? kEpochDays
                        : kind == nlhost::ValueKind::kDatetime ? kEpochSeconds
                                                               : 0;
  py::array out(py::dtype(dtype), std::vector<py::ssize_t>{static_cast<py::ssize_t>(n)});
  auto *p = static_cast<int64_t *>(out.mutable_data());
  for (size_t i = 0; i < n; ++i) {
    if (status[i] != kRead) {
      p[i] = kNaT;
    } else if (fraction) {
      p[i] = std::llround((values[i] - static_cast<double>(epoch)) * 1e6);
    } else {
      p[i] = static_cast<int64_t>(std::floor(values[i])) - epoch;
    }
  }
  return out;
}

// What the alternatives made of the fields they read to different values,
// for the caller to see: positions, values (one row a field, one column an
// alternative, NaT or NaN where it did not read), the same as the host's
// values (float64, NaN) for describe(), the kind and the labels.
py::dict ambiguities(nlhost::ValueKind kind, const std::vector<nlhost::ReaderChoice> &choices,
                     const Ambiguities &found) {
  const auto count = static_cast<py::ssize_t>(choices.size());
  const auto rows = static_cast<py::ssize_t>(found.positions.size());
  std::vector<std::string> labels;
  for (const nlhost::ReaderChoice &choice : choices) labels.push_back(choice.label);
  py::array_t<int64_t> positions(rows);
  std::copy(found.positions.begin(), found.positions.end(), positions.mutable_data());
  py::array_t<double> host(std::vector<py::ssize_t>{rows, count});
  std::copy(found.values.begin(), found.values.end(), host.mutable_data());
  std::vector<uint8_t> status(found.values.size());
  for (size_t k = 0; k < status.size(); ++k) status[k] = std::isnan(found.values[k]) ? kNotRead : kRead;
  py::dict out;
  out["positions"] = positions;
  out["values"] = to_numpy(kind, found.values, status).attr("reshape")(rows, count);
  out["host"] = host;
  out["kind"] = std::string(nlhost::kind_info(kind).name);
  out["labels"] = labels;
  return out;
}

// What each alternative made of one field (a row of ambiguities()'s host
// values): "2026-06-05 by NLDATE@en_GB or 2026-05-06 by NLDATE@en_US".
std::string describe(const std::string &kind_name, const py::array_t<double> &values,
                     const std::vector<std::string> &labels) {
  const nlhost::KindInfo *kind = nlhost::find_kind(kind_name);
  if (kind == nullptr || values.ndim() != 1 || static_cast<size_t>(values.size()) != labels.size())
    throw py::value_error("describe takes a kind and one value an alternative");
  return nlhost::describe_values(kind->kind, std::span<const double>(values.data(), labels.size()), labels);
}

// Reads a column: (values, status, ambiguities) with status 1 read, 0 not
// read, 2 missing, 3 ambiguous; ambiguities None for a single reader.
py::tuple read_fields(Session &session, const py::array &values, const std::string &reader,
                      const std::string &pattern, const std::string &locale, bool strict,
                      const std::string &rule, size_t threads, bool exact, const py::tuple &markers) {
  if (rule.size() != 1 || std::string_view("UVW").find(rule[0]) == std::string_view::npos)
    throw py::value_error("the week rule is U, V or W, not '" + rule.substr(0, 16) + "'");
  nlhost::ReaderChoice base;
  base.pattern = pattern;
  base.lenient = !strict;
  base.week_rule = rule[0];
  std::vector<nlhost::ReaderChoice> choices;
  std::string why;
  if (!nlhost::parse_readers(reader, base, &choices, &why))
    throw py::value_error("bad reader '" + reader.substr(0, 64) + "': " + why);
  Kept kept;
  const Column column = column_of(values, markers, kept);
  const size_t n = column.size();
  std::vector<double> read_values(n);
  std::vector<uint8_t> status(n, kNotRead);
  std::vector<std::string> digits;
  Ambiguities ambiguous;
  nlhost::ValueKind kind;
  {
    py::gil_scoped_release unlocked;
    std::lock_guard lock(session.mutex());
    kind = reader_kind(session, choices, locale);
    if (exact && kind != nlhost::ValueKind::kNumber)
      throw std::invalid_argument("exact=True reads amounts and numbers, not the values of " +
                                  reader.substr(0, 64));
    const size_t workers = threads == 0 ? default_threads() : threads;
    if (choices.size() == 1) {
      // One reader: read as ever, by its own locale if it names one.
      read_column(session, choices.front(), column, workers, read_values.data(), status.data(),
                  exact ? &digits : nullptr);
    } else {
      read_alternatives(session, choices, locale, column, workers, read_values.data(), status.data(),
                        exact ? &digits : nullptr, &ambiguous);
    }
  }
  py::array result;
  if (exact) {
    const py::object decimal = py::module_::import("decimal").attr("Decimal");
    result = py::module_::import("numpy").attr("full")(n, py::none(), "object");
    auto **p = static_cast<PyObject **>(result.mutable_data());
    for (size_t i = 0; i < n; ++i) {
      if (status[i] != kRead) continue;
      PyObject *old = p[i];
      p[i] = decimal(digits[i]).release().ptr();
      Py_XDECREF(old);
    }
  } else {
    result = to_numpy(kind, read_values, status);
  }
  py::array_t<uint8_t> states(static_cast<py::ssize_t>(n));
  std::copy(status.begin(), status.end(), states.mutable_data());
  return py::make_tuple(result, states,
                        choices.size() == 1 ? py::object(py::none()) : ambiguities(kind, choices, ambiguous));
}

nlhost::ValueKind kind_named(const std::string &name) {
  const nlhost::KindInfo *kind = nlhost::find_kind(name);
  if (kind == nullptr || kind->kind == nlhost::ValueKind::kNumber)
    throw py::value_error("a value to write is a date, datetime or time, not " + name.substr(0, 32));
  return kind->kind;
}

// Writes values (the host's: days or seconds since 1960, seconds since
// midnight; NaN for none) by pattern: str, or None where not written.
py::list format_values(Session &session, const py::array_t<double> &values, const std::string &kind_name,
                       const std::string &pattern, const std::string &locale) {
  const nlhost::ValueKind kind = kind_named(kind_name);
  const auto n = static_cast<size_t>(values.size());
  std::vector<std::string> texts(n);
  std::vector<uint8_t> written(n, 0);
  int32_t refused = UWN_OK;  // a pattern the module cannot use: the caller's error, not a value's
  {
    const double *v = values.data();
    py::gil_scoped_release unlocked;
    std::lock_guard lock(session.mutex());
    session.use_locale(locale);
    for (size_t i = 0; i < n && refused == UWN_OK; ++i) {
      if (std::isnan(v[i])) continue;
      const int32_t rc = session.format(kind, pattern, v[i], &texts[i]);
      written[i] = rc == UWN_OK;
      if (rc != UWN_OK && rc != UWN_NO_VALUE) refused = rc;
    }
  }
  if (refused != UWN_OK)
    throw py::value_error("cannot write by '" + pattern.substr(0, 64) + "': " + format_message(refused));
  py::list out(n);
  for (size_t i = 0; i < n; ++i) out[i] = written[i] ? py::object(py::str(texts[i])) : py::object(py::none());
  return out;
}

py::list write_weeks(Session &session, const py::array_t<double> &dates, const std::string &rule, int width) {
  if (rule.size() != 1 || std::string_view("UVW").find(rule[0]) == std::string_view::npos)
    throw py::value_error("the week rule is U, V or W, not '" + rule.substr(0, 16) + "'");
  if (width < 3 || width > 64) throw py::value_error("the width of a week date is 3 to 64");
  const auto n = static_cast<size_t>(dates.size());
  std::vector<std::string> texts(n);
  std::vector<uint8_t> written(n, 0);
  {
    const double *d = dates.data();
    py::gil_scoped_release unlocked;
    std::lock_guard lock(session.mutex());
    for (size_t i = 0; i < n; ++i) {
      if (!std::isnan(d[i])) written[i] = session.week(d[i], rule[0], width, &texts[i]);
    }
  }
  py::list out(n);
  for (size_t i = 0; i < n; ++i) out[i] = written[i] ? py::object(py::str(texts[i])) : py::object(py::none());
  return out;
}

py::list patterns(Session &session, const std::string &locale) {
  std::vector<Session::PatternItem> items;
  {
    py::gil_scoped_release unlocked;
    std::lock_guard lock(session.mutex());
    session.use_locale(locale);
    items = session.patterns();
  }
  py::list out;
  for (const Session::PatternItem &item : items) {
    py::dict row;
    row["item"] = item.item;
    row["read_by"] = item.read_by;
    row["pattern"] = item.pattern.empty() ? py::object(py::none()) : py::object(py::str(item.pattern));
    row["example"] = item.example.empty() ? py::object(py::none()) : py::object(py::str(item.example));
    out.append(row);
  }
  return out;
}

// The plan for a delimited input, as the JSON text nldat sniff --json writes.
std::string sniff(Session &session, const py::bytes &input, bool is_path, const std::string &name,
                  const std::string &delimiter, int header, const std::string &encoding,
                  const std::string &preferred) {
  if (delimiter.size() > 1) throw py::value_error("the delimiter is one byte");
  SniffRequest request{std::string(input), is_path,  name, delimiter.empty() ? '\0' : delimiter[0], header,
                       encoding,           preferred};
  py::gil_scoped_release unlocked;
  std::lock_guard lock(session.mutex());
  return session.sniff(request);
}

}  // namespace
}  // namespace nldat_py

PYBIND11_MODULE(_nldat, m) {
  using namespace nldat_py;
  m.doc() = "The host of the nldat module inside Python; use the package nldat.";
  m.attr("__version__") = NLDAT_VERSION;
  // The host's errors of the caller's making are ValueErrors.
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const std::invalid_argument &e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    }
  });
  py::class_<Session>(m, "Session")
      .def(py::init<std::string>(), py::arg("module_path"))
      .def("read", &read_fields, py::arg("values"), py::arg("reader"), py::arg("pattern"), py::arg("locale"),
           py::arg("strict"), py::arg("rule"), py::arg("threads"), py::arg("exact"), py::arg("markers"))
      .def("format", &format_values, py::arg("values"), py::arg("kind"), py::arg("pattern"),
           py::arg("locale"))
      .def("patterns", &patterns, py::arg("locale"))
      .def("week", &write_weeks, py::arg("dates"), py::arg("rule"), py::arg("width"))
      .def("sniff", &sniff, py::arg("input"), py::arg("is_path"), py::arg("name"), py::arg("delimiter"),
           py::arg("header"), py::arg("encoding"), py::arg("preferred"));
  m.def("describe", &describe, py::arg("kind"), py::arg("values"), py::arg("labels"));
  m.def("readers", &reader_names, "The names of the readers, informats first.");
  m.def("host_locale_name", &host_locale_name, "The locale a POSIX locale name stands for.");
  m.def("locales", &nlhost::icu_locale_names, "The names of the locales the host offers, sorted.");
  m.def("default_threads", &default_threads);
}
