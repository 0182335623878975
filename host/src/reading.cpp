// nlhost: one field read by an informat or library reader of the module,
// normalized first and, in strict mode, checked to account for the whole
// field.
#include "nlhost/reading.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <iterator>

#include "nlhost/civil.h"

namespace nlhost {

namespace {

using LocaleNumberReader = int32_t (*)(intptr_t, intptr_t, const void *, int32_t, uwn_informat_block *);
using PatternReader = int32_t (*)(const char *, int32_t, const char *, int32_t, double *);
using PatternWriter = int32_t (*)(char *, int32_t *, const char *, int32_t, double);

// The module's informats: their value kind, the locale pattern items they
// read by, and the host's whole-field fallback informat.
struct InformatRow {
  std::string_view name;
  ValueKind kind;
  int32_t first_item, second_item;
  std::string_view fallback;
};
constexpr InformatRow kInformats[] = {
    {"NLDATE", ValueKind::kDate, UWN_ITEM_DATE_1, UWN_ITEM_DATE_2, "DATE"},
    {"NLDATM", ValueKind::kDatetime, UWN_ITEM_DATETIME_1, UWN_ITEM_DATETIME_2, "DATETIME"},
    {"NLDATEW", ValueKind::kDate, UWN_ITEM_DATE_W1, UWN_ITEM_DATE_W2, "WEEKDATE"},
    {"NLDATMW", ValueKind::kDatetime, UWN_ITEM_DATETIME_W1, UWN_ITEM_DATETIME_W2, "TWNDY"},
    {"NLDATMAP", ValueKind::kDatetime, UWN_ITEM_DATETIME_AP, UWN_ITEM_DATETIME_2, "DATEAMPM"},
};

// The library readers beside the informats.
constexpr std::string_view kLibraryNames[] = {"NUMBER", "MONEY", "PERCENT", "WEEK"};

constexpr std::string_view kAllNames[] = {"NLDATE", "NLDATM", "NLDATEW", "NLDATMW", "NLDATMAP",
                                          "NUMBER", "MONEY",  "PERCENT", "WEEK"};

// The locale number readers look at 32 characters at most: a longer field is
// not read rather than read in part.
constexpr size_t kLongestNumber = 32;

constexpr char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

const InformatRow *informat_row(std::string_view name) {
  for (const InformatRow &row : kInformats) {
    if (same_name(row.name, name)) return &row;
  }
  return nullptr;
}

// Equal but for blanks and ASCII case.
bool same_text_blanks_aside(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && (a[i] == ' ' || a[i] == '\t')) ++i;
    while (j < b.size() && (b[j] == ' ' || b[j] == '\t')) ++j;
    if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
    if (upper(a[i]) != upper(b[j])) return false;
    ++i;
    ++j;
  }
}

int32_t run_informat(uwn_informat_fn informat, std::string_view field, double *value) {
  uwn_informat_block block{};
  block.text = field.data();
  block.text_length = static_cast<int32_t>(field.size());
  block.width = std::min<int32_t>(block.text_length, 32767);
  block.result = value;
  return informat(&block);
}

char *two_digits(char *p, int v) {
  *p++ = static_cast<char>('0' + v / 10);
  *p++ = static_cast<char>('0' + v % 10);
  return p;
}

char *write_date(char *p, int64_t days) {
  const civil::Ymd ymd = civil::civil_from_days(days);
  int64_t year = ymd.year;
  if (year < 0) {
    *p++ = '-';
    year = -year;
  }
  const auto r = std::to_chars(p, p + 12, year);
  // Four digits at least.
  const auto n = r.ptr - p;
  if (n < 4) {
    std::memmove(p + (4 - n), p, static_cast<size_t>(n));
    std::memset(p, '0', static_cast<size_t>(4 - n));
  }
  p += n < 4 ? 4 : n;
  *p++ = '-';
  p = two_digits(p, ymd.month);
  *p++ = '-';
  return two_digits(p, ymd.day);
}

char *write_time(char *p, int64_t seconds) {
  p = two_digits(p, static_cast<int>(seconds / 3600));
  *p++ = ':';
  p = two_digits(p, static_cast<int>(seconds / 60 % 60));
  *p++ = ':';
  return two_digits(p, static_cast<int>(seconds % 60));
}

}  // namespace

std::string_view trim_blanks(std::string_view field) {
  while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) field.remove_prefix(1);
  while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.remove_suffix(1);
  return field;
}

std::string_view normalize_field(std::string_view field, std::string &scratch) {
  // Plain ASCII: nothing to change.
  size_t i = 0;
  while (i < field.size() && static_cast<unsigned char>(field[i]) < 0x80) ++i;
  if (i == field.size()) return field;
  scratch.assign(field.data(), i);
  while (i < field.size()) {
    const auto c = static_cast<unsigned char>(field[i]);
    const std::string_view rest = field.substr(i);
    auto starts = [&](std::string_view s) { return rest.substr(0, s.size()) == s; };
    if (c < 0x80) {
      scratch += static_cast<char>(c);
      ++i;
    } else if (starts("\xEF\xBB\xBF")) {  // U+FEFF: a byte-order mark
      i += 3;
    } else if (starts("\xC2\xA0")) {  // U+00A0
      scratch += ' ';
      i += 2;
    } else if (starts("\xE2\x80\xAF") || starts("\xE2\x80\x87") || starts("\xE2\x80\x89")) {
      scratch += ' ';  // U+202F, U+2007, U+2009
      i += 3;
    } else if (starts("\xE2\x88\x92") || starts("\xE2\x80\x92") || starts("\xE2\x80\x93")) {
      scratch += '-';  // U+2212, U+2012, U+2013
      i += 3;
    } else if (starts("\xE2\x80\x99")) {  // U+2019
      scratch += '\'';
      i += 3;
    } else if (starts("\xCA\xBC")) {  // U+02BC
      scratch += '\'';
      i += 2;
    } else if (starts("\xE2\x80\x8E") || starts("\xE2\x80\x8F")) {  // U+200E, U+200F
      i += 3;
    } else if (starts("\xD8\x9C")) {  // U+061C
      i += 2;
    } else {
      scratch += static_cast<char>(c);
      ++i;
    }
  }
  return scratch;
}

size_t write_iso(ValueKind kind, double value, char *buffer) {
  char *p = buffer;
  switch (kind) {
    case ValueKind::kDate: p = write_date(p, static_cast<int64_t>(std::floor(value))); break;
    case ValueKind::kDatetime: {
      const double days = std::floor(value / 86400);
      const auto seconds = static_cast<int64_t>(std::floor(value - days * 86400));  // [0, 86399]
      p = write_date(p, static_cast<int64_t>(days));
      *p++ = 'T';
      p = write_time(p, seconds);
      break;
    }
    case ValueKind::kTime: p = write_time(p, static_cast<int64_t>(std::floor(value))); break;
    case ValueKind::kNumber: {
      if (value == 0) value = 0;  // no "-0"
      p = std::to_chars(p, p + 32, value).ptr;
      break;
    }
  }
  return static_cast<size_t>(p - buffer);
}

const std::string_view *FieldReader::names(size_t *count) {
  *count = std::size(kAllNames);
  return kAllNames;
}

std::optional<FieldReader> FieldReader::make(const Module &module, std::string_view name, std::string *error) {
  FieldReader reader;
  reader.module_ = &module;
  if (const InformatRow *row = informat_row(name)) {
    reader.informat_ = module.informat(row->name);
    if (reader.informat_ == nullptr) {
      *error = "the module has no informat " + std::string(row->name);
      return std::nullopt;
    }
    reader.name_ = std::string(row->name);
    reader.kind_ = row->kind;
    reader.source_ = Source::kInformat;
    // A symbol lookup costs more than the read itself: once, not per field.
    reader.writer_ = module.symbol(row->kind == ValueKind::kDate ? "zkfdate" : "zkfdttm");
    return reader;
  }
  struct LibraryRow {
    std::string_view name;
    Source source;
    ValueKind kind;
    const char *routine;
  };
  static constexpr LibraryRow kLibrary[] = {
      {"NUMBER", Source::kNumber, ValueKind::kNumber, "zkifnum"},
      {"MONEY", Source::kMoney, ValueKind::kNumber, "zkifmny"},
      {"PERCENT", Source::kPercent, ValueKind::kNumber, "zkifpct"},
      {"WEEK", Source::kWeek, ValueKind::kDate, "zkifweek"},
  };
  static_assert(std::size(kLibrary) == std::size(kLibraryNames));
  for (const LibraryRow &row : kLibrary) {
    if (!same_name(row.name, name)) continue;
    reader.routine_ = module.symbol(row.routine);
    if (reader.routine_ == nullptr) {
      *error = std::string("the module does not export ") + row.routine;
      return std::nullopt;
    }
    reader.name_ = std::string(row.name);
    reader.kind_ = row.kind;
    reader.source_ = row.source;
    return reader;
  }
  *error = "no informat or reader named " + std::string(name);
  return std::nullopt;
}

std::optional<FieldReader> FieldReader::with_pattern(const Module &module, ValueKind kind, std::string pattern,
                                                     std::string *error) {
  const char *routine = kind == ValueKind::kDate       ? "zkpdate"
                        : kind == ValueKind::kDatetime ? "zkpdttm"
                        : kind == ValueKind::kTime     ? "zkptime"
                                                       : nullptr;
  if (routine == nullptr) {
    *error = "a pattern reads dates, datetimes and times only";
    return std::nullopt;
  }
  if (pattern.empty() || pattern.size() > 32767) {
    *error = "a pattern has 1 to 32767 bytes";
    return std::nullopt;
  }
  FieldReader reader;
  reader.module_ = &module;
  reader.routine_ = module.symbol(routine);
  if (reader.routine_ == nullptr) {
    *error = std::string("the module does not export ") + routine;
    return std::nullopt;
  }
  reader.source_ = Source::kPattern;
  reader.kind_ = kind;
  reader.name_ = "pattern " + pattern;
  reader.pattern_ = std::move(pattern);
  return reader;
}

bool FieldReader::read(std::string_view field, double *value) {
  const std::string_view text = trim_blanks(normalize_field(field, scratch_));
  if (text.empty() || text.size() > INT32_MAX) return false;
  double read_value = std::nan("");
  if (!read_normalized(text, &read_value) || std::isnan(read_value)) return false;
  if (strict_ && !accounts_for_whole_field(text, read_value)) {
    // The pattern reader took only part of the field: the host's whole-field
    // fallback alone may read it.
    const InformatRow *row = source_ == Source::kInformat ? informat_row(name_) : nullptr;
    Host *host = Host::current();
    const HostInformat *fallback = row != nullptr && host != nullptr ? host->find_informat(row->fallback) : nullptr;
    if (fallback == nullptr) return false;
    double fallback_value = std::nan("");
    uwn_informat_block block{};
    block.text = text.data();
    block.text_length = static_cast<int32_t>(text.size());
    block.width = std::min<int32_t>(block.text_length, 32767);
    block.result = &fallback_value;
    if ((*fallback)(&block) != 0 || std::isnan(fallback_value)) return false;
    read_value = fallback_value;
  }
  *value = read_value;
  return true;
}

bool FieldReader::read_normalized(std::string_view text, double *value) {
  const auto length = static_cast<int32_t>(text.size());
  switch (source_) {
    case Source::kInformat: return run_informat(informat_, text, value) == 0;
    case Source::kNumber:
    case Source::kMoney:
    case Source::kPercent: {
      if (text.size() > kLongestNumber) return false;
      const auto reader = reinterpret_cast<LocaleNumberReader>(routine_);
      uwn_informat_block block{};
      block.text = text.data();
      block.text_length = block.width = length;
      block.result = value;
      if (source_ == Source::kNumber) return reader(0, 0, nullptr, UWN_ITEM_NUMBER, &block) == 0;
      if (source_ == Source::kPercent) return reader(0, 0, nullptr, UWN_ITEM_PERCENT, &block) == 0;
      // Money: the local currency form, then the international one.
      if (reader(0, 0, nullptr, UWN_ITEM_MONEY_LOCAL, &block) == 0) return true;
      block = uwn_informat_block{};
      block.text = text.data();
      block.text_length = block.width = length;
      block.result = value;
      return reader(0, 0, nullptr, UWN_ITEM_MONEY_INTL, &block) == 0;
    }
    case Source::kWeek: {
      const auto zkifweek_fn = reinterpret_cast<decltype(&zkifweek)>(routine_);
      Host *host = Host::current();
      double window_and_date = host != nullptr ? host->year_window() : 0;
      if (zkifweek_fn(text.data(), length, &week_rule_, 1, &window_and_date) != 0) return false;
      *value = window_and_date;
      return true;
    }
    case Source::kPattern: {
      const auto reader = reinterpret_cast<PatternReader>(routine_);
      return reader(text.data(), length, pattern_.data(), static_cast<int32_t>(pattern_.size()), value) == 0;
    }
  }
  return false;
}

bool FieldReader::accounts_for_whole_field(std::string_view field, double value) {
  if (source_ != Source::kInformat) return true;
  const InformatRow *row = informat_row(name_);
  const auto writer = reinterpret_cast<PatternWriter>(writer_);
  if (writer == nullptr) return false;
  char written[256];
  for (const int32_t item : {row->first_item, row->second_item}) {
    int32_t width = sizeof written;
    if (writer(written, &width, nullptr, item, value) != UWN_OK) continue;
    if (same_text_blanks_aside(std::string_view(written, static_cast<size_t>(width)), field)) return true;
  }
  return false;
}

}  // namespace nlhost
