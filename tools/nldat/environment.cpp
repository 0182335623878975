// nldat: the locale from the environment and the module from nldat's place.
#include "environment.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <optional>

#include "cli.h"
#include "messages.h"
#include "nlhost/icu_locale.h"
#include "nlhost/text.h"

namespace nldat {

namespace {

// The locale a name stands for, after the POSIX rules ("de_DE.UTF-8",
// "de_DE@euro", "de-DE", "C"), as ICU offers it; nothing when it is none.
std::optional<std::string> known_locale(std::string_view name) {
  if (!nlhost::is_locale_name(name)) return std::nullopt;
  return nlhost::icu_locale_id(nlhost::host_locale_name(name));
}

// A variable's value as the summary and the warning show it.
std::string shown_setting(std::string_view variable, std::string_view value) {
  return std::string(variable) + "=" + escaped_for_message(value, kShownFieldBytes);
}

LocaleChoice from_environment(const char *own_variable) {
  for (const char *variable : {"LC_ALL", own_variable, "LANG"}) {
    const char *value = std::getenv(variable);
    if (value == nullptr || *value == '\0') continue;
    LocaleChoice choice;
    choice.source = shown_setting(variable, value);
    if (const std::optional<std::string> known = known_locale(value)) {
      choice.name = *known;
    } else {
      choice.name = std::string(nlhost::kDefaultLocale);
      choice.unknown = choice.source;
    }
    return choice;
  }
  return {std::string(nlhost::kDefaultLocale), "default", ""};
}

}  // namespace

bool choose_locales(const std::string &given, JobLocales *locales, std::string *why) {
  if (!given.empty()) {
    const std::optional<std::string> known = known_locale(given);
    if (!known) {
      *why = "unknown locale " + quoted_for_message(given) + " (nldat locales lists the available ones)";
      return false;
    }
    const LocaleChoice choice{*known, "--locale", ""};
    *locales = {choice, choice, choice, true};
    return true;
  }
  *locales = {from_environment("LC_TIME"), from_environment("LC_NUMERIC"), from_environment("LC_MONETARY"),
              false};
  return true;
}

namespace {

// The directory of the running program.
std::string own_directory() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  const std::string_view full(path, static_cast<size_t>(n));
  const size_t slash = full.rfind('/');
  return slash == std::string_view::npos ? "." : std::string(full.substr(0, slash));
}

}  // namespace

std::string default_module_path() {
  const std::string here = own_directory();
  for (const std::string &candidate :
       {here + "/uwinldat.so", here + "/../" NLDAT_INSTALL_LIBDIR "/uwinldat.so"}) {
    if (::access(candidate.c_str(), R_OK) == 0) return candidate;
  }
  return NLDAT_INSTALLED_MODULE;
}

}  // namespace nldat
