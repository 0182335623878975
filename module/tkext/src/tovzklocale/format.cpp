// The format entry points: a date, datetime or time value written by a
// pattern given as text or as a locale item.  Each selects the pattern first
// (-1), then refuses what it cannot write (-3): a missing, NaN or out-of-range
// value, hours beyond 32 bits, a width of INT32_MIN; then splits the value for
// the expander and passes its result on.
#include <cmath>

#include "entry_text.h"
#include "tovzklocale.h"

namespace {

constexpr double kFirstDate = -138061;  // 1 January 1582
constexpr double kDateLimit = 6589336;
constexpr double kSecondsPerDay = 86400;
constexpr double kFirstDatetime = kFirstDate * kSecondsPerDay;
constexpr double kDatetimeLimit = kDateLimit * kSecondsPerDay;
static_assert(kFirstDatetime == -11928470400.0 && kDatetimeLimit == 569318630400.0);
constexpr double kHoursLimit = 2147483648.0;  // whole hours must fit 32 bits

// A null pattern with a positive length names the locale item that holds it.
bool select_pattern(void *locale, const char *&pattern, int32_t &length) {
  if (pattern != nullptr || length <= 0) return true;
  const uwn_locale_entry *entry = nullptr;
  if (wzsxglc(locale, length, &entry) != 0 || entry == nullptr) return false;
  pattern = entry->text;
  length = uwn::entry_text_length(entry);
  return true;
}

bool width_ok(const int32_t *width) { return width != nullptr && *width != INT32_MIN; }

// NaN fails every comparison, so it is refused with the missing values.
bool within(double x, double low, double limit) { return !uwn::is_missing(x) && x >= low && x < limit; }

}  // namespace

extern "C" {

int32_t zkfdate(char *dest, int32_t *width, const char *pattern, int32_t pattern_length, double date) {
  void *locale = uwn::current_locale();
  if (!select_pattern(locale, pattern, pattern_length)) return UWN_NO_ITEM;
  if (!within(date, kFirstDate, kDateLimit) || !width_ok(width)) return UWN_NO_VALUE;
  const double none = uwn::missing_value();
  return expand(locale, pattern, pattern_length, dest, width, date, none, none, none);
}

int32_t zkrfdttm(void *locale, char *dest, int32_t *width, const char *pattern, int32_t pattern_length,
                 double datetime) {
  if (!select_pattern(locale, pattern, pattern_length)) return UWN_NO_ITEM;
  if (!within(datetime, kFirstDatetime, kDatetimeLimit) || !width_ok(width)) return UWN_NO_VALUE;
  const double hours = zhour(datetime);
  const double minutes = zminute(datetime);
  const double seconds = zsecond(datetime);
  const double date = zdatprt(datetime);
  return expand(locale, pattern, pattern_length, dest, width, date, hours, minutes, seconds);
}

int32_t zkfdttm(char *dest, int32_t *width, const char *pattern, int32_t pattern_length, double datetime) {
  return zkrfdttm(uwn::current_locale(), dest, width, pattern, pattern_length, datetime);
}

int32_t zkftime(char *dest, int32_t *width, const char *pattern, int32_t pattern_length, double time) {
  void *locale = uwn::current_locale();
  if (!select_pattern(locale, pattern, pattern_length)) return UWN_NO_ITEM;
  if (!within(time, 0, HUGE_VAL) || !width_ok(width)) return UWN_NO_VALUE;
  const double hours = std::floor(std::fabs(time / 3600));  // not reduced to a day
  if (!(hours < kHoursLimit)) return UWN_NO_VALUE;
  const double minutes = zminute(time);
  const double seconds = zsecond(time);
  return expand(locale, pattern, pattern_length, dest, width, uwn::missing_value(), hours, minutes, seconds);
}

}  // extern "C"
