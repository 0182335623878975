// The parse entry points: arbitrary text and pattern, or the pattern as an
// item of a locale whose items the input also sets.
#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  auto &host = nldat_fuzz::host();
  FuzzedDataProvider in(data, size);
  const int routine = in.ConsumeIntegralInRange<int>(0, 2);
  const bool as_item = in.ConsumeBool();
  const int32_t item = in.ConsumeIntegralInRange<int32_t>(-2, nlhost::Locale::kItems + 2);
  auto locale = nlhost::make_builtin_english();
  // Replace a few items (patterns, names, AM/PM, time patterns) with fuzz text.
  nldat_fuzz::edit_items(in, *locale, 0, 100);
  host.set_locale(locale);
  const std::string pattern = in.ConsumeRandomLengthString(40000);
  nldat_fuzz::Exact text(in.ConsumeRemainingBytesAsString());
  nldat_fuzz::Exact pat(pattern);
  double result = 0;
  const char *p = as_item ? nullptr : pat.data();
  const int32_t n = as_item ? item : pat.size();
  switch (routine) {
    case 0: zkpdate(text.data(), text.size(), p, n, &result); break;
    case 1: zkpdttm(text.data(), text.size(), p, n, &result); break;
    default: zkptime(text.data(), text.size(), p, n, &result); break;
  }
  return 0;
}
