// wzstrip: the length of a field without its trailing blanks.  Long fields
// are scanned backwards a word at a time over their 8-byte-aligned middle;
// no byte outside the field is read.
#include "uwn_module.h"

namespace {
constexpr uint64_t kEightBlanks = 0x2020202020202020ull;
constexpr int32_t kWordScanFrom = 16;  // shorter fields: byte by byte
}  // namespace

extern "C" int32_t wzstrip(const char *text, int32_t length) {
  if (length <= 0) return length;
  int32_t n = length;
  if (n > kWordScanFrom) {
    const uintptr_t base = reinterpret_cast<uintptr_t>(text);
    // Tail bytes after the last aligned word boundary inside the field.
    const int32_t aligned_end = static_cast<int32_t>(((base + static_cast<uintptr_t>(n)) & ~uintptr_t{7}) - base);
    while (n > aligned_end) {
      if (text[n - 1] != ' ') return n;
      --n;
    }
    // Whole aligned words that lie entirely inside the field.
    while (n >= 8) {
      uint64_t word;
      std::memcpy(&word, text + n - 8, sizeof word);
      if (word != kEightBlanks) break;
      n -= 8;
    }
    while (n > 0 && text[n - 1] == ' ') --n;
    return n;
  }
  // Short field: the first byte, when not a blank, stops the scan by itself.
  if (text[0] != ' ') {
    while (text[n - 1] == ' ') --n;
    return n;
  }
  while (n > 0 && text[n - 1] == ' ') --n;
  return n;
}
