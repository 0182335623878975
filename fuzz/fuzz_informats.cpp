// The five informats: arbitrary field, block fields and locale patterns.
#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  auto &host = nldat_fuzz::host();
  FuzzedDataProvider in(data, size);
  static const uwn_informat_fn kInformats[] = {nldate, nldatm, nldatew, nldatmw, nldatmap};
  const uwn_informat_fn informat = in.PickValueInArray(kInformats);
  auto locale = nlhost::make_builtin_english();
  const int edits = in.ConsumeIntegralInRange<int>(0, 4);
  for (int i = 0; i < edits; ++i) {
    const int which = in.ConsumeIntegralInRange<int>(28, 89);
    if (in.ConsumeBool()) {
      locale->remove(which);
    } else {
      locale->set_text(which, in.ConsumeRandomLengthString(UWN_ENTRY_TEXT_MAX));
    }
  }
  host.set_locale(locale);
  uwn_informat_block block{};
  block.width = nldat_fuzz::pick_width(in);
  block.decimals = in.ConsumeIntegral<int32_t>();
  block.flags = in.ConsumeIntegral<uint8_t>();
  nldat_fuzz::Exact text(in.ConsumeRemainingBytesAsString());
  double result = 0;
  block.text = text.data();
  block.text_length = text.size();
  block.result = &result;
  informat(&block);
  return 0;
}
