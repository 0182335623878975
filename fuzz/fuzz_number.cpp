// The number readers: arbitrary field, width, decimals, flags, and
// number-convention record contents.
#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  auto &host = nldat_fuzz::host();
  FuzzedDataProvider in(data, size);
  const int routine = in.ConsumeIntegralInRange<int>(0, 4);
  auto locale = nlhost::make_builtin_english();
  uwn_number_convention record{};
  const std::string currency = in.ConsumeRandomLengthString(sizeof record.currency);
  std::memcpy(record.currency, currency.data(), currency.size());  // may fill all 50 bytes, no NUL
  record.decimal_separator = in.ConsumeIntegral<char>();
  record.grouping_separator = in.ConsumeIntegral<char>();
  record.positive_sign = in.ConsumeIntegral<char>();
  record.negative_sign = in.ConsumeIntegral<char>();
  record.positive_style = in.ConsumeIntegralInRange<int32_t>(-1, 3);
  record.negative_style = in.ConsumeIntegralInRange<int32_t>(-1, 3);
  const int32_t item = in.PickValueInArray({111, 112, 113, 114, 0, -1, 200});
  if (item > 0 && item < nlhost::Locale::kItems) locale->set_numeric(item, record);
  host.set_locale(locale);

  nldat_fuzz::FuzzBlock fuzz(in, -3, 40);
  uwn_informat_block &block = fuzz.block;
  switch (routine) {
    case 0: zifmcma(&block); break;
    case 1: zifmpct(&block); break;
    case 2: zkifnum(0, 0, nullptr, item, &block); break;
    case 3: zkifmny(0, 0, nullptr, item, &block); break;
    default: zkifpct(0, 0, nullptr, item, &block); break;
  }
  return 0;
}
