// The five informats: arbitrary field, block fields and locale patterns.
#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  auto &host = nldat_fuzz::host();
  FuzzedDataProvider in(data, size);
  static const uwn_informat_fn kInformats[] = {nldate, nldatm, nldatew, nldatmw, nldatmap};
  const uwn_informat_fn informat = in.PickValueInArray(kInformats);
  auto locale = nlhost::make_builtin_english();
  nldat_fuzz::edit_items(in, *locale, 28, 89);
  host.set_locale(locale);
  nldat_fuzz::FuzzBlock fuzz(in, INT32_MIN, INT32_MAX);
  informat(&fuzz.block);
  return 0;
}
