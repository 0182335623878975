// nldat: the locale from the environment and the module from nldat's place.
#include "environment.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "cli.h"
#include "nlhost/text.h"

namespace nldat {

std::string host_locale_name(std::string_view name) {
  std::string result(nlhost::posix_locale_name(name));
  for (char &c : result) {
    if (c == '-') c = '_';
  }
  return result;
}

std::optional<std::string> choose_locale(const std::string &given, std::string *why) {
  std::string_view name = given, source = "--locale";
  if (name.empty()) {
    for (const char *variable : {"LC_ALL", "LC_TIME", "LANG"}) {
      const char *value = std::getenv(variable);
      if (value != nullptr && *value != '\0') {
        name = value;
        source = variable;
        break;
      }
    }
  }
  for (const char c : name) {
    const bool fits = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      std::string_view("_-.@=").find(c) != std::string_view::npos;
    if (!fits) {
      *why = std::string(source) + " is not a locale name: " + std::string(name.substr(0, 60));
      return std::nullopt;
    }
  }
  return host_locale_name(name);
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
