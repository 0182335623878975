// "00" to "99" back to back: a two-digit number is written with one two-byte
// copy.  Shared by the date writer and the week-date writer.
#ifndef TOVZKLOCALE_DIGIT_PAIRS_H
#define TOVZKLOCALE_DIGIT_PAIRS_H

#include <cstdint>
#include <cstring>

namespace uwn {

struct DigitPairs {
  char text[200];
  constexpr DigitPairs() : text() {
    for (int k = 0; k < 100; ++k) {
      text[2 * k] = static_cast<char>('0' + k / 10);
      text[2 * k + 1] = static_cast<char>('0' + k % 10);
    }
  }
};
inline constexpr DigitPairs kDigitPairs;

// The last two digits of magnitude at dest.
inline void put_two_digits(char *dest, uint32_t magnitude) {
  std::memcpy(dest, kDigitPairs.text + 2 * (magnitude % 100), 2);
}

}  // namespace uwn

#endif  // TOVZKLOCALE_DIGIT_PAIRS_H
