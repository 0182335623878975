// The exact decimal text of a number from the digits a field wrote.
#include "decimal_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DecimalText, WritesTheFieldsOwnDigits) {
  struct Row {
    const char *digits;
    bool negative;
    int shift;
    const char *text;  // null: no text, the double stands
  };
  const Row rows[] = {
      {"99999999999999.99", false, 0, "99999999999999.99"},  // beyond a double's digits
      {"1150.00", true, 0, "-1150.00"},                      // the fraction as written
      {"4.1", false, -2, "0.041"},                           // a percentage as a fraction
      {"100", false, -2, "1.00"},
      {"0.5", false, -2, "0.005"},
      {"12345", false, -2, "123.45"},
      {"007", false, 0, "7"},
      {"000", true, 0, "0"},  // no negative zero
      {"0.00", true, 0, "0.00"},
      {"0.010", true, 0, "-0.010"},
      {"1.5e3", false, 0, "1500"},
      {"1.50E+1", false, 0, "15.0"},
      {"1.5e-3", false, 0, "0.0015"},
      {"25e0", false, -2, "0.25"},
      {"123456789012345678901234567890", false, 0, "123456789012345678901234567890"},
      {"1e95", false, 0, nullptr},  // past the longest text
      {"1e-94", false, 0, nullptr},
      {"1e99999999999999999999", false, 0, nullptr},
      {"", false, 0, nullptr},
      {".5", false, 0, nullptr},
      {"5.", false, 0, nullptr},
      {"1,5", false, 0, nullptr},
      {"1e", false, 0, nullptr},
      {"1e+", false, 0, nullptr},
      {"-1", false, 0, nullptr},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.digits);
    std::string text = "canary";
    EXPECT_EQ(nlhost::decimal_text(row.digits, row.negative, row.shift, &text), row.text != nullptr);
    EXPECT_EQ(text, row.text != nullptr ? row.text : "");
  }
}

TEST(DecimalText, StaysWithinTheLongestText) {
  for (int exponent = -120; exponent <= 120; ++exponent) {
    const std::string digits = "12345678901234567890123456789012e" + std::to_string(exponent);
    std::string text;
    if (nlhost::decimal_text(digits, true, -2, &text)) {
      EXPECT_LE(text.size(), nlhost::kLongestDecimalText) << digits;
      EXPECT_EQ(text.find('e'), std::string::npos);
    }
  }
}

}  // namespace
