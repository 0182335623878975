// The current locale's own date and datetime forms, read the way people and
// programs write them: every date style and the common skeletons, each time
// style joined to each date by the locale's glue or a blank, one- or
// two-digit fields, two- or four-digit years, month and weekday names in
// every context, width and case, AM/PM and day periods, the locale's digits.
//
// The forms are compiled once per locale from the same CLDR patterns and
// names ICU formats with, into token lists read by a small backtracking
// matcher: reading a field costs a few hundred nanoseconds, where ICU's own
// parser costs microseconds.
#include <unicode/datefmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/numsys.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "../locales/cldr_pattern.h"
#include "../reading_stages.h"
#include "lenient.h"
#include "nlhost/civil.h"
#include "nlhost/host.h"
#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"
#include "nlhost/utf8.h"

namespace nlhost::lenient {
namespace {

// What a token reads; the hours by their range, as cldr::Letter names them.
enum class Field : uint8_t {
  kLiteral,
  kYear,
  kMonth,
  kMonthName,
  kDay,
  kWeekday,
  kHour23,
  kHour24,
  kHour12,
  kHour11,
  kMinute,
  kSecond,
  kFraction,
  kDayPeriod,  // AM/PM, noon, "in the morning": a set of hours
  kEra,        // only the common era is read
};

constexpr bool is_numeric(Field f) {
  return f != Field::kLiteral && f != Field::kMonthName && f != Field::kWeekday && f != Field::kDayPeriod &&
         f != Field::kEra;
}

struct Token {
  Field field = Field::kLiteral;
  // kLiteral: normalized, ASCII lower case, blank runs as one ' '.
  std::string text;
  // A literal of blanks alone between two numbers must hold a blank ("8 2 2024").
  bool needs_blank = false;
  bool operator==(const Token &o) const { return field == o.field && text == o.text; }
};
using Form = std::vector<Token>;

struct Glue {
  Form between;
  bool time_first = false;
  bool operator==(const Glue &o) const { return between == o.between && time_first == o.time_first; }
};

constexpr char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Names by their first byte: the entries that can match at a position are one
// contiguous run.
class NameTable {
 public:
  void add(std::string text, uint32_t value) {
    if (text.empty()) return;
    for (const Entry &e : entries_) {
      if (e.text == text && e.value == value) return;
    }
    entries_.push_back({std::move(text), value});
  }
  void seal() {
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry &a, const Entry &b) { return first(a.text) < first(b.text); });
    size_t k = 0;
    for (size_t b = 0; b <= 256; ++b) {
      while (k < entries_.size() && first(entries_[k].text) < b) ++k;
      index_[b] = static_cast<uint32_t>(k);
    }
  }
  // Calls on_match(end, value) for each name that s holds at pos, until one
  // returns true.
  template <class F>
  bool each_match(std::string_view s, size_t pos, const F &on_match) const {
    if (pos >= s.size()) return false;
    const auto b = static_cast<unsigned char>(ascii_lower(s[pos]));
    for (uint32_t k = index_[b]; k < index_[b + 1u]; ++k) {
      const std::string &name = entries_[k].text;
      if (s.size() - pos < name.size()) continue;
      bool same = true;
      for (size_t i = 1; i < name.size() && same; ++i) same = ascii_lower(s[pos + i]) == name[i];
      if (same && on_match(pos + name.size(), entries_[k].value)) return true;
    }
    return false;
  }

 private:
  struct Entry {
    std::string text;
    uint32_t value;
  };
  static unsigned first(const std::string &s) { return static_cast<unsigned char>(s[0]); }
  std::vector<Entry> entries_;
  std::array<uint32_t, 257> index_{};  // by first byte, and the end
};

}  // namespace

class LocaleForms {
 public:
  std::vector<Form> dates, times;
  std::vector<Glue> glues;
  NameTable months, weekdays, periods, eras;
  char32_t digit_zero = 0;  // the zero of the locale's own digits; 0 when they are ASCII
};

namespace {

// ---------------------------------------------------------------------------
// Building

using cldr::utf8;

// The text as fields are read: normalized, ASCII lower case, blank runs as one.
std::string comparable(const icu::UnicodeString &s) {
  std::string scratch;
  const std::string raw = utf8(s);
  const std::string_view normalized = normalize_field(raw, scratch);
  std::string out;
  for (const char c : normalized) {
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out += ascii_lower(c);
  }
  return out;
}

std::optional<Field> field_of(cldr::Letter letter, int32_t count) {
  using cldr::Letter;
  switch (letter) {
    case Letter::kYear: return Field::kYear;
    case Letter::kMonth:
      return count <= 2 ? Field::kMonth : count <= 4 ? std::optional(Field::kMonthName) : std::nullopt;
    case Letter::kDay: return Field::kDay;
    case Letter::kWeekday: return count <= 4 ? std::optional(Field::kWeekday) : std::nullopt;
    case Letter::kLocalWeekday:
      return count >= 3 && count <= 4 ? std::optional(Field::kWeekday) : std::nullopt;
    case Letter::kHour23: return Field::kHour23;
    case Letter::kHour24: return Field::kHour24;
    case Letter::kHour12: return Field::kHour12;
    case Letter::kHour11: return Field::kHour11;
    case Letter::kMinute: return Field::kMinute;
    case Letter::kSecond: return Field::kSecond;
    case Letter::kFraction: return Field::kFraction;
    case Letter::kDayPeriod: return Field::kDayPeriod;
    case Letter::kEra: return Field::kEra;
    case Letter::kOther: break;
  }
  return std::nullopt;  // zones, quarters, weeks: no form of ours
}

// A CLDR pattern as tokens; nothing when it has a field that is not read.
std::optional<Form> compile(const icu::UnicodeString &pattern) {
  Form form;
  for (const cldr::Piece &piece : cldr::pieces(pattern)) {
    Token t;
    if (piece.is_literal()) {
      t.text = comparable(piece.text);
      if (t.text.empty()) continue;
    } else {
      const std::optional<Field> field = field_of(piece.letter, piece.count);
      if (!field) return std::nullopt;
      t.field = *field;
    }
    form.push_back(std::move(t));
  }
  // Blanks at either end are the field's trimming.
  for (size_t k = 0; k < form.size(); ++k) {
    Token &t = form[k];
    if (t.field != Field::kLiteral) continue;
    t.needs_blank = t.text == " " && k > 0 && k + 1 < form.size() && is_numeric(form[k - 1].field) &&
                    is_numeric(form[k + 1].field);
  }
  if (!form.empty() && form.front().field == Field::kLiteral && form.front().text == " ")
    form.erase(form.begin());
  if (!form.empty() && form.back().field == Field::kLiteral && form.back().text == " ") form.pop_back();
  if (form.empty()) return std::nullopt;
  return form;
}

bool has_field(const Form &form, std::initializer_list<Field> fields) {
  for (const Token &t : form) {
    if (std::find(fields.begin(), fields.end(), t.field) != fields.end()) return true;
  }
  return false;
}

template <class T>
void add_unique(std::vector<T> &list, T item) {
  if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(std::move(item));
}

// A name in every case form the locale has, with and without a closing full stop.
std::string_view latin_digits(const LocaleForms &forms, std::string_view text, std::string &scratch);

// Names that hold digits ("month 1") hold them as fields are read: in ASCII.
void add_name(const LocaleForms &forms, NameTable &table, const icu::Locale &locale,
              const icu::UnicodeString &name, uint32_t value, bool abbreviated) {
  icu::UnicodeString lower(name), upper(name), title(name);
  lower.toLower(locale);
  upper.toUpper(locale);
  title.toTitle(nullptr, locale);
  for (const icu::UnicodeString &form : {name, lower, upper, title}) {
    std::string scratch;
    std::string text(latin_digits(forms, comparable(form), scratch));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.empty()) continue;
    table.add(text, value);
    if (text.size() > 1 && text.back() == '.') {
      table.add(text.substr(0, text.size() - 1), value);
    } else if (abbreviated) {
      table.add(text + ".", value);
    }
  }
}

void add_names(LocaleForms &forms, const icu::Locale &locale, const icu::DateFormatSymbols &symbols) {
  using S = icu::DateFormatSymbols;
  for (const S::DtContextType context : {S::FORMAT, S::STANDALONE}) {
    for (const S::DtWidthType width : {S::WIDE, S::ABBREVIATED}) {
      int32_t count = 0;
      const icu::UnicodeString *months = symbols.getMonths(count, context, width);
      for (int32_t k = 0; k < count && k < 12; ++k) {
        add_name(forms, forms.months, locale, months[k], static_cast<uint32_t>(k + 1), width != S::WIDE);
      }
    }
    for (const S::DtWidthType width : {S::WIDE, S::ABBREVIATED, S::SHORT}) {
      int32_t count = 0;
      const icu::UnicodeString *days = symbols.getWeekdays(count, context, width);
      for (int32_t k = 1; k < count && k <= 7; ++k) {  // Sunday at 1
        add_name(forms, forms.weekdays, locale, days[k], static_cast<uint32_t>(k), width != S::WIDE);
      }
    }
  }
  constexpr int kCommonEra = 1;
  for (const auto get : {&S::getEras, &S::getEraNames, &S::getNarrowEras}) {
    int32_t count = 0;
    const icu::UnicodeString *eras = (symbols.*get)(count);
    if (count > kCommonEra) add_name(forms, forms.eras, locale, eras[kCommonEra], kCommonEra, true);
  }
}

// Every AM/PM and day-period text the locale writes, each with the hours it
// is written for (bit h for hour h), and AM/PM in English.
void add_periods(LocaleForms &forms, const icu::Locale &locale) {
  std::map<std::string, uint32_t> hours;
  for (const char16_t *pattern : {u"a", u"aaaa", u"aaaaa", u"b", u"bbbb", u"B", u"BBBB"}) {
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat format(icu::UnicodeString(pattern), locale, status);
    if (U_FAILURE(status)) continue;
    format.setTimeZone(*icu::TimeZone::getGMT());
    for (int hour = 0; hour < 24; ++hour) {
      for (const int minute : {0, 30}) {
        icu::UnicodeString text;
        format.format((hour * 60.0 + minute) * 60000.0, text);
        std::string key = comparable(text);
        if (!key.empty()) hours[key] |= 1u << hour;
      }
    }
  }
  constexpr uint32_t kAm = 0x000FFF, kPm = 0xFFF000;
  for (const auto &[text, mask] : std::initializer_list<std::pair<const char *, uint32_t>>{
           {"am", kAm}, {"a.m.", kAm}, {"pm", kPm}, {"p.m.", kPm}}) {
    if (hours.count(text) == 0) hours[text] = mask;
  }
  for (const auto &[text, mask] : hours) forms.periods.add(text, mask);
}

void add_digits(LocaleForms &forms, const icu::Locale &locale) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberingSystem> system(icu::NumberingSystem::createInstance(locale, status));
  if (U_FAILURE(status) || !system || system->isAlgorithmic() || system->getRadix() != 10) return;
  const icu::UnicodeString digits = system->getDescription();
  if (digits.countChar32() != 10 || digits == icu::UnicodeString(u"0123456789")) return;
  // Only a run of ten digits is the locale's: the one digit table knows it.
  const UChar32 zero = digits.char32At(0);
  if (reading::digit_value(static_cast<char32_t>(zero)) != 0) return;
  for (int32_t i = 0, k = 0; k < 10; ++k, i = digits.moveIndex32(i, 1)) {
    if (digits.char32At(i) != zero + k) return;
  }
  forms.digit_zero = static_cast<char32_t>(zero);
}

// The text between a date and a time in a combined pattern, given the two.
std::optional<Glue> glue_of(const icu::UnicodeString &combined, const icu::UnicodeString &date,
                            const icu::UnicodeString &time) {
  const int32_t d = combined.indexOf(date), t = combined.indexOf(time);
  if (d < 0 || t < 0) return std::nullopt;
  Glue glue;
  glue.time_first = t < d;
  const int32_t from = glue.time_first ? t + time.length() : d + date.length();
  const int32_t to = glue.time_first ? d : t;
  if (to < from) return std::nullopt;
  if (to == from) return glue;
  std::optional<Form> between = compile(combined.tempSubStringBetween(from, to));
  if (!between ||
      has_field(*between, {Field::kYear, Field::kMonth, Field::kMonthName, Field::kDay, Field::kWeekday,
                           Field::kHour23, Field::kHour24, Field::kHour12, Field::kHour11, Field::kMinute,
                           Field::kSecond, Field::kFraction, Field::kDayPeriod})) {
    return std::nullopt;
  }
  glue.between = std::move(*between);
  return glue;
}

std::unique_ptr<LocaleForms> build(const std::string &name) {
  const icu::Locale locale = icu::Locale::createFromName((name + "@calendar=gregorian").c_str());
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(locale, status);
  std::unique_ptr<icu::DateTimePatternGenerator> generator(
      icu::DateTimePatternGenerator::createInstance(locale, status));
  if (U_FAILURE(status) || !generator) return nullptr;
  auto forms = std::make_unique<LocaleForms>();
  using icu::DateFormat;
  constexpr DateFormat::EStyle kDateStyles[] = {DateFormat::kShort, DateFormat::kMedium, DateFormat::kLong,
                                                DateFormat::kFull};
  constexpr DateFormat::EStyle kTimeStyles[] = {DateFormat::kShort, DateFormat::kMedium};
  auto add_form = [](std::vector<Form> &list, const icu::UnicodeString &pattern) {
    if (std::optional<Form> form = compile(pattern)) add_unique(list, std::move(*form));
  };

  std::vector<icu::UnicodeString> date_patterns, time_patterns;
  for (const DateFormat::EStyle style : kDateStyles) {
    date_patterns.push_back(cldr::style_pattern(DateFormat::createDateInstance(style, locale)));
  }
  for (const char16_t *skeleton : {u"yMd", u"yMMMd", u"yMMMMd", u"yMEd", u"yMMMEd", u"yMMMMEEEEd"}) {
    date_patterns.push_back(cldr::best_pattern(*generator, skeleton));
  }
  for (const DateFormat::EStyle style : kTimeStyles) {
    time_patterns.push_back(cldr::style_pattern(DateFormat::createTimeInstance(style, locale)));
  }
  for (const char16_t *skeleton : {u"Hm", u"Hms", u"hm", u"hms"})
    time_patterns.push_back(cldr::best_pattern(*generator, skeleton));
  for (const icu::UnicodeString &p : date_patterns) add_form(forms->dates, p);
  for (const icu::UnicodeString &p : time_patterns) add_form(forms->times, p);

  // How the locale joins a date and a time in each style, then a blank alone.
  for (size_t d = 0; d < std::size(kDateStyles); ++d) {
    for (size_t t = 0; t < std::size(kTimeStyles); ++t) {
      const icu::UnicodeString combined =
          cldr::style_pattern(DateFormat::createDateTimeInstance(kDateStyles[d], kTimeStyles[t], locale));
      const icu::UnicodeString time =
          cldr::style_pattern(DateFormat::createTimeInstance(kTimeStyles[t], locale));
      if (std::optional<Glue> glue = glue_of(combined, date_patterns[d], time))
        add_unique(forms->glues, *glue);
    }
  }
  for (int style = UDAT_FULL; style <= UDAT_SHORT; ++style) {
    UErrorCode s = U_ZERO_ERROR;
    const icu::UnicodeString glue = generator->getDateTimeFormat(static_cast<UDateFormatStyle>(style), s);
    if (U_FAILURE(s)) continue;
    const icu::UnicodeString combined = cldr::join_date_time(glue, u"\uE001", u"\uE000");
    if (std::optional<Glue> g = glue_of(combined, u"\uE001", u"\uE000")) add_unique(forms->glues, *g);
  }
  Glue blank;
  blank.between.push_back(Token{Field::kLiteral, " ", false});
  add_unique(forms->glues, blank);
  blank.time_first = true;
  add_unique(forms->glues, blank);

  add_digits(*forms, locale);
  add_names(*forms, locale, symbols);
  add_periods(*forms, locale);
  forms->months.seal();
  forms->weekdays.seal();
  forms->periods.seal();
  forms->eras.seal();
  return forms;
}

// ---------------------------------------------------------------------------
// Reading

// What a form has read so far.
struct Parts {
  int year = 0, month = 0, day = 0, weekday = 0;
  int hour = -1, minute = 0, second = 0;
  bool two_digit_year = false;
  Field hour_field = Field::kHour23;
  uint32_t period = 0;  // hours the day period stands for; 0: none read
  double fraction = 0;
};

// A literal at pos: its words in order, blanks around and between them
// optional (one needed where needs_blank); the end, or npos.
size_t literal_end(const Token &t, std::string_view s, size_t pos) {
  const size_t start = pos;
  const std::string &lit = t.text;
  size_t k = 0;
  while (k < lit.size()) {
    if (lit[k] == ' ') {
      ++k;
      continue;
    }
    while (pos < s.size() && s[pos] == ' ') ++pos;
    if (pos >= s.size() || ascii_lower(s[pos]) != lit[k]) return std::string_view::npos;
    ++pos;
    ++k;
  }
  while (pos < s.size() && s[pos] == ' ') ++pos;
  if (t.needs_blank && pos == start) return std::string_view::npos;
  return pos;
}

class Matcher {
 public:
  Matcher(const LocaleForms &forms, std::string_view s) : forms_(forms), s_(s) {}

  // Matches tokens [t, end) at pos, then calls done(pos, parts).
  template <class Done>
  bool match(const Token *t, const Token *end, size_t pos, const Parts &p, const Done &done) const {
    if (t == end) return done(pos, p);
    const Token *next = t + 1;
    auto number = [&](std::initializer_list<int> counts, auto set) {
      for (const int count : counts) {
        int v = 0;
        if (!digits_at(s_, pos, count, &v)) continue;
        Parts q = p;
        set(q, v, count);
        if (match(next, end, pos + static_cast<size_t>(count), q, done)) return true;
      }
      return false;
    };
    switch (t->field) {
      case Field::kLiteral: {
        const size_t e = literal_end(*t, s_, pos);
        return e != std::string_view::npos && match(next, end, e, p, done);
      }
      case Field::kYear:
        return number({4, 2}, [](Parts &q, int v, int count) {
          q.year = v;
          q.two_digit_year = count == 2;
        });
      case Field::kMonth: return number({2, 1}, [](Parts &q, int v, int) { q.month = v; });
      case Field::kDay: return number({2, 1}, [](Parts &q, int v, int) { q.day = v; });
      case Field::kHour23:
      case Field::kHour24:
      case Field::kHour12:
      case Field::kHour11: {
        const Field f = t->field;
        return number({2, 1}, [f](Parts &q, int v, int) {
          q.hour = v;
          q.hour_field = f;
        });
      }
      case Field::kMinute: return number({2, 1}, [](Parts &q, int v, int) { q.minute = v; });
      case Field::kSecond: return number({2, 1}, [](Parts &q, int v, int) { q.second = v; });
      case Field::kFraction: {
        size_t e = pos;
        double fraction = 0, scale = 0.1;
        for (; e < s_.size() && s_[e] >= '0' && s_[e] <= '9'; ++e, scale /= 10)
          fraction += (s_[e] - '0') * scale;
        if (e == pos) return false;
        Parts q = p;
        q.fraction = fraction;
        return match(next, end, e, q, done);
      }
      case Field::kMonthName:
        return forms_.months.each_match(s_, pos, [&](size_t e, uint32_t v) {
          Parts q = p;
          q.month = static_cast<int>(v);
          return match(next, end, e, q, done);
        });
      case Field::kWeekday:
        return forms_.weekdays.each_match(s_, pos, [&](size_t e, uint32_t v) {
          Parts q = p;
          q.weekday = static_cast<int>(v);
          return match(next, end, e, q, done);
        });
      case Field::kEra:
        return forms_.eras.each_match(s_, pos,
                                      [&](size_t e, uint32_t) { return match(next, end, e, p, done); });
      case Field::kDayPeriod:
        return forms_.periods.each_match(s_, pos, [&](size_t e, uint32_t v) {
          Parts q = p;
          q.period = v;
          return match(next, end, e, q, done);
        });
    }
    return false;
  }

  template <class Done>
  bool match(const Form &form, size_t pos, const Parts &p, const Done &done) const {
    return match(form.data(), form.data() + form.size(), pos, p, done);
  }

  size_t size() const { return s_.size(); }

 private:
  const LocaleForms &forms_;
  std::string_view s_;
};

// The date the parts name, checked: day of the month, weekday, year.
bool date_of(const Parts &p, int first_year, int64_t *days) {
  const int64_t year = p.two_digit_year ? civil::year_in_window(p.year, first_year) : p.year;
  if (p.month < 1 || p.month > 12 || p.day < 1 || p.day > civil::days_in_month(year, p.month)) return false;
  *days = civil::days_from_civil(year, p.month, p.day);
  return p.weekday == 0 || p.weekday == civil::weekday(*days);
}

// The seconds of the day the parts name: the hour by its field and day period.
bool seconds_of(const Parts &p, double *seconds) {
  int hour = p.hour;
  switch (p.hour_field) {
    case Field::kHour23:
      if (hour > 23) return false;
      break;
    case Field::kHour24:
      if (hour < 1 || hour > 24) return false;
      hour %= 24;
      break;
    case Field::kHour12:
    case Field::kHour11: {
      if (p.hour_field == Field::kHour12 ? hour < 1 || hour > 12 : hour > 11) return false;
      const int morning = hour % 12;  // [0, 11]
      const bool am = (p.period & (1u << morning)) != 0;
      const bool pm = (p.period & (1u << (morning + 12))) != 0;
      if (am == pm) return false;  // no period, or one that does not settle it
      hour = am ? morning : morning + 12;
      break;
    }
    default: return false;
  }
  if (p.period != 0 && (p.period & (1u << hour)) == 0) return false;
  if (hour < 0 || p.minute > 59 || p.second > 59) return false;
  *seconds = hour * 3600 + p.minute * 60 + p.second + p.fraction;
  return true;
}

// The locale's digits as ASCII digits, into scratch; text itself when it has none.
std::string_view latin_digits(const LocaleForms &forms, std::string_view text, std::string &scratch) {
  if (forms.digit_zero == 0 || ascii_prefix(text) == text.size()) return text;
  scratch.clear();
  for (size_t i = 0; i < text.size();) {
    const CodePoint c = decode_utf8(text, i);
    const int digit = c.length > 1 ? reading::digit_value(c.value) : -1;
    if (digit >= 0 && c.value - static_cast<char32_t>(digit) == forms.digit_zero) {
      scratch += static_cast<char>('0' + digit);
    } else {
      scratch.append(text, i, c.length);
    }
    i += c.length;
  }
  return scratch;
}

}  // namespace

const LocaleForms *forms_of(const Locale &locale) {
  struct Last {
    const Locale *locale = nullptr;
    std::string name;
    const LocaleForms *forms = nullptr;
  };
  thread_local Last last;
  if (last.locale == &locale && last.name == locale.name()) return last.forms;

  // Built once per name, never freed: readers on any thread keep plain pointers.
  static std::mutex mutex;
  static auto *built = new std::map<std::string, std::unique_ptr<LocaleForms>>;
  const LocaleForms *forms = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = built->find(locale.name());
    if (it == built->end()) {
      std::unique_ptr<LocaleForms> made;
      if (icu_offers_locale(locale.name())) made = build(locale.name());
      it = built->emplace(locale.name(), std::move(made)).first;
    }
    forms = it->second.get();
  }
  last = {&locale, locale.name(), forms};
  return forms;
}

bool read_locale(const LocaleForms &forms, ValueKind kind, std::string_view field, int first_year,
                 double *value) {
  thread_local std::string scratch;
  const Matcher m(forms, latin_digits(forms, field, scratch));
  const size_t length = m.size();
  double result = 0;
  bool found = false;
  const Parts none;
  if (kind == ValueKind::kDate) {
    auto whole_date = [&](size_t pos, const Parts &p) {
      int64_t days = 0;
      if (pos != length || !date_of(p, first_year, &days)) return false;
      result = static_cast<double>(days);
      return true;
    };
    for (size_t k = 0; !found && k < forms.dates.size(); ++k)
      found = m.match(forms.dates[k], 0, none, whole_date);
  } else {
    auto whole = [&](size_t pos, const Parts &p) {
      int64_t days = 0;
      double seconds = 0;
      if (pos != length || !date_of(p, first_year, &days) || !seconds_of(p, &seconds)) return false;
      result = static_cast<double>(days) * 86400 + seconds;
      return true;
    };
    // A date and a time in either order, joined by one of the glues.
    auto then = [&](const std::vector<Form> &second, bool time_first) {
      return [&, time_first](size_t pos, const Parts &p) {
        auto after_glue = [&](size_t e, const Parts &q) {
          for (const Form &form : second) {
            if (m.match(form, e, q, whole)) return true;
          }
          return false;
        };
        for (const Glue &glue : forms.glues) {
          if (glue.time_first == time_first && m.match(glue.between, pos, p, after_glue)) return true;
        }
        return false;
      };
    };
    const auto after_date = then(forms.times, false);
    const auto after_time = then(forms.dates, true);
    for (size_t k = 0; !found && k < forms.dates.size(); ++k)
      found = m.match(forms.dates[k], 0, none, after_date);
    for (size_t k = 0; !found && k < forms.times.size(); ++k)
      found = m.match(forms.times[k], 0, none, after_time);
  }
  if (!found || !in_range(kind, result)) return false;
  *value = result;
  return true;
}

// ---------------------------------------------------------------------------
// Users' patterns

class UserForm {
 public:
  Form form;
  ValueKind kind = ValueKind::kDate;
};

namespace {

// The CLDR field a directive of the module's language stands for.
const char16_t *cldr_field(char directive) {
  switch (directive) {
    case 'd':
    case 'e': return u"d";
    case 'm': return u"M";
    case 'Y': return u"y";
    case 'y': return u"yy";
    case 'b':
    case 'h': return u"MMM";
    case 'B':
    case 'C': return u"MMMM";
    case 'a': return u"EEE";
    case 'A':
    case 'F': return u"EEEE";
    case 'H': return u"H";
    case 'I': return u"h";
    case 'M': return u"m";
    case 'S': return u"s";
    case 'P':
    case 'p': return u"a";
    default: return nullptr;
  }
}

}  // namespace

std::shared_ptr<const UserForm> user_form(std::string_view pattern, ValueKind kind, std::string *error) {
  // As a CLDR pattern, so that one compiler reads both: runs of letters
  // quoted, a quote doubled, everything else as it is.
  icu::UnicodeString cldr, literal;
  auto flush = [&] {
    bool quoted = false;
    for (int32_t k = 0; k < literal.length(); ++k) {
      const char16_t c = literal.charAt(k);
      const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
      if (letter != quoted) {
        cldr += u'\'';
        quoted = letter;
      }
      if (c == u'\'') {
        cldr += u"''";
      } else {
        cldr += c;
      }
    }
    if (quoted) cldr += u'\'';
    literal.remove();
  };
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') {
      size_t end = i;
      while (end < pattern.size() && pattern[end] != '%') ++end;
      literal +=
          icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data() + i, static_cast<int32_t>(end - i)));
      i = end - 1;
      continue;
    }
    if (i + 1 == pattern.size()) {
      *error = "a pattern cannot end in a lone %";
      return nullptr;
    }
    const char directive = pattern[++i];
    if (directive == '%') {
      literal += u'%';
      continue;
    }
    const char16_t *field = cldr_field(directive);
    if (field == nullptr) {
      *error = std::string("a form: pattern does not read %") + directive +
               " (it reads %d %m %Y %y %b %B %a %A %H %I %M %S %P and %%)";
      return nullptr;
    }
    flush();
    cldr += field;
  }
  flush();
  std::optional<Form> form = compile(cldr);
  if (!form) {
    *error = "a form: pattern needs at least one directive";
    return nullptr;
  }
  const bool date = has_field(*form, {Field::kYear}) &&
                    has_field(*form, {Field::kMonth, Field::kMonthName}) && has_field(*form, {Field::kDay});
  const bool any_date =
      has_field(*form, {Field::kYear, Field::kMonth, Field::kMonthName, Field::kDay, Field::kWeekday});
  const bool clock = has_field(*form, {Field::kHour23, Field::kHour12});
  const bool any_clock =
      has_field(*form, {Field::kHour23, Field::kHour12, Field::kMinute, Field::kSecond, Field::kDayPeriod});
  const bool fits = kind == ValueKind::kDate       ? date && !any_clock
                    : kind == ValueKind::kDatetime ? date && clock
                    : kind == ValueKind::kTime     ? clock && !any_date
                                                   : false;
  if (has_field(*form, {Field::kHour12}) && !has_field(*form, {Field::kDayPeriod})) {
    *error = "%I needs %P: a 12-hour clock without AM or PM is not one time";
    return nullptr;
  }
  if (!fits) {
    *error = kind == ValueKind::kDate ? "a date form needs %Y or %y, %m or a month name, and %d, and no clock"
             : kind == ValueKind::kDatetime ? "a datetime form needs a year, a month, a day and an hour"
             : kind == ValueKind::kTime     ? "a time form needs %H or %I, and no date"
                                            : "a form reads dates, datetimes and times only";
    return nullptr;
  }
  auto made = std::make_shared<UserForm>();
  made->form = std::move(*form);
  made->kind = kind;
  return made;
}

bool read_user_form(const LocaleForms &forms, const UserForm &form, std::string_view field, int first_year,
                    double *value) {
  thread_local std::string scratch;
  const Matcher m(forms, latin_digits(forms, field, scratch));
  const size_t length = m.size();
  double result = 0;
  auto whole = [&](size_t pos, const Parts &p) {
    if (pos != length) return false;
    int64_t days = 0;
    double seconds = 0;
    if (form.kind != ValueKind::kTime && !date_of(p, first_year, &days)) return false;
    if (form.kind != ValueKind::kDate && !seconds_of(p, &seconds)) return false;
    result = form.kind == ValueKind::kDate   ? static_cast<double>(days)
             : form.kind == ValueKind::kTime ? seconds
                                             : static_cast<double>(days) * 86400 + seconds;
    return true;
  };
  if (!m.match(form.form, 0, Parts{}, whole)) return false;
  if (form.kind != ValueKind::kTime && !in_range(form.kind, result)) return false;
  *value = result;
  return true;
}

}  // namespace nlhost::lenient
