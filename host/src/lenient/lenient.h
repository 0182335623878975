// The lenient readers behind the host's standard informats: ISO 8601 and the
// current locale's own CLDR forms.  Each reads a whole field (already
// normalized and without leading or trailing blanks) or nothing, and answers
// only values inside the module's range.
#ifndef NLHOST_LENIENT_H
#define NLHOST_LENIENT_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "nlhost/readers.h"
#include "uwinldat.h"

namespace nlhost {
class Locale;
}

namespace nlhost::lenient {

// The values every reader of dates and datetimes accepts: the module's range.
inline constexpr int64_t kFirstDate = UWN_FIRST_DATE;
inline constexpr int64_t kDateLimit = UWN_DATE_LIMIT;
inline constexpr double kFirstDatetime = static_cast<double>(UWN_FIRST_DATETIME);
inline constexpr double kDatetimeLimit = static_cast<double>(UWN_DATETIME_LIMIT);

// kind: kDate or kDatetime.
constexpr bool in_range(ValueKind kind, double value) {
  return kind == ValueKind::kDate ? value >= kFirstDate && value < kDateLimit
                                  : value >= kFirstDatetime && value < kDatetimeLimit;
}

// Exactly count ASCII digits of s at pos (pos <= s.size()), as a number.
inline bool digits_at(std::string_view s, size_t pos, int count, int *value) {
  if (s.size() - pos < static_cast<size_t>(count)) return false;
  int v = 0;
  for (int k = 0; k < count; ++k) {
    const char c = s[pos + static_cast<size_t>(k)];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return true;
}

// ISO 8601: 2026-12-07, 20261207, 2026-W50-1, 2026W501; for datetimes a date,
// 'T' or a blank, hh:mm[:ss[.fff]] (or hhmm[ss] after 'T'), and an optional
// Z or +hh[:mm] offset, which is applied.
bool read_iso(ValueKind kind, std::string_view text, double *value);

// A locale's date and time forms, built once from ICU's data for the
// locale and never changed after: safe to share between threads.
class LocaleForms;

// The forms of locale (by its ICU name), built on first use and kept for
// the life of the process; null when ICU does not know the name.
const LocaleForms *forms_of(const Locale &locale);

// Reads text by one of the locale's forms; two-digit years through the
// window that starts at first_year.
bool read_locale(const LocaleForms &forms, ValueKind kind, std::string_view text, int first_year,
                 double *value);

// A pattern of the module's language (%d, %m, %Y, %y, %b, %B, %a, %A, %H,
// %I, %M, %S, %P, %%, literal text) read the way the locale's own forms are:
// one- or two-digit numbers, two- or four-digit years, month and weekday
// names in any case and width, the locale's digits.  Immutable once made.
class UserForm;

// The form of pattern for values of kind; null and *error set when the
// pattern has a directive the matcher does not read or lacks what a value
// of kind needs (a date its year, month and day; a time its hour).
std::shared_ptr<const UserForm> user_form(std::string_view pattern, ValueKind kind, std::string *error);

// Reads the whole of text by form, with the names and digits of forms; a
// value of form's kind.
bool read_user_form(const LocaleForms &forms, const UserForm &form, std::string_view text, int first_year,
                    double *value);

}  // namespace nlhost::lenient

#endif  // NLHOST_LENIENT_H
