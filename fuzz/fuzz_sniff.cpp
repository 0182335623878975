// sniff's path over untrusted delimited text: the sampler (fed in two blocks
// cut where the first byte says), the detector under every class of locales
// it tries, and both renderings of the report.  The text rendering must quote
// every field it shows and the JSON must stay one object.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz_module.h"
#include "nlhost/detect.h"
#include "nlhost/host.h"
#include "nlhost/icu_locale.h"
#include "nlhost/sample.h"

namespace {

struct Loaded {
  nldat_fuzz::LoadedModule *base;
  std::unique_ptr<nlhost::detect::Detector> detector;
};

Loaded &loaded() {
  static Loaded *l = [] {
    auto *created = new Loaded;
    created->base = nldat_fuzz::load_module("en_US");
    created->detector =
        std::make_unique<nlhost::detect::Detector>(*created->base->host, *created->base->module);
    return created;
  }();
  return *l;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider provider(data, size);
  const size_t cut = provider.ConsumeIntegral<uint8_t>();
  const std::string text = provider.ConsumeRemainingBytesAsString();
  nlhost::detect::SampleOptions options;
  options.head_records = 200;  // a fuzz input is small; keep the sample so
  nlhost::detect::Sampler sampler(options, static_cast<int64_t>(text.size()));
  std::string why;
  const size_t first = std::min(cut, text.size());
  if (!sampler.feed(std::string_view(text).substr(0, first), &why)) return 0;
  if (!sampler.feed(std::string_view(text).substr(first), &why)) return 0;
  const nlhost::detect::FileSample sample = sampler.finish();
  nlhost::detect::Report report = loaded().detector->analyze(sample.columns, "en_US");
  report.dialect = sample.dialect;
  report.file = "fuzz.csv";
  const std::string shown = nlhost::detect::render_text(report);
  for (const char c : shown) {
    if (c == '\0' || c == '\x1b') std::abort();  // a raw control byte reached the terminal
  }
  const std::string json = nlhost::detect::render_json(report);
  if (json.empty() || json.front() != '{' || json.substr(json.size() - 2) != "}\n") std::abort();
  (void)nlhost::detect::convert_command(report);
  return 0;
}
