// Field normalization against ICU's character data: every decimal digit of
// every script reads as its ASCII digit, and nothing else becomes one.
#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <string>

#include "nlhost/reading.h"

namespace {

std::string utf8_of(UChar32 c) {
  char bytes[U8_MAX_LENGTH];
  int32_t length = 0;
  U8_APPEND_UNSAFE(bytes, length, c);
  return std::string(bytes, static_cast<size_t>(length));
}

TEST(Normalize, EveryDecimalDigitBecomesItsAsciiDigit) {
  std::string scratch;
  int digits = 0;
  for (UChar32 c = 0x80; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;  // surrogates have no UTF-8 form
    const std::string text = utf8_of(c);
    const std::string_view normalized = nlhost::normalize_field(text, scratch);
    const bool becomes_digit = normalized.size() == 1 && normalized[0] >= '0' && normalized[0] <= '9';
    if (u_charType(c) == U_DECIMAL_DIGIT_NUMBER) {
      ++digits;
      ASSERT_TRUE(becomes_digit) << "U+" << std::hex << c << " is a decimal digit";
      EXPECT_EQ(normalized[0] - '0', u_charDigitValue(c)) << "U+" << std::hex << c;
    } else {
      EXPECT_FALSE(becomes_digit) << "U+" << std::hex << c << " is no decimal digit";
    }
  }
  EXPECT_GT(digits, 600);  // every script's ten, not a few
}

}  // namespace
