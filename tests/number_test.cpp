// Locale number informats: the grouped number reader (zifmcma, zifmpct) and
// the number, money and percent readers (zkifnum, zkifmny, zkifpct), through
// the loaded module with a control block whose numeric informat and locale
// fetch are the test's own: the informat records every call it gets, so the
// cleaned text, the width and the decimals the module hands on are visible.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bare_control_block.h"
#include "double_bits.h"
#include "host_fixture.h"
#include "loaded_module.h"

namespace {

using nldat_test::bits_of;
using nldat_test::from_bits;

using nldat_test::BareControlBlock;
using nldat_test::exported;

constexpr uint64_t kMissingBits = 0xFFFF00000000002Eull;  // the standard missing value
constexpr uint64_t kCanaryBits = 0x7FF4A5A5A5A5A5A5ull;   // a value no path stores
constexpr int32_t kReportedCanary = 0x5A5A5A5A;
constexpr int32_t kHostRejects = 0x1234;  // what the test informat returns for bad text

// ---- the test's numeric informat: [sign] digits [. digits], w.d -----------

struct InformatCall {
  std::string text;
  int32_t width;
  int32_t decimals;
  const char *address;
};
std::vector<InformatCall> informat_calls;

int32_t test_wzifmn(uwn_informat_block *block) {
  const std::string text(block->text, static_cast<size_t>(block->width));
  informat_calls.push_back({text, block->width, block->decimals, block->text});
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  double value = 0;
  int digits = 0;
  int fraction = -1;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      value = value * 10 + (c - '0');
      ++digits;
      if (fraction >= 0) ++fraction;
    } else if (c == '.' && fraction < 0) {
      fraction = 0;
    } else {
      return kHostRejects;
    }
  }
  if (digits == 0) return kHostRejects;
  value /= std::pow(10.0, fraction >= 0 ? fraction : block->decimals);
  *block->result = negative ? -value : value;
  return 0;
}

// ---- the test's locale: entries with number-convention records ---------

std::map<int32_t, std::unique_ptr<uwn_locale_entry>> entries;
std::vector<int32_t> fetched_items;

int32_t test_wzsxglc(void *, int32_t item, const uwn_locale_entry **entry) {
  fetched_items.push_back(item);
  const auto it = entries.find(item);
  if (it == entries.end()) return 1;
  *entry = it->second.get();
  return 0;
}

struct Conventions {
  const char *currency;
  char decimal;
  char grouping;
  char positive_sign;
  char negative_sign;
  int32_t positive_style;
  int32_t negative_style;
};

// Records kept alive for the entries that point to them.
std::vector<std::unique_ptr<uwn_number_convention>> records;

const uwn_number_convention *make_record(const Conventions &c) {
  auto r = std::make_unique<uwn_number_convention>();
  std::memset(r.get(), 0x7E, sizeof *r);  // the host's bytes: never read
  std::memset(r->currency, 0, sizeof r->currency);
  std::strncpy(r->currency, c.currency, sizeof r->currency - 1);
  r->decimal_separator = c.decimal;
  r->grouping_separator = c.grouping;
  r->positive_sign = c.positive_sign;
  r->negative_sign = c.negative_sign;
  r->positive_style = c.positive_style;
  r->negative_style = c.negative_style;
  records.push_back(std::move(r));
  return records.back().get();
}

void set_item(int32_t item, const uwn_number_convention *record) {
  auto entry = std::make_unique<uwn_locale_entry>();
  entry->convention = record;
  entries[item] = std::move(entry);
}

// Conventions of the tables below.
constexpr Conventions kUs{"$", '.', ',', '+', '-', 1, 1};
constexpr Conventions kGerman{"\xE2\x82\xAC", ',', '.', '+', '-', 1, 1};  // euro sign
constexpr Conventions kBlankGrouping{"", ',', ' ', '+', '-', 1, 1};
constexpr Conventions kCommaGrouping{"", ';', ',', '+', '-', 1, 1};
constexpr Conventions kSameSeparators{"", '.', '.', '+', '-', 1, 1};
constexpr Conventions kParentheses{"$", '.', ',', '+', '-', 1, 0};
constexpr Conventions kNoSign{"", '.', ',', '\0', '\0', 1, 1};
constexpr Conventions kNoSignPositiveParens{"", '.', ',', '\0', '\0', 0, 1};
constexpr Conventions kKroner{"kr.", ',', '.', '+', '-', 1, 1};

// ---- the fixture ---------------------------------------------------------

// A field in storage of exactly its own size, so that a read past it is caught
// by the address sanitizer.
struct Field {
  explicit Field(const std::string &text)
      : size(text.size()), bytes(new char[text.size() + (text.empty() ? 1 : 0)]) {
    std::memcpy(bytes.get(), text.data(), text.size());
  }
  size_t size;
  std::unique_ptr<char[]> bytes;
};

// A result between guard values.
struct GuardedResult {
  double before = from_bits(kCanaryBits);
  double value = from_bits(kCanaryBits);
  double after = from_bits(kCanaryBits);
};

class Number : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_anchor_ = *exported<uint64_t *>("v_global_gcb_anchor");
    control_.missing.missing = from_bits(kMissingBits);
    control_.slots[UWN_VECTOR_TOOLKIT][305] = reinterpret_cast<void *>(&test_wzifmn);
    control_.slots[UWN_VECTOR_LOCALE][84] = reinterpret_cast<void *>(&test_wzsxglc);
    exported<decltype(&mcn_main)>("mcn_main")(&control_.gcb, nullptr);
    informat_calls.clear();
    fetched_items.clear();
    entries.clear();
    records.clear();
  }
  void TearDown() override { *exported<uint64_t *>("v_global_gcb_anchor") = saved_anchor_; }

  // A block for field; kWhole for the width or text length means the field's size.
  static constexpr int32_t kWhole = INT32_MIN;
  uwn_informat_block block_for(const Field &field, int32_t width = kWhole, int32_t decimals = 0,
                               uint8_t flags = 0, int32_t text_length = kWhole) {
    uwn_informat_block block;
    std::memset(&block, 0xC3, sizeof block);  // the host's bytes
    block.width = width == kWhole ? static_cast<int32_t>(field.size) : width;
    block.decimals = decimals;
    block.text = field.bytes.get();
    block.text_length = text_length == kWhole ? static_cast<int32_t>(field.size) : text_length;
    block.result = &result_.value;
    block.reported_length = kReportedCanary;
    block.flags = flags;
    return block;
  }

  void expect_guards_intact() {
    EXPECT_EQ(bits_of(result_.before), kCanaryBits);
    EXPECT_EQ(bits_of(result_.after), kCanaryBits);
  }

  static decltype(&zifmcma) zifmcma_() { return exported<decltype(&zifmcma)>("zifmcma"); }
  static decltype(&zifmpct) zifmpct_() { return exported<decltype(&zifmpct)>("zifmpct"); }
  static decltype(&zkifnum) zkifnum_() { return exported<decltype(&zkifnum)>("zkifnum"); }
  static decltype(&zkifmny) zkifmny_() { return exported<decltype(&zkifmny)>("zkifmny"); }
  static decltype(&zkifpct) zkifpct_() { return exported<decltype(&zkifpct)>("zkifpct"); }

  BareControlBlock control_;
  GuardedResult result_;
  uint64_t saved_anchor_ = 0;
};

// What a row expects in the result.
enum class Outcome { kValue, kMissing };

// ---- zifmcma -------------------------------------------------------------

struct GroupedRow {
  const char *text;
  int32_t status;
  Outcome outcome;
  double value;
  int informat_calls;  // 0: the host reader is not reached, no reported length
};

constexpr GroupedRow kGroupedRows[] = {
    {"12,345", 0, Outcome::kValue, 12345, 1},
    {"$1,234.50", 0, Outcome::kValue, 1234.5, 1},
    {" 1 2 3 ", 0, Outcome::kValue, 123, 1},
    {"50%", 0, Outcome::kValue, 50, 1},
    {"(12,3)", 0, Outcome::kValue, -123, 1},
    {"(12,3", 0, Outcome::kValue, -123, 1},
    {"12,3)", 0, Outcome::kValue, 123, 1},
    {"-1.5", 0, Outcome::kValue, -1.5, 1},
    {"--5", 0, Outcome::kValue, -5, 1},
    {"(-5", 0, Outcome::kValue, -5, 1},
    {"5-", 0, Outcome::kValue, 5, 2},
    {"1-2", 0, Outcome::kValue, 12, 2},
    {"-1-2", 0, Outcome::kValue, -12, 2},
    {"", 0, Outcome::kMissing, 0, 0},
    {"    ", 0, Outcome::kMissing, 0, 0},
    {"$ ,", 0, Outcome::kMissing, 0, 0},
    {",$%) ", 0, Outcome::kMissing, 0, 0},
    {"-(12)", UWN_NUM_MISPLACED_PAREN, Outcome::kMissing, 0, 0},
    {"12(", UWN_NUM_MISPLACED_PAREN, Outcome::kMissing, 0, 0},
    {"((1", UWN_NUM_MISPLACED_PAREN, Outcome::kMissing, 0, 0},
    {"-", UWN_NUM_SIGNS_ONLY, Outcome::kMissing, 0, 0},
    {"(", UWN_NUM_SIGNS_ONLY, Outcome::kMissing, 0, 0},
    {"(--", UWN_NUM_SIGNS_ONLY, Outcome::kMissing, 0, 0},
    {" - $", UWN_NUM_SIGNS_ONLY, Outcome::kMissing, 0, 0},
    {"abc", kHostRejects, Outcome::kMissing, 0, 2},
    {"1.2.3", kHostRejects, Outcome::kMissing, 0, 2},
};

TEST_F(Number, GroupedReaderCleansTheFieldAndSettlesTheSign) {
  for (const GroupedRow &row : kGroupedRows) {
    SCOPED_TRACE(row.text);
    informat_calls.clear();
    result_ = {};
    const Field field(row.text);
    uwn_informat_block block = block_for(field);
    const uwn_informat_block before = block;
    EXPECT_EQ(zifmcma_()(&block), row.status);
    ASSERT_EQ(static_cast<int>(informat_calls.size()), row.informat_calls);
    if (row.outcome == Outcome::kValue) {
      EXPECT_EQ(result_.value, row.value);
    } else {
      EXPECT_EQ(bits_of(result_.value), kMissingBits);
    }
    EXPECT_EQ(block.reported_length, row.informat_calls > 0 ? 8 : kReportedCanary);
    // Only the result and the reported length change.
    block.reported_length = before.reported_length;
    EXPECT_EQ(std::memcmp(&block, &before, sizeof block), 0);
    expect_guards_intact();
    // The host reader sees only the cleaned characters, in the module's copy.
    for (const InformatCall &call : informat_calls) {
      EXPECT_EQ(call.text.find_first_of(",$%) ("), std::string::npos) << call.text;
      EXPECT_TRUE(call.address < field.bytes.get() || call.address >= field.bytes.get() + field.size);
    }
  }
}

TEST_F(Number, GroupedReaderRetriesOnceWithoutMinusSigns) {
  const Field field("(1-2-3");
  uwn_informat_block block = block_for(field);
  EXPECT_EQ(zifmcma_()(&block), 0);
  ASSERT_EQ(informat_calls.size(), 2u);
  EXPECT_EQ(informat_calls[0].text, "1-2-3");
  EXPECT_EQ(informat_calls[0].width, 5);
  EXPECT_EQ(informat_calls[1].text, "123");
  EXPECT_EQ(informat_calls[1].width, 3);
  EXPECT_EQ(informat_calls[1].address, informat_calls[0].address);
  EXPECT_EQ(result_.value, -123);
}

TEST_F(Number, GroupedReaderFlipsTheSignOfZero) {
  const Field field("-0");
  uwn_informat_block block = block_for(field);
  EXPECT_EQ(zifmcma_()(&block), 0);
  EXPECT_EQ(result_.value, 0.0);
  EXPECT_TRUE(std::signbit(result_.value));
}

TEST_F(Number, GroupedReaderPassesDecimalsThrough) {
  const Field field("1,234");
  uwn_informat_block block = block_for(field, kWhole, 2);
  EXPECT_EQ(zifmcma_()(&block), 0);
  ASSERT_EQ(informat_calls.size(), 1u);
  EXPECT_EQ(informat_calls[0].decimals, 2);
  EXPECT_EQ(result_.value, 12.34);
  EXPECT_EQ(block.decimals, 2);
}

struct CheckRow {
  int32_t width;
  int32_t decimals;
  int32_t status;
};

// The four checks in their order: the first failure wins.
constexpr CheckRow kCheckRows[] = {
    {0, 0, UWN_NUM_WIDTH_LOW},
    {-3, 40, UWN_NUM_WIDTH_LOW},
    {33, -1, UWN_NUM_WIDTH_HIGH},
    {32, -1, UWN_NUM_DECIMALS_LOW},
    {1, 32, UWN_NUM_DECIMALS_HIGH},
    {1, 31, 0},
    {32, 0, 0},
};

TEST_F(Number, CheckFlagValidatesWidthThenDecimals) {
  for (const auto routine : {zifmcma_(), zifmpct_()}) {
    for (const CheckRow &row : kCheckRows) {
      SCOPED_TRACE(testing::Message() << row.width << "." << row.decimals);
      result_ = {};
      const Field field(std::string(40, '7'));
      uwn_informat_block block = block_for(field, row.width, row.decimals, UWN_BLOCK_CHECK);
      EXPECT_EQ(routine(&block), row.status);
      if (row.status != 0) {
        EXPECT_EQ(bits_of(result_.value), kCanaryBits);
        EXPECT_EQ(block.reported_length, kReportedCanary);
      }
      expect_guards_intact();
    }
  }
}

TEST_F(Number, GroupedReaderReadsAtMostThirtyTwoCharacters) {
  const std::string digits = "1234567890123456789012345678901234567890";
  const Field field(digits);
  uwn_informat_block block = block_for(field, 40);
  EXPECT_EQ(zifmcma_()(&block), 0);
  ASSERT_EQ(informat_calls.size(), 1u);
  EXPECT_EQ(informat_calls[0].text, digits.substr(0, 32));
  EXPECT_EQ(block.width, 40);
}

struct BoundsRow {
  const char *text;
  int32_t width;
  int32_t text_length;
  double value;  // NaN: missing
};

// Neither the width nor the text length is read past; 0 or less reads nothing.
const BoundsRow kBoundsRows[] = {
    {"12345", 3, 5, 123},  {"12345", 5, 2, 12},  {"12345", 0, 5, NAN},     {"12345", -4, 5, NAN},
    {"12345", 5, -1, NAN}, {"12345", 5, 0, NAN}, {"12345", -40, -40, NAN},
};

TEST_F(Number, FieldBoundsAreTheWidthAndTheTextLength) {
  for (const BoundsRow &row : kBoundsRows) {
    SCOPED_TRACE(testing::Message() << row.width << " " << row.text_length);
    const std::string text(row.text);
    // Storage of exactly text_length bytes (at least one, for the address).
    const Field field(text.substr(0, static_cast<size_t>(std::max(row.text_length, 0))));
    for (const auto routine : {zifmcma_(), zifmpct_()}) {
      result_ = {};
      uwn_informat_block block = block_for(field, row.width, 0, 0, row.text_length);
      EXPECT_EQ(routine(&block), 0);
      if (std::isnan(row.value))
        EXPECT_EQ(bits_of(result_.value), kMissingBits);
      else
        EXPECT_EQ(result_.value, row.value);
      EXPECT_EQ(block.width, row.width);
      EXPECT_EQ(block.text, field.bytes.get());
    }
  }
}

// ---- zifmpct --------------------------------------------------------------

struct PercentRow {
  const char *text;
  int32_t status;
  double value;  // NaN: missing
};

const PercentRow kPercentRows[] = {
    {"50%", 0, 0.5},           {"50", 0, 50}, {"12.5%", 0, 0.125}, {"%12.5", 0, 0.125},
    {"(50%)", 0, -0.5},        {"%", 0, NAN}, {"% ,", 0, NAN},     {"-%", UWN_NUM_SIGNS_ONLY, NAN},
    {"x%", kHostRejects, NAN},
};

TEST_F(Number, PercentReaderScalesOnlyWhenItSawAPercentSign) {
  for (const PercentRow &row : kPercentRows) {
    SCOPED_TRACE(row.text);
    result_ = {};
    const Field field(row.text);
    uwn_informat_block block = block_for(field);
    EXPECT_EQ(zifmpct_()(&block), row.status);
    if (std::isnan(row.value))
      EXPECT_EQ(bits_of(result_.value), kMissingBits);
    else
      EXPECT_EQ(result_.value, row.value);
    EXPECT_EQ(block.reported_length, 8);  // every path past the checks
    EXPECT_EQ(block.text, field.bytes.get());
    expect_guards_intact();
  }
}

TEST_F(Number, PercentSignBeyondTheReadCharactersDoesNotScale) {
  const Field field("50" + std::string(30, ' ') + "%");
  uwn_informat_block block = block_for(field);
  EXPECT_EQ(zifmpct_()(&block), 0);
  EXPECT_EQ(result_.value, 50);
}

// ---- zkifnum, zkifmny, zkifpct --------------------------------------------

enum class Reader { kNumber, kMoney, kPercent };

struct LocaleRow {
  Reader reader;
  const Conventions *conventions;
  const char *text;
  int32_t decimals;  // the caller's
  double value;
  const char *handed_on;  // what the host reader receives first
  int32_t decimals_after;
};

const LocaleRow kLocaleRows[] = {
    {Reader::kNumber, &kGerman, "1.23,5", 0, 123.5, "123.5", 0},
    {Reader::kNumber, &kGerman, "-1.234,5", 2, -1234.5, "1234.5", 2},
    {Reader::kNumber, &kUs, "1,234.5", 0, 1234.5, "1234.5", 0},
    {Reader::kNumber, &kCommaGrouping, "1,234.5", 0, 1234.5, "1234.5", 0},
    {Reader::kNumber, &kBlankGrouping, "1 234,5", 0, 1234.5, "1234.5", 0},
    {Reader::kNumber, &kSameSeparators, "1.234", 0, 1234, "1234", 0},  // grouping wins
    {Reader::kNumber, &kParentheses, "(12)", 0, -12, "12", 0},
    {Reader::kNumber, &kParentheses, "12)", 0, -12, "12", 0},
    {Reader::kNumber, &kParentheses, "-12", 0, -12, "12", 0},  // the grouped reader's own minus
    {Reader::kNumber, &kUs, "12-", 0, -12, "12", 0},
    {Reader::kNumber, &kUs, "1-2", 0, -12, "12", 0},
    {Reader::kNumber, &kUs, "+12", 0, 12, "12", 0},
    {Reader::kNumber, &kNoSign, "(12)", 0, -12, "12", 0},
    {Reader::kNumber, &kNoSignPositiveParens, "(12)", 0, 12, "12", 0},
    {Reader::kNumber, &kUs, "1'23", 0, 123, "123", 0},
    {Reader::kNumber, &kGerman, "1'23", 0, 123, "123", 0},
    {Reader::kNumber, &kUs, "123", 2, 123, "123", 0},  // no point: decimals 0
    {Reader::kNumber, &kUs, "1.5", 2, 1.5, "1.5", 2},
    {Reader::kPercent, &kGerman, "12,5 %", 0, 0.125, "12.5", 0},
    {Reader::kPercent, &kGerman, "12,5", 0, 12.5, "12.5", 0},
    {Reader::kPercent, &kGerman, "-12,5%", 0, -0.125, "12.5", 0},
    {Reader::kMoney, &kUs, "$12.50", 2, 12.5, "12.50", 2},
    {Reader::kMoney, &kUs, "12.50$", 2, 12.5, "12.50", 2},
    {Reader::kMoney, &kUs, "-$1,234", 2, -1234, "1234", 0},
    {Reader::kMoney, &kParentheses, "($12.50)", 0, -12.5, "12.50", 0},
    {Reader::kMoney, &kGerman, "-1.234,50 \xE2\x82\xAC", 0, -1234.5, "1234.50", 0},
    {Reader::kMoney, &kKroner, "kr. 1.234,50", 0, 1234.5, "1234.50", 0},
};

TEST_F(Number, LocaleReadersTranslateTheLocaleConventions) {
  for (const LocaleRow &row : kLocaleRows) {
    SCOPED_TRACE(row.text);
    informat_calls.clear();
    result_ = {};
    const int32_t item = row.reader == Reader::kMoney     ? UWN_ITEM_MONEY_LOCAL
                         : row.reader == Reader::kPercent ? UWN_ITEM_PERCENT
                                                          : UWN_ITEM_NUMBER;
    set_item(item, make_record(*row.conventions));
    const Field field(row.text);
    uwn_informat_block block = block_for(field, kWhole, row.decimals);
    const auto routine = row.reader == Reader::kMoney     ? zkifmny_()
                         : row.reader == Reader::kPercent ? zkifpct_()
                                                          : zkifnum_();
    EXPECT_EQ(routine(0, 0, nullptr, item, &block), 0);
    EXPECT_EQ(result_.value, row.value);
    ASSERT_FALSE(informat_calls.empty());
    EXPECT_EQ(informat_calls[0].text, row.handed_on);
    EXPECT_EQ(block.decimals, row.decimals_after);
    EXPECT_EQ(block.text, field.bytes.get());
    EXPECT_EQ(block.width, static_cast<int32_t>(field.size));
    EXPECT_EQ(block.reported_length, 8);
    expect_guards_intact();
  }
}

TEST_F(Number, CommaGroupingMeansNoTranslation) {
  set_item(UWN_ITEM_NUMBER, make_record(kCommaGrouping));
  const Field field("12;5");
  uwn_informat_block block = block_for(field);
  EXPECT_EQ(zkifnum_()(0, 0, nullptr, UWN_ITEM_NUMBER, &block), kHostRejects);
  ASSERT_FALSE(informat_calls.empty());
  EXPECT_EQ(informat_calls[0].text, "12;5");
}

TEST_F(Number, DecimalsAreCheckedOnlyWhenThePreparedTextHasAPoint) {
  set_item(UWN_ITEM_NUMBER, make_record(kGerman));
  const Field whole("1.234");
  uwn_informat_block block = block_for(whole, kWhole, 40, UWN_BLOCK_CHECK);
  EXPECT_EQ(zkifnum_()(0, 0, nullptr, UWN_ITEM_NUMBER, &block), 0);
  EXPECT_EQ(result_.value, 1234);
  EXPECT_EQ(block.decimals, 0);

  const Field fraction("1,5");
  block = block_for(fraction, kWhole, 40, UWN_BLOCK_CHECK);
  EXPECT_EQ(zkifnum_()(0, 0, nullptr, UWN_ITEM_NUMBER, &block), UWN_NUM_DECIMALS_HIGH);
  EXPECT_EQ(block.decimals, 40);

  block = block_for(fraction, 0, 0, UWN_BLOCK_CHECK);
  EXPECT_EQ(zkifnum_()(0, 0, nullptr, UWN_ITEM_NUMBER, &block), UWN_NUM_WIDTH_LOW);
  EXPECT_EQ(block.text, fraction.bytes.get());
}

TEST_F(Number, CurrencyTextIsReadWithinItsFiftyBytes) {
  // No NUL in the currency field: the decimal separator right after it must
  // not be taken for a currency character.
  uwn_number_convention *r = const_cast<uwn_number_convention *>(make_record(kGerman));
  std::memset(r->currency, 'X', sizeof r->currency);
  set_item(UWN_ITEM_MONEY_INTL, r);
  const Field field("X1,5X");
  uwn_informat_block block = block_for(field);
  EXPECT_EQ(zkifmny_()(0, 0, nullptr, UWN_ITEM_MONEY_INTL, &block), 0);
  EXPECT_EQ(result_.value, 1.5);
}

TEST_F(Number, LocaleReadersCopyNothingPastTheirBounds) {
  set_item(UWN_ITEM_NUMBER, make_record(kUs));
  for (const BoundsRow &row : kBoundsRows) {
    SCOPED_TRACE(testing::Message() << row.width << " " << row.text_length);
    const std::string text(row.text);
    const Field field(text.substr(0, static_cast<size_t>(std::max(row.text_length, 0))));
    result_ = {};
    uwn_informat_block block = block_for(field, row.width, 0, 0, row.text_length);
    EXPECT_EQ(zkifnum_()(0, 0, nullptr, UWN_ITEM_NUMBER, &block), 0);
    if (std::isnan(row.value))
      EXPECT_EQ(bits_of(result_.value), kMissingBits);
    else
      EXPECT_EQ(result_.value, row.value);
    EXPECT_EQ(block.text, field.bytes.get());
  }
  // A long field with a sign to insert: the copy stays within 32 characters.
  const Field long_field("(" + std::string(40, '9') + ")");
  set_item(UWN_ITEM_NUMBER, make_record(kParentheses));
  uwn_informat_block block = block_for(long_field);
  EXPECT_EQ(zkifnum_()(0, 0, nullptr, UWN_ITEM_NUMBER, &block), 0);
  ASSERT_FALSE(informat_calls.empty());
  EXPECT_EQ(informat_calls.back().text, std::string(31, '9'));
  EXPECT_TRUE(result_.value < -9e30);
}

struct NoRecordRow {
  Reader reader;
  bool reserved;
  int32_t item;
  int32_t status;
  bool fetched;
};

constexpr NoRecordRow kNoRecordRows[] = {
    {Reader::kNumber, true, UWN_ITEM_NUMBER, UWN_NUM_NO_CONVENTIONS, false},
    {Reader::kNumber, false, 0, UWN_NUM_NO_CONVENTIONS, false},
    {Reader::kPercent, false, -112, UWN_NUM_NO_CONVENTIONS, false},
    {Reader::kMoney, false, UWN_ITEM_NUMBER, UWN_NUM_NO_CONVENTIONS, false},
    {Reader::kMoney, true, UWN_ITEM_MONEY_LOCAL, UWN_NUM_NO_CONVENTIONS, false},
    {Reader::kNumber, false, 120, UWN_NUM_NO_ITEM, true},          // not in the locale
    {Reader::kPercent, false, 121, UWN_NUM_NO_CONVENTIONS, true},  // an entry without a record
    {Reader::kMoney, false, UWN_ITEM_MONEY_INTL, UWN_NUM_NO_ITEM, true},
};

TEST_F(Number, WithoutARecordNothingIsWritten) {
  set_item(121, nullptr);
  int reserved = 0;
  for (const NoRecordRow &row : kNoRecordRows) {
    SCOPED_TRACE(testing::Message() << row.item);
    fetched_items.clear();
    result_ = {};
    const Field field("12");
    uwn_informat_block block = block_for(field, kWhole, 3, UWN_BLOCK_CHECK);
    const uwn_informat_block before = block;
    const auto routine = row.reader == Reader::kMoney     ? zkifmny_()
                         : row.reader == Reader::kPercent ? zkifpct_()
                                                          : zkifnum_();
    EXPECT_EQ(routine(0, 0, row.reserved ? &reserved : nullptr, row.item, &block), row.status);
    EXPECT_EQ(std::memcmp(&block, &before, sizeof block), 0);
    EXPECT_EQ(bits_of(result_.value), kCanaryBits);
    EXPECT_EQ(fetched_items.empty(), !row.fetched);
    EXPECT_TRUE(informat_calls.empty());
  }
}

}  // namespace

// ---- through the reference host ------------------------------------------

namespace {

class NumberHost : public nldat_test::ModuleTest {
 protected:
  int32_t read(Reader reader, int32_t item, uwn_informat_block *block) {
    switch (reader) {
      case Reader::kNumber: return fn<decltype(&zkifnum)>("zkifnum")(0, 0, nullptr, item, block);
      case Reader::kPercent: return fn<decltype(&zkifpct)>("zkifpct")(0, 0, nullptr, item, block);
      case Reader::kMoney: return fn<decltype(&zkifmny)>("zkifmny")(0, 0, nullptr, item, block);
    }
    return -99;
  }
};

TEST_F(NumberHost, GroupedReaderWithTheHostsInformat) {
  const auto zifmcma_fn = fn<decltype(&zifmcma)>("zifmcma");
  for (const GroupedRow &row : kGroupedRows) {
    SCOPED_TRACE(row.text);
    const Field field(row.text);
    GuardedResult result;
    uwn_informat_block block{};
    block.width = block.text_length = static_cast<int32_t>(field.size);
    block.text = field.bytes.get();
    block.result = &result.value;
    const int32_t status = zifmcma_fn(&block);
    if (row.status == kHostRejects) {
      EXPECT_NE(status, 0);
    } else {
      EXPECT_EQ(status, row.status);
    }
    if (row.outcome == Outcome::kValue) {
      EXPECT_EQ(result.value, row.value);
    } else {
      EXPECT_TRUE(wzmis(result.value));
    }
    EXPECT_EQ(block.text, field.bytes.get());
    EXPECT_EQ(block.width, static_cast<int32_t>(field.size));
    EXPECT_EQ(bits_of(result.before), kCanaryBits);
    EXPECT_EQ(bits_of(result.after), kCanaryBits);
  }
}

TEST_F(NumberHost, LocaleReadersWithRecordsOfTheHostsLocale) {
  for (const LocaleRow &row : kLocaleRows) {
    SCOPED_TRACE(row.text);
    const int32_t item = row.reader == Reader::kMoney     ? UWN_ITEM_MONEY_LOCAL
                         : row.reader == Reader::kPercent ? UWN_ITEM_PERCENT
                                                          : UWN_ITEM_NUMBER;
    ASSERT_TRUE(host().locale()->set_numeric(item, *make_record(*row.conventions), "#,##0.###"));
    const Field field(row.text);
    GuardedResult result;
    uwn_informat_block block{};
    block.width = block.text_length = static_cast<int32_t>(field.size);
    block.decimals = row.decimals;
    block.text = field.bytes.get();
    block.result = &result.value;
    EXPECT_EQ(read(row.reader, item, &block), 0);
    EXPECT_EQ(result.value, row.value);
    EXPECT_EQ(block.decimals, row.decimals_after);
    EXPECT_EQ(block.text, field.bytes.get());
    EXPECT_EQ(bits_of(result.before), kCanaryBits);
    EXPECT_EQ(bits_of(result.after), kCanaryBits);
  }
  records.clear();
}

// A sign right after an exponent letter that follows a digit belongs to the
// exponent; every other sign is the amount's, as before.
TEST_F(NumberHost, ExponentSignStaysWithTheExponent) {
  struct Row {
    const Conventions *conventions;
    const char *text;
    double value;
  };
  static constexpr Conventions kTrailingMinus{"", '.', ',', '+', '-', 2, 2};
  const Row rows[] = {
      {&kUs, "1.5E-3", 0.0015},   {&kUs, "-1.5e-3", -0.0015},       {&kUs, "1.5E+3", 1500},
      {&kUs, "-1.5E+3", -1500},   {&kGerman, "1,5E-3", 0.0015},     {&kGerman, "-1.234,5E-2", -12.345},
      {&kUs, "1.5E-3-", -0.0015}, {&kTrailingMinus, "2E-1-", -0.2}, {&kUs, "1-5", -15},
      {&kUs, "-15", -15},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.text);
    ASSERT_TRUE(host().locale()->set_numeric(UWN_ITEM_NUMBER, *make_record(*row.conventions), "#,##0.###"));
    const Field field(row.text);
    double value = 0;
    uwn_informat_block block{};
    block.width = block.text_length = static_cast<int32_t>(field.size);
    block.text = field.bytes.get();
    block.result = &value;
    EXPECT_EQ(read(Reader::kNumber, UWN_ITEM_NUMBER, &block), 0);
    EXPECT_EQ(value, row.value);
  }
  records.clear();
}

TEST_F(NumberHost, ItemsTheLocaleLacks) {
  host().locale()->remove(UWN_ITEM_MONEY_INTL);
  double value = from_bits(kCanaryBits);
  const Field field("12");
  uwn_informat_block block{};
  block.width = block.text_length = 2;
  block.text = field.bytes.get();
  block.result = &value;
  EXPECT_EQ(read(Reader::kMoney, UWN_ITEM_MONEY_INTL, &block), UWN_NUM_NO_ITEM);
  EXPECT_EQ(read(Reader::kMoney, UWN_ITEM_PERCENT, &block), UWN_NUM_NO_CONVENTIONS);
  EXPECT_EQ(read(Reader::kNumber, UWN_ITEM_DATE_1, &block), UWN_NUM_NO_CONVENTIONS);  // a text item
  EXPECT_EQ(bits_of(value), kCanaryBits);
  EXPECT_EQ(read(Reader::kMoney, UWN_ITEM_MONEY_LOCAL, &block), 0);
  EXPECT_EQ(value, 12);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kRandomNumbers = 200'000;
#else
constexpr int kRandomNumbers = 1'000'000;
#endif

// The host's numeric informat w.d against strtod: optional blanks and sign,
// digits with at most one point, an optional exponent; without a point the
// last d digits are decimals; nothing past the width is read.
TEST_F(NumberHost, HostNumericInformatAgreesWithStrtod) {
  const auto wzifmn_fn = reinterpret_cast<int32_t (*)(uwn_informat_block *)>(watch().service(0, 305));
  ASSERT_NE(wzifmn_fn, nullptr);
  std::mt19937_64 random(20100305);
  const auto below = [&](int n) { return static_cast<int>(random() % static_cast<uint64_t>(n)); };
  std::string text, canonical;
  int mismatches = 0;
  for (int k = 0; k < kRandomNumbers && mismatches < 10; ++k) {
    text.assign(static_cast<size_t>(below(3)), ' ');
    canonical.clear();
    const int sign = below(3);
    if (sign > 0) {
      text += sign == 1 ? '-' : '+';
      canonical += text.back();
    }
    const int integer_digits = below(18);
    const bool point = below(2) == 0 || integer_digits == 0;
    const int fraction_digits = point ? below(18) + (integer_digits == 0 ? 1 : 0) : 0;
    for (int i = 0; i < integer_digits; ++i) text += static_cast<char>('0' + below(10));
    if (point) text += '.';
    for (int i = 0; i < fraction_digits; ++i) text += static_cast<char>('0' + below(10));
    canonical += text.substr(text.find_first_not_of(" +-"));
    int exponent = 0;
    if (below(4) == 0) {
      text += below(2) ? 'e' : 'E';
      exponent = below(400) * (below(2) ? -1 : 1);
      if (exponent < 0 || below(2)) text += exponent < 0 ? '-' : '+';
      text += std::to_string(std::abs(exponent));
    }
    text.append(static_cast<size_t>(below(3)), ' ');
    const int32_t decimals = below(11);
    canonical += 'e';
    canonical += std::to_string(exponent - (point ? 0 : decimals));
    const int32_t width = static_cast<int32_t>(text.size());
    if (below(8) == 0) text += "x-9";  // past the width: never read

    double value = from_bits(kCanaryBits);
    uwn_informat_block block{};
    block.width = width;
    block.decimals = decimals;
    block.text = text.data();
    block.text_length = static_cast<int32_t>(text.size());
    block.result = &value;
    const int32_t status = wzifmn_fn(&block);
    const double expected = std::strtod(canonical.c_str(), nullptr);
    const bool ok = std::isinf(expected) ? status != 0 : status == 0 && bits_of(value) == bits_of(expected);
    if (!ok) {
      ++mismatches;
      ADD_FAILURE() << "\"" << text.substr(0, static_cast<size_t>(width)) << "\" w." << decimals
                    << ": status " << status << ", " << value << " against strtod(" << canonical
                    << ") = " << expected;
    }
  }
}

struct RejectRow {
  const char *text;
  int32_t decimals;
};

constexpr RejectRow kRejected[] = {{"5-", 0}, {"1-2", 0}, {"--5", 0}, {"1.2.3", 0}, {"1e", 0},
                                   {"e5", 0}, {".", 0},   {"1 2", 0}, {"+-1", 0},   {"1,5", 0}};

TEST_F(NumberHost, HostNumericInformatRejectsWhatIsNoNumber) {
  const auto wzifmn_fn = reinterpret_cast<int32_t (*)(uwn_informat_block *)>(watch().service(0, 305));
  for (const RejectRow &row : kRejected) {
    SCOPED_TRACE(row.text);
    const std::string text(row.text);
    double value = from_bits(kCanaryBits);
    uwn_informat_block block{};
    block.width = block.text_length = static_cast<int32_t>(text.size());
    block.decimals = row.decimals;
    block.text = text.data();
    block.result = &value;
    EXPECT_NE(wzifmn_fn(&block), 0);
    EXPECT_EQ(bits_of(value), kCanaryBits);
  }
}

}  // namespace

// ---- nldat read NUMBER, MONEY, PERCENT -------------------------------------

namespace {

std::string slurp_file(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(NumberCli, ReadsByTheLocalesConventions) {
  const struct {
    const char *arguments;
    const char *input;
    const char *expected;
    int status;
  } cases[] = {
      {"--locale de_DE read NUMBER", "1.234,5\n-0,25\n12x\n", "1234.5\n-0.25\n.\n", 1},
      {"--locale en_US read MONEY", "$1,234.56\n($12.50)\n", "1234.56\n-12.50\n", 0},
      {"--locale de_CH read percent", "12.5 %\n12.5\n", "0.125\n12.5\n", 0},
  };
  const std::string dir = ::testing::TempDir() + std::to_string(::getpid()) + "_number_";
  for (const auto &c : cases) {
    SCOPED_TRACE(c.arguments);
    std::ofstream(dir + "in") << c.input;
    const std::string command = std::string("'") + NLDAT_CLI_PATH + "' " + c.arguments + " <'" + dir +
                                "in' >'" + dir + "out' 2>/dev/null";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), c.status);
    EXPECT_EQ(slurp_file(dir + "out"), c.expected);
  }
}

}  // namespace
