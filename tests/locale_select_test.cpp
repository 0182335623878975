// zkgetloc and zksetloc through the loaded module: variant items and the
// option GSTYLE, defaults for missing items, and cuts to the capacity.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "nlhost/host.h"

namespace {

struct Row {
  int32_t item;
  bool gstyle;
  int32_t capacity;
  const char *default_text;  // null: none
  int32_t result;
  std::string expected;
};

class LocaleSelect : public nldat_test::ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    locale_->set_text(8, "A;B");
    locale_->set_text(9, ";first is empty");
    locale_->set_text(10, "ends with;");
    locale_->set_text(11, "not;a variant");
    locale_->set_text(18, "no separator");
    locale_->set_text(19, "one;two;three");
    locale_->set_text(22, "short;a longer second");
    locale_->set_text(40, "");
    host().set_locale(locale_);
    get_ = fn<decltype(&zkgetloc)>("zkgetloc");
    set_ = fn<decltype(&zksetloc)>("zksetloc");
  }

  void check(const std::vector<Row> &rows) {
    for (const Row &row : rows) {
      SCOPED_TRACE("item " + std::to_string(row.item) + (row.gstyle ? " GSTYLE" : "") + " capacity " +
                   std::to_string(row.capacity));
      host().set_option("GSTYLE", row.gstyle);
      // Guard bytes after the capacity show any write past it.
      std::string buffer(static_cast<size_t>(row.capacity > 0 ? row.capacity : 0) + 8, '\xA5');
      int32_t length = row.capacity;
      const int32_t default_length =
          row.default_text ? static_cast<int32_t>(std::string(row.default_text).size()) : 0;
      EXPECT_EQ(get_(row.item, buffer.data(), &length, row.default_text, default_length), row.result);
      ASSERT_EQ(length, static_cast<int32_t>(row.expected.size()));
      EXPECT_EQ(buffer.substr(0, row.expected.size()), row.expected);
      EXPECT_EQ(buffer.find_first_not_of('\xA5', row.expected.size()), std::string::npos);
    }
  }

  std::shared_ptr<nlhost::Locale> locale_ = std::make_shared<nlhost::Locale>("select");
  decltype(&zkgetloc) get_ = nullptr;
  decltype(&zksetloc) set_ = nullptr;
};

TEST_F(LocaleSelect, VariantItems) {
  check({
      {8, false, 32, nullptr, 0, "A"},
      {8, true, 32, nullptr, 0, "B"},
      {9, false, 32, nullptr, 0, ";first is empty"},
      {9, true, 32, nullptr, 0, "first is empty"},
      {10, false, 32, nullptr, 0, "ends with"},
      {10, true, 32, nullptr, 0, ""},
      {18, false, 32, nullptr, 0, "no separator"},
      {18, true, 32, nullptr, 0, "no separator"},
      {19, true, 32, nullptr, 0, "two;three"},
      {19, false, 32, nullptr, 0, "one"},
      {22, true, 8, nullptr, 0, "a longer"},
      {22, false, 3, nullptr, 0, "sho"},
      // Item 11 is not a variant item.
      {11, false, 32, nullptr, 0, "not;a variant"},
      {11, true, 32, nullptr, 0, "not;a variant"},
  });
}

TEST_F(LocaleSelect, CapacityAndDefaults) {
  check({
      {11, false, 5, nullptr, 0, "not;a"},
      {11, false, 0, nullptr, 0, ""},
      {11, false, -4, nullptr, 0, ""},
      {40, false, 10, "default", 0, ""},
      {-1, false, 10, "default", -1, ""},
      {-1, true, 10, nullptr, -1, ""},
      {12, false, 10, "default", 0, "default"},
      {12, false, 3, "default", 0, "def"},
      {12, false, 10, nullptr, 0, ""},
      {12, false, 0, "default", 0, ""},
  });
}

TEST_F(LocaleSelect, OptionAskedOnlyForAVariantWithASeparator) {
  watch().record_calls(true);
  for (const int32_t item : {8, 11, 18, 12}) {
    watch().clear_calls();
    char buffer[32];
    int32_t length = sizeof buffer;
    get_(item, buffer, &length, nullptr, 0);
    int asked = 0;
    for (const auto &call : watch().calls()) asked += call.service == "xoptbgt";
    EXPECT_EQ(asked, item == 8 ? 1 : 0) << item;
  }
  watch().record_calls(false);
}

TEST_F(LocaleSelect, SetHandsTheTextToTheHost) {
  EXPECT_EQ(set_(12, "new text", 8), 0);
  EXPECT_EQ(locale_->text(12), "new text");
  char buffer[16];
  int32_t length = sizeof buffer;
  EXPECT_EQ(get_(12, buffer, &length, nullptr, 0), 0);
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(length)), "new text");
  // The host's refusal comes back unchanged.
  const std::string too_long(400, 'x');
  EXPECT_NE(set_(12, too_long.data(), static_cast<int32_t>(too_long.size())), 0);
}

}  // namespace
