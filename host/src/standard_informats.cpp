// The host's standard informats DATE, DATETIME, WEEKDATE, TWNDY and DATEAMPM.
// Each reads, in order, its classic English form (lenient as to separators
// and case), ISO 8601, and the current locale's own forms; always the whole
// field (blanks aside) or nothing.  Each reads block->text over
// block->text_length, stores the value through block->result and returns 0,
// or returns 1 and stores nothing.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "lenient/lenient.h"
#include "nlhost/civil.h"
#include "nlhost/host.h"
#include "nlhost/reading.h"

namespace nlhost {

namespace {

constexpr int64_t date_value(int64_t y, int m, int d) { return civil::days_from_civil(y, m, d); }

constexpr std::string_view kMonths[] = {"january",   "february", "march",    "april",
                                        "may",       "june",     "july",     "august",
                                        "september", "october",  "november", "december"};
constexpr std::string_view kWeekdays[] = {"sunday",   "monday", "tuesday", "wednesday",
                                          "thursday", "friday", "saturday"};

constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr bool is_letter(char c) { return lower(c) >= 'a' && lower(c) <= 'z'; }
constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A word names an entry when it is the entry's first three letters or the
// whole entry, in any case; the entry's 1-based position, or 0.
template <size_t N>
int name_position(std::string_view word, const std::string_view (&names)[N]) {
  for (size_t k = 0; k < N; ++k) {
    const std::string_view name = names[k];
    if (word.size() != 3 && word.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < word.size() && same; ++i) same = lower(word[i]) == name[i];
    if (same) return static_cast<int>(k + 1);
  }
  return 0;
}

struct Date {
  int year = 0, month = 0, day = 0;
  int weekday = 0;  // 1 = Sunday .. 7, when the text names one
};

class Reader {
 public:
  Reader(std::string_view text, int year_window) : s_(text), window_(year_window) {}

  bool at_end() const { return i_ >= s_.size(); }
  char peek() const { return at_end() ? '\0' : s_[i_]; }
  void skip_blanks() {
    while (!at_end() && s_[i_] == ' ') ++i_;
  }
  // Any run of blanks and the separators given.
  void skip_separators(std::string_view separators) {
    while (!at_end() && (s_[i_] == ' ' || separators.find(s_[i_]) != std::string_view::npos)) ++i_;
  }
  bool take(char c) {
    if (at_end() || lower(s_[i_]) != lower(c)) return false;
    ++i_;
    return true;
  }
  bool finished() {
    skip_blanks();
    return at_end();
  }

  // Up to max digits; the count read (0 when none).
  int digits(int max, int *value) {
    int count = 0;
    *value = 0;
    while (count < max && !at_end() && is_digit(s_[i_])) {
      *value = *value * 10 + (s_[i_++] - '0');
      ++count;
    }
    return count;
  }

  std::string_view word() {
    const size_t start = i_;
    while (!at_end() && is_letter(s_[i_])) ++i_;
    return s_.substr(start, i_ - start);
  }

  // Two or four digits; two-digit years through the year window.
  bool year(int *y) {
    int value = 0;
    const int count = digits(4, &value);
    if (count == 4) {
      *y = value;
    } else if (count == 2) {
      *y = static_cast<int>(civil::year_in_window(value, window_));
    } else {
      return false;
    }
    return true;
  }

  bool month_name(int *m) {
    *m = name_position(word(), kMonths);
    return *m != 0;
  }

  bool day(int *d) { return digits(2, d) > 0; }

  // day month year: "07DEC2026", "7-Dec-2026", "07 dec 26".
  bool day_month_year(Date *date) {
    skip_blanks();
    if (!day(&date->day)) return false;
    skip_separators("-/.,");
    if (!month_name(&date->month)) return false;
    skip_separators("-/.,");
    return year(&date->year);
  }

  // [weekday,] month day, year  or  [weekday,] day month year.
  bool weekday_date(Date *date) {
    skip_blanks();
    if (is_letter(peek())) {
      const size_t mark = i_;
      date->weekday = name_position(word(), kWeekdays);
      if (date->weekday == 0) i_ = mark;  // no weekday: the month comes first
      skip_separators(",.");
    }
    if (is_letter(peek())) {
      if (!month_name(&date->month)) return false;
      skip_separators("-/.,");
      if (!day(&date->day)) return false;
    } else {
      if (!day(&date->day)) return false;
      skip_separators("-/.,");
      if (!month_name(&date->month)) return false;
    }
    skip_separators("-/.,");
    return year(&date->year);
  }

  // h:mm[:ss[.fff]]; hour and minute and second as read, unchecked.
  bool clock(int *hour, int *minute, double *second) {
    skip_blanks();
    if (digits(2, hour) == 0) return false;
    if (!take(':') || digits(2, minute) != 2) return false;
    *second = 0;
    if (take(':')) {
      int whole = 0;
      if (digits(2, &whole) != 2) return false;
      *second = whole;
      if (take('.')) {
        double scale = 0.1;
        while (!at_end() && is_digit(peek())) {
          *second += (s_[i_++] - '0') * scale;
          scale /= 10;
        }
      }
    }
    return true;
  }

  // An optional AM or PM: 0 none, 1 AM, 2 PM.
  int meridiem() {
    skip_blanks();
    if (s_.size() - i_ < 2) return 0;
    const char c = lower(s_[i_]);
    if ((c != 'a' && c != 'p') || lower(s_[i_ + 1]) != 'm') return 0;
    if (i_ + 2 < s_.size() && is_letter(s_[i_ + 2])) return 0;  // a word that only begins with am or pm
    i_ += 2;
    return c == 'a' ? 1 : 2;
  }

 private:
  std::string_view s_;
  size_t i_ = 0;
  int window_;
};

bool valid(const Date &d) {
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > civil::days_in_month(d.year, d.month)) return false;
  const int64_t days = date_value(d.year, d.month, d.day);
  return lenient::in_range(ValueKind::kDate, static_cast<double>(days)) &&
         (d.weekday == 0 || d.weekday == civil::weekday(days));
}

// Seconds of the day from a clock reading and its AM/PM (0: none, 24-hour).
bool day_seconds(int hour, int minute, double second, int meridiem, double *out) {
  if (minute > 59 || second >= 60) return false;
  if (meridiem != 0) {
    if (hour < 1 || hour > 12) return false;
    hour = hour % 12 + (meridiem == 2 ? 12 : 0);
  } else if (hour > 23) {
    return false;
  }
  *out = (hour * 60 + minute) * 60 + second;
  return true;
}

enum class Form { kDate, kDatetime, kWeekdate, kTwndy, kDateampm };

bool read_classic(Form form, std::string_view text, int window, double *value) {
  Reader r(text, window);
  Date date;
  int hour = 0, minute = 0, meridiem = 0;
  double second = 0, seconds = 0;
  switch (form) {
    case Form::kDate:
      if (!r.day_month_year(&date) || !r.finished() || !valid(date)) return false;
      *value = static_cast<double>(date_value(date.year, date.month, date.day));
      return true;
    case Form::kWeekdate:
      if (!r.weekday_date(&date) || !r.finished() || !valid(date)) return false;
      *value = static_cast<double>(date_value(date.year, date.month, date.day));
      return true;
    case Form::kDatetime:
    case Form::kDateampm:
      if (!r.day_month_year(&date)) return false;
      r.skip_separators(":");
      if (!r.clock(&hour, &minute, &second)) return false;
      if (form == Form::kDateampm) meridiem = r.meridiem();
      break;
    case Form::kTwndy:
      if (!r.clock(&hour, &minute, &second)) return false;
      meridiem = r.meridiem();
      r.skip_separators(",");
      if (!r.weekday_date(&date)) return false;
      break;
  }
  if (!r.finished() || !valid(date) || !day_seconds(hour, minute, second, meridiem, &seconds)) return false;
  *value = static_cast<double>(date_value(date.year, date.month, date.day)) * 86400 + seconds;
  return true;
}

// The classic form, then ISO 8601, then the forms of the locale in force.
bool read_value(Form form, std::string_view raw, const Host &host, double *value) {
  thread_local std::string scratch;
  const std::string_view text = trim_blanks(normalize_field(raw, scratch));
  if (text.empty()) return false;
  const int window = host.year_window();
  const ValueKind kind =
      form == Form::kDate || form == Form::kWeekdate ? ValueKind::kDate : ValueKind::kDatetime;
  const Locale *locale = host.locale_in_force();
  const lenient::LocaleForms *forms = locale != nullptr ? lenient::forms_of(*locale) : nullptr;
  double classic = 0, own = 0;
  if (read_classic(form, text, window, &classic)) {
    // English month names mean other months in some locales ("Mar" is May
    // in Teso): a field the locale reads otherwise is not read at all.
    if (forms != nullptr && lenient::read_locale(*forms, kind, text, window, &own) && own != classic)
      return false;
    *value = classic;
    return true;
  }
  if (lenient::read_iso(kind, text, value)) return true;
  return forms != nullptr && lenient::read_locale(*forms, kind, text, window, value);
}

}  // namespace

void register_standard_informats(Host &host) {
  static constexpr std::pair<const char *, Form> kInformats[] = {
      {"DATE", Form::kDate},   {"DATETIME", Form::kDatetime}, {"WEEKDATE", Form::kWeekdate},
      {"TWNDY", Form::kTwndy}, {"DATEAMPM", Form::kDateampm},
  };
  for (const auto &[name, form] : kInformats) {
    host.register_informat(name, [&host, form = form](uwn_informat_block *block) -> int32_t {
      if (block == nullptr || block->result == nullptr) return 1;
      const size_t length =
          block->text != nullptr && block->text_length > 0 ? static_cast<size_t>(block->text_length) : 0;
      double value = 0;
      if (!read_value(form, std::string_view(block->text, length), host, &value)) return 1;
      *block->result = value;
      return 0;
    });
  }
}

}  // namespace nlhost
