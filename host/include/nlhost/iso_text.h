// nlhost: day counts, ISO dates and datetimes written two digits at a time,
// for the paths that write one a line for millions of lines.  write_iso
// (nlhost/reading.h) writes every kind through these; a caller that knows its
// kind and holds whole days or seconds calls them itself and skips the
// dispatch.
#ifndef NLHOST_ISO_TEXT_H
#define NLHOST_ISO_TEXT_H

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

#include "nlhost/civil.h"
#include "nlhost/reading.h"

namespace nlhost::iso {

// "00" to "99".
inline constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int v = 0; v < 100; ++v) {
    pairs[static_cast<size_t>(2 * v)] = static_cast<char>('0' + v / 10);
    pairs[static_cast<size_t>(2 * v + 1)] = static_cast<char>('0' + v % 10);
  }
  return pairs;
}();

// v in [0, 99], as two digits.
inline char *two_digits(char *p, unsigned v) {
  std::memcpy(p, &kDigitPairs[2 * v], 2);
  return p + 2;
}

// u in [0, 9999] without leading zeros.
inline char *up_to_four_digits(char *p, uint32_t u) {
  if (u >= 100) {
    const uint32_t high = u / 100;
    if (high >= 10) {
      p = two_digits(p, high);
    } else {
      *p++ = static_cast<char>('0' + high);
    }
    return two_digits(p, u % 100);
  }
  if (u >= 10) return two_digits(p, u);
  *p++ = static_cast<char>('0' + u);
  return p;
}

// The decimal digits of n >= 10^8, into p.
char *write_long_digits(char *p, uint64_t n);

// The decimal digits of n, into p.
inline char *write_digits(char *p, uint64_t n) {
  if (n < 10000) return up_to_four_digits(p, static_cast<uint32_t>(n));
  if (n < 100000000) {  // nearly every day count: 32-bit steps
    const auto u = static_cast<uint32_t>(n);
    p = up_to_four_digits(p, u / 10000);
    const uint32_t low = u % 10000;
    p = two_digits(p, low / 100);
    return two_digits(p, low % 100);
  }
  return write_long_digits(p, n);
}

// value when it is a whole number that digits write exactly (below 9e15 in
// magnitude: plain numbers write the same digits), else nothing.
inline std::optional<int64_t> whole_number(double value) {
  if (!(std::fabs(value) < 9e15)) return std::nullopt;
  const auto n = static_cast<int64_t>(value);
  if (static_cast<double>(n) != value) return std::nullopt;
  return n;
}

// n with a '-' before it when negative.
inline char *write_integer(char *p, int64_t n) {
  if (n >= 0) return write_digits(p, static_cast<uint64_t>(n));
  *p++ = '-';
  return write_digits(p, 0 - static_cast<uint64_t>(n));
}

// A day count (days since 1960-01-01) as YYYY-MM-DD, more year digits and a
// sign outside years 0 to 9999.
char *write_date_any_year(char *p, int64_t days);

// The days of years 0 to 9999 (nearly every date) by pairs; others by
// write_date_any_year.
inline constexpr int64_t kYear0 = civil::days_from_civil(0, 1, 1);
inline constexpr int64_t kYear9999End = civil::days_from_civil(9999, 12, 31);
inline char *write_date(char *p, int64_t days) {
  if (days < kYear0 || days > kYear9999End) return write_date_any_year(p, days);
  const civil::Ymd ymd = civil::civil_from_days_fast(days);
  const auto year = static_cast<unsigned>(ymd.year);
  p = two_digits(p, year / 100);
  p = two_digits(p, year % 100);
  *p++ = '-';
  p = two_digits(p, static_cast<unsigned>(ymd.month));
  *p++ = '-';
  return two_digits(p, static_cast<unsigned>(ymd.day));
}

// Seconds of a day, [0, 86399], as hh:mm:ss.
inline char *write_clock(char *p, unsigned seconds) {
  p = two_digits(p, seconds / 3600);
  *p++ = ':';
  p = two_digits(p, seconds / 60 % 60);
  *p++ = ':';
  return two_digits(p, seconds % 60);
}

// Seconds since 1960-01-01T00:00:00, a whole number, as YYYY-MM-DDTHH:MM:SS.
inline char *write_datetime(char *p, int64_t seconds) {
  int64_t days = seconds / 86400;
  int64_t in_day = seconds % 86400;
  if (in_day < 0) {
    in_day += 86400;
    --days;
  }
  p = write_date(p, days);
  *p++ = 'T';
  return write_clock(p, static_cast<unsigned>(in_day));
}

// The ISO text of a value of kind (write_iso), whole days and seconds by
// the writers above, inline.  Returns the text's end.
inline char *write_value(ValueKind kind, double value, char *p) {
  if (kind == ValueKind::kDate || kind == ValueKind::kDatetime) {
    if (const std::optional<int64_t> whole = whole_number(value))
      return kind == ValueKind::kDate ? write_date(p, *whole) : write_datetime(p, *whole);
  }
  return p + write_iso(kind, value, p);
}

}  // namespace nlhost::iso

#endif
