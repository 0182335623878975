// The host inside one PostgreSQL backend: one nlhost::Host, the module loaded
// once at first use, one locale per locale name used, one field reader per
// reader name.  Nothing here includes a PostgreSQL header and nothing here
// throws: every entry point catches whatever the C++ side raises and reports
// it as an Error, so that the SQL side can raise it after every C++ object of
// the call is gone (a PostgreSQL error unwinds by longjmp, past destructors).
#ifndef NLDAT_POSTGRES_SESSION_H
#define NLDAT_POSTGRES_SESSION_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "nlhost/reading.h"

namespace nlpg {

// What went wrong, by the kind of SQL error it becomes.
enum class Failure {
  kNone,
  kBadParameter,  // unknown locale, informat, rule or item; bad width or pattern
  kOutOfRange,    // a value the module cannot write
  kLimit,         // a text longer than the caller's buffer; too many locales
  kModule,        // the module cannot be loaded
  kOutOfMemory,   // the C++ side could not allocate
  kInternal,      // anything else the C++ side raised
};

// The texts are written only with a failure (the set-up of an Error is on
// every call's path).
struct Error {
  Failure failure = Failure::kNone;
  char message[384];
  char hint[160];
};

// What a call needs to know of the SQL session's settings.
struct Settings {
  std::string_view module_path;  // loaded from at first use only
  std::string_view locale;       // a locale name; empty: keep the current one
};

// The locale name a server's lc_time stands for: "de_DE.UTF-8" and
// "de_DE@euro" give "de_DE"; "C", "POSIX" and "" give "en_US".  A view into
// lc_time or a literal.
std::string_view locale_from_lc_time(std::string_view lc_time) noexcept;

// A week rule given as text ("V", "u", ...): the rule letter, or 0.
char week_rule(std::string_view text) noexcept;

// kAmbiguous: alternatives read the field to different values; like
// kNotRead, nothing is passed on as read.
enum class ReadResult { kRead, kNotRead, kAmbiguous, kFailed };

// One field to read: reader is an informat (NLDATE ...) or a library reader
// (NUMBER MONEY PERCENT WEEK), any case, or any reader text of
// nlhost/column_reader.h (NLDATE@en_GB, form:%b %d %Y, alternatives joined
// by '|'); kind is what the caller returns, so that a datetime informat
// asked for a date is refused.
struct ReadRequest {
  std::string_view field;
  std::string_view reader;
  nlhost::ValueKind kind = nlhost::ValueKind::kDate;
  char rule = 'V';  // the week rule of WEEK
};

// An amount of money as read: its decimal digits ("-1234.56"), for a numeric
// that holds exactly them, and the fraction digits of the locale's currency.
struct Amount {
  char digits[128];
  int fraction_digits = 2;
};

// Reads the field strictly through nlhost::FieldReader.  kRead: *value set
// (and *amount, when not null); kNotRead: the field is not one the reader
// takes; kAmbiguous: two alternatives read it to different values;
// kFailed: *error says why.
ReadResult read_field(const Settings &settings, const ReadRequest &request, double *value, Amount *amount,
                      Error *error) noexcept;

// What each alternative of reader (as ReadRequest::reader, of the kind its
// first alternative reads) makes of field when two make different values
// of it, into out[0, capacity): "2026-06-05 by NLDATE@en_GB or 2026-05-06 by
// NLDATE@en_US", cut between characters at capacity.  True and *length 0
// when the field is not ambiguous (read, or not read by any); false and
// *error for bad reader text.
bool describe_ambiguity(const Settings &settings, std::string_view field, std::string_view reader, char *out,
                        size_t capacity, size_t *length, Error *error) noexcept;

// Writes a date (kDate) or a datetime (kDatetime) value by pattern, in the
// module's pattern language or "@N" for locale item N, into out[0, capacity);
// true and *length set when written.
bool format_value(const Settings &settings, nlhost::ValueKind kind, double value, std::string_view pattern,
                  char *out, size_t capacity, size_t *length, Error *error) noexcept;

// Week-date text of a date under rule, in a field of width 3 to 64 bytes
// (out holds at least 64): true and *length set when written.
bool format_week(const Settings &settings, double date, char rule, int width, char *out, size_t *length,
                 Error *error) noexcept;

// The week number of a date under rule.
bool week_number(const Settings &settings, double date, char rule, int *week, Error *error) noexcept;

// Whether name names a locale the host offers (in any of the spellings a
// call may use), loading it for the calls to come; false and *error when not.
bool check_locale(std::string_view name, Error *error) noexcept;

// How many locales the backend keeps loaded (at most a fixed few).
size_t locales_kept() noexcept;

// "nldat 1.1.0, module release 1.00 (build ... of ...), ICU 72.1, CLDR 42.0",
// loading the module when it is not loaded yet.
bool version(const Settings &settings, char *out, size_t capacity, Error *error) noexcept;

// The locale names the host offers, sorted; kept for the life of the backend.
const std::vector<std::string> *locale_names(Error *error) noexcept;

}  // namespace nlpg

#endif
