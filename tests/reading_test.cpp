// nlhost::FieldReader: normalization, strict whole-field reading and the
// lenient reading the module's informats give on their own.
#include "nlhost/reading.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "nlhost/icu_locale.h"
#include "nlhost/iso_text.h"
#include "nlhost/utf8.h"

namespace {

class Reading : public ::testing::Test {
 protected:
  void use(const char *locale_name) {
    std::string error;
    module_.reset();
    host_ = std::make_unique<nlhost::Host>();
    host_->make_current();
    auto locale = nlhost::load_icu_locale(locale_name, &error);
    ASSERT_NE(locale, nullptr) << error;
    host_->set_locale(std::move(locale));
    module_ = nlhost::Module::open(*host_, NLDAT_MODULE_PATH, &error);
    ASSERT_NE(module_, nullptr) << error;
  }
  void TearDown() override {
    module_.reset();
    host_.reset();
  }
  std::unique_ptr<nlhost::Host> host_;
  std::unique_ptr<nlhost::Module> module_;
};

TEST(Normalize, AsciiIsReturnedAsItIs) {
  std::string scratch;
  const std::string_view field = "07.12.2026";
  EXPECT_EQ(nlhost::normalize_field(field, scratch).data(), field.data());
}

TEST(Normalize, MapsWhatTheOneByteLocaleDataCannotHold) {
  struct Row {
    const char *in, *out;
  };
  const Row rows[] = {
      // Blanks of other widths, always.
      {"84\xE2\x80\xAF"
       "888,45",
       "84 888,45"},
      {"1\xC2\xA0"
       "234",
       "1 234"},
      {"5\xE2\x80\x89%", "5 %"},
      // The minus sign always; a dash only next to a digit.
      {"\xE2\x88\x92"
       "5",
       "-5"},
      {"\xE2\x88\x92\xE2\x82\xAC"
       "5",
       "-\xE2\x82\xAC"
       "5"},
      {"\xE2\x80\x93"
       "5",
       "-5"},
      {"5\xE2\x80\x93", "5-"},
      {"Mo \xE2\x80\x93 Fr", "Mo \xE2\x80\x93 Fr"},
      // Apostrophes between digits group them; in a word they stay.
      {"1\xE2\x80\x99"
       "234.5",
       "1'234.5"},
      {"1\xCA\xBC"
       "234",
       "1'234"},
      {"d\xE2\x80\x99"
       "abril",
       "d\xE2\x80\x99"
       "abril"},
      {"\xD0\xBF\xCA\xBC\xD1\x8F", "\xD0\xBF\xCA\xBC\xD1\x8F"},
      {"\xE2\x80\x99"
       "24",
       "\xE2\x80\x99"
       "24"},
      // Bidi marks, isolates and byte-order marks are dropped.
      {"\xEF\xBB\xBF"
       "07.12.2026",
       "07.12.2026"},
      {"\xE2\x80\x8F"
       "12/02/2024",
       "12/02/2024"},
      {"\xD8\x9C-5", "-5"},
      {"\xE2\x81\xA8"
       "5\xE2\x81\xA9",
       "5"},
      // Digits of other scripts become ASCII digits; their separators wait
      // for the number readers, which know the locale's bytes.
      {"\xD9\xA8\xD9\xA4\xD9\xAC\xD9\xA8\xD9\xA8\xD9\xA8",
       "84\xD9\xAC"
       "888"},
      {"\xE0\xA5\xAE\xE0\xA5\xAA.\xE0\xA5\xAA", "84.4"},
      {"\xF0\x9E\xA5\x98\xF0\x9E\xA5\x94", "84"},
      {"\xEF\xBC\x91\xEF\xBC\x92", "12"},
      // Letters, and bytes that are no UTF-8, stay as they are.
      {"f\xC3\xA9vr.", "f\xC3\xA9vr."},
      {"1\xFF"
       "2\xE2\x80",
       "1\xFF"
       "2\xE2\x80"},
      {"\xE0\x80\xAF", "\xE0\x80\xAF"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.in);
    std::string scratch;
    EXPECT_EQ(nlhost::normalize_field(row.in, scratch), row.out);
  }
}

TEST_F(Reading, StrictRefusesWhatThePatternReadsOnlyInPart) {
  use("de_DE");
  std::string error;
  auto reader = nlhost::FieldReader::make(*host_, *module_, "NLDATE", &error);
  ASSERT_TRUE(reader) << error;
  double value = -1;
  EXPECT_TRUE(reader->read("07.12.2026", &value));
  EXPECT_EQ(value, 24447);
  EXPECT_TRUE(reader->read("  07.12.2026 ", &value));
  for (const char *near_miss : {"07.12.20026", "X7.12.2026"}) {
    SCOPED_TRACE(near_miss);
    value = -1;
    EXPECT_FALSE(reader->read(near_miss, &value));
    EXPECT_EQ(value, -1);
  }
  reader->set_strict(false);
  EXPECT_TRUE(reader->read("07.12.20026", &value));
}

// A reader by a pattern of the user's own is held to that pattern: what it
// reads must write back by it, and there is no fallback to turn to.
TEST_F(Reading, ReadExactGivesTheFieldsOwnDigitsBesideTheDouble) {
  struct Row {
    const char *locale, *reader, *field;
    double value;
    const char *decimal;  // empty: none
    bool strict = true;
  };
  const Row rows[] = {
      {"de_DE", "MONEY", "99.999.999.999.999,99", 99999999999999.99, "99999999999999.99"},
      {"de_DE", "MONEY", "-1.150,00 \xE2\x82\xAC", -1150, "-1150.00"},
      {"fr_FR", "PERCENT", "4,1\xC2\xA0%", 4.1 / 100, "0.041"},  // the double is 0.040999999999999995
      {"en_US", "NUMBER", "-0.000", 0, "0.000"},
      {"en_US", "NUMBER", "2.5e-3", 0.0025, "0.0025"},
      {"en_US", "NUMBER", "1.5", 1.5, "", false},    // lenient: the double alone
      {"de_DE", "NLDATE", "07.12.2026", 24447, ""},  // not a number
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.field);
    use(row.locale);
    std::string error;
    auto reader = nlhost::FieldReader::make(*host_, *module_, row.reader, &error);
    ASSERT_TRUE(reader) << error;
    reader->set_strict(row.strict);
    double value = -1;
    std::string decimal = "canary";
    ASSERT_TRUE(reader->read_exact(row.field, &value, &decimal));
    EXPECT_EQ(value, row.value);  // the module's double, unchanged
    EXPECT_EQ(decimal, row.decimal);
    // An ASCII field read as known ASCII, blanks around it, answers alike.
    const std::string field = std::string(row.field);
    if (nlhost::ascii_prefix(field) == field.size()) {
      double ascii_value = -1;
      std::string ascii_decimal = "canary";
      ASSERT_TRUE(reader->read_ascii(" " + field + "\t", &ascii_value, &ascii_decimal));
      EXPECT_EQ(ascii_value, row.value);
      EXPECT_EQ(ascii_decimal, row.decimal);
    }
  }
  use("de_DE");
  std::string error;
  auto reader = nlhost::FieldReader::make(*host_, *module_, "MONEY", &error);
  ASSERT_TRUE(reader) << error;
  double value = -1;
  std::string decimal = "canary";
  EXPECT_FALSE(reader->read_exact("12,3,4", &value, &decimal));
  EXPECT_EQ(value, -1);
  EXPECT_EQ(decimal, "");
}

TEST_F(Reading, StrictPatternReadersAccountForTheWholeField) {
  use("de_DE");
  struct Row {
    nlhost::ValueKind kind;
    const char *pattern, *field;
    double value;  // NaN: not read
  };
  const double no = std::nan("");
  const Row rows[] = {
      {nlhost::ValueKind::kDate, "%d.%m.%Y", "07.12.2026", 24447},
      {nlhost::ValueKind::kDate, "%d.%m.%Y", "07.12.20026", no},
      {nlhost::ValueKind::kDate, "%d.%m.%Y", "07.12.2026 extra", no},
      {nlhost::ValueKind::kDate, "%Y%m%d", "20261207", 24447},
      {nlhost::ValueKind::kTime, "%H:%M", "14:30", 52200},
      {nlhost::ValueKind::kTime, "%H:%M", "14:301", no},
      {nlhost::ValueKind::kDatetime, "%d.%m.%Y %H:%M", "07.12.2026 14:30", 24447.0 * 86400 + 52200},
      // Before 1960 the values are negative; the first day is the last read.
      {nlhost::ValueKind::kDate, "%d.%m.%Y", "31.12.1959", -1},
      {nlhost::ValueKind::kDate, "%d.%m.%Y", "01.01.1582", -138061},
      {nlhost::ValueKind::kDate, "%d.%m.%Y", "31.12.1581", no},
      {nlhost::ValueKind::kDatetime, "%d.%m.%Y %H:%M", "31.12.1959 23:59", -60},
      {nlhost::ValueKind::kDatetime, "%d.%m.%Y %H:%M", "31.12.1959 00:00", -86400},
      {nlhost::ValueKind::kDatetime, "%d.%m.%Y %H:%M", "01.01.1582 00:00", -138061.0 * 86400},
      {nlhost::ValueKind::kDatetime, "%d.%m.%Y %H:%M", "31.12.1581 23:59", no},
      {nlhost::ValueKind::kTime, "%H:%M", "00:00", 0},
      {nlhost::ValueKind::kTime, "%H:%M", "23:59", 86340},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(std::string(row.pattern) + " " + row.field);
    std::string error;
    auto reader = nlhost::FieldReader::with_pattern(*host_, *module_, row.kind, row.pattern, &error);
    ASSERT_TRUE(reader) << error;
    double value = -1;
    EXPECT_EQ(reader->read(row.field, &value), !std::isnan(row.value));
    if (!std::isnan(row.value)) {
      EXPECT_EQ(value, row.value);
    }
  }
}

// The strict check takes a field in its pattern's numeric shape without
// writing it back: it must agree with the write-back on every day, and refuse
// what only the shape would pass (a number out of its field's range).
TEST_F(Reading, StrictShapeCheckAgreesWithTheWriteBack) {
  const auto zkfdttm_fn = [&] { return module_->function<decltype(&zkfdttm)>("zkfdttm"); };
  for (const char *locale : {"de_DE", "en_US", "ja_JP", "fr_CA"}) {
    SCOPED_TRACE(locale);
    use(locale);
    std::string error;
    auto reader = nlhost::FieldReader::make(*host_, *module_, "NLDATM", &error);
    ASSERT_TRUE(reader) << error;
    const auto write = zkfdttm_fn();
    for (int64_t day = -25567; day < 47482; day += 7) {  // 1890 to 2090, every weekday in turn
      const int64_t second_of_day = (day * 7919 % 86400 + 86400) % 86400;  // a different time each day
      const double datetime = static_cast<double>(day * 86400 + second_of_day);
      char text[64];
      int32_t width = sizeof text;
      ASSERT_EQ(write(text, &width, nullptr, UWN_ITEM_DATETIME_1, datetime), UWN_OK);
      double value = 0;
      ASSERT_TRUE(reader->read(std::string_view(text, static_cast<size_t>(width)), &value))
          << std::string_view(text, static_cast<size_t>(width));
      ASSERT_EQ(value, datetime) << std::string_view(text, static_cast<size_t>(width));
    }
  }
  use("de_DE");
  std::string error;
  auto reader = nlhost::FieldReader::make(*host_, *module_, "NLDATM", &error);
  ASSERT_TRUE(reader) << error;
  for (const char *field : {"07.12.2026, 24:00:00", "07.12.2026, 14:60:00", "07.12.2026, 14:59:60",
                            "31.04.2026, 10:00:00", "29.02.2025, 10:00:00", "00.12.2026, 10:00:00"}) {
    SCOPED_TRACE(field);
    double value = -1;
    EXPECT_FALSE(reader->read(field, &value));
    EXPECT_EQ(value, -1);
  }
}

// The layout the strict check holds follows the locale: a reader that has
// read by one pattern answers, after the item is set anew or another locale
// is made current, what a reader made afterwards answers.
TEST_F(Reading, StrictShapeFollowsTheLocaleItem) {
  use("de_DE");
  std::string error;
  auto warm = nlhost::FieldReader::make(*host_, *module_, "NLDATE", &error);
  ASSERT_TRUE(warm) << error;
  double value = 0;
  ASSERT_TRUE(warm->read("07.12.2026", &value));
  const char *const fields[] = {"07.12.2026", "07.12.26", "2026-12-07", "12/07/2026", "07.12.2026x"};
  const auto agree = [&] {
    auto fresh = nlhost::FieldReader::make(*host_, *module_, "NLDATE", &error);
    ASSERT_TRUE(fresh) << error;
    for (const char *field : fields) {
      SCOPED_TRACE(field);
      double warm_value = -1, fresh_value = -1;
      const bool fresh_read = fresh->read(field, &fresh_value);
      EXPECT_EQ(warm->read(field, &warm_value), fresh_read);
      EXPECT_EQ(warm_value, fresh_value);
    }
  };
  // A pattern whose fields are shorter: "07.12.2026" is now read only in part by it.
  for (const char *pattern : {"%d.%m.%y", "%Y-%m-%d", "%m/%d/%Y"}) {
    SCOPED_TRACE(pattern);
    ASSERT_TRUE(host_->locale()->set_text(UWN_ITEM_DATE_1, pattern));
    agree();
  }
  auto other = nlhost::load_icu_locale("de_DE", &error);
  ASSERT_NE(other, nullptr) << error;
  ASSERT_TRUE(other->set_text(UWN_ITEM_DATE_1, "%d.%m.%y"));
  host_->set_locale(std::move(other));
  agree();
}

// A datetime the pattern reads only in part is read by the whole-field
// fallback alone, or not at all: never to the part's value.
TEST_F(Reading, StrictDatetimesAreWholeOrNothing) {
  use("de_DE");
  std::string error;
  auto reader = nlhost::FieldReader::make(*host_, *module_, "NLDATM", &error);
  ASSERT_TRUE(reader) << error;
  constexpr double kDay = 24447.0 * 86400;
  struct Row {
    const char *field;
    bool must_read;
    double value;  // when read
  };
  const Row rows[] = {
      {"07.12.2026, 14:30:00", true, kDay + 52200},
      {"07.12.2026, 14:60:00", false, 0},
      {"07.12.2026, 02:30:00 PM", false, kDay + 52200},  // if read, then as 14:30
      {"07.12.2026, 14:30:00x", false, 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.field);
    double value = -1;
    const bool read = reader->read(row.field, &value);
    if (row.must_read) {
      EXPECT_TRUE(read);
    }
    if (read) {
      EXPECT_EQ(value, row.value);
    } else {
      EXPECT_EQ(value, -1);
    }
  }
}

TEST_F(Reading, LibraryReadersAndUnknownNames) {
  use("de_DE");
  std::string error;
  EXPECT_FALSE(nlhost::FieldReader::make(*host_, *module_, "NOSUCH", &error));
  EXPECT_NE(error.find("NOSUCH"), std::string::npos);
  auto number = nlhost::FieldReader::make(*host_, *module_, "number", &error);
  ASSERT_TRUE(number) << error;
  double value = 0;
  EXPECT_TRUE(number->read("1.234,5", &value));
  EXPECT_EQ(value, 1234.5);
}

// Strict reading of numbers, amounts and percentages: a field counts as read
// when digits, grouping, sign, currency and percent stand where the locale
// puts them and the module's value is what the field says.
struct NumberRow {
  const char *locale, *reader, *field;
  bool read;
  double value;
};

const NumberRow kStrictNumbers[] = {
    // Plain forms pass everywhere their separator is the decimal one.
    {"en_US", "NUMBER", "-1234.56", true, -1234.56},
    {"en_US", "NUMBER", "1,234,567.5", true, 1234567.5},
    {"en_US", "NUMBER", "+12", true, 12},
    {"en_US", "NUMBER", "(1,234)", true, -1234},
    {"en_US", "NUMBER", "1.5E-3", true, 0.0015},
    {"en_US", "NUMBER", "-0", true, 0},
    {"de_DE", "NUMBER", "-1234,56", true, -1234.56},
    {"de_DE", "NUMBER", "1.234.567,5", true, 1234567.5},
    {"fr_FR", "NUMBER",
     "-84\xE2\x80\xAF"
     "888,45",
     true, -84888.45},
    {"de_CH", "NUMBER",
     "1\xE2\x80\x99"
     "234.5",
     true, 1234.5},
    {"en_IN", "NUMBER", "12,34,567.5", true, 1234567.5},
    {"en_IN", "NUMBER", "1,234,567.5", true, 1234567.5},
    {"ar_EG", "NUMBER", "\xD8\x9C-\xD9\xA8\xD9\xA4\xD9\xAC\xD9\xA8\xD9\xA8\xD9\xA8\xD9\xAB\xD9\xA4\xD9\xA6",
     true, -84888.46},
    // Pashto writes its Arabic-Indic separators for "," and "." the other
    // way round from Arabic.
    {"ps", "NUMBER",
     "\xE2\x80\x8E-\xE2\x80\x8E\xDB\xB8\xDB\xB4\xD9\xAC\xDB\xB8\xDB\xB8\xDB\xB8\xD9\xAB\xDB\xB4\xDB\xB6",
     true, -84888.46},
    {"ps", "NUMBER", "-84.888,46", true, -84888.46},
    // Either side of the digits an exact decimal holds, and of the longest
    // number: 32 bytes are read, 33 are not.
    {"en_US", "NUMBER", "123456789012345", true, 123456789012345},
    {"en_US", "NUMBER", "1234567890123456", true, 1234567890123456},
    {"en_US", "NUMBER", "9007199254740993", true, 9007199254740992},
    {"en_US", "NUMBER", "-0.12345678901234", true, -0.12345678901234},
    {"en_US", "NUMBER", "-0.123456789012345678", true, -0.123456789012345678},
    {"en_US", "NUMBER", "1E22", true, 1e22},
    {"en_US", "NUMBER", "1E23", true, 1e23},
    {"de_DE", "NUMBER", "-0,000001", true, -0.000001},
    {"en_US", "NUMBER", "10000000000000000000000000000000", true, 1e31},
    {"en_US", "NUMBER", "100000000000000000000000000000000", false, 0},
    // Near misses.
    {"en_US", "NUMBER", "1,23,4.5", false, 0},
    {"en_US", "NUMBER", "1,2345", false, 0},
    {"en_US", "NUMBER", "12abc", false, 0},
    {"en_US", "NUMBER", "--5", false, 0},
    {"en_US", "NUMBER", "-+5", false, 0},
    {"en_US", "NUMBER", "1.234,56", false, 0},
    {"en_US", "NUMBER", "1,234.5.6", false, 0},
    {"en_US", "NUMBER", "(12", false, 0},
    {"en_US", "NUMBER", "12)", false, 0},
    {"en_US", "NUMBER", "12-", false, 0},
    {"en_US", "NUMBER", "12 %", false, 0},
    {"en_US", "NUMBER", "$12", false, 0},
    {"en_US", "NUMBER", "-", false, 0},
    {"en_US", "NUMBER", ",5", false, 0},
    {"en_US", "NUMBER", ".5", false, 0},
    {"en_US", "NUMBER", "5.", false, 0},
    {"de_DE", "NUMBER", "-1234.56", false, 0},
    {"de_DE", "NUMBER", "1.23", false, 0},
    {"de_DE", "NUMBER", "0.370", false, 0},
    {"de_DE", "NUMBER", "0,370", true, 0.37},
    // Money: the currency text before or after, once; local or ISO.
    {"en_US", "MONEY", "$1,234.56", true, 1234.56},
    {"en_US", "MONEY", "-$1,234.56", true, -1234.56},
    {"en_US", "MONEY", "($1,234.56)", true, -1234.56},
    {"en_US", "MONEY", "USD 1,234.56", true, 1234.56},
    {"en_US", "MONEY", "1234.56", true, 1234.56},
    {"de_DE", "MONEY", "-1.234,56\xC2\xA0\xE2\x82\xAC", true, -1234.56},
    {"de_DE", "MONEY", "-1.234,56 EUR", true, -1234.56},
    {"ja_JP", "MONEY",
     "\xEF\xBF\xA5"
     "1,235",
     true, 1235},
    // A currency text that holds the decimal separator is cut out whole.
    {"en_SX", "MONEY",
     "-NAf.\xC2\xA0"
     "84,888.46",
     true, -84888.46},
    {"ar_AE", "MONEY", "\xE2\x80\x8F\xE2\x80\x8E-84,888.46\xC2\xA0\xD8\xAF.\xD8\xA5.\xE2\x80\x8F", true,
     -84888.46},
    {"ta_LK", "MONEY", "Rs. 1,234.56", true, 1234.56},
    {"en_US", "MONEY", "1,234.56-", false, 0},
    {"en_US", "MONEY", "$1,234.56$", false, 0},
    {"en_US", "MONEY", "$ 12 USD", false, 0},
    {"en_US", "MONEY", "1e3", false, 0},
    {"en_US", "MONEY", "12 dollars", false, 0},
    {"de_DE", "MONEY", "\xE2\x82\xAC 1,234.56", false, 0},
    {"en_SX", "MONEY", "NAf.84", false, 0},
    // Percentages: with the sign divided by 100, without it as written.
    {"de_DE", "PERCENT", "12,5\xC2\xA0%", true, 0.125},
    {"de_DE", "PERCENT", "-12,5%", true, -0.125},
    {"de_DE", "PERCENT", "12,5", true, 12.5},
    {"tr_TR", "PERCENT", "%12", true, 0.12},
    {"de_DE", "PERCENT", "12 %%", false, 0},
    {"de_DE", "PERCENT", "12,5 % x", false, 0},
};

TEST_F(Reading, StrictNumbersStandWhereTheLocalePutsThem) {
  std::string current;
  for (const NumberRow &row : kStrictNumbers) {
    SCOPED_TRACE(std::string(row.locale) + " " + row.reader + " [" + row.field + "]");
    if (current != row.locale) {
      use(row.locale);
      current = row.locale;
    }
    std::string error;
    auto reader = nlhost::FieldReader::make(*host_, *module_, row.reader, &error);
    ASSERT_TRUE(reader) << error;
    double value = -999;
    EXPECT_EQ(reader->read(row.field, &value), row.read);
    EXPECT_EQ(value, row.read ? row.value : -999);
  }
}

// Lenient reading is the module's own; only a wrong value the one-byte
// currency text caused is gone.
TEST_F(Reading, LenientNumbersAreTheModulesReading) {
  use("en_US");
  std::string error;
  auto money = nlhost::FieldReader::make(*host_, *module_, "MONEY", &error);
  ASSERT_TRUE(money) << error;
  money->set_strict(false);
  double value = 0;
  EXPECT_TRUE(money->read("1,234.56-", &value));
  EXPECT_EQ(value, 1234.56);
  EXPECT_TRUE(money->read("$1,2,3", &value));
  EXPECT_EQ(value, 123);
  use("en_SX");
  money = nlhost::FieldReader::make(*host_, *module_, "MONEY", &error);
  ASSERT_TRUE(money) << error;
  money->set_strict(false);
  value = 7;
  EXPECT_FALSE(money->read("-NAf. 84,888.46", &value));
  EXPECT_EQ(value, 7);
}

TEST(WriteIso, EachKind) {
  char buffer[48];
  EXPECT_EQ(std::string(buffer, nlhost::write_iso(nlhost::ValueKind::kDate, 24447, buffer)), "2026-12-07");
  EXPECT_EQ(
      std::string(buffer, nlhost::write_iso(nlhost::ValueKind::kDatetime, 24447.0 * 86400 + 3661, buffer)),
      "2026-12-07T01:01:01");
  EXPECT_EQ(std::string(buffer, nlhost::write_iso(nlhost::ValueKind::kTime, 52205, buffer)), "14:30:05");
  EXPECT_EQ(std::string(buffer, nlhost::write_iso(nlhost::ValueKind::kNumber, -1234.56, buffer)), "-1234.56");
}

// A value counts in the day and the second it falls in: before day 0 and
// second 0 too, where rounding toward zero would land in the next one.
TEST(WriteIso, ValuesFallInTheirDayAndSecond) {
  using nlhost::ValueKind;
  constexpr double kFirst = UWN_FIRST_DATE, kLast = UWN_DATE_LIMIT - 1;  // 1582-01-01, 20000-12-26
  const struct {
    ValueKind kind;
    double value;
    const char *text;
  } rows[] = {
      {ValueKind::kDate, 0, "1960-01-01"},
      {ValueKind::kDate, 0.75, "1960-01-01"},
      {ValueKind::kDate, -1, "1959-12-31"},
      {ValueKind::kDate, -0.25, "1959-12-31"},
      {ValueKind::kDate, -1.5, "1959-12-30"},
      {ValueKind::kDate, kFirst, "1582-01-01"},
      {ValueKind::kDate, kFirst + 0.5, "1582-01-01"},
      {ValueKind::kDate, 2936549, "9999-12-31"},
      {ValueKind::kDate, 2936550, "10000-01-01"},
      {ValueKind::kDate, kLast + 0.5, "20000-12-26"},
      {ValueKind::kDatetime, 0, "1960-01-01T00:00:00"},
      {ValueKind::kDatetime, 0.5, "1960-01-01T00:00:00"},
      {ValueKind::kDatetime, 86399.999, "1960-01-01T23:59:59"},
      {ValueKind::kDatetime, -1, "1959-12-31T23:59:59"},
      {ValueKind::kDatetime, -0.5, "1959-12-31T23:59:59"},
      {ValueKind::kDatetime, -1e-13, "1959-12-31T23:59:59"},  // 86400 - 1e-13 is 86400
      {ValueKind::kDatetime, -59.25, "1959-12-31T23:59:00"},
      {ValueKind::kDatetime, -3600.5, "1959-12-31T22:59:59"},
      {ValueKind::kDatetime, -86400, "1959-12-31T00:00:00"},
      {ValueKind::kDatetime, -86400.5, "1959-12-30T23:59:59"},
      {ValueKind::kDatetime, -1e9 - 0.5, "1928-04-23T22:13:19"},
      {ValueKind::kDatetime, kFirst * 86400, "1582-01-01T00:00:00"},
      {ValueKind::kDatetime, kFirst * 86400 + 0.5, "1582-01-01T00:00:00"},
      {ValueKind::kDatetime, kFirst * 86400 + 86399.5, "1582-01-01T23:59:59"},
      {ValueKind::kDatetime, kLast * 86400 + 86399.5, "20000-12-26T23:59:59"},
      {ValueKind::kTime, 0, "00:00:00"},
      {ValueKind::kTime, 0.5, "00:00:00"},
      {ValueKind::kTime, 59.999, "00:00:59"},
      {ValueKind::kTime, 86399.5, "23:59:59"},
      {ValueKind::kTime, 86400, "24:00:00"},
      {ValueKind::kTime, 359999.5, "99:59:59"},
      {ValueKind::kTime, 360000, "100:00:00"},
      {ValueKind::kTime, 362340, "100:39:00"},  // "99:99", read leniently by %H:%M
      {ValueKind::kTime, 2147483647.0 * 3600 + 3599, "2147483647:59:59"},
      {ValueKind::kTime, -1, "-00:00:01"},
      {ValueKind::kTime, -0.5, "-00:00:01"},
      {ValueKind::kTime, -360000, "-100:00:00"},
  };
  char buffer[48];
  for (const auto &row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(std::string(buffer, nlhost::write_iso(row.kind, row.value, buffer)), row.text);
  }
}

// The digit-pair writers that the CLI's line paths call for whole days and
// seconds write what write_iso writes, over every day of years -1 to 10001
// and integers of every length.
TEST(IsoDigits, AgreeWithWriteIso) {
  using nlhost::ValueKind;
  char expected[48], got[48];
  const auto iso = [&](ValueKind kind, double value) {
    return std::string_view(expected, nlhost::write_iso(kind, value, expected));
  };
  for (int64_t day = nlhost::civil::days_from_civil(-1, 1, 1);
       day <= nlhost::civil::days_from_civil(10001, 12, 31); ++day) {
    ASSERT_EQ(std::string_view(got, static_cast<size_t>(nlhost::iso::write_date(got, day) - got)),
              iso(ValueKind::kDate, static_cast<double>(day)))
        << day;
    if (day % 7 != 0) continue;
    const int64_t second = day * 86400 + (day * 7919) % 86400;
    ASSERT_EQ(std::string_view(got, static_cast<size_t>(nlhost::iso::write_datetime(got, second) - got)),
              iso(ValueKind::kDatetime, static_cast<double>(second)))
        << second;
  }
  for (int64_t power = 1; power < 9'000'000'000'000'000; power *= 10) {
    for (const int64_t n : {power - 1, power, power + 1, 3 * power, -power, -power + 1, -7 * power}) {
      ASSERT_EQ(std::string(got, nlhost::iso::write_integer(got, n)),
                iso(ValueKind::kNumber, static_cast<double>(n)))
          << n;
    }
  }
  EXPECT_EQ(std::string(got, nlhost::iso::write_integer(got, INT64_MIN)), "-9223372036854775808");
  EXPECT_EQ(std::string(got, nlhost::iso::write_digits(got, UINT64_MAX)), "18446744073709551615");
}

TEST(IsoDigits, WholeNumbersOnly) {
  const struct {
    double value;
    std::optional<int64_t> whole;
  } rows[] = {
      {0, 0},
      {-0.0, 0},
      {24447, 24447},
      {-138061, -138061},
      {0.5, {}},
      {-1e-300, {}},
      {8999999999999999.0, 8999999999999999},
      {9e15, {}},
      {-9e15, {}},
      {1e300, {}},
      {std::nan(""), {}},
      {HUGE_VAL, {}},
  };
  for (const auto &row : rows) EXPECT_EQ(nlhost::iso::whole_number(row.value), row.whole) << row.value;
}

// Numbers as plain decimals, never with an exponent between 1e-5 and 1e16,
// and as short as reads back.
TEST(WriteIso, NumbersArePlainAndShortest) {
  const struct {
    double value;
    const char *text;
  } rows[] = {
      {0, "0"},
      {-0.0, "0"},
      {5, "5"},
      {-7, "-7"},
      {1e6, "1000000"},
      {1234567890123456, "1234567890123456"},
      {0.5, "0.5"},
      {-1234.56, "-1234.56"},
      {0.00001, "0.00001"},
      {0.0001234, "0.0001234"},
      {1.05, "1.05"},
      {0.1 + 0.2, "0.30000000000000004"},
      {123456789.123, "123456789.123"},
      {1e16, "1e+16"},
      {-2.5e20, "-2.5e+20"},
      {1e-7, "1e-07"},
      // Both sides of each bound: plain from 1e-5 up to below 1e16, whole
      // numbers by their digits below 9e15, the fewest decimals up to 8.
      {-1e16, "-1e+16"},
      {9999999999999998, "9999999999999998"},
      {-9999999999999998, "-9999999999999998"},
      {9e15, "9000000000000000"},
      {8999999999999999, "8999999999999999"},
      {-0.00001, "-0.00001"},
      {0.0000099, "9.9e-06"},
      {-0.0000099, "-9.9e-06"},
      {-1e-7, "-1e-07"},
      {0.12345678, "0.12345678"},
      {-0.12345678, "-0.12345678"},
      {0.123456789, "0.123456789"},
      {99999999999999.9, "99999999999999.9"},
      {999999999999999.9, "999999999999999.9"},
      {-0.5, "-0.5"},
  };
  char buffer[48];
  for (const auto &row : rows) {
    EXPECT_EQ(std::string(buffer, nlhost::write_iso(nlhost::ValueKind::kNumber, row.value, buffer)), row.text)
        << row.value;
  }
  // Against the C++ library's shortest fixed form, over amounts of 0 to 8
  // decimals and values with every digit a double has.
  uint64_t state = 20261208;
  auto next = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return state >> 11;
  };
  for (int i = 0; i < 200000; ++i) {
    const double scale = std::pow(10.0, static_cast<double>(next() % 9));
    const double value =
        i % 2 == 0 ? static_cast<double>(next() % 100000000000000ULL) / scale
                   : static_cast<double>(next()) / 9007199254740992.0 * std::pow(10.0, next() % 20 - 4.0);
    if (value < 1e-5 || value >= 1e16) continue;
    char digits[48];
    const char *end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed).ptr;
    std::string expected = "-";
    expected.append(digits, static_cast<size_t>(end - digits));
    ASSERT_EQ(std::string(buffer, nlhost::write_iso(nlhost::ValueKind::kNumber, -value, buffer)), expected);
  }
}

}  // namespace
