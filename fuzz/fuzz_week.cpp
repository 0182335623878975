// The week routines: arbitrary week-date text, width, rule and value.
#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  nldat_fuzz::host();
  FuzzedDataProvider in(data, size);
  const char rule = in.PickValueInArray({'U', 'V', 'W', 'u', 'X', '\0'});
  const int routine = in.ConsumeIntegralInRange<int>(0, 2);
  if (routine == 0) {
    const int32_t width = in.ConsumeIntegralInRange<int32_t>(-40, 40);
    const double date = nldat_fuzz::pick_double(in);
    nldat_fuzz::Exact dest(static_cast<size_t>(width < 0 ? -width : width), '#');
    int32_t w = width;
    zkfweek(dest.data(), &w, &rule, 1, date);
  } else if (routine == 1) {
    double week = 0;
    zkweek(&week, nullptr, &rule, 1, nldat_fuzz::pick_double(in));
  } else {
    double value = nldat_fuzz::pick_double(in);
    nldat_fuzz::Exact text(in.ConsumeRemainingBytesAsString());
    zkifweek(text.data(), text.size(), &rule, 1, &value);
  }
  return 0;
}
