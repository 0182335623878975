// zkifnum and zkifmny read most fields in one pass and hand the rest to the
// general route through zifmcma.  A record whose positive sign is a blank
// always takes the general route; on fields that hold no blank, apostrophe
// or plus sign it must read exactly as the same record with "+" does.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "double_bits.h"
#include "host_fixture.h"

namespace {

using nldat_test::bits_of;

struct Reading {
  int32_t status = 0;
  uint64_t value_bits = 0;
  int32_t width = 0, decimals = 0, reported_length = 0;
  bool text_restored = false;
  std::vector<nlhost::ServiceCall> calls;
};

class NumberRoutes : public nldat_test::ModuleTest {
 protected:
  Reading read(bool money, const uwn_number_convention &record, const std::string &text, int32_t width,
               int32_t decimals, uint8_t flags) {
    const int32_t item = money ? UWN_ITEM_MONEY_LOCAL : UWN_ITEM_NUMBER;
    EXPECT_TRUE(host().locale()->set_numeric(item, record, "#,##0.###"));
    // Exactly sized, so that a read past the text shows under the sanitizer.
    const auto bytes = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(bytes.get(), text.data(), text.size());
    double value = -7.25;
    uwn_informat_block block{};
    block.width = width;
    block.text_length = static_cast<int32_t>(text.size());
    block.decimals = decimals;
    block.flags = flags;
    block.text = bytes.get();
    block.result = &value;
    watch().clear_calls();
    watch().record_calls(true);
    const auto routine = fn<decltype(&zkifnum)>(money ? "zkifmny" : "zkifnum");
    Reading r;
    r.status = routine(0, 0, nullptr, item, &block);
    watch().record_calls(false);
    r.value_bits = bits_of(value);
    r.width = block.width;
    r.decimals = block.decimals;
    r.reported_length = block.reported_length;
    r.text_restored = block.text == bytes.get();
    r.calls = watch().calls();
    return r;
  }
};

uwn_number_convention record(char positive_sign, int32_t negative_style) {
  uwn_number_convention r{};
  std::memcpy(r.currency, "\xE2\x82\xAC", 3);  // euro sign
  r.decimal_separator = ',';
  r.grouping_separator = '.';
  r.positive_sign = positive_sign;
  r.negative_sign = '-';
  r.positive_style = 1;
  r.negative_style = negative_style;
  return r;
}

TEST_F(NumberRoutes, OnePassReadsAsTheGeneralRoute) {
  const char *const fields[] = {
      "1.234,5",
      "-1.234,5",
      "1.234,5\xE2\x82\xAC",
      "-1.234,50\xE2\x82\xAC",
      "(1.234,5)",
      "12)",
      "(12",
      "1(2",
      "-(12",
      "((12",
      "-",
      "--",
      "",
      ",",
      "1,5E-3",
      "-1,5E-3",
      "1,5E-3-",
      "E-3",
      "1-2",
      "12-",
      "1-2-3",
      "-0",
      "$12%",
      "abc",
      "1,2,3",
      "1.234.567.890.123.456.789,5",
      "123456789012345678901234567890123456",
      "0,000000000000000000000000000001",
      "1E400",
      "1E-400",
      "\xE2\x82\xAC",
      "-\xE2\x82\xAC",
      "\xE2\x82-1",
  };
  struct Block {
    int32_t width_delta;  // from the text length
    int32_t decimals;
    uint8_t flags;
  };
  const Block blocks[] = {{0, 0, 0},
                          {0, 2, 0},
                          {0, 2, UWN_BLOCK_CHECK},
                          {-2, 0, 0},
                          {0, 40, UWN_BLOCK_CHECK},
                          {3, 1, UWN_BLOCK_CHECK}};
  for (const int32_t negative_style : {1, 0}) {
    for (const bool money : {false, true}) {
      for (const char *field : fields) {
        for (const Block &b : blocks) {
          const std::string text(field);
          const int32_t width = static_cast<int32_t>(text.size()) + b.width_delta;
          SCOPED_TRACE(testing::Message()
                       << '"' << text << "\" width " << width << " decimals " << b.decimals << " flags "
                       << int{b.flags} << " money " << money << " style " << negative_style);
          const Reading one_pass = read(money, record('+', negative_style), text, width, b.decimals, b.flags);
          const Reading general = read(money, record(' ', negative_style), text, width, b.decimals, b.flags);
          EXPECT_EQ(one_pass.status, general.status);
          EXPECT_EQ(one_pass.value_bits, general.value_bits);
          EXPECT_EQ(one_pass.width, general.width);
          EXPECT_EQ(one_pass.decimals, general.decimals);
          EXPECT_EQ(one_pass.reported_length, general.reported_length);
          EXPECT_TRUE(one_pass.text_restored);
          EXPECT_TRUE(general.text_restored);
          ASSERT_EQ(one_pass.calls.size(), general.calls.size());
          for (size_t i = 0; i < one_pass.calls.size(); ++i) {
            EXPECT_EQ(one_pass.calls[i].service, general.calls[i].service);
            EXPECT_EQ(one_pass.calls[i].number, general.calls[i].number);
            EXPECT_EQ(one_pass.calls[i].text, general.calls[i].text);
          }
        }
      }
    }
  }
}

}  // namespace
