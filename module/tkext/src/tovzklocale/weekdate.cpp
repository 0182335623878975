// Week dates: zkfweek writes a date as week-date text in a fixed-width field,
// construct_week lays the text out by the width, zkweek gives the week number
// and zkifweek reads week-date text back into a date value.
#include <cmath>

#include "digit_pairs.h"
#include "tovzklocale.h"
#include "whole_number.h"

namespace {

// Each part of week-date text is collected into a 12-byte buffer: 11 bytes
// and a terminating zero.
constexpr int32_t kPartBuffer = 12;

// The first year of the two-digit window when the caller gives 0.
constexpr int32_t kDefaultWindowStart = 1900;

// The week-based year of the range's first days under rule V.
constexpr int64_t kFirstWeekYear = uwn::kFirstYear - 1;

// construct_week's results.
constexpr int32_t kLaidOut = 0;
constexpr int32_t kNoRoom = -1;

void fill(char *dest, int32_t size, char c) {
  if (dest != nullptr && size > 0) memset(dest, c, static_cast<size_t>(size));
}

struct Part {
  char bytes[kPartBuffer] = {};
  int32_t length = 0;
  // False when the buffer is full: the text is refused rather than cut.
  bool add(char c) {
    if (length >= kPartBuffer - 1) return false;
    bytes[length++] = c;
    bytes[length] = '\0';
    return true;
  }
  bool all_digits() const {
    for (int32_t i = 0; i < length; ++i) {
      if (bytes[i] < '0' || bytes[i] > '9') return false;
    }
    return true;
  }
  // The two-digit number at byte at; every byte is a digit by now.
  int32_t two_digits(int32_t at = 0) const { return s2i_fixlen(bytes + at, length - at); }
};

bool is_week_designator(char c) { return c == 'W' || c == 'w'; }

}  // namespace

namespace {

// Lays out week-date text for whole y (0..99999), w and d (0..99) in the
// field: kLaidOut with *width set to the text's length, or kNoRoom with the
// field blank.  The text is written in place by digit pairs, its length known
// from the form before a byte is written.
int32_t lay_out_week(const uwn::Field &field, char *dest, int32_t *width, int32_t y, int32_t w, int32_t d) {
  const int32_t size = field.size;
  const int32_t century = y / 100;
  const int32_t wide = century > 99 ? 1 : 0;  // a year from 10000 on takes a third century digit
  enum class Form { kFull, kCompact, kShort } form;
  int32_t n;
  if (size >= 11 && 11 + wide <= size) {
    form = Form::kFull;
    n = 11 + wide;
  } else if (size >= 9) {
    if (9 + wide > size) {
      fill(dest, size, ' ');
      return kNoRoom;
    }
    form = Form::kCompact;
    n = 9 + wide;
  } else {
    form = Form::kShort;
    n = size >= 7 ? 7 : size >= 5 ? 5 : 3;
  }
  char scratch[16];
  char *t = dest == nullptr ? scratch : field.right ? dest + (size - n) : dest;
  if (dest != nullptr && size > n) memset(field.right ? dest : dest + n, ' ', static_cast<size_t>(size - n));
  const auto pair = [&t](int32_t value) {
    uwn::put_two_digits(t, static_cast<uint32_t>(value));
    t += 2;
  };
  if (form != Form::kShort) {
    if (wide) *t++ = static_cast<char>('0' + century / 100);
    pair(century % 100);
  }
  if (form != Form::kShort || size >= 5) pair(y % 100);
  if (form == Form::kFull) *t++ = '-';
  *t++ = 'W';
  pair(w);
  if (form == Form::kFull) *t++ = '-';
  if (form != Form::kShort || size >= 7) pair(d);
  *width = n;
  return kLaidOut;
}

}  // namespace

// Forms by field size: 3-4 Www, 5-6 yyWww, 7-8 yyWwwdd, 9-10 yyyyWwwdd,
// 11 and more yyyy-Www-dd (yy the year mod 100).  The four-digit forms write
// the century with as many digits as it needs, so a year from 10000 on is
// written whole: yyyyy-Www-dd needs 12 bytes and yyyyyWwwdd 10; a field of 11
// takes the compact form, a field of 9 cannot hold the year and fails (-1).
// A null destination only measures.  The rule is not read.
extern "C" int32_t construct_week(const char *, int32_t, char *dest, int32_t *width, double year, double week,
                                  double day) {
  uwn::Field field;
  if (!uwn::field_of(width, &field)) return kNoRoom;
  // At least three bytes; whole years of at most five digits, week and day of two.
  if (field.size < 3 || !(year >= 0 && year < 100000 && week >= 0 && week < 100 && day >= 0 && day < 100)) {
    fill(dest, field.size, ' ');
    return kNoRoom;
  }
  return lay_out_week(field, dest, width, static_cast<int32_t>(year), static_cast<int32_t>(week),
                      static_cast<int32_t>(day));
}

// A missing or out-of-range date, or a field that cannot hold the text, is
// filled with '*'; the width then stays as it was.  Always 0.
extern "C" int32_t zkfweek(char *dest, int32_t *width, const char *rule, int32_t, double date) {
  uwn::Field field;
  if (!uwn::field_of(width, &field)) return UWN_OK;
  if (uwn::date_in_range(date)) {
    const uwn::WeekDate w = uwn::week_date(rule, date);
    if (field.size >= 3 && w.year >= 0 && w.year < 100000 && w.week >= 0 && w.week < 100 && w.day >= 0 &&
        w.day < 100 &&
        lay_out_week(field, dest, width, static_cast<int32_t>(w.year), static_cast<int32_t>(w.week),
                     static_cast<int32_t>(w.day)) == kLaidOut)
      return UWN_OK;
  }
  fill(dest, field.size, '*');
  return UWN_OK;
}

// The week number of date under the rule; the standard missing value for a
// missing or out-of-range date.  The second argument is not read.  Always 0.
extern "C" int32_t zkweek(double *week, void *, const char *rule, int32_t, double date) {
  if (week == nullptr) return UWN_OK;
  if (!uwn::date_in_range(date)) {
    *week = uwn::missing_value();
    return UWN_OK;
  }
  *week = static_cast<double>(uwn::week_date(rule, date).week);
  return UWN_OK;
}

// Reads [year]W<ww>[day]: blanks and '-' are skipped except in the two bytes
// after each 'W'.  value is in/out: the first year of the window for years
// below 100 (0 means 1900) in, the date out (only on 0).  Results: 0 read;
// 1 out of range (also a window year that is NaN, missing or beyond 32 bits);
// -1 malformed, a part longer than its buffer, or an unknown rule;
// -2147483648 no 'W'.  Year 1581 is taken when the date itself lies in
// range: it is the week-based year of the range's first days under rule V.
extern "C" int32_t zkifweek(const char *text, int32_t length, const char *rule, int32_t, double *value) {
  if (text == nullptr || length < 0) length = 0;
  bool designated = false;
  for (int32_t i = 0; i < length && !designated; ++i) designated = is_week_designator(text[i]);
  if (!designated) return UWN_NO_WEEK_DESIGNATOR;
  if (value == nullptr) return UWN_WEEK_MALFORMED;

  Part year_part, week_part, day_part;
  bool after_week = false;
  for (int32_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (c == ' ' || c == '-') continue;
    if (is_week_designator(c)) {
      if (length - i - 1 < 2) return UWN_WEEK_MALFORMED;
      if (!week_part.add(text[i + 1]) || !week_part.add(text[i + 2])) return UWN_WEEK_MALFORMED;
      i += 2;
      after_week = true;
      continue;
    }
    if (!(after_week ? day_part : year_part).add(c)) return UWN_WEEK_MALFORMED;
  }
  if (!year_part.all_digits() || !week_part.all_digits() || !day_part.all_digits()) return UWN_WEEK_MALFORMED;

  const int32_t week = week_part.two_digits();
  if (year_part.length == 1 || day_part.length == 1) return UWN_WEEK_MALFORMED;
  int32_t day = day_part.length == 0 ? 1 : day_part.two_digits();
  if (day == 0) day = 1;
  int64_t year;
  switch (year_part.length) {
    case 0: {
      int32_t m, d, y;
      getMonthDayYear(&m, &d, &y, floor(wzdttme() / 86400));
      year = y;
      break;
    }
    case 4: year = 100 * year_part.two_digits(0) + year_part.two_digits(2); break;
    case 5:
      year = 100 * (100 * (year_part.bytes[0] - '0') + year_part.two_digits(1)) + year_part.two_digits(3);
      break;
    default: year = year_part.two_digits(); break;
  }
  if (year <= 99) {
    const double entry = *value;
    if (!uwn::fits_int32(entry)) return UWN_WEEK_OUT_OF_RANGE;
    year = uwn::year_in_window(year, entry == 0 ? kDefaultWindowStart : static_cast<int32_t>(entry));
  }

  if (((year < kFirstWeekYear || year > uwn::kLastYear) && year >= 100) || week > 53 || day > 31)
    return UWN_WEEK_OUT_OF_RANGE;

  const double jan1 = zmdy(1, 1, static_cast<double>(year));
  if (uwn::is_missing(jan1) || jan1 != jan1) return UWN_WEEK_OUT_OF_RANGE;
  const int32_t j = uwn::to_int32_or(zwekday(jan1), 0);  // 1 = Sunday
  double date;
  switch (rule == nullptr ? 0 : rule[0]) {
    case 'U': date = jan1 + 7 * (j == 1 ? week - 1 : week) + day - j; break;
    case 'V': date = jan1 + 7 * (j == 6 || j == 7 ? week : week - 1) + day - j + 1; break;
    case 'W': date = jan1 + 7 * (j == 1 || j == 2 ? week - 1 : week) + day - j + 1; break;
    default: return UWN_WEEK_MALFORMED;
  }
  if (!uwn::date_in_range(date)) return UWN_WEEK_OUT_OF_RANGE;
  int32_t m, d, y;
  getMonthDayYear(&m, &d, &y, date);
  *value = zmdy(m, d, y);
  return UWN_OK;
}
