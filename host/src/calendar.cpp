// Calendar services: integer civil-day arithmetic behind double arguments.
// Anything that is not a finite number in the host's range (the missing
// value and every other NaN included) answers the standard missing value.
#include <emmintrin.h>

#include <cmath>

#include "host_internal.h"
#include "nlhost/civil.h"
#include "nlhost/host.h"
#include "services.h"

namespace nlhost {
namespace {

constexpr double kSecondsPerDay = 86400;
constexpr double kFirstSecond = static_cast<double>(civil::kFirstDay) * kSecondsPerDay;
constexpr double kEndSecond = static_cast<double>(civil::kLastDay + 1) * kSecondsPerDay;

// The day number of a date value (its fraction dropped), or false.
bool to_day(double date, int64_t *day) {
  // floor(date) in [kFirstDay, kLastDay]; NaN and infinities fail the test.
  if (!(date >= static_cast<double>(civil::kFirstDay) && date < static_cast<double>(civil::kLastDay + 1)))
    return false;
  int64_t whole = static_cast<int64_t>(date);      // toward zero
  if (static_cast<double>(whole) > date) --whole;  // a negative fraction
  *day = whole;
  return true;
}

// floor without a call into the math library: every double of 2^52 or more
// in magnitude (and every NaN or infinity) is its own floor.
double floor_of(double x) {
  if (!(std::fabs(x) < 4503599627370496.0)) return x;
  const auto t = static_cast<double>(static_cast<int64_t>(x));  // toward zero
  return t > x ? t - 1 : t;
}

bool in_datetime_range(double t) { return std::isfinite(t) && t >= kFirstSecond && t < kEndSecond; }

// What a watch records of a datetime or time argument: its whole seconds,
// -1 outside the range.
int64_t seconds_noted(double t) { return in_datetime_range(t) ? static_cast<int64_t>(t) : -1; }

// What a watch records of a date argument: its day number, -1 outside the
// range.
int64_t day_noted(double date) {
  int64_t day = 0;
  return to_day(date, &day) ? day : -1;
}

// t modulo m in [0, m), for finite t.
double positive_mod(double t, double m) {
  double r = std::fmod(t, m);  // exact
  if (r < 0) {
    r += m;
    if (r >= m) r = std::nextafter(m, 0.0);  // a tiny negative remainder
  }
  return r;
}

// Day number of y-m-d for a year of 0 or more, in unsigned 32-bit arithmetic:
// no era sign fix-ups and divisions by constants that are one multiply each.
constexpr int64_t days_from_civil_ad(uint32_t y, uint32_t m, uint32_t d) {
  y -= m <= 2;  // the March-based year; y >= 1 here, so no wrap
  const uint32_t era = y / 400;
  const uint32_t yoe = y - era * 400;                                    // [0, 399]
  const uint32_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // [0, 365]
  const uint32_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;            // [0, 146096]
  return static_cast<int64_t>(era) * 146097 + doe - civil::kShift;
}
static_assert(days_from_civil_ad(1960, 1, 1) == civil::days_from_civil(1960, 1, 1));
static_assert(days_from_civil_ad(1, 1, 1) == civil::kFirstDay);
static_assert(days_from_civil_ad(99999, 12, 31) == civil::kLastDay);
static_assert(days_from_civil_ad(2000, 2, 29) == civil::days_from_civil(2000, 2, 29));
static_assert(days_from_civil_ad(2100, 3, 1) == civil::days_from_civil(2100, 3, 1));

// Year and day of the year of a day number in [kFirstDay, kLastDay]: the same
// conversion as civil::year_day_from_days, in unsigned 32-bit arithmetic since
// the count from 0000-03-01 is positive there.
constexpr civil::YearDay year_day_ad(int64_t day) {
  const auto z = static_cast<uint32_t>(day + civil::kShift);
  const uint32_t era = z / 146097;
  const uint32_t doe = z - era * 146097;                                       // [0, 146096]
  const uint32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
  const uint32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);                // [0, 365], from 1 March
  const uint32_t year = yoe + era * 400;
  if (doy >= 306) return {year + 1, static_cast<int>(doy - 305)};
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  return {year, static_cast<int>(doy + 60 + leap)};
}
constexpr bool same_year_day(int64_t day) {
  const civil::YearDay a = year_day_ad(day), b = civil::year_day_from_days(day);
  return a.year == b.year && a.day_of_year == b.day_of_year;
}
static_assert(same_year_day(civil::kFirstDay) && same_year_day(civil::kLastDay) && same_year_day(0));
static_assert(same_year_day(civil::days_from_civil(2000, 2, 29)) &&
              same_year_day(civil::days_from_civil(2000, 3, 1)));
static_assert(same_year_day(civil::days_from_civil(1900, 3, 1)) &&
              same_year_day(civil::days_from_civil(2100, 12, 31)));

// A whole number in [low, high], or false.
bool to_int(double x, double low, double high, int64_t *out) {
  if (!(x >= low && x <= high)) return false;  // NaN and infinities fail here
  const auto i = static_cast<int64_t>(x);      // low and high fit 64 bits
  if (static_cast<double>(i) != x) return false;
  *out = i;
  return true;
}

// zmdy's arguments as whole numbers in their ranges, or false.
bool to_mdy(double month, double day, double year, int64_t *m, int64_t *d, int64_t *y) {
  return to_int(month, 1, 12, m) && to_int(day, 1, 31, d) && to_int(year, 0, civil::kLastYear, y);
}

// zymdjul's argument: the whole part of a Julian form in range, or false.
bool to_julian(double julian, int64_t *j) {
  return std::isfinite(julian) && to_int(floor_of(julian), 1000, civil::kLastYear * 1000 + 999, j);
}

// zymdjul's answer: the date, or the missing value in each part asked for.
void store_ymd(double *year, double *month, double *day, bool ok, const civil::Ymd &ymd) {
  const double missing = standard_missing();
  if (year != nullptr) *year = ok ? static_cast<double>(ymd.year) : missing;
  if (month != nullptr) *month = ok ? ymd.month : missing;
  if (day != nullptr) *day = ok ? ymd.day : missing;
}

}  // namespace
}  // namespace nlhost

using namespace nlhost;

// The services as first written, for every argument: the fast services
// below answer their common case inline and hand everything else here.
namespace nlhost::reference {

[[gnu::noinline]] double zmdy(double month, double day, double year) noexcept {
  int64_t m = 0, d = 0, y = 0;
  if (!to_mdy(month, day, year, &m, &d, &y)) return standard_missing();
  if (y < 100) {
    // Two-digit years fall in [first, first + 99].
    const Host *host = current_host();
    const int64_t first = host != nullptr ? host->year_window() : 1940;
    y = civil::year_in_window(y, first);
    if (y > civil::kLastYear || y < civil::kFirstYear) return standard_missing();
  }
  if (d > 28 && d > civil::days_in_month(y, static_cast<int>(m))) return standard_missing();
  return static_cast<double>(
      days_from_civil_ad(static_cast<uint32_t>(y), static_cast<uint32_t>(m), static_cast<uint32_t>(d)));
}

[[gnu::noinline]] double zjuldat(double date) noexcept {
  int64_t day = 0;
  if (!to_day(date, &day)) return standard_missing();
  const civil::YearDay yd = year_day_ad(day);
  return static_cast<double>(yd.year * 1000 + yd.day_of_year);
}

[[gnu::noinline]] void zymdjul(double *year, double *month, double *day, double julian) noexcept {
  int64_t j = 0;
  bool ok = to_julian(julian, &j);
  civil::Ymd ymd{};
  if (ok) {
    const int64_t y = j / 1000;
    const int64_t day_of_year = j % 1000;
    ok = y >= civil::kFirstYear && day_of_year >= 1 && day_of_year <= (civil::is_leap(y) ? 366 : 365);
    if (ok) ymd = civil::from_day_of_year(y, static_cast<int>(day_of_year));
  }
  store_ymd(year, month, day, ok, ymd);
}

[[gnu::noinline]] double zwekday(double date) noexcept {
  int64_t day = 0;
  return to_day(date, &day) ? civil::weekday(day) : standard_missing();
}

}  // namespace nlhost::reference

namespace {

// x as a 32-bit whole number, when it is one.  The conversion answers
// INT32_MIN for NaN, infinities and values out of range, which no caller's
// range admits.
inline bool whole32(double x, int32_t *out) {
  const int32_t i = _mm_cvttsd_si32(_mm_set_sd(x));
  *out = i;
  return static_cast<double>(i) == x;
}

// A year divisible by 100 is leap when divisible by 16 as well (by 400): one
// quotient by a constant where the plain rule takes two.
constexpr bool leap32(uint32_t y) { return y % 100 != 0 ? y % 4 == 0 : y % 16 == 0; }
static_assert(leap32(2000) && leap32(2024) && leap32(2400) && !leap32(1900) && !leap32(2100) && !leap32(2026));

inline bool day_in_range(int32_t day) { return day >= civil::kFirstDay && day <= civil::kLastDay; }

// The fast paths' conversions, by Euclidean affine functions: each quotient by
// a constant is one multiply and shift, and the chain from argument to answer
// is shorter than the era/year-of-era form above (the services' calls feed one
// another, so their latency is what a caller waits for).  Both count days from
// 0000-03-01, which is positive over the whole range.

// Day number of y-m-d for y >= 1.
constexpr int32_t days_from_civil_affine(uint32_t y, uint32_t m, uint32_t d) {
  const bool jan_feb = m <= 2;
  const uint32_t year = y - jan_feb;            // the March-based year
  const uint32_t month = jan_feb ? m + 12 : m;  // [3, 14]
  const uint32_t century = year / 100;
  const uint32_t year_days = 1461 * year / 4 - century + century / 4;
  const uint32_t month_days = (979 * month - 2919) / 32;  // days from 1 March to the month's first
  return static_cast<int32_t>(year_days + month_days + d - 1 - civil::kShift);
}

// Year and day of the year of a day number in [kFirstDay, kLastDay].
constexpr civil::YearDay year_day_affine(int32_t day) {
  const uint32_t n = static_cast<uint32_t>(day + civil::kShift) * 4 + 3;  // < 2^28
  const uint32_t century = n / 146097;
  const uint32_t of_century = n % 146097 / 4 * 4 + 3;
  const uint64_t p = uint64_t{2939745} * of_century;
  const auto year_of_century = static_cast<uint32_t>(p >> 32);             // [0, 99]
  const uint32_t from_march = static_cast<uint32_t>(p) / 2939745 / 4;     // [0, 365]
  const uint32_t year = century * 100 + year_of_century;
  if (from_march >= 306) return {year + 1, static_cast<int>(from_march - 305)};
  // The March-based year's February is leap when its calendar year is.
  const bool leap = year_of_century != 0 ? year_of_century % 4 == 0 : century % 4 == 0;
  return {year, static_cast<int>(from_march + 60 + leap)};
}

constexpr bool affine_agrees(int32_t y, int32_t m, int32_t d) {
  const int32_t day = days_from_civil_affine(static_cast<uint32_t>(y), static_cast<uint32_t>(m), static_cast<uint32_t>(d));
  const civil::YearDay a = year_day_affine(day), b = civil::year_day_from_days(day);
  return day == civil::days_from_civil(y, m, d) && a.year == b.year && a.day_of_year == b.day_of_year;
}
static_assert(affine_agrees(1, 1, 1) && affine_agrees(99999, 12, 31) && affine_agrees(1960, 1, 1));
static_assert(affine_agrees(2000, 2, 29) && affine_agrees(2000, 3, 1) && affine_agrees(1900, 2, 28) &&
              affine_agrees(1900, 3, 1) && affine_agrees(2100, 12, 31) && affine_agrees(2400, 12, 31));
static_assert(affine_agrees(2026, 1, 31) && affine_agrees(2026, 4, 30) && affine_agrees(2024, 12, 31));

}  // namespace

// The common case of each calendar service in 32-bit integer arithmetic: whole
// numbers in the host's range of four-digit years (and more).  Two-digit
// years, fractions and everything out of range go to the reference service.

extern "C" double nlhost_svc_zmdy(double month, double day, double year) noexcept {
  int32_t m = 0, d = 0, y = 0;
  const bool whole = whole32(month, &m) & whole32(day, &d) & whole32(year, &y);
  const auto um = static_cast<uint32_t>(m), ud = static_cast<uint32_t>(d), uy = static_cast<uint32_t>(y);
  if (whole && um - 1 < 12 && ud - 1 < 31 && uy - 100 <= civil::kLastYear - 100) {
    if (ud > 28 && ud > (um == 2 ? 28u + leap32(uy) : static_cast<uint32_t>(civil::kMonthDays[um - 1])))
      return standard_missing();
    return days_from_civil_affine(uy, um, ud);
  }
  return reference::zmdy(month, day, year);
}

extern "C" double nlhost_svc_zjuldat(double date) noexcept {
  int32_t day = 0;
  if (whole32(date, &day) && day_in_range(day)) {
    const civil::YearDay yd = year_day_affine(day);
    return static_cast<int32_t>(static_cast<uint32_t>(yd.year) * 1000 + static_cast<uint32_t>(yd.day_of_year));
  }
  return reference::zjuldat(date);
}

extern "C" void nlhost_svc_zymdjul(double *year, double *month, double *day, double julian) noexcept {
  int32_t j = 0;
  if (whole32(julian, &j) && j >= 1001 && j <= civil::kLastYear * 1000 + 366) {
    const uint32_t y = static_cast<uint32_t>(j) / 1000;
    const uint32_t doy = static_cast<uint32_t>(j) - y * 1000;
    const uint32_t february_end = 59 + leap32(y);
    if (doy - 1 < february_end + 306) {
      uint32_t m = 1, d = doy;
      if (doy > february_end) {
        // Month and day from the day counted from 1 March, [0, 305], by
        // one multiply: the month in the high half, the day in the low.
        const uint32_t n = 2141 * (doy - february_end - 1) + 197913;
        m = n >> 16;
        d = (n & 0xffff) / 2141 + 1;
      } else if (doy > 31) {
        m = 2;
        d = doy - 31;
      }
      if (year != nullptr) *year = y;
      if (month != nullptr) *month = m;
      if (day != nullptr) *day = d;
      return;
    }
  }
  reference::zymdjul(year, month, day, julian);
}

extern "C" double nlhost_svc_zwekday(double date) noexcept {
  constexpr uint32_t kFirstWeekday = civil::weekday(civil::kFirstDay) - 1;  // [0, 6]
  int32_t day = 0;
  if (whole32(date, &day) && day_in_range(day))
    return (static_cast<uint32_t>(day - civil::kFirstDay) + kFirstWeekday) % 7 + 1;
  return reference::zwekday(date);
}

extern "C" double nlhost_svc_zdatprt(double datetime) noexcept {
  if (!in_datetime_range(datetime)) return standard_missing();
  double day = floor_of(datetime / kSecondsPerDay);  // the division may round up to a whole day
  if (day * kSecondsPerDay > datetime) day -= 1;
  if ((day + 1) * kSecondsPerDay <= datetime) day += 1;
  return day;
}

extern "C" double nlhost_svc_zhour(double datetime) noexcept {
  return in_datetime_range(datetime) ? floor_of(positive_mod(datetime, kSecondsPerDay) / 3600)
                                     : standard_missing();
}

extern "C" double nlhost_svc_zminute(double time) noexcept {
  return in_datetime_range(time) ? floor_of(positive_mod(time, 3600) / 60) : standard_missing();
}

extern "C" double nlhost_svc_zsecond(double time) noexcept {
  return in_datetime_range(time) ? positive_mod(time, 60) : standard_missing();
}

extern "C" double nlhost_svc_wzdttme(void) noexcept {
  Host *host = current_host();
  return host != nullptr ? host->now() : standard_missing();
}

// The watched calendar services: each call recorded with its argument as a
// whole number (-1 when out of range; zmdy's as yyyymmdd), and failed with
// the missing value when the test armed it.

extern "C" double nlhost_watched_zmdy(double month, double day, double year) noexcept {
  int64_t m = 0, d = 0, y = 0;
  const int64_t noted = to_mdy(month, day, year, &m, &d, &y) ? y * 10000 + m * 100 + d : -1;
  return watch_call("zmdy", noted) ? standard_missing() : nlhost_svc_zmdy(month, day, year);
}

extern "C" double nlhost_watched_zjuldat(double date) noexcept {
  return watch_call("zjuldat", day_noted(date)) ? standard_missing() : nlhost_svc_zjuldat(date);
}

extern "C" void nlhost_watched_zymdjul(double *year, double *month, double *day, double julian) noexcept {
  int64_t j = 0;
  if (watch_call("zymdjul", to_julian(julian, &j) ? j : -1))
    store_ymd(year, month, day, false, {});
  else
    nlhost_svc_zymdjul(year, month, day, julian);
}

extern "C" double nlhost_watched_zwekday(double date) noexcept {
  return watch_call("zwekday", day_noted(date)) ? standard_missing() : nlhost_svc_zwekday(date);
}

extern "C" double nlhost_watched_zdatprt(double datetime) noexcept {
  return watch_call("zdatprt", seconds_noted(datetime)) ? standard_missing() : nlhost_svc_zdatprt(datetime);
}

extern "C" double nlhost_watched_zhour(double datetime) noexcept {
  return watch_call("zhour", seconds_noted(datetime)) ? standard_missing() : nlhost_svc_zhour(datetime);
}

extern "C" double nlhost_watched_zminute(double time) noexcept {
  return watch_call("zminute", seconds_noted(time)) ? standard_missing() : nlhost_svc_zminute(time);
}

extern "C" double nlhost_watched_zsecond(double time) noexcept {
  return watch_call("zsecond", seconds_noted(time)) ? standard_missing() : nlhost_svc_zsecond(time);
}

extern "C" double nlhost_watched_wzdttme(void) noexcept {
  watch_record("wzdttme", 0);
  return nlhost_svc_wzdttme();
}
