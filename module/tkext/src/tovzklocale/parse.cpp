// zkpdate, zkpdttm, zkptime: a date, datetime or time value read from text by
// a pattern given as text or as a locale item, stored only when in range.
#include "entry_text.h"
#include "tovzklocale.h"

namespace {

constexpr double kFirstDate = -138061;  // 1 January 1582
constexpr double kDateLimit = 6589336;  // first day past the accepted range
constexpr double kDaySeconds = 86400;

struct Parsed {
  int32_t status;  // UWN_OK, or UWN_NO_ITEM when the pattern item is missing
  double date;
  double time;
};

// Runs the parser with both outputs preset to the standard missing value; its
// result is not used: the verdict rests on what it left in date and time.
Parsed parse(const char *text, int32_t length, const char *pattern, int32_t pattern_length) {
  Parsed out{UWN_OK, uwn::missing_value(), uwn::missing_value()};
  if (pattern == nullptr) {
    if (pattern_length > 0) {
      const uwn_locale_entry *entry = nullptr;
      if (wzsxglc(nullptr, pattern_length, &entry) != 0 || entry == nullptr) {
        out.status = UWN_NO_ITEM;
        return out;
      }
      pattern = entry->text;
      pattern_length = uwn::entry_text_length(entry);
    } else {
      pattern_length = 0;
    }
  }
  getdate_fixlen(uwn::current_locale(), text, length, pattern, pattern_length, &out.date, &out.time);
  return out;
}

// A date the library accepts (the negated tests refuse a NaN too).
bool date_in_range(double date) { return !wzmis(date) && date >= kFirstDate && date < kDateLimit; }

}  // namespace

extern "C" int32_t zkpdate(const char *text, int32_t length, const char *pattern, int32_t pattern_length,
                           double *result) {
  const Parsed p = parse(text, length, pattern, pattern_length);
  if (p.status != UWN_OK) return p.status;
  if (!date_in_range(p.date)) return UWN_NO_VALUE;
  *result = p.date;
  return UWN_OK;
}

extern "C" int32_t zkpdttm(const char *text, int32_t length, const char *pattern, int32_t pattern_length,
                           double *result) {
  const Parsed p = parse(text, length, pattern, pattern_length);
  if (p.status != UWN_OK) return p.status;
  if (!date_in_range(p.date)) return UWN_NO_VALUE;
  if (wzmis(p.time) || !(p.time >= 0) || !(p.time < kDaySeconds)) return UWN_NO_VALUE;
  *result = p.date * kDaySeconds + p.time;
  return UWN_OK;
}

// No upper bound: a time of up to 99:99:99 is accepted.
extern "C" int32_t zkptime(const char *text, int32_t length, const char *pattern, int32_t pattern_length,
                           double *result) {
  const Parsed p = parse(text, length, pattern, pattern_length);
  if (p.status != UWN_OK) return p.status;
  if (wzmis(p.time) || !(p.time >= 0)) return UWN_NO_VALUE;
  *result = p.time;
  return UWN_OK;
}
