// nlhost: small rules about names and text that the host, the CLI and the
// database bindings share.
#ifndef NLHOST_TEXT_H
#define NLHOST_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "uwinldat.h"

namespace nlhost {

// c in upper case when it is an ASCII letter, else c.
constexpr char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether two names are the same, ASCII case aside (names of readers,
// informats, kinds and options).
constexpr bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ascii_upper(a[i]) != ascii_upper(b[i])) return false;
  }
  return true;
}

// The locale a host reads by when none is named.
// The capacity a buffer of capacity bytes grows to when it must hold needed
// bytes: double, but straight to most once past half of it, so that a
// record too long for most is never held twice over while it is copied.
constexpr size_t grown_capacity(size_t capacity, size_t needed, size_t most) {
  const size_t doubled = needed > 2 * capacity ? needed : 2 * capacity;
  if (doubled <= most / 2) return doubled;
  return needed > most ? needed : most;
}

inline constexpr std::string_view kDefaultLocale = "en_US";

// The locale a POSIX locale name stands for: the codeset and modifier say
// nothing to the host ("de_DE.UTF-8" and "de_DE@euro" are de_DE), and "C",
// "POSIX" and an empty name stand for kDefaultLocale.  A view of name, or of
// kDefaultLocale.
constexpr std::string_view posix_locale_name(std::string_view name) {
  name = name.substr(0, name.find_first_of(".@"));
  if (name.empty() || name == "C" || name == "POSIX") return kDefaultLocale;
  return name;
}

// Whether name is made of what locale names are made of: ASCII letters and
// digits and _ - . @ = (de_DE, de-DE, de_DE.UTF-8, sr_RS@latin).  Anything
// else (a blank, a slash) is no locale name and is never looked up, and
// neither is a codeset or modifier without a language before it (".",
// "..", "@euro"): they would otherwise stand for kDefaultLocale.
constexpr bool is_locale_name(std::string_view name) {
  if (!name.empty() && name.find_first_of(".@") == 0) return false;
  for (const char c : name) {
    const bool fits = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      std::string_view("_-.@=").find(c) != std::string_view::npos;
    if (!fits) return false;
  }
  return true;
}

// A POSIX or BCP 47 locale name as the host looks it up: "de_DE.UTF-8",
// "de_DE@euro" and "de-DE" give "de_DE"; "C", "POSIX" and "" give
// kDefaultLocale.  The CLI and the database bindings name locales alike.
inline std::string host_locale_name(std::string_view name) {
  std::string result(posix_locale_name(name));
  for (char &c : result) {
    if (c == '-') c = '_';
  }
  return result;
}

// What a status of the module's writers (zkfdate, zkfdttm, zkftime) means,
// for every caller that reports one.  A message has two wordings: the CLI and
// Python say why after naming the pattern themselves ("format: '@99': the
// locale does not have the pattern item"); a database error stands alone, so
// it goes on to name what was refused (the subject), and its texts are those
// the databases' users already see.
struct WriteStatus {
  enum class Subject : uint8_t { kNone, kItemNumber, kPattern };  // what a message alone goes on to name
  enum class Cause : uint8_t {
    kRequest,
    kLength,
    kValue
  };  // the pattern asked for, the text's size, the value
  int32_t status;
  const char *reason;  // after the pattern's own name
  const char *alone;   // a message by itself, followed by its subject
  Subject subject;
  Cause cause;
};

inline constexpr WriteStatus kWriteStatuses[] = {
    {UWN_NO_ITEM, "the locale does not have the pattern item", "the locale has no pattern item",
     WriteStatus::Subject::kItemNumber, WriteStatus::Cause::kRequest},
    {UWN_BAD_DIRECTIVE, "bad directive in the pattern", "bad directive in pattern",
     WriteStatus::Subject::kPattern, WriteStatus::Cause::kRequest},
    {UWN_NO_VALUE, "missing or out-of-range value", "the value is out of the range the pattern can write",
     WriteStatus::Subject::kNone, WriteStatus::Cause::kValue},
    {UWN_TRUNCATED, "the text passes the 512-byte limit of one expansion",
     "the text passes the 512-byte limit of one expansion", WriteStatus::Subject::kNone,
     WriteStatus::Cause::kLength},
};

// Any other status that left nothing written.
inline constexpr WriteStatus kNotWritten = {0, "not written", kWriteStatuses[2].alone,
                                            WriteStatus::Subject::kNone, WriteStatus::Cause::kValue};

constexpr const WriteStatus &write_status(int32_t status) {
  for (const WriteStatus &row : kWriteStatuses) {
    if (row.status == status) return row;
  }
  return kNotWritten;
}

}  // namespace nlhost

#endif  // NLHOST_TEXT_H
