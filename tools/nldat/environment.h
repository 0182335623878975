// nldat: what the CLI takes from its surroundings when not told: the locale
// from the environment and the module from where nldat itself lies.
#ifndef NLDAT_ENVIRONMENT_H
#define NLDAT_ENVIRONMENT_H

#include <string>
#include <string_view>

namespace nldat {

// What a reader reads by: dates and times, numbers and percentages, money.
// Each may come from a variable of its own, as in every POSIX program.
enum class LocaleCategory { kTime, kNumeric, kMonetary };

// The locale of one category and what chose it.
struct LocaleChoice {
  std::string name;     // the host's name for it: de_DE
  std::string source;   // for the summary: "--locale", "LANG=de_DE.UTF-8", "default"
  std::string unknown;  // the environment named a locale the host lacks: "LC_ALL=junk"; name is the default
};

// The locale of each category of a job.
struct JobLocales {
  LocaleChoice time, numeric, monetary;
  bool given = false;  // by --locale, for all of them
  const LocaleChoice &of(LocaleCategory category) const {
    return category == LocaleCategory::kNumeric    ? numeric
           : category == LocaleCategory::kMonetary ? monetary
                                                   : time;
  }
};

// The locales: given (from --locale) for every category, else each by the
// first set of LC_ALL, its own variable (LC_TIME, LC_NUMERIC, LC_MONETARY)
// and LANG, else the default.  A name from the environment that the host
// does not know falls back to the default and says so in unknown.  False,
// and *why set, when given is not a locale the host knows.
bool choose_locales(const std::string &given, JobLocales *locales, std::string *why);

// The module beside nldat in a build tree, else the one in the installed
// library directory next to nldat's bin/, else the configured install path.
std::string default_module_path();

}  // namespace nldat

#endif
