// nlhost: small rules about names and text that the host, the CLI and the
// database bindings share.
#ifndef NLHOST_TEXT_H
#define NLHOST_TEXT_H

#include <string>
#include <string_view>

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

}  // namespace nlhost

#endif  // NLHOST_TEXT_H
