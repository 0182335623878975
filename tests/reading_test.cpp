// nlhost::FieldReader: normalization, strict whole-field reading and the
// lenient reading the module's informats give on their own.
#include "nlhost/reading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "nlhost/icu_locale.h"

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
      {"\xEF\xBB\xBF" "07.12.2026", "07.12.2026"},
      {"84\xE2\x80\xAF" "888,45", "84 888,45"},
      {"1\xC2\xA0" "234", "1 234"},
      {"\xE2\x88\x92" "5", "-5"},
      {"1\xE2\x80\x99" "234.5", "1'234.5"},
      {"\xE2\x80\x8F" "12/02/2024", "12/02/2024"},
      {"f\xC3\xA9vr.", "f\xC3\xA9vr."},
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
  auto reader = nlhost::FieldReader::make(*module_, "NLDATE", &error);
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

TEST_F(Reading, LibraryReadersAndUnknownNames) {
  use("de_DE");
  std::string error;
  EXPECT_FALSE(nlhost::FieldReader::make(*module_, "NOSUCH", &error));
  EXPECT_NE(error.find("NOSUCH"), std::string::npos);
  auto number = nlhost::FieldReader::make(*module_, "number", &error);
  ASSERT_TRUE(number) << error;
  double value = 0;
  EXPECT_TRUE(number->read("1.234,5", &value));
  EXPECT_EQ(value, 1234.5);
}

TEST(WriteIso, EachKind) {
  char buffer[48];
  EXPECT_EQ(std::string(buffer, nlhost::write_iso(nlhost::ValueKind::kDate, 24447, buffer)), "2026-12-07");
  EXPECT_EQ(std::string(buffer, nlhost::write_iso(nlhost::ValueKind::kDatetime, 24447.0 * 86400 + 3661, buffer)),
            "2026-12-07T01:01:01");
  EXPECT_EQ(std::string(buffer, nlhost::write_iso(nlhost::ValueKind::kTime, 52205, buffer)), "14:30:05");
  EXPECT_EQ(std::string(buffer, nlhost::write_iso(nlhost::ValueKind::kNumber, -1234.56, buffer)), "-1234.56");
}

}  // namespace
