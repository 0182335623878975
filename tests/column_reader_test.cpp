// A column's reader text as every host takes it, and the agreeing of
// alternatives: what the CLI, Python and PostgreSQL all rely on.
#include "nlhost/column_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace {

using nlhost::Agreement;
using nlhost::ReaderChoice;

// Each alternative as name/pattern/locale, with 'F' before a form.
std::string shown(const std::vector<ReaderChoice> &choices) {
  std::string out;
  for (const ReaderChoice &c : choices) {
    out += out.empty() ? "" : " | ";
    out += (c.form ? "F " : "") + c.name + "/" + c.pattern + "/" + c.locale;
  }
  return out;
}

TEST(ColumnReader, ParsesReaderText) {
  const struct {
    const char *text, *parsed;  // parsed: null when refused
  } rows[] = {
      {"NLDATE", "NLDATE//"},
      {"NLDATE@en_GB", "NLDATE//en_GB"},
      {"NLDATE@de-DE.UTF-8", "NLDATE//de-DE.UTF-8"},
      {"date:%d.%m.%Y", "date/%d.%m.%Y/"},
      {"date:%d@%m@fr_FR", "date/%d@%m/fr_FR"},  // the last '@' names the locale
      {"date:%d@", "date/%d@/"},                 // nothing after it: part of the pattern
      {"date:%d@%", "date/%d@%/"},               // no locale name after it either
      {"form:%b. %d, %Y", "F date/%b. %d, %Y/"},
      {"FORM:%d.%m.%Y %H:%M@de_DE", "F datetime/%d.%m.%Y %H:%M/de_DE"},
      {"form:%H:%M", "F time/%H:%M/"},
      {"NLDATE@en_GB|NLDATE@en_US", "NLDATE//en_GB | NLDATE//en_US"},
      {"NLDATE|form:%d %B %Y@fr_FR", "NLDATE// | F date/%d %B %Y/fr_FR"},
      {"NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE",
       "NLDATE// | NLDATE// | NLDATE// | NLDATE// | "
       "NLDATE// | NLDATE// | NLDATE// | NLDATE//"},
      {"NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE", nullptr},
      {"", nullptr},
      {"NLDATE|", nullptr},
      {"|NLDATE", nullptr},
      {"@en_GB", "@en_GB//"},  // no reader before it: a name no reader has
      {"form:", nullptr},
      {"form:@de_DE", nullptr},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.text);
    std::vector<ReaderChoice> choices;
    std::string error;
    ReaderChoice base;
    base.week_rule = 'U';
    const bool parsed = nlhost::parse_readers(row.text, base, &choices, &error);
    ASSERT_EQ(parsed, row.parsed != nullptr) << error;
    if (!parsed) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(shown(choices), row.parsed);
    for (const ReaderChoice &c : choices) EXPECT_EQ(c.week_rule, 'U') << "the base's options carry over";
  }
}

TEST(ColumnReader, TellsTheKindAnAlternativeReads) {
  using nlhost::ValueKind;
  const struct {
    const char *text;
    std::optional<ValueKind> kind;  // nothing: no reader or kind has the name
  } rows[] = {
      {"NLDATE", ValueKind::kDate},
      {"NLDATMAP@en_US", ValueKind::kDatetime},
      {"NUMBER@de_DE", ValueKind::kNumber},
      {"WEEK", ValueKind::kDate},
      {"NLDATX", std::nullopt},
      {"date:%d.%m.%y", ValueKind::kDate},
      {"NLDATM:%d.%m.%Y %H", ValueKind::kDatetime},
      {"time:%H:%M", ValueKind::kTime},
      {"number:%d", std::nullopt},
      {"WEEK:%d", std::nullopt},  // a library reader takes no pattern
      {"form:%H:%M", ValueKind::kTime},
      {"form:%d.%m.%Y %H:%M", ValueKind::kDatetime},
      {"form:%b %d", ValueKind::kDate},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.text);
    std::vector<ReaderChoice> choices;
    std::string error;
    ASSERT_TRUE(nlhost::parse_readers(row.text, {}, &choices, &error)) << error;
    EXPECT_EQ(nlhost::choice_kind(choices.front()), row.kind);
  }
}

TEST(ColumnReader, AgreesOnlyWhenEveryReadingGivesOneValue) {
  const double no = std::nan("");
  const struct {
    std::vector<double> values;
    Agreement agreement;
    size_t first;
  } rows[] = {
      {{24447}, Agreement::kRead, 0},
      {{no}, Agreement::kNotRead, 1},
      {{no, no, no}, Agreement::kNotRead, 3},
      {{no, 24447}, Agreement::kRead, 1},
      {{24447, no, 24447}, Agreement::kRead, 0},
      {{24447, 24262}, Agreement::kAmbiguous, 0},
      {{no, 24447, no, 24262}, Agreement::kAmbiguous, 1},
      {{0.0, -0.0}, Agreement::kRead, 0},  // one value
  };
  for (const auto &row : rows) {
    size_t first = 99;
    EXPECT_EQ(nlhost::agree(row.values, &first), row.agreement);
    EXPECT_EQ(first, row.first);
  }
}

TEST(ColumnReader, TellsEachValueWithTheAlternativesThatGaveIt) {
  const double no = std::nan("");
  const std::vector<std::string> labels = {"NLDATE@en_GB", "NLDATE@fr_FR", "NLDATE@en_US", "NLDATE@ja_JP"};
  EXPECT_EQ(
      nlhost::describe_values(nlhost::ValueKind::kDate, std::vector<double>{24262, 24262, 24232, no}, labels),
      "2026-06-05 by NLDATE@en_GB, NLDATE@fr_FR or 2026-05-06 by NLDATE@en_US");
  EXPECT_EQ(
      nlhost::describe_values(nlhost::ValueKind::kNumber, std::vector<double>{1234, no, 1.234, 1234}, labels),
      "1234 by NLDATE@en_GB, NLDATE@ja_JP or 1.234 by NLDATE@en_US");
}

}  // namespace
