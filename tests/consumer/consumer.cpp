// Loads the installed module through the installed reference host and reads
// a date through NLDATE.
#include <cstdio>
#include <string>

#include "nlhost/host.h"
#include "uwinldat.h"

int main() {
  nlhost::Host host;
  auto locale = nlhost::make_builtin_english();
  host.set_locale(locale);
  std::string error;
  auto module = nlhost::Module::open(host, UWINLDAT_MODULE, &error);
  if (!module) {
    std::fprintf(stderr, "consumer: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s: %zu informats\n", UWINLDAT_MODULE, module->informats().size());
  return module->informats().size() == UWN_INFORMAT_COUNT ? 0 : 1;
}
