// The built module loaded as a host loads it (dlopen through nlhost), for the
// targets that fuzz the CLI's and the detector's paths over the real module.
// Loaded once a process and never unloaded.
#ifndef NLDAT_FUZZ_MODULE_H
#define NLDAT_FUZZ_MODULE_H

#include <cstdlib>
#include <memory>
#include <string>

#include "nlhost/host.h"
#include "nlhost/icu_locale.h"

namespace nldat_fuzz {

struct LoadedModule {
  std::unique_ptr<nlhost::Host> host;
  std::unique_ptr<nlhost::Module> module;
};

// A host under locale with the module at NLDAT_MODULE_PATH loaded into it;
// aborts when the module cannot be loaded, for then nothing can be fuzzed.
inline LoadedModule *load_module(const char *locale) {
  auto *created = new LoadedModule;
  created->host = std::make_unique<nlhost::Host>();
  created->host->make_current();
  std::string why;
  created->host->set_locale(nlhost::load_icu_locale(locale, &why));
  created->module = nlhost::Module::open(*created->host, NLDAT_MODULE_PATH, &why);
  if (created->module == nullptr) std::abort();
  return created;
}

}  // namespace nldat_fuzz

#endif
