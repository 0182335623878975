// nlhost: small rules about names and text that the host, the CLI and the
// database bindings share.
#ifndef NLHOST_TEXT_H
#define NLHOST_TEXT_H

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

}  // namespace nlhost

#endif  // NLHOST_TEXT_H
