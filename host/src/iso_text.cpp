// nlhost: values as ISO 8601 text (dates, datetimes, times) and numbers as
// the shortest decimal text that reads back to them.
#include "nlhost/iso_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "decimal.h"
#include "nlhost/civil.h"
#include "nlhost/reading.h"

namespace nlhost {

namespace {

using iso::two_digits;
using iso::write_date;
using iso::write_digits;

// A number as the shortest decimal text that reads back to it, without an
// exponent where a plain number is at most about 35 bytes (1e-5 to 1e16):
// "1000000", "0.00001", "-1234.56".
char *write_plain_number(char *p, double value) {
  if (value == 0) {  // no "-0"
    *p++ = '0';
    return p;
  }
  const double magnitude = std::fabs(value);
  // Tiny, huge, infinite or not a number: the shortest text, exponent and all.
  if (!(magnitude >= 1e-5 && magnitude < 1e16)) return std::to_chars(p, p + 32, value).ptr;
  if (value < 0) *p++ = '-';
  if (magnitude < 9e15 && magnitude == std::floor(magnitude))
    return write_digits(p, static_cast<uint64_t>(magnitude));
  // Most numbers read from text have a few decimals: the fewest k for which
  // an integer m of at most 15 digits gives the value again as m / 10^k is
  // the shortest text (15 digits tell every double apart).
  static constexpr double kPowers[] = {1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
  static constexpr uint64_t kIntegerPowers[] = {10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
  for (size_t k = 0; k < std::size(kPowers); ++k) {
    const double m = std::floor(magnitude * kPowers[k] + 0.5);
    if (m >= 1e15) break;
    if (m / kPowers[k] != magnitude) continue;
    const auto digits = static_cast<uint64_t>(m);
    p = write_digits(p, digits / kIntegerPowers[k]);
    *p++ = '.';
    // The k + 1 fraction digits with their leading zeros: those of
    // 10^(k+1) + fraction after its leading 1.
    char fraction[12];
    write_digits(fraction, digits % kIntegerPowers[k] + kIntegerPowers[k]);
    std::memcpy(p, fraction + 1, k + 1);
    return p + k + 1;
  }
  // At most 17 significant digits: 24 bytes with the sign and the point.
  return std::to_chars(p, p + 30, magnitude, std::chars_format::fixed).ptr;
}

// A time as hh:mm:ss; a time is a duration, so 100 hours or more take
// more digits and one before 0 a minus sign.
char *write_time(char *p, int64_t seconds) {
  if (seconds < 0) {
    *p++ = '-';
    seconds = -seconds;
  }
  const int64_t hours = seconds / 3600;
  p = hours < 100 ? two_digits(p, static_cast<unsigned>(hours))
                  : write_digits(p, static_cast<uint64_t>(hours));
  *p++ = ':';
  p = two_digits(p, static_cast<unsigned>(seconds / 60 % 60));
  *p++ = ':';
  return two_digits(p, static_cast<unsigned>(seconds % 60));
}

}  // namespace

char *iso::write_long_digits(char *p, uint64_t n) {
  size_t count = 9;
  for (uint64_t bound = 1000000000; count < 20 && n >= bound; bound *= 10) ++count;
  char *const end = p + count;
  char *d = end;
  while (n >= 100) {
    d -= 2;
    two_digits(d, static_cast<unsigned>(n % 100));
    n /= 100;
  }
  if (n >= 10) {
    two_digits(d - 2, static_cast<unsigned>(n));
  } else {
    d[-1] = static_cast<char>('0' + n);
  }
  return end;
}

char *iso::write_date_any_year(char *p, int64_t days) {
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
  p = two_digits(p, static_cast<unsigned>(ymd.month));
  *p++ = '-';
  return two_digits(p, static_cast<unsigned>(ymd.day));
}

size_t write_iso(ValueKind kind, double value, char *buffer) {
  char *p = buffer;
  switch (kind) {
    case ValueKind::kDate: p = write_date(p, static_cast<int64_t>(std::floor(value))); break;
    case ValueKind::kDatetime: {
      // Split the whole second, not the value: a value a hair below a day's
      // start would leave 86400 - tiny, which rounds to 86400.
      const double second = std::floor(value);
      const double days = std::floor(second / 86400);
      const auto seconds = static_cast<int64_t>(second - days * 86400);  // [0, 86399], exact
      p = write_date(p, static_cast<int64_t>(days));
      *p++ = 'T';
      p = write_time(p, seconds);
      break;
    }
    case ValueKind::kTime: p = write_time(p, static_cast<int64_t>(std::floor(value))); break;
    case ValueKind::kNumber: p = write_plain_number(p, value); break;
  }
  return static_cast<size_t>(p - buffer);
}

}  // namespace nlhost
