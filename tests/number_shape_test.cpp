// The one-pass reading of plain number fields against the whole-field
// reader it stands in for: wherever it answers, the value (to the bit) and
// the exact digits must be the whole-field reader's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "reading_stages.h"

namespace {

using nlhost::ReaderSource;
using nlhost::reading::NumberConventions;
using nlhost::reading::NumberShape;

struct Conventions {
  uwn_number_convention record{};
  NumberConventions c{&record};
  Conventions(char decimal, char grouping, int primary, int secondary) {
    record.decimal_separator = decimal;
    record.grouping_separator = grouping;
    record.negative_sign = '-';
    c.primary_group = primary;
    c.secondary_groups[0] = secondary;
    c.secondary_groups[1] = 3;
    c.secondary_groups[2] = primary;
  }
};

uint64_t bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// Whether the one-pass reading agrees with the whole-field reader on field,
// for every kind; *plain: whether it answered at all.
void expect_agreement(const Conventions &conventions, const std::string &field, bool *plain) {
  double value = 0;
  std::string decimal;
  *plain = nlhost::reading::read_plain_number(field, conventions.c, &value, &decimal);
  if (!*plain) return;
  for (const ReaderSource kind : {ReaderSource::kNumber, ReaderSource::kMoney, ReaderSource::kPercent}) {
    std::string shape_decimal;
    NumberShape shape;
    shape.decimal = &shape_decimal;
    ASSERT_TRUE(nlhost::reading::read_number_shape(field, conventions.c, kind, &shape)) << field;
    EXPECT_EQ(bits(shape.value), bits(value)) << field;
    EXPECT_EQ(shape_decimal, decimal) << field;
    EXPECT_EQ(shape.currency_begin, shape.currency_end) << field;
  }
}

TEST(PlainNumber, ReadsWhatTheWholeFieldReaderReads) {
  const Conventions german(',', '.', 3, 3);
  const struct {
    const char *field;
    bool plain;
    const char *decimal;
  } rows[] = {
      {"-3.858.715,58", true, "-3858715.58"},
      {"0", true, "0"},
      {"-0", true, "0"},  // no negative zero in the text, but in the value
      {"-0,00", true, "0.00"},
      {"007", true, "7"},
      {"00,50", true, "0.50"},
      {"1.234", true, "1234"},
      {"123456789012345", true, "123456789012345"},
      {"1234567890123,45", true, "1234567890123.45"},
      {"1234567890123456", false, ""},  // past a double's exact digits: the whole-field reader
      {"1.23", false, ""},              // a group too short
      {"0.123", false, ""},             // grouped digits never start with a zero
      {"1,5e3", false, ""},
      {"+5", false, ""},
      {"- 5", false, ""},
      {"5-", false, ""},
      {"(5)", false, ""},
      {",5", false, ""},
      {"5,", false, ""},
      {"1..234", false, ""},
      {"", false, ""},
      {"-", false, ""},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.field);
    bool plain = false;
    expect_agreement(german, row.field, &plain);
    EXPECT_EQ(plain, row.plain);
    if (!plain) continue;
    double value = 0;
    std::string decimal;
    nlhost::reading::read_plain_number(row.field, german.c, &value, &decimal);
    EXPECT_EQ(decimal, row.decimal);
  }
  double value = 0;
  ASSERT_TRUE(nlhost::reading::read_plain_number("-0", german.c, &value, nullptr));
  EXPECT_TRUE(std::signbit(value));
}

TEST(PlainNumber, AgreesOnRandomFieldsInEveryGrouping) {
  const Conventions conventions[] = {
      {',', '.', 3, 3},   // 1.234.567,89
      {'.', ',', 3, 3},   // 1,234,567.89
      {'.', ',', 3, 2},   // 12,34,567.89
      {',', ' ', 3, 3},   // 1 234 567,89
      {'.', '\'', 3, 3},  // 1'234'567.89
      {',', '\0', 3, 3},  // no grouping
      {'.', '.', 3, 3},   // one byte for both: grouping wins between digits
  };
  std::mt19937 rng(27);
  const std::string alphabet = "0123456789012345678901234567890123456789.,-+ '()eE%";
  size_t plain = 0;
  for (const Conventions &c : conventions) {
    for (int n = 0; n < 20000; ++n) {
      std::string field;
      const size_t length = rng() % 20;
      for (size_t k = 0; k < length; ++k) field += alphabet[rng() % alphabet.size()];
      bool answered = false;
      expect_agreement(c, field, &answered);
      plain += answered;
    }
    // Well-formed amounts, most of which are plain.
    for (int n = 0; n < 5000; ++n) {
      std::string field = rng() % 2 ? "-" : "";
      const size_t digits = 1 + rng() % 16;
      for (size_t k = 0; k < digits; ++k) {
        const size_t left = digits - k;
        if (k > 0 && c.record.grouping_separator != '\0' && left % 3 == 0 && rng() % 8 != 0)
          field += c.record.grouping_separator;
        field += static_cast<char>('0' + rng() % 10);
      }
      if (rng() % 2) field += c.record.decimal_separator + std::to_string(rng() % 1000);
      bool answered = false;
      expect_agreement(c, field, &answered);
      plain += answered;
    }
  }
  EXPECT_GT(plain, 20000u);  // the fast road was taken, not only refused
}

}  // namespace
