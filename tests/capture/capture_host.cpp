// A host process that defines min, wzstrip and zmdy itself and exports them
// (-rdynamic): the module's own calls must still reach the module's own
// routines and the host's services, never these.
#include <cstdio>
#include <cstring>
#include <string>

#include "nlhost/host.h"
#include "uwinldat.h"

namespace {
int captured = 0;
}

extern "C" {
__attribute__((used, visibility("default"))) int32_t min(int32_t, int32_t) {
  ++captured;
  return 0;
}
__attribute__((used, visibility("default"))) int32_t wzstrip(const char *, int32_t) {
  ++captured;
  return 0;
}
__attribute__((used, visibility("default"))) double zmdy(double, double, double) {
  ++captured;
  return 0;
}
}

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: nldat_capture_host MODULE\n");
    return 2;
  }
  nlhost::Host host;
  auto locale = nlhost::make_builtin_english();
  locale->set_text(UWN_ITEM_DATE_1, "%d.%m.%Y");
  host.set_locale(locale);
  std::string error;
  auto module = nlhost::Module::open(host, argv[1], &error);
  if (!module) {
    std::fprintf(stderr, "nldat_capture_host: %s\n", error.c_str());
    return 1;
  }
  int failures = 0;

  // nldate -> the parser -> the zmdy stub -> the host's calendar.
  double value = 0;
  uwn_informat_block block{};
  const char field[] = "07.12.2026";
  block.width = 10;
  block.text = field;
  block.text_length = 10;
  block.result = &value;
  if (module->informat("NLDATE")(&block) != 0 || value != 24447) {
    std::fprintf(stderr, "NLDATE read %g, not 24447\n", value);
    ++failures;
  }

  // wzstjls -> wzstrip.
  char text[] = "  ab    ";
  int32_t length = 0, start = 0;
  module->function<decltype(&wzstjls)>("wzstjls")(text, 8, 'R', &length, &start);
  if (std::strcmp(text, "      ab") != 0 || length != 2) {
    std::fprintf(stderr, "wzstjls gave '%s'\n", text);
    ++failures;
  }

  // zifmcma -> min, where the number reader exists.
  if (auto zifmcma_fn = module->function<decltype(&zifmcma)>("zifmcma")) {
    const char number[] = "1,234";
    block = {};
    block.width = 5;
    block.text = number;
    block.text_length = 5;
    block.result = &value;
    if (zifmcma_fn(&block) != 0 || value != 1234) {
      std::fprintf(stderr, "zifmcma read %g, not 1234\n", value);
      ++failures;
    }
  }

  if (captured != 0) {
    std::fprintf(stderr, "the host's own min/wzstrip/zmdy were called %d times\n", captured);
    ++failures;
  }
  std::puts(failures == 0 ? "module calls stay in the module" : "module calls were captured");
  return failures == 0 ? 0 : 1;
}
