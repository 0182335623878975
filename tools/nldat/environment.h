// nldat: what the CLI takes from its surroundings when not told: the locale
// from the environment and the module from where nldat itself lies.
#ifndef NLDAT_ENVIRONMENT_H
#define NLDAT_ENVIRONMENT_H

#include <optional>
#include <string>

namespace nldat {

// The locale: given (from --locale), else the first set of LC_ALL, LC_TIME
// and LANG, else the default.  Nothing, and *why set, for a name that is
// not a locale name at all.
std::optional<std::string> choose_locale(const std::string &given, std::string *why);

// The module beside nldat in a build tree, else the one in the installed
// library directory next to nldat's bin/, else the configured install path.
std::string default_module_path();

}  // namespace nldat

#endif
