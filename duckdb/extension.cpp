// The SQL functions of the DuckDB extension nldat, on DuckDB's C extension
// API: each is called once per chunk of rows, on whichever DuckDB thread runs
// it, and reads its rows through that thread's Worker (process.h).
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "nlhost/civil.h"
#include "nlhost/column_reader.h"
#include "nlhost/text.h"
#include "process.h"
#include "readers.h"

#define DUCKDB_EXTENSION_NAME nldat
#include "duckdb_extension.h"

DUCKDB_EXTENSION_EXTERN

namespace {

using nlduck::LocaleTurn;
using nlduck::Worker;
using nlhost::ValueKind;

// The module counts days from 1960-01-01, DuckDB from 1970-01-01.
constexpr int64_t kEpochShiftDays = nlhost::civil::days_from_civil(1970, 1, 1);
static_assert(kEpochShiftDays == 3653);
constexpr double kEpochShiftSeconds = 86400.0 * kEpochShiftDays;
constexpr double kMicros = 1e6;

// nl_money's type: 34 integer digits and 4 decimals hold the amounts of every
// currency exactly (a few have 3 or 4 minor digits).
constexpr uint8_t kMoneyWidth = 38;
constexpr int kMoneyScale = 4;

// One expansion of a pattern writes at most this many bytes.
constexpr int32_t kLongestText = 512;
constexpr const char *kPatternLength = "a pattern has 1 to 32767 bytes";
static_assert(UWN_DESCRIPTOR_MAX == 32767);

// A week-date text is 3 ("W50") to 64 bytes wide.
constexpr int32_t kNarrowestWeek = 3;
constexpr int32_t kWidestWeek = 64;

// What a function does with its rows.
enum class Op {
  kRead,        // text by an informat or library reader -> date, timestamp, double, decimal
  kAmbiguity,   // text by alternatives -> what each made of it, where they differ
  kReadTime,    // text by a pattern -> time
  kFormat,      // date or timestamp by a pattern -> text
  kWeek,        // date -> week-date text
  kWeekNumber,  // date -> week number
};

enum class Out { kDate, kTimestamp, kTime, kDouble, kMoney, kText, kInteger };

// One overload: what it does and which argument is which (-1: not given).
struct Signature {
  const char *function;
  Op op;
  Out out;
  ValueKind kind;               // what is read or written
  size_t fixed_slot;            // the reader, when the function names it itself
  const char *locale_variable;  // the environment variable of the default locale
  int name_arg = -1;            // informat or pattern
  int locale_arg = -1;
  int rule_arg = -1;
  int width_arg = -1;
};

// One argument vector of a chunk.
struct Column {
  const void *data = nullptr;
  const uint64_t *validity = nullptr;

  bool valid(idx_t row) const { return validity == nullptr || ((validity[row >> 6] >> (row & 63)) & 1) != 0; }
  static bool all_valid(const Column *args, idx_t count, idx_t row) {
    for (idx_t i = 0; i < count; ++i)
      if (!args[i].valid(row)) return false;
    return true;
  }
  std::string_view text(idx_t row) const {
    const duckdb_string_t &s = static_cast<const duckdb_string_t *>(data)[row];
    const uint32_t n = s.value.inlined.length;
    return {n <= sizeof s.value.inlined.inlined ? s.value.inlined.inlined : s.value.pointer.ptr, n};
  }
  template <class T>
  T get(idx_t row) const {
    return static_cast<const T *>(data)[row];
  }
};

// A name from a query, quoted for a message: at most 64 bytes of it.
std::string quoted(std::string_view text) {
  std::string out(1, '"');
  out.append(text.substr(0, 64));
  out.push_back('"');
  return out;
}

// The locale of a call that names none, by the environment variable of its
// kind: looked up once per process.
const std::string &default_locale_of(const char *variable) {
  static const std::string time = nlduck::default_locale("LC_TIME");
  static const std::string numeric = nlduck::default_locale("LC_NUMERIC");
  static const std::string monetary = nlduck::default_locale("LC_MONETARY");
  if (std::strcmp(variable, "LC_NUMERIC") == 0) return numeric;
  if (std::strcmp(variable, "LC_MONETARY") == 0) return monetary;
  return time;
}

// A week rule given as text ("V", "u", ...): the rule letter, or 0.
char week_rule(std::string_view text) {
  if (text.size() != 1) return 0;
  const char rule = static_cast<char>(text[0] & ~0x20);
  return rule == 'U' || rule == 'V' || rule == 'W' ? rule : 0;
}

// An amount's decimal text ("-1234.5", "1e+20") at kMoneyScale; false when
// it has more decimals than the scale or more digits than the width.
bool scaled_decimal(std::string_view text, __int128 *scaled) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  std::string_view mantissa = text.substr(0, text.find_first_of("eE"));
  int exponent = 0;
  if (mantissa.size() < text.size()) {
    const std::string_view digits = text.substr(mantissa.size() + 1);
    const char *begin = digits.data() + (digits.substr(0, 1) == "+" ? 1 : 0);
    if (std::from_chars(begin, digits.data() + digits.size(), exponent).ec != std::errc()) return false;
  }
  __int128 value = 0;
  int digits = 0, decimals = 0;
  bool point = false;
  for (const char c : mantissa) {
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return false;
    if (value == 0 && c == '0' && !point) continue;
    if (++digits > kMoneyWidth) return false;  // value stays below 10^38
    value = value * 10 + (c - '0');
    if (point) ++decimals;
  }
  // value * 10^(exponent - decimals), at the scale: drop only zeros.
  int shift = exponent - decimals + kMoneyScale;
  for (; shift < 0; ++shift) {
    if (value % 10 != 0) return false;
    value /= 10;
  }
  constexpr __int128 kLimit = [] {
    __int128 limit = 1;
    for (int i = 0; i < kMoneyWidth; ++i) limit *= 10;
    return limit;
  }();
  if (value >= kLimit) return false;
  for (; shift > 0; --shift) {
    if (value >= kLimit / 10) return false;
    value *= 10;
  }
  *scaled = negative ? -value : value;
  return true;
}

// The amount a MONEY reader took from a field, at kMoneyScale.  The reader
// gives a double, written here as the shortest text that reads back to it.
bool read_money(nlhost::FieldReader &reader, std::string_view field, __int128 *scaled) {
  double value = 0;
  std::string digits;  // the field's own digits, where the reader can give them
  if (!reader.read_exact(field, &value, &digits) || !std::isfinite(value)) return false;
  if (!digits.empty()) return scaled_decimal(digits, scaled);
  char text[32];
  const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
  return written.ec == std::errc() && scaled_decimal({text, static_cast<size_t>(written.ptr - text)}, scaled);
}

// The output's validity, made writable at the first NULL.
class NullMask {
 public:
  explicit NullMask(duckdb_vector output) : output_(output) {}
  void set(idx_t row) {
    if (validity_ == nullptr) {
      duckdb_vector_ensure_validity_writable(output_);
      validity_ = duckdb_vector_get_validity(output_);
    }
    validity_[row >> 6] &= ~(uint64_t{1} << (row & 63));
  }

 private:
  duckdb_vector output_;
  uint64_t *validity_ = nullptr;
};

// A column's readers as a query names them (nlhost/column_reader.h: an
// informat, NLDATE@en_GB, form:%b %d %Y, alternatives joined by '|'), made
// ready on one thread: each alternative's reader and locale.
struct Alternatives {
  std::vector<nlhost::ReaderChoice> choices;
  std::vector<std::string> labels;  // as given, for nl_ambiguity's text
  nlhost::FieldReader *readers[nlhost::kMaxAlternatives] = {};
  const nlduck::LoadedLocale *locales[nlhost::kMaxAlternatives] = {};
  ValueKind kind = ValueKind::kDate;
};

// The rows of one chunk of one call: what the constant arguments resolved to
// is kept from row to row, so a constant informat or locale is looked up once.
class Chunk {
 public:
  Chunk(const Signature &signature, Worker &worker) : sig_(signature), worker_(worker) {}

  // One row: true with the value written (or *null set), false with error_ set.
  bool row(const Column *args, idx_t r, duckdb_vector output, void *out, bool *null) {
    if (!enter_locale(args, r)) return false;
    switch (sig_.op) {
      case Op::kRead: return read(args, r, out, null);
      case Op::kReadTime: return read_time(args, r, out, null);
      case Op::kFormat: return format(args, r, output);
      case Op::kWeek: return week(args, r, output);
      case Op::kWeekNumber: return week_number(args, r, out, null);
      case Op::kAmbiguity: break;  // read_runs reads these
    }
    return false;
  }

  // Whether argument name_arg names the rows' readers: such rows are read
  // by read_runs, the others row by row.
  bool reads_by_text() const {
    return sig_.op == Op::kAmbiguity || (sig_.op == Op::kRead && sig_.name_arg >= 0);
  }

  // Rows [0, rows), their arguments args[0, columns): each run of rows that
  // names the same readers and locale is read alternative by alternative,
  // each under its own locale, so that the locale changes once a run and
  // not once a row.  False with error_ set.
  bool read_runs(const Column *args, idx_t columns, idx_t rows, duckdb_vector output, void *out,
                 NullMask &nulls) {
    for (idx_t r = 0; r < rows;) {
      if (!Column::all_valid(args, columns, r)) {
        nulls.set(r++);
        continue;
      }
      const std::string_view text = args[sig_.name_arg].text(r);
      const std::string_view locale = locale_of(args, r);
      idx_t end = r + 1;
      for (; end < rows; ++end) {
        if (Column::all_valid(args, columns, end) &&
            (args[sig_.name_arg].text(end) != text || locale_of(args, end) != locale))
          break;
      }
      if (!resolve(text, locale)) return false;
      read_run(args, columns, r, end, output, out, nulls);
      r = end;
    }
    return true;
  }

  const std::string &error() const { return error_; }

 private:
  bool fail(std::string message) {
    error_ = std::string(sig_.function) + ": " + message;
    return false;
  }

  std::string_view locale_of(const Column *args, idx_t r) const {
    return sig_.locale_arg >= 0 ? args[sig_.locale_arg].text(r) : default_locale_of(sig_.locale_variable);
  }

  bool enter_locale(const Column *args, idx_t r) {
    if (sig_.locale_variable == nullptr) {
      turn_.enter(nullptr);
      return true;
    }
    const std::string_view name = locale_of(args, r);
    if (locale_ == nullptr || name != locale_name_) {
      std::string why;
      locale_ = nlduck::find_locale(name, &why);
      if (locale_ == nullptr) return fail(why);
      locale_name_ = name;
    }
    turn_.enter(locale_);
    return true;
  }

  // Makes alternatives_ the readers text names, under locale where an
  // alternative names none of its own; kept while the text and the locale
  // are the same.
  bool resolve(std::string_view text, std::string_view locale) {
    if (resolved_ && text == readers_text_ && locale == readers_locale_) return true;
    resolved_ = false;
    std::string why;
    const nlduck::LoadedLocale *call_locale = nlduck::find_locale(locale, &why);
    if (call_locale == nullptr) return fail(why);
    Alternatives &a = alternatives_;
    if (!nlhost::parse_readers(text, {}, &a.choices, &why))
      return fail("bad informat " + quoted(text) + ": " + why);
    // nl_ambiguity reads what its first alternative reads.
    a.kind = sig_.op == Op::kAmbiguity ? nlhost::choice_kind(a.choices.front()).value_or(ValueKind::kDate)
                                       : sig_.kind;
    size_t slots[nlhost::kMaxAlternatives];
    // An unknown name is the caller's error before anything is made.
    for (size_t k = 0; k < a.choices.size(); ++k) {
      const nlhost::ReaderChoice &choice = a.choices[k];
      if (!choice.pattern.empty() || choice.form) continue;
      slots[k] = sig_.op == Op::kAmbiguity ? nlduck::find_any_slot(choice.name, a.kind)
                                           : nlduck::find_slot(choice.name, a.kind);
      if (slots[k] == nlduck::kNoReader) {
        const std::string names = nlduck::names_of(a.kind);
        return fail("unknown informat " + quoted(choice.name) +
                    (names.empty() ? "" : " (it reads by " + names + ")"));
      }
    }
    a.labels.clear();
    for (size_t k = 0; k < a.choices.size(); ++k) {
      const nlhost::ReaderChoice &choice = a.choices[k];
      a.locales[k] = call_locale;
      if (!choice.locale.empty() && (a.locales[k] = nlduck::find_locale(choice.locale, &why)) == nullptr)
        return fail(why);
      const bool patterned = !choice.pattern.empty() || choice.form;
      nlhost::FieldReader *reader =
          patterned ? worker_.pattern_reader(choice, &why) : worker_.reader(slots[k], &why);
      if (reader != nullptr && reader->kind() != a.kind) {
        why = "it reads a " + std::string(nlhost::kind_info(reader->kind()).name) + ", not a " +
              std::string(nlhost::kind_info(a.kind).name);
        reader = nullptr;
      }
      if (reader == nullptr) return fail("cannot read by " + quoted(choice.label) + ": " + why);
      reader->set_week_rule(choice.week_rule);
      a.readers[k] = reader;
      a.labels.push_back(choice.label);
    }
    readers_text_ = text;
    readers_locale_ = locale;
    resolved_ = true;
    return true;
  }

  // Rows [begin, end) of a run by alternatives_ (see read_runs).
  void read_run(const Column *args, idx_t columns, idx_t begin, idx_t end, duckdb_vector output, void *out,
                NullMask &nulls) {
    const Alternatives &a = alternatives_;
    const size_t n = a.choices.size();
    // One reader and a value to give: each row as it is read.
    if (n == 1 && sig_.op == Op::kRead) {
      turn_.enter(a.locales[0]);
      nlhost::FieldReader &reader = *a.readers[0];
      for (idx_t r = begin; r < end; ++r) {
        double value = 0;
        if (!Column::all_valid(args, columns, r) || !reader.read(args[0].text(r), &value) ||
            !store(value, out, r))
          nulls.set(r);
      }
      return;
    }
    // Row by row, each alternative's value (NaN: not read) side by side.
    values_.resize((end - begin) * n);
    for (size_t k = 0; k < n; ++k) {
      turn_.enter(a.locales[k]);
      for (idx_t r = begin; r < end; ++r) {
        double value = 0;
        const bool read = Column::all_valid(args, columns, r) && a.readers[k]->read(args[0].text(r), &value);
        values_[(r - begin) * n + k] = read ? value : std::nan("");
      }
    }
    for (idx_t r = begin; r < end; ++r) {
      const std::span<const double> values(values_.data() + (r - begin) * n, n);
      size_t first = 0;
      const nlhost::Agreement agreement = nlhost::agree(values, &first);
      if (!Column::all_valid(args, columns, r)) {
        nulls.set(r);
      } else if (sig_.op == Op::kAmbiguity) {
        if (agreement != nlhost::Agreement::kAmbiguous) {
          nulls.set(r);
          continue;
        }
        const std::string text = nlhost::describe_values(a.kind, values, a.labels);
        duckdb_vector_assign_string_element_len(output, r, text.data(), text.size());
      } else if (agreement != nlhost::Agreement::kRead || !store(values[first], out, r)) {
        nulls.set(r);
      }
    }
  }

  nlhost::FieldReader *reader() {
    if (reader_ == nullptr) {
      reader_ = worker_.reader(sig_.fixed_slot, &error_);
      // The thread keeps its readers from call to call: WEEK reads by V
      // where the call names no rule, not by the rule the last call named.
      if (reader_ != nullptr) reader_->set_week_rule('V');
    }
    return reader_;
  }

  char rule(const Column *args, idx_t r) {
    if (sig_.rule_arg < 0) return 'V';
    const std::string_view given = args[sig_.rule_arg].text(r);
    const char letter = week_rule(given);
    if (letter == 0)
      fail("unknown week rule " + quoted(given) + " (U: weeks begin on Sunday, W: on Monday, V: ISO 8601)");
    return letter;
  }

  bool read(const Column *args, idx_t r, void *out, bool *null) {
    nlhost::FieldReader *field_reader = reader();
    if (field_reader == nullptr) return error_.empty() ? fail("no reader") : false;
    if (sig_.rule_arg >= 0) {
      const char letter = rule(args, r);
      if (letter == 0) return false;
      field_reader->set_week_rule(letter);
    }
    const std::string_view field = args[0].text(r);
    if (sig_.out == Out::kMoney) {
      __int128 scaled = 0;
      *null = !read_money(*field_reader, field, &scaled);
      if (!*null)
        static_cast<duckdb_hugeint *>(out)[r] = {static_cast<uint64_t>(scaled),
                                                 static_cast<int64_t>(scaled >> 64)};
      return true;
    }
    double value = 0;
    *null = !field_reader->read(field, &value) || !store(value, out, r);
    return true;
  }

  bool read_time(const Column *args, idx_t r, void *out, bool *null) {
    const std::string_view pattern = args[sig_.name_arg].text(r);
    if (reader_ == nullptr || pattern != reader_name_) {
      if (pattern.empty()) return fail(kPatternLength);
      nlhost::ReaderChoice choice;
      choice.name = nlhost::kind_info(sig_.kind).name;
      choice.pattern = pattern;
      reader_ = worker_.pattern_reader(choice, &error_);
      if (reader_ == nullptr) return fail(error_);
      reader_name_ = pattern;
    }
    double value = 0;
    *null = !reader_->read(args[0].text(r), &value) || !store(value, out, r);
    return true;
  }

  // A value read, as the row's SQL value; false when it has none.
  bool store(double value, void *out, idx_t r) const {
    switch (sig_.out) {
      case Out::kDate: {
        const double days = std::floor(value) - static_cast<double>(kEpochShiftDays);
        if (!(days > INT32_MIN && days < INT32_MAX)) return false;
        static_cast<int32_t *>(out)[r] = static_cast<int32_t>(days);
        return true;
      }
      case Out::kTimestamp: {
        const double micros = std::rint((value - kEpochShiftSeconds) * kMicros);
        if (!(micros > -9.2e18 && micros < 9.2e18)) return false;
        static_cast<int64_t *>(out)[r] = static_cast<int64_t>(micros);
        return true;
      }
      case Out::kTime: {
        const double micros = std::rint(value * kMicros);
        if (!(micros >= 0 && micros <= 86400 * kMicros)) return false;
        static_cast<int64_t *>(out)[r] = static_cast<int64_t>(micros);
        return true;
      }
      case Out::kDouble:
        if (std::isnan(value)) return false;
        static_cast<double *>(out)[r] = value;
        return true;
      case Out::kMoney:
      case Out::kText:
      case Out::kInteger: break;
    }
    return false;
  }

  // Argument 0 as a module value: a date or a datetime; false for an
  // infinite one.
  bool date_argument(const Column *args, idx_t r, double *value) const {
    if (sig_.kind == ValueKind::kDate) {
      const int32_t days = args[0].get<int32_t>(r);
      if (days == INT32_MAX || days == -INT32_MAX) return false;
      *value = static_cast<double>(days) + static_cast<double>(kEpochShiftDays);
      return true;
    }
    const int64_t micros = args[0].get<int64_t>(r);
    if (micros == INT64_MAX || micros == -INT64_MAX) return false;
    *value = static_cast<double>(micros) / kMicros + kEpochShiftSeconds;
    return true;
  }

  bool format(const Column *args, idx_t r, duckdb_vector output) {
    double value = 0;
    if (!date_argument(args, r, &value)) return infinite(output, r);
    const std::string_view pattern = args[sig_.name_arg].text(r);
    // "@N" names locale item N; anything else is the pattern itself.
    const char *text = pattern.data();
    int64_t length = static_cast<int64_t>(pattern.size());
    if (pattern.size() > 1 && pattern[0] == '@') {
      int64_t item = 0;
      for (const char c : pattern.substr(1)) {
        if (c < '0' || c > '9' || item > 99999)
          return fail("bad locale item " + quoted(pattern) + " (@28 names item 28)");
        item = item * 10 + (c - '0');
      }
      text = nullptr;
      length = item;
    } else if (pattern.empty() || length > UWN_DESCRIPTOR_MAX) {
      return fail(kPatternLength);
    }
    const auto write = sig_.kind == ValueKind::kDate ? worker_.writers().date : worker_.writers().datetime;
    int32_t width = 0;
    int32_t rc = write(nullptr, &width, text, static_cast<int32_t>(length), value);
    char buffer[kLongestText];
    if (rc >= 0 && rc > static_cast<int32_t>(sizeof buffer)) rc = UWN_TRUNCATED;
    if (rc >= 0) {
      width = rc;
      rc = write(buffer, &width, text, static_cast<int32_t>(length), value);
    }
    if (rc == UWN_OK) {
      duckdb_vector_assign_string_element_len(output, r, buffer, static_cast<idx_t>(width));
      return true;
    }
    using Subject = nlhost::WriteStatus::Subject;
    const nlhost::WriteStatus &meaning = nlhost::write_status(rc);
    switch (meaning.subject) {
      case Subject::kItemNumber: return fail(std::string(meaning.alone) + " " + std::to_string(length));
      case Subject::kPattern: return fail(std::string(meaning.alone) + " " + quoted(pattern));
      case Subject::kNone: break;
    }
    return fail(meaning.alone);
  }

  bool week(const Column *args, idx_t r, duckdb_vector output) {
    const char letter = rule(args, r);
    if (letter == 0) return false;
    const int32_t width = sig_.width_arg >= 0 ? args[sig_.width_arg].get<int32_t>(r) : 11;
    if (width < kNarrowestWeek || width > kWidestWeek)
      return fail("a week-date width is 3 to 64, not " + std::to_string(width));
    double date = 0;
    if (!date_argument(args, r, &date)) return infinite(output, r);
    char buffer[kWidestWeek];
    int32_t written = width;
    worker_.writers().week(buffer, &written, &letter, 1, date);
    // A date the routine cannot place leaves the field filled with '*'.
    if (written == width && buffer[0] == '*') return fail("the date is out of the range of week dates");
    duckdb_vector_assign_string_element_len(output, r, buffer, static_cast<idx_t>(written));
    return true;
  }

  bool week_number(const Column *args, idx_t r, void *out, bool *null) {
    const char letter = rule(args, r);
    if (letter == 0) return false;
    double date = 0;
    if (!date_argument(args, r, &date)) {
      *null = true;  // an infinite date
      return true;
    }
    double number = nlhost::standard_missing();
    worker_.writers().week_number(&number, nullptr, &letter, 1, date);
    if (!(number >= 0 && number <= 53)) return fail("the date is out of the range of week dates");
    static_cast<int32_t *>(out)[r] = static_cast<int32_t>(number);
    return true;
  }

  // An infinite date or timestamp gives NULL.
  bool infinite(duckdb_vector output, idx_t r) {
    duckdb_vector_ensure_validity_writable(output);
    duckdb_validity_set_row_invalid(duckdb_vector_get_validity(output), r);
    return true;
  }

  const Signature &sig_;
  Worker &worker_;
  LocaleTurn turn_;
  const nlduck::LoadedLocale *locale_ = nullptr;
  std::string_view locale_name_;
  nlhost::FieldReader *reader_ = nullptr;  // of a function that names its reader itself, or nl_time's
  std::string_view reader_name_;           // nl_time's pattern
  Alternatives alternatives_;              // of read_runs
  bool resolved_ = false;
  std::string_view readers_text_, readers_locale_;  // what alternatives_ were made for
  std::vector<double> values_;                      // read_run's values, alternative by alternative
  std::string error_;
};

void run_chunk(duckdb_function_info info, duckdb_data_chunk input, duckdb_vector output) {
  const auto &signature = *static_cast<const Signature *>(duckdb_scalar_function_get_extra_info(info));
  const idx_t rows = duckdb_data_chunk_get_size(input);
  const idx_t count = duckdb_data_chunk_get_column_count(input);
  Column args[4];
  if (count > std::size(args)) return duckdb_scalar_function_set_error(info, "nldat: too many arguments");
  for (idx_t i = 0; i < count; ++i) {
    duckdb_vector vector = duckdb_data_chunk_get_vector(input, i);
    args[i] = {duckdb_vector_get_data(vector), duckdb_vector_get_validity(vector)};
  }
  std::string error;
  Worker *worker = Worker::of_this_thread(&error);
  if (worker == nullptr) return duckdb_scalar_function_set_error(info, ("nldat: " + error).c_str());
  void *out = duckdb_vector_get_data(output);
  NullMask nulls(output);
  Chunk chunk(signature, *worker);
  if (chunk.reads_by_text()) {
    if (!chunk.read_runs(args, count, rows, output, out, nulls))
      duckdb_scalar_function_set_error(info, chunk.error().c_str());
    return;
  }
  for (idx_t r = 0; r < rows; ++r) {
    bool null = !Column::all_valid(args, count, r);
    if (!null && !chunk.row(args, r, output, out, &null))
      return duckdb_scalar_function_set_error(info, chunk.error().c_str());
    if (null) nulls.set(r);
  }
}

// DuckDB calls through C: nothing the C++ side raises may pass.
void call_chunk(duckdb_function_info info, duckdb_data_chunk input, duckdb_vector output) {
  try {
    run_chunk(info, input, output);
  } catch (const std::exception &e) {
    duckdb_scalar_function_set_error(info, (std::string("nldat: ") + e.what()).c_str());
  } catch (...) {
    duckdb_scalar_function_set_error(info, "nldat: unexpected failure");
  }
}

duckdb_logical_type logical_type(duckdb_type type) {
  return type == DUCKDB_TYPE_DECIMAL ? duckdb_create_decimal_type(kMoneyWidth, kMoneyScale)
                                     : duckdb_create_logical_type(type);
}

duckdb_type sql_type(Out out) {
  switch (out) {
    case Out::kDate: return DUCKDB_TYPE_DATE;
    case Out::kTimestamp: return DUCKDB_TYPE_TIMESTAMP;
    case Out::kTime: return DUCKDB_TYPE_TIME;
    case Out::kDouble: return DUCKDB_TYPE_DOUBLE;
    case Out::kMoney: return DUCKDB_TYPE_DECIMAL;
    case Out::kText: return DUCKDB_TYPE_VARCHAR;
    case Out::kInteger: return DUCKDB_TYPE_INTEGER;
  }
  return DUCKDB_TYPE_INVALID;
}

// Argument 0's type by what a signature does with it.
duckdb_type value_type(const Signature &s) {
  if (s.op == Op::kRead || s.op == Op::kReadTime || s.op == Op::kAmbiguity) return DUCKDB_TYPE_VARCHAR;
  return s.kind == ValueKind::kDate ? DUCKDB_TYPE_DATE : DUCKDB_TYPE_TIMESTAMP;
}

// Registers every overload of one function as one set.
bool register_set(duckdb_connection connection, const Signature *first, size_t count) {
  duckdb_scalar_function_set set = duckdb_create_scalar_function_set(first->function);
  bool ok = true;
  for (const Signature *s = first; s != first + count; ++s) {
    duckdb_scalar_function f = duckdb_create_scalar_function();
    duckdb_scalar_function_set_name(f, s->function);
    const int last = std::max({0, s->name_arg, s->locale_arg, s->rule_arg, s->width_arg});
    for (int arg = 0; arg <= last; ++arg) {
      duckdb_logical_type type = logical_type(arg == 0              ? value_type(*s)
                                              : arg == s->width_arg ? DUCKDB_TYPE_INTEGER
                                                                    : DUCKDB_TYPE_VARCHAR);
      duckdb_scalar_function_add_parameter(f, type);
      duckdb_destroy_logical_type(&type);
    }
    duckdb_logical_type result = logical_type(sql_type(s->out));
    duckdb_scalar_function_set_return_type(f, result);
    duckdb_destroy_logical_type(&result);
    duckdb_scalar_function_set_extra_info(f, const_cast<Signature *>(s), nullptr);
    duckdb_scalar_function_set_function(f, call_chunk);
    ok = ok && duckdb_add_scalar_function_to_set(set, f) == DuckDBSuccess;
    duckdb_destroy_scalar_function(&f);
  }
  ok = ok && duckdb_register_scalar_function_set(connection, set) == DuckDBSuccess;
  duckdb_destroy_scalar_function_set(&set);
  return ok;
}

// nl_locales(): one row per locale the host offers.
struct LocalesScan {
  size_t next = 0;
};

void locales_bind(duckdb_bind_info info) {
  duckdb_logical_type text = duckdb_create_logical_type(DUCKDB_TYPE_VARCHAR);
  duckdb_bind_add_result_column(info, "locale", text);
  duckdb_destroy_logical_type(&text);
}

void locales_init(duckdb_init_info info) {
  duckdb_init_set_init_data(info, new LocalesScan(),
                            [](void *scan) { delete static_cast<LocalesScan *>(scan); });
}

void locales_scan(duckdb_function_info info, duckdb_data_chunk output) {
  try {
    auto &scan = *static_cast<LocalesScan *>(duckdb_function_get_init_data(info));
    const std::vector<std::string> &names = nlduck::locale_names();
    duckdb_vector column = duckdb_data_chunk_get_vector(output, 0);
    const idx_t room = duckdb_vector_size();
    idx_t n = 0;
    for (; n < room && scan.next < names.size(); ++n, ++scan.next)
      duckdb_vector_assign_string_element_len(column, n, names[scan.next].data(), names[scan.next].size());
    duckdb_data_chunk_set_size(output, n);
  } catch (const std::exception &e) {
    duckdb_function_set_error(info, (std::string("nl_locales: ") + e.what()).c_str());
  }
}

bool register_locales(duckdb_connection connection) {
  duckdb_table_function f = duckdb_create_table_function();
  duckdb_table_function_set_name(f, "nl_locales");
  duckdb_table_function_set_bind(f, locales_bind);
  duckdb_table_function_set_init(f, locales_init);
  duckdb_table_function_set_function(f, locales_scan);
  const bool ok = duckdb_register_table_function(connection, f) == DuckDBSuccess;
  duckdb_destroy_table_function(&f);
  return ok;
}

// The module beside the extension's own file.
std::string module_beside_extension() {
  Dl_info self{};
  if (dladdr(reinterpret_cast<void *>(&module_beside_extension), &self) == 0 || self.dli_fname == nullptr)
    return {};
  char resolved[PATH_MAX];
  std::string path = realpath(self.dli_fname, resolved) != nullptr ? resolved : self.dli_fname;
  const size_t slash = path.rfind('/');
  return (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/uwinldat.so";
}

// Every overload, one set per function.  Built once: DuckDB keeps pointers
// to the rows as the functions' extra information.
const std::vector<std::vector<Signature>> &signatures() {
  static const std::vector<std::vector<Signature>> sets = [] {
    using nlhost::ReaderSource;
    constexpr size_t kNamed = nlduck::kNoReader;
    // Reading by a reader the call names (argument 1) or, without it, the
    // first of its kind.
    auto named = [](const char *function, Op op, Out out, ValueKind kind) {
      const size_t first = op == Op::kRead ? nlduck::default_slot(kind) : kNamed;
      std::vector<Signature> set = {{function, op, out, kind, kNamed, "LC_TIME", 1, 2},
                                    {function, op, out, kind, kNamed, "LC_TIME", 1}};
      if (op == Op::kRead) set.push_back({function, op, out, kind, first, "LC_TIME"});
      return set;
    };
    auto fixed = [](const char *function, Out out, ReaderSource reader, const char *variable) {
      const size_t slot = nlduck::library_slot(reader);
      return std::vector<Signature>{{function, Op::kRead, out, ValueKind::kNumber, slot, variable, -1, 1},
                                    {function, Op::kRead, out, ValueKind::kNumber, slot, variable}};
    };
    const size_t week = nlduck::library_slot(ReaderSource::kWeek);
    std::vector<std::vector<Signature>> all = {
        named("nl_date", Op::kRead, Out::kDate, ValueKind::kDate),
        named("nl_timestamp", Op::kRead, Out::kTimestamp, ValueKind::kDatetime),
        named("nl_time", Op::kReadTime, Out::kTime, ValueKind::kTime),
        fixed("nl_number", Out::kDouble, ReaderSource::kNumber, "LC_NUMERIC"),
        fixed("nl_percent", Out::kDouble, ReaderSource::kPercent, "LC_NUMERIC"),
        fixed("nl_money", Out::kMoney, ReaderSource::kMoney, "LC_MONETARY"),
        named("nl_format", Op::kFormat, Out::kText, ValueKind::kDate),
        {{"nl_week", Op::kWeek, Out::kText, ValueKind::kDate, kNamed, nullptr},
         {"nl_week", Op::kWeek, Out::kText, ValueKind::kDate, kNamed, nullptr, -1, -1, 1},
         {"nl_week", Op::kWeek, Out::kText, ValueKind::kDate, kNamed, nullptr, -1, -1, 1, 2}},
        {{"nl_week_number", Op::kWeekNumber, Out::kInteger, ValueKind::kDate, kNamed, nullptr},
         {"nl_week_number", Op::kWeekNumber, Out::kInteger, ValueKind::kDate, kNamed, nullptr, -1, -1, 1}},
        {{"nl_read_week", Op::kRead, Out::kDate, ValueKind::kDate, week, nullptr},
         {"nl_read_week", Op::kRead, Out::kDate, ValueKind::kDate, week, nullptr, -1, -1, 1}},
        // The kind is what the first alternative reads.
        {{"nl_ambiguity", Op::kAmbiguity, Out::kText, ValueKind::kDate, kNamed, "LC_TIME", 1, 2},
         {"nl_ambiguity", Op::kAmbiguity, Out::kText, ValueKind::kDate, kNamed, "LC_TIME", 1}},
    };
    // nl_format takes a timestamp as well as a date.
    for (Signature s : named("nl_format", Op::kFormat, Out::kText, ValueKind::kDatetime)) all[6].push_back(s);
    return all;
  }();
  return sets;
}

bool register_all(duckdb_connection connection) {
  for (const std::vector<Signature> &set : signatures())
    if (!register_set(connection, set.data(), set.size())) return false;
  return register_locales(connection);
}

}  // namespace

DUCKDB_EXTENSION_ENTRYPOINT(duckdb_connection connection, duckdb_extension_info info,
                            struct duckdb_extension_access *access) {
  try {
    std::string error;
    const std::string module = module_beside_extension();
    if (!nlduck::start(module, &error)) {
      access->set_error(info, ("nldat: " + error).c_str());
      return false;
    }
    default_locale_of("LC_TIME");
    if (!register_all(connection)) {
      access->set_error(info, "nldat: cannot register the functions");
      return false;
    }
    return true;
  } catch (const std::exception &e) {
    access->set_error(info, (std::string("nldat: ") + e.what()).c_str());
    return false;
  }
}
