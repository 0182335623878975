// The pattern reader: walks a locale date, datetime or time pattern and a
// field of text side by side, reads each directive's fixed-width field, and
// assembles a date through the host calendar and a time of day in seconds.
#include <cstring>

#include "entry_text.h"
#include "tovzklocale.h"

namespace {

enum Result : int32_t {
  kRead = 0,        // text read; date (unless a time pattern) and time stored
  kMismatch = 1,    // a literal byte differs, or the date is incomplete or invalid
  kBadField = 2,    // bad directive, unreadable field, name or designator
  kNoTimeItem = -1  // the locale lacks item 35 or 36
};

// What a directive letter (upper case, after the alternate M became N) reads.
enum class Action : uint8_t {
  kBad,
  kWeekdayName,    // A: first match
  kWeekdayPadded,  // F: last match, longest width
  kMonthName,      // B: first match
  kMonthPadded,    // C: last match, longest width
  kDay,            // D, E
  kMonth,          // N, O
  kMinute,         // M
  kHour,           // H
  kHour12,         // I
  kSecond,         // S
  kDesignator,     // P
  kYear,           // Y
  kSkipByte,       // U, V, W
  kNothing         // Z
};

constexpr Action kActions[26] = {
    Action::kWeekdayName,    // A
    Action::kMonthName,      // B
    Action::kMonthPadded,    // C
    Action::kDay,            // D
    Action::kDay,            // E
    Action::kWeekdayPadded,  // F
    Action::kBad,            // G
    Action::kHour,           // H
    Action::kHour12,         // I
    Action::kBad,            // J
    Action::kBad,            // K
    Action::kBad,            // L
    Action::kMinute,         // M
    Action::kMonth,          // N
    Action::kMonth,          // O
    Action::kDesignator,     // P
    Action::kBad,            // Q
    Action::kBad,            // R
    Action::kSecond,         // S
    Action::kBad,            // T
    Action::kSkipByte,       // U
    Action::kSkipByte,       // V
    Action::kSkipByte,       // W
    Action::kBad,            // X
    Action::kYear,           // Y
    Action::kNothing,        // Z
};
static_assert(sizeof kActions / sizeof kActions[0] == 'Z' - 'A' + 1);

constexpr Action action_of(unsigned char letter) {
  if (letter < 'A' || letter > 'Z') return Action::kBad;
  return kActions[letter - 'A'];
}

constexpr int kMonths = 12;
constexpr int kWeekdays = 7;
constexpr int32_t kNoon = 12 * 3600;
constexpr int32_t kOneOClock = 13 * 3600;
constexpr int32_t kFirstGregorianYear = 1582;
constexpr int32_t kLastYear = 20000;

struct Fields {
  int32_t year = 0, month = 0, day = 0;
  int32_t hour = 0, minute = 0, second = 0;
  bool twelve_hour = false, pm = false, time_seen = false;
};

class Scanner {
 public:
  Scanner(void *locale, const char *text, int32_t text_length, const char *pattern, int32_t pattern_length)
      : locale_(locale),
        text_(reinterpret_cast<const unsigned char *>(text)),
        tlen_(text_length),
        pat_(reinterpret_cast<const unsigned char *>(pattern)),
        plen_(pattern_length) {
    desc_.capacity = static_cast<int16_t>(plen_);
    desc_.length = static_cast<int16_t>(plen_);
    desc_.text = pattern;
    query(0);  // prepares the descriptor; its answer is not used
  }

  // Scans to the end of pattern or text; kRead, or the result that ends the call.
  int32_t scan();
  const Fields &fields() const { return f_; }

 private:
  int32_t query(int32_t offset) {
    if (desc_.length == 0 || desc_.length < offset) return 1;
    return wzsxoff(&desc_, offset);
  }

  // A "%" the host reports as a character of its own: a directive or "%%".
  bool is_percent(int32_t p) {
    if (pat_[p] != '%') return false;
    const int32_t answer = (desc_.last_offset == p && desc_.last_length != 0) ? desc_.last_length : query(p);
    return answer == 1;
  }

  int32_t literal_run(bool *done);
  int32_t directive();
  int32_t number(int32_t *value);
  int32_t name(int32_t first_item, int count, bool padded, int32_t *position);
  int32_t designator();

  void *locale_;
  const unsigned char *text_;
  int32_t tlen_;
  const unsigned char *pat_;
  int32_t plen_;
  uwn_text_descriptor desc_{};
  int32_t p_ = 0, t_ = 0;
  Fields f_;
};

int32_t Scanner::scan() {
  while (p_ < plen_ && t_ < tlen_) {
    // A pattern blank meeting a non-blank is skipped without consuming text.
    if (pat_[p_] == ' ' && text_[t_] != ' ') {
      ++p_;
      continue;
    }
    if (is_percent(p_) && !(p_ + 1 < plen_ && pat_[p_ + 1] == '%')) {
      const int32_t rc = directive();
      if (rc != kRead) return rc;
      continue;
    }
    bool done = false;
    const int32_t rc = literal_run(&done);
    if (rc != kRead || done) return rc;
  }
  return kRead;
}

// Compares pattern and text byte by byte until a directive; *done when pattern
// or text ends inside the run.
int32_t Scanner::literal_run(bool *done) {
  for (;;) {
    if (is_percent(p_)) {
      if (p_ + 1 < plen_ && pat_[p_ + 1] == '%') {
        ++p_;  // "%%" stands for one "%"
      } else {
        return kRead;  // a directive: back to the scan loop
      }
    }
    if (t_ >= tlen_) break;
    if (pat_[p_] != text_[t_]) return kMismatch;
    ++p_;
    ++t_;
    if (p_ >= plen_) break;
  }
  *done = true;
  return kRead;
}

int32_t Scanner::number(int32_t *value) {
  const int32_t v = s2i_fixlen(reinterpret_cast<const char *>(text_ + t_), tlen_ - t_);
  if (v < 0) return kBadField;
  *value = v;
  t_ += 2;
  return kRead;
}

// Matches a name of the array at first_item; *position is 1-based.  Padded
// names (C, F) take the last match and the width of the longest name.
int32_t Scanner::name(int32_t first_item, int count, bool padded, int32_t *position) {
  const uwn_locale_entry *first = nullptr;
  if (wzsxglc(locale_, first_item, &first) != 0 || first == nullptr) return kBadField;
  const int32_t rest = tlen_ - t_;
  int32_t found = 0, found_length = 0, longest = 0;
  for (int k = 0; k < count; ++k) {
    const uwn_locale_entry *e = uwn::entry_at(first, k);
    const int32_t length = uwn::entry_text_length(e);
    if (length > longest) longest = length;
    if (found != 0 && !padded) continue;
    if (length <= rest && std::memcmp(text_ + t_, e->text, static_cast<size_t>(length)) == 0) {
      found = k + 1;
      found_length = length;
    }
  }
  if (found == 0) return kBadField;
  const int32_t step = padded ? longest : found_length;
  t_ = step > rest ? tlen_ : t_ + step;
  *position = found;
  return kRead;
}

int32_t Scanner::designator() {
  const uwn_locale_entry *am = nullptr;
  const uwn_locale_entry *pm = nullptr;
  const bool have_am = wzsxglc(locale_, UWN_ITEM_AM, &am) == 0 && am != nullptr;
  const bool have_pm = wzsxglc(locale_, UWN_ITEM_PM, &pm) == 0 && pm != nullptr;
  const int32_t rest = tlen_ - t_;
  if (have_am && have_pm) {
    const uwn_locale_entry *const designators[] = {am, pm};
    for (const uwn_locale_entry *e : designators) {
      const int32_t length = uwn::entry_text_length(e);
      if (length <= rest && std::memcmp(text_ + t_, e->text, static_cast<size_t>(length)) == 0) {
        f_.pm = e == pm;
        t_ += length;
        return kRead;
      }
    }
    return kBadField;
  }
  // Without the locale's designators: AM or PM in either case.
  if (rest < 2) return kBadField;
  const unsigned char a = text_[t_], m = text_[t_ + 1];
  if (m != 'm' && m != 'M') return kBadField;
  if (a == 'a' || a == 'A') {
    f_.pm = false;
  } else if (a == 'p' || a == 'P') {
    f_.pm = true;
  } else {
    return kBadField;
  }
  t_ += 2;
  return kRead;
}

int32_t Scanner::directive() {
  if (p_ + 1 >= plen_) return kBadField;
  unsigned char letter = pat_[p_ + 1];
  bool alternate;
  if (letter == '?') {
    if (p_ + 2 >= plen_) return kBadField;
    letter = pat_[p_ + 2];
    alternate = true;
    p_ += 3;
  } else {
    alternate = uwn::is_lower(letter);
    p_ += 2;
  }
  letter = uwn::to_upper(letter);
  if (alternate && letter == 'M') letter = 'N';

  int32_t value = 0;
  switch (action_of(letter)) {
    case Action::kBad: return kBadField;
    case Action::kWeekdayName:
      return name(alternate ? UWN_ITEM_WEEKDAY_ABBR : UWN_ITEM_WEEKDAY, kWeekdays, false, &value);
    case Action::kWeekdayPadded: return name(UWN_ITEM_WEEKDAY, kWeekdays, true, &value);
    case Action::kMonthName:
      return name(alternate ? UWN_ITEM_MONTH_ABBR : UWN_ITEM_MONTH, kMonths, false, &f_.month);
    case Action::kMonthPadded: return name(UWN_ITEM_MONTH, kMonths, true, &f_.month);
    case Action::kDay: return number(&f_.day);
    case Action::kMonth: return number(&f_.month);
    case Action::kMinute: f_.time_seen = true; return number(&f_.minute);
    case Action::kHour: f_.time_seen = true; return number(&f_.hour);
    case Action::kHour12:
      f_.twelve_hour = true;
      f_.time_seen = true;
      return number(&f_.hour);
    case Action::kSecond: f_.time_seen = true; return number(&f_.second);
    case Action::kDesignator: return designator();
    case Action::kYear: {
      int32_t century = 0, year = 0;
      if (!alternate && number(&century) != kRead) return kBadField;
      if (number(&year) != kRead) return kBadField;
      f_.year = 100 * century + year;  // [0, 9999]
      return kRead;
    }
    case Action::kSkipByte: ++t_; return kRead;
    case Action::kNothing: return kRead;
  }
  return kBadField;
}

// The pattern equals one of the locale's time patterns: a prefix of the item
// text, the pattern's trailing blanks matching nothing or blanks.
bool matches_time_item(const char *pattern, int32_t pattern_length, const uwn_locale_entry *item) {
  const int32_t item_length = uwn::entry_text_length(item);
  const int32_t compared = item_length < pattern_length ? item_length : pattern_length;
  // Date patterns part from the time patterns within two bytes ("%d" against
  // "%H"): settle that here and leave the full comparison to the rest.
  for (int32_t i = 0; i < compared && i < 2; ++i)
    if (pattern[i] != item->text[i]) return false;
  return wzstcom(pattern, pattern_length, item->text, compared) == 0;
}

}  // namespace

extern "C" int32_t s2i_fixlen(const char *field, int32_t available) {
  if (field == nullptr || available < 2) return -1;
  const auto first = static_cast<unsigned char>(field[0]);
  const auto second = static_cast<unsigned char>(field[1]);
  if (!uwn::is_digit(second)) return -1;
  // Any non-digit before the second digit is a filler: " 7", "+7" and "x7" read 7.
  return uwn::is_digit(first) ? 10 * (first - '0') + (second - '0') : second - '0';
}

extern "C" int32_t getdate_fixlen(void *locale, const char *text, int32_t text_length, const char *pattern,
                                  int32_t pattern_length, double *date_out, double *time_out) {
  if (text == nullptr || text_length < 0) text_length = 0;
  if (pattern == nullptr || pattern_length < 0) pattern_length = 0;
  // The host's text descriptor holds 16-bit lengths: a longer pattern would wrap.
  if (pattern_length > UWN_DESCRIPTOR_MAX) return kBadField;

  Scanner scanner(locale, text, text_length, pattern, pattern_length);
  const int32_t scanned = scanner.scan();
  if (scanned != kRead) return scanned;
  const Fields &f = scanner.fields();

  const uwn_locale_entry *time_2 = nullptr;
  const uwn_locale_entry *time_1 = nullptr;
  const bool have_2 = wzsxglc(locale, UWN_ITEM_TIME_2, &time_2) == 0 && time_2 != nullptr;
  const bool have_1 = wzsxglc(locale, UWN_ITEM_TIME_1, &time_1) == 0 && time_1 != nullptr;
  if (!have_1 || !have_2) return kNoTimeItem;

  const bool time_pattern = matches_time_item(pattern, pattern_length, time_2) ||
                            matches_time_item(pattern, pattern_length, time_1);
  if (!time_pattern) {
    if (f.year == 0 || f.month == 0 || f.day == 0) return kMismatch;
    if ((f.year > 99 && f.year < kFirstGregorianYear) || f.year > kLastYear) return kMismatch;
    if (f.month > 12 || f.day > 31) return kMismatch;
    // A two-digit year goes to the host as read: its calendar picks the century.
    const double date = zmdy(f.month, f.day, f.year);
    *date_out = date;
    if (wzmis(date)) return kMismatch;
  }

  if (f.hour == 0 && f.minute == 0 && f.second == 0 && !f.time_seen) return kRead;
  double seconds = (static_cast<double>(f.hour) * 60 + f.minute) * 60 + f.second;  // [0, 362439]
  if (f.twelve_hour) {
    if (f.pm && seconds < kNoon) {
      seconds += kNoon;
    } else if (!f.pm && seconds >= kNoon && seconds < kOneOClock) {
      seconds -= kNoon;  // 12 in the morning is hour 0
    }
  }
  *time_out = seconds;
  return kRead;
}
