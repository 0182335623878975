// The text utilities on arbitrary fields.
#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  const int op = in.ConsumeIntegralInRange<int>(0, 5);
  const std::string a = in.ConsumeRandomLengthString(4096);
  const std::string b = in.ConsumeRemainingBytesAsString();
  nldat_fuzz::Exact ta(a), tb(b);
  switch (op) {
    case 0: wzstcom(ta.data(), ta.size(), tb.data(), tb.size()); break;
    case 1: wzstrip(ta.data(), ta.size()); break;
    case 2: wzstpos(ta.data(), ta.size(), b.empty() ? 0 : b[0]); break;
    case 3: wzstdel(ta.data(), ta.size(), tb.data(), tb.size()); break;
    case 4: {
      int32_t length = 0, start = 0;
      wzstjls(ta.data(), ta.size(), b.empty() ? 'C' : b[0], &length, &start);
      break;
    }
    default: {
      nldat_fuzz::Exact terminated(a + '\0');
      wzstdel(terminated.data(), -1, tb.data(), tb.size());
      break;
    }
  }
  return 0;
}
