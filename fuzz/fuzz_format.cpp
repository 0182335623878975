// The format entry points: arbitrary pattern (or item), width, value.
#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  auto &host = nldat_fuzz::host();
  host.set_locale(nlhost::make_builtin_english());
  FuzzedDataProvider in(data, size);
  const int routine = in.ConsumeIntegralInRange<int>(0, 3);
  const bool as_item = in.ConsumeBool();
  const int32_t item = in.ConsumeIntegralInRange<int32_t>(-2, nlhost::Locale::kItems + 2);
  const int32_t width = nldat_fuzz::pick_width(in);
  const bool measure = in.ConsumeBool();
  const double value = nldat_fuzz::pick_double(in);
  nldat_fuzz::Exact pattern(in.ConsumeRemainingBytesAsString());
  const int64_t field = width == INT32_MIN ? 0 : (width < 0 ? -int64_t{width} : width);
  nldat_fuzz::Exact dest(static_cast<size_t>(field > 8192 ? 8192 : field), '#');
  int32_t w = field > 8192 ? (width < 0 ? -8192 : 8192) : width;
  char *d = measure ? nullptr : dest.data();
  const char *p = as_item ? nullptr : pattern.data();
  const int32_t n = as_item ? item : pattern.size();
  switch (routine) {
    case 0: zkfdate(d, &w, p, n, value); break;
    case 1: zkfdttm(d, &w, p, n, value); break;
    case 2: zkrfdttm(host.locale(), d, &w, p, n, value); break;
    default: zkftime(d, &w, p, n, value); break;
  }
  return 0;
}
