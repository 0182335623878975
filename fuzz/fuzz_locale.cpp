// Locale item access: arbitrary item numbers, capacities, default texts and
// item texts, with the option on and off.
#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  auto &host = nldat_fuzz::host();
  FuzzedDataProvider in(data, size);
  auto locale = nlhost::make_builtin_english();
  const int32_t item = in.ConsumeIntegralInRange<int32_t>(-3, nlhost::Locale::kItems + 3);
  if (in.ConsumeBool()) locale->set_text(item, in.ConsumeRandomLengthString(UWN_ENTRY_TEXT_MAX));
  host.set_locale(locale);
  host.set_option("GSTYLE", in.ConsumeBool());
  const int32_t capacity = in.ConsumeIntegralInRange<int32_t>(-8, 200);
  const std::string fallback = in.ConsumeRandomLengthString(300);
  nldat_fuzz::Exact def(fallback);
  nldat_fuzz::Exact dest(static_cast<size_t>(capacity < 0 ? 0 : capacity), '#');
  int32_t length = capacity;
  const bool null_default = in.ConsumeBool();
  zkgetloc(item, dest.data(), &length, null_default ? nullptr : def.data(),
           in.ConsumeIntegralInRange<int32_t>(-2, def.size()));
  nldat_fuzz::Exact text(in.ConsumeRemainingBytesAsString());
  zksetloc(item, text.data(), text.size());
  return 0;
}
