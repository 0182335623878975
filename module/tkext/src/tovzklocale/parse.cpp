// zkpdate, zkpdttm, zkptime: a date, datetime or time value read from text by
// a pattern given as text or as a locale item, stored only when in range.
#include "numeric_date.h"
#include "tovzklocale.h"

namespace {

struct Parsed {
  int32_t status;  // UWN_OK, or UWN_NO_ITEM when the pattern item is missing
  double date;
  double time;
};

// Runs the parser with both outputs preset to the standard missing value; its
// result is not used: the verdict rests on what it left in date and time.
Parsed parse(const char *text, int32_t length, const char *pattern, int32_t pattern_length) {
  Parsed out{UWN_OK, uwn::missing_value(), uwn::missing_value()};
  if (!uwn::select_pattern(nullptr, pattern, pattern_length)) {
    out.status = UWN_NO_ITEM;
    return out;
  }
  getdate_fixlen(uwn::current_locale(), text, length, pattern, pattern_length, &out.date, &out.time);
  return out;
}

// zkpdate by a locale item: the item's text read in this frame, which the
// item's host call needs anyway.
[[gnu::noinline]] int32_t read_date_by_item(const char *text, int32_t length, int32_t item, double *result) {
  const char *pattern = nullptr;
  int32_t pattern_length = item;
  if (!uwn::select_pattern(nullptr, pattern, pattern_length)) return UWN_NO_ITEM;
  return uwn::read_date(text, length, pattern, pattern_length, result);
}

}  // namespace

extern "C" int32_t zkpdate(const char *text, int32_t length, const char *pattern, int32_t pattern_length,
                           double *result) {
  if (pattern == nullptr && pattern_length > 0)
    return read_date_by_item(text, length, pattern_length, result);
  return uwn::read_date_out_of_line(text, length, pattern, pattern_length, result);
}

extern "C" int32_t zkpdttm(const char *text, int32_t length, const char *pattern, int32_t pattern_length,
                           double *result) {
  if (!uwn::select_pattern(nullptr, pattern, pattern_length)) return UWN_NO_ITEM;
  return uwn_read_datetime(text, length, pattern, pattern_length, result);
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
