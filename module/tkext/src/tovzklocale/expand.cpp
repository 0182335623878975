// expand: writes a date, time or datetime by a locale pattern into a
// fixed-width field; i2s: the fixed-width number writer it shares with the
// week-date writer.
//
// The expansion is built in a 512-byte work area.  Pieces (a pattern byte, a
// whole multibyte pattern character, a name, a number) go in whole or not at
// all: once a piece would pass the area, the area keeps what it holds and
// takes nothing more, while the scan goes on to find bad directives and to
// measure.  Such an expansion counts as longer than any field (result 1, the
// field holds the area's whole characters that fit); measuring with a null
// destination gives the expansion's full length.
#include <cmath>
#include <iterator>

#include "digit_pairs.h"
#include "directives.h"
#include "entry_text.h"
#include "tovzklocale.h"
#include "whole_number.h"

namespace {

constexpr int32_t kExpansionArea = 512;
constexpr int32_t kNumberScratch = 64;  // one host-formatted int, separators included
constexpr int32_t kLongestCharacter = 8;

using uwn::Token;

// Name arrays: the first item and the number of entries.
struct NameArray {
  int32_t item;
  int32_t count;
};
constexpr NameArray kMonthAbbr{UWN_ITEM_MONTH_ABBR, 12};
constexpr NameArray kMonths{UWN_ITEM_MONTH, 12};
constexpr NameArray kWeekdayAbbr{UWN_ITEM_WEEKDAY_ABBR, 7};
constexpr NameArray kWeekdays{UWN_ITEM_WEEKDAY, 7};
constexpr NameArray kQuarterAbbr{UWN_ITEM_QUARTER_ABBR, 4};
constexpr NameArray kQuarters{UWN_ITEM_QUARTER, 4};

constexpr char kStars[] = "********";

// |value|, which fits 32 unsigned bits even for INT32_MIN.
uint32_t magnitude_of(int32_t value) {
  return value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
}

using uwn::put_two_digits;

// Truncates toward zero; NaN and values beyond 32 bits (which the entry
// points refuse before they get here) give 0 instead of an undefined conversion.
int32_t whole(double x) { return uwn::to_int32_or(x, 0); }

using uwn::entry_at;
int32_t entry_length(const uwn_locale_entry *entry) { return uwn::entry_text_length(entry); }

class WorkArea {
 public:
  // Room for an n-byte piece, or null once the area cannot take it whole.
  char *reserve(int32_t n) {
    const int32_t at = length_;
    length_ += n;
    if (length_ > limit_) {
      cut_at(at);
      return nullptr;
    }
    return bytes_ + at;
  }
  void append(const char *text, int32_t n) {
    if (char *at = reserve(n)) std::memcpy(at, text, static_cast<size_t>(n));
  }
  void append(char c) {
    if (char *at = reserve(1)) *at = c;
  }
  // A multibyte character of n bytes is about to be copied byte by byte:
  // stop storing now unless all of it fits.
  void expect(int32_t n) {
    if (length_ + n > limit_) cut_at(length_);
  }
  // The host writes the hours straight into the area; when it fills all the
  // room the number may have been cut, so the piece is measured apart.
  void host_hours(int32_t hours) {
    const int32_t room = kExpansionArea - length_;
    if (!cut() && room > 0) {
      const int32_t n = xpslstr(uwn::current_locale(), bytes_ + length_, room, "%i", 2, hours);
      if (n >= 0 && n < room) {
        length_ += n;
        return;
      }
    }
    cut_at(length_);
    char scratch[kNumberScratch];
    const int32_t n = xpslstr(uwn::current_locale(), scratch, kNumberScratch, "%i", 2, hours);
    length_ += n < 0 ? 0 : (n > kNumberScratch ? kNumberScratch : n);
  }
  const char *bytes() const { return bytes_; }
  int32_t stored() const { return cut() ? stored_ : length_; }
  int32_t length() const { return length_; }
  bool cut() const { return limit_ < 0; }

 private:
  // Until a piece does not fit, every piece is stored and the length is the
  // count of bytes stored; from then on the area keeps what it holds and only
  // measures (the limit no length stays under).
  void cut_at(int32_t stored) {
    if (!cut()) stored_ = stored;
    limit_ = INT32_MIN;
  }
  char bytes_[kExpansionArea];
  int32_t length_ = 0;
  int32_t limit_ = kExpansionArea;
  int32_t stored_ = 0;  // set when cut
};

// The parts of the value, worked out once per call.
struct Parts {
  bool have_date;
  double date_value;  // as given, for the week routines
  int32_t weekday;    // 0 = Sunday .. 6; -1 without a date
  int32_t julian;     // the host's year and day of the year, yyyyddd
  int32_t year, month, day;
  bool have_hours, have_minutes, have_seconds;
  int32_t hours, hours12, minutes, seconds;
};

// Stars without a value, or the digits: as many as the value has with pad 0.
[[gnu::noinline]] void other_number(WorkArea &area, bool have, int32_t value, int32_t width, char pad) {
  if (!have) {
    area.append(kStars, width);
    return;
  }
  if (pad == 0) width = uwn::digit_count(value);  // as many digits as the value has
  // Written in place: the area takes the piece whole or not at all.
  if (char *at = area.reserve(width)) i2s(value, at, width, pad);
}

// The common field, two digits padded with '0', is written where it is met.
[[gnu::always_inline]] inline void number(WorkArea &area, bool have, int32_t value, int32_t width, char pad) {
  if (have && width == 2 && pad == '0') {
    if (char *at = area.reserve(2)) put_two_digits(at, magnitude_of(value));
    return;
  }
  other_number(area, have, value, width, pad);
}

// Two digits of the century, or as many as a five-digit year needs, then the
// two digits of the year within it.
void full_year(WorkArea &area, bool have, int32_t year) {
  if (!have) {
    area.append(kStars, 4);
    return;
  }
  const int32_t century = year / 100;
  number(area, true, century, 2, century > 99 ? 0 : '0');
  number(area, true, year % 100, 2, '0');
}

// An entry of a name array, or null (with "**" written) when the locale does
// not have the item or k is outside the array.
const uwn_locale_entry *name_entry(void *locale, const NameArray &names, int32_t k, WorkArea &area,
                                   const uwn_locale_entry **first_out = nullptr) {
  const uwn_locale_entry *first = nullptr;
  if (k < 0 || k >= names.count || wzsxglc(locale, names.item, &first) != 0 || first == nullptr) {
    area.append("**", 2);
    return nullptr;
  }
  if (first_out != nullptr) *first_out = first;
  return entry_at(first, k);
}

void name(void *locale, const NameArray &names, int32_t k, WorkArea &area) {
  if (const uwn_locale_entry *e = name_entry(locale, names, k, area)) area.append(e->text, entry_length(e));
}

// The chosen name left-aligned in the width of the array's longest name.
void fixed_name(void *locale, const NameArray &names, int32_t k, WorkArea &area) {
  const uwn_locale_entry *first = nullptr;
  const uwn_locale_entry *e = name_entry(locale, names, k, area, &first);
  if (e == nullptr) return;
  int32_t longest = 0;
  for (int32_t j = 0; j < names.count; ++j) {
    const int32_t n = entry_length(entry_at(first, j));
    if (n > longest) longest = n;
  }
  if (char *at = area.reserve(longest)) {
    std::memset(at, ' ', static_cast<size_t>(longest));
    std::memcpy(at, e->text, static_cast<size_t>(entry_length(e)));
  }
}

void am_pm(void *locale, const Parts &p, WorkArea &area) {
  if (!p.have_hours) {
    area.append("**", 2);
    return;
  }
  const bool morning = p.hours % 24 < 12;
  const uwn_locale_entry *e = nullptr;
  if (wzsxglc(locale, morning ? UWN_ITEM_AM : UWN_ITEM_PM, &e) != 0 || e == nullptr) {
    area.append(morning ? "AM" : "PM", 2);
    return;
  }
  area.append(e->text, entry_length(e));
}

// Year or week of the date under a week rule.
int32_t week_part(const Parts &p, char rule, bool want_year) {
  double year = -1, week = -1, day = -1;
  get_yywwdd(&rule, 1, &year, &week, &day, p.date_value);
  return whole(want_year ? year : week);
}

// 1..366, from the host's answer (worked out only for the directives that
// write it).
int32_t day_of_year(const Parts &p) { return p.julian % 1000; }

// Week of the year with weeks starting on Sunday: days before the first
// Sunday are week 0.
int32_t sunday_week(const Parts &p) {
  const int32_t date = whole(p.date_value);
  const int32_t january_first = date - day_of_year(p) + 1;
  const int32_t w = whole(zwekday(january_first));  // 1 = Sunday
  const int32_t first_sunday = w == 1 ? january_first : january_first + 8 - w;
  return date < first_sunday ? 0 : (date - first_sunday) / 7 + 1;
}

bool month_ok(const Parts &p) { return p.have_date && p.month >= 1 && p.month <= 12; }

void act(Token a, char pad, void *locale, const Parts &p, WorkArea &area) {
  const bool d = p.have_date;
  switch (a) {
    case Token::kPercent: area.append('%'); break;
    case Token::kWeekdayName: name(locale, kWeekdays, p.weekday, area); break;
    case Token::kWeekdayAbbr: name(locale, kWeekdayAbbr, p.weekday, area); break;
    case Token::kMonthName: name(locale, kMonths, month_ok(p) ? p.month - 1 : -1, area); break;
    case Token::kMonthAbbr: name(locale, kMonthAbbr, month_ok(p) ? p.month - 1 : -1, area); break;
    case Token::kMonthFixed: fixed_name(locale, kMonths, month_ok(p) ? p.month - 1 : -1, area); break;
    case Token::kWeekdayFixed: fixed_name(locale, kWeekdays, p.weekday, area); break;
    case Token::kQuarter: name(locale, kQuarters, month_ok(p) ? (p.month - 1) / 3 : -1, area); break;
    case Token::kQuarterAbbr: name(locale, kQuarterAbbr, month_ok(p) ? (p.month - 1) / 3 : -1, area); break;
    case Token::kDay: number(area, d, p.day, 2, pad); break;
    case Token::kDayBlank: number(area, d, p.day, 2, ' '); break;
    case Token::kMonth: number(area, d, p.month, 2, pad); break;
    case Token::kMonthBlank: number(area, d, p.month, 2, ' '); break;
    case Token::kDayOfYear: number(area, d, d ? day_of_year(p) : 0, 3, pad); break;
    case Token::kYear: full_year(area, d, p.year); break;
    case Token::kYear2: number(area, d, p.year % 100, 2, pad); break;
    case Token::kWeekYear: full_year(area, d, d ? week_part(p, 'V', true) : 0); break;
    case Token::kWeekYear2: number(area, d, d ? week_part(p, 'V', true) % 100 : 0, 2, pad); break;
    case Token::kIsoWeek: number(area, d, d ? week_part(p, 'V', false) : 0, 2, pad); break;
    case Token::kMondayWeek: number(area, d, d ? week_part(p, 'W', false) : 0, 2, pad); break;
    case Token::kSundayWeek: number(area, d, d ? sunday_week(p) : 0, 2, pad); break;
    case Token::kIsoWeekday: number(area, d, p.weekday == 0 ? 7 : p.weekday, 1, '0'); break;
    case Token::kWeekday0: number(area, d, p.weekday, 1, '0'); break;
    case Token::kHours:
      if (p.have_hours && p.hours > 99)
        area.host_hours(p.hours);
      else
        number(area, p.have_hours, p.hours, 2, pad);
      break;
    case Token::kHours12: number(area, true, p.hours12 == 0 ? 12 : p.hours12, 2, pad); break;
    case Token::kMinutes: number(area, p.have_minutes, p.minutes, 2, pad); break;
    case Token::kSeconds: number(area, p.have_seconds, p.seconds, 2, pad); break;
    case Token::kAmPm: am_pm(locale, p, area); break;
    case Token::kBad:  // decoded as bad before it gets here
    case Token::kIsoWeekNone:
    case Token::kNothing: break;
  }
}

Parts parts_of(double date, double hours, double minutes, double seconds) {
  Parts p{};
  p.have_date = !uwn::is_missing(date);
  p.date_value = date;
  p.weekday = -1;
  if (p.have_date) {
    p.weekday = whole(zwekday(date)) - 1;
    const double julian = zjuldat(date);
    p.julian = whole(julian);
    double y = uwn::missing_value(), m = y, d = y;
    zymdjul(&y, &m, &d, julian);
    p.year = whole(y);
    p.month = whole(m);
    p.day = whole(d);
  }
  p.have_hours = !uwn::is_missing(hours);
  p.have_minutes = !uwn::is_missing(minutes);
  p.have_seconds = !uwn::is_missing(seconds);
  if (p.have_hours) {
    p.hours = whole(hours);
    p.hours12 = whole(hours <= 12 ? hours : std::fmod(hours, 12.0));
  }
  if (p.have_minutes) p.minutes = whole(minutes);
  if (p.have_seconds) p.seconds = whole(seconds);
  return p;
}

// n bytes from a work area (which holds at least 8 after from) to to: a
// text of 8 to 16 bytes in two overlapping 8-byte copies.
void copy_bytes(char *to, const char *from, int32_t n) {
  if (n >= 8 && n <= 16) {
    std::memcpy(to, from, 8);
    std::memcpy(to + n - 8, from + n - 8, 8);
    return;
  }
  std::memcpy(to, from, static_cast<size_t>(n));
}

// The byte length of the pattern character at i: 1 for a single-byte one.
int32_t character_length(uwn_text_descriptor &text, int32_t i) {
  if (i < 0 || text.length == 0 || i > text.length) return 0;
  if (text.last_offset == i && text.last_length != 0) return text.last_length;
  return wzsxoff(&text, i);
}

}  // namespace

extern "C" int32_t i2s(int32_t value, char *dest, int32_t width, char pad) {
  const uint32_t magnitude = magnitude_of(value);  // negatives: the magnitude
  if (width == 2 && pad == '0') {                  // the common field: its last two digits in one copy
    put_two_digits(dest, magnitude);
    return 2;
  }
  int64_t v = magnitude;
  if (pad == 0) width = uwn::digit_count(v);
  if (width <= 0) return 0;
  for (int32_t k = width - 1; k >= 0; --k) {
    dest[k] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  if (pad != '0' && pad != 0 && dest[0] == '0') {
    for (int32_t k = 0; k < width - 1; ++k) {
      const bool next_zero = dest[k + 1] == '0';
      dest[k] = pad;
      if (!next_zero) break;
    }
  }
  return width;
}

// The width INT32_MIN has no field size; it is refused with UWN_NO_VALUE (the
// format entry points refuse it before they get here).  A null dest measures:
// the result is then the expansion's length, not a status.
extern "C" int32_t expand(void *locale, const char *pattern, int32_t pattern_length, char *dest,
                          int32_t *width, double date, double hours, double minutes, double seconds) {
  uwn::Field field;
  if (!uwn::field_of(width, &field)) return UWN_NO_VALUE;

  const Parts p = parts_of(date, hours, minutes, seconds);

  if (pattern == nullptr || pattern_length < 0) pattern_length = 0;
  const int32_t effective = wzstrip(pattern, pattern_length);
  if (effective > UWN_DESCRIPTOR_MAX) return UWN_BAD_DIRECTIVE;  // no host descriptor can walk it

  uwn_text_descriptor text;
  uwn::describe(text, pattern, pattern_length > UWN_DESCRIPTOR_MAX ? UWN_DESCRIPTOR_MAX : pattern_length);

  // Bytes after '%' are read from the whole pattern; past its end, a blank.
  const auto byte_at = [&](int32_t k) -> unsigned char {
    return k < pattern_length ? static_cast<unsigned char>(pattern[k]) : ' ';
  };

  WorkArea area;
  int32_t i = 0;
  while (i < effective) {
    const int32_t n = character_length(text, i);
    if (n != 1) {
      if (n > 1) area.expect(n < kLongestCharacter ? n : kLongestCharacter);
      area.append(pattern[i++]);
      continue;
    }
    const char ch = pattern[i++];
    if (ch != '%') {
      area.append(ch);
      continue;
    }
    unsigned char c = byte_at(i++);
    char pad = '0';
    if (c == '0' || c == '#') {
      pad = c == '0' ? '0' : 0;
      c = byte_at(i++);
    }
    bool alternate = false;
    if (c == '?') {
      alternate = true;
      c = byte_at(i++);
    } else {
      alternate = uwn::is_lower(c);
    }
    const Token token = uwn::kTokens.of(uwn::to_upper(c), alternate);
    if (token == Token::kBad) return UWN_BAD_DIRECTIVE;
    act(token, pad, locale, p, area);
  }

  if (dest == nullptr) return area.length();

  if (area.cut() || area.length() > field.size) {
    std::memset(dest, ' ', static_cast<size_t>(field.size));
    zkmove(area.bytes(), area.stored(), dest, field.size);
    return UWN_TRUNCATED;
  }
  // The text in its place, blanks only around it.
  const int32_t g = area.length();
  if (g < field.size) std::memset(field.right ? dest : dest + g, ' ', static_cast<size_t>(field.size - g));
  copy_bytes(dest + (field.right ? field.size - g : 0), area.bytes(), g);
  *width = g;
  return UWN_OK;
}
