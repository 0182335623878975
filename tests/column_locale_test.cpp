// Reading by a locale other than the host's current one, through a module
// instance on a control block that names it, and reading by a user's form:
// pattern with the matcher of the locale's own forms.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"

namespace {

// The ISO text of what reader made of field, or "-" when it was not read.
std::string read_iso(nlhost::FieldReader &reader, const std::string &field) {
  double value = 0;
  std::string decimal;
  if (!reader.read_exact(field, &value, &decimal)) return "-";
  if (!decimal.empty()) return decimal;
  char text[nlhost::kIsoTextMax];
  return std::string(text, nlhost::write_iso(reader.kind(), value, text));
}

class ColumnLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    host_ = std::make_unique<nlhost::Host>();
    host_->make_current();
    host_->set_locale(nlhost::load_icu_locale("en_US", &error));
    module_ = nlhost::Module::open(*host_, NLDAT_MODULE_PATH, &error);
    ASSERT_NE(module_, nullptr) << error;
  }
  void TearDown() override {
    instances_.clear();
    module_.reset();
    host_.reset();
  }
  // A module instance that reads by locale name.
  nlhost::Module &instance(const char *name) {
    std::string error;
    auto locale = nlhost::load_icu_locale(name, &error);
    EXPECT_NE(locale, nullptr) << error;
    instances_.push_back(nlhost::Module::open_instance(*host_, NLDAT_MODULE_PATH,
                                                       host_->add_control_block(std::move(locale)), &error));
    EXPECT_NE(instances_.back(), nullptr) << error;
    return *instances_.back();
  }
  nlhost::FieldReader reader(const nlhost::Module &module, const char *name, bool strict = true) {
    std::string error;
    auto made = nlhost::FieldReader::make(*host_, module, name, &error);
    EXPECT_TRUE(made) << error;
    made->set_strict(strict);
    return *made;
  }
  std::unique_ptr<nlhost::Host> host_;
  std::unique_ptr<nlhost::Module> module_;
  std::vector<std::unique_ptr<nlhost::Module>> instances_;
};

// Every step reads by the instance's locale, the host's own steps too (the
// whole-field informat, number shapes, exact decimals), while readers of
// the host's module go on reading by the host's locale.
TEST_F(ColumnLocale, AnInstanceReadsByTheLocaleItsBlockNames) {
  nlhost::Module &german = instance("de_DE");
  const struct {
    const char *reader;
    bool strict;
    const char *field;
    const char *de_DE;
    const char *en_US;
  } cases[] = {
      {"NLDATE", true, "07.12.2026", "2026-12-07", "-"},
      {"NLDATE", true, "7.12.2026", "2026-12-07", "-"},  // the whole-field informat's de_DE forms
      {"NLDATE", true, "7. Dezember 2026", "2026-12-07", "-"},
      {"NLDATE", true, "12/07/2026", "-", "2026-12-07"},
      {"NLDATE", true, "Dec 7, 2026", "-", "2026-12-07"},
      {"NLDATE", true, "2026-12-07", "2026-12-07", "2026-12-07"},
      {"NLDATE", false, "7.12.2026", "2026-12-07", "-"},  // the module's informat and its fallback
      {"NLDATE", false, "07.12.2026 und mehr", "2026-12-07", "-"},
      {"NLDATM", true, "07.12.2026, 14:30:00", "2026-12-07T14:30:00", "-"},
      {"NUMBER", true, "1.234,5", "1234.5", "-"},
      {"NUMBER", true, "1,234.5", "-", "1234.5"},
      {"MONEY", true, "-1.234,56 €", "-1234.56", "-"},
      {"MONEY", true, "-$1,234.56", "-", "-1234.56"},
      {"PERCENT", true, "4,1 %", "0.041", "-"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.reader) + " " + c.field);
    nlhost::FieldReader by_instance = reader(german, c.reader, c.strict);
    nlhost::FieldReader by_host = reader(*module_, c.reader, c.strict);
    EXPECT_EQ(by_instance.locale()->name(), "de_DE");
    EXPECT_EQ(by_host.locale()->name(), "en_US");
    EXPECT_EQ(read_iso(by_instance, c.field), c.de_DE);
    EXPECT_EQ(read_iso(by_host, c.field), c.en_US);
  }
}

TEST_F(ColumnLocale, ThreadsReadByTheirOwnInstancesAtOnce) {
  nlhost::Module &british = instance("en_GB");
  nlhost::Module &american = instance("en_US");
  auto run = [&](nlhost::Module &module, const char *expected) {
    nlhost::FieldReader r = reader(module, "NLDATE");
    for (int k = 0; k < 2000; ++k) {
      if (read_iso(r, "05/06/2026") != expected) return false;
    }
    return true;
  };
  bool gb = false, us = false;
  std::thread a([&] { gb = run(british, "2026-06-05"); });
  std::thread b([&] { us = run(american, "2026-05-06"); });
  a.join();
  b.join();
  EXPECT_TRUE(gb);
  EXPECT_TRUE(us);
}

TEST_F(ColumnLocale, AFormReadsAsTheLocalesOwnFormsDo) {
  nlhost::Module &spanish = instance("es_ES");
  nlhost::Module &egyptian = instance("ar_EG");
  const struct {
    nlhost::Module *module;
    nlhost::ValueKind kind;
    const char *pattern;
    const char *field;
    const char *expected;
  } cases[] = {
      {&spanish, nlhost::ValueKind::kDate, "%b. %d, %Y", "dic. 9, 2026", "2026-12-09"},
      {&spanish, nlhost::ValueKind::kDate, "%b. %d, %Y", "DIC. 09, 2026", "2026-12-09"},
      {&spanish, nlhost::ValueKind::kDate, "%b. %d, %Y", "Dic. 19, 26", "2026-12-19"},
      {&spanish, nlhost::ValueKind::kDate, "%B %d, %Y", "DICIEMBRE 9, 2026", "2026-12-09"},
      {&spanish, nlhost::ValueKind::kDate, "%B %d, %Y", "Enero 01, 2026", "2026-01-01"},
      {&spanish, nlhost::ValueKind::kDate, "%b. %d, %Y", "dic. 32, 2026", "-"},
      {&spanish, nlhost::ValueKind::kDate, "%b. %d, %Y", "dic. 9, 2026x", "-"},
      {&spanish, nlhost::ValueKind::kDate, "%b. %d, %Y", "9 dic. 2026", "-"},
      {&spanish, nlhost::ValueKind::kDate, "%b. %d, %Y", "dec. 9, 2026", "-"},  // not a Spanish name
      {&spanish, nlhost::ValueKind::kDate, "%A %d de %B de %Y", "miércoles 9 de diciembre de 2026",
       "2026-12-09"},
      {&spanish, nlhost::ValueKind::kDate, "%A %d de %B de %Y", "jueves 9 de diciembre de 2026", "-"},
      {module_.get(), nlhost::ValueKind::kDate, "%m/%d/%Y", "2/29/2024", "2024-02-29"},
      {module_.get(), nlhost::ValueKind::kDate, "%m/%d/%Y", "2/29/2023", "-"},
      {module_.get(), nlhost::ValueKind::kDatetime, "%m/%d/%Y %I:%M %P", "12/7/2026 2:30 PM",
       "2026-12-07T14:30:00"},
      {module_.get(), nlhost::ValueKind::kDatetime, "%Y-%m-%dT%H:%M", "2026-12-7t14:30",
       "2026-12-07T14:30:00"},
      {module_.get(), nlhost::ValueKind::kDate, "%d 'of' %B %Y", "7 'OF' December 2026", "2026-12-07"},
      {module_.get(), nlhost::ValueKind::kTime, "%H:%M", "9:05", "09:05:00"},
      {module_.get(), nlhost::ValueKind::kTime, "%H:%M", "24:05", "-"},
      {&egyptian, nlhost::ValueKind::kDate, "%d/%m/%Y", "\u0669/\u0661\u0662/\u0662\u0660\u0662\u0666",
       "2026-12-09"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " " + c.field);
    std::string error;
    auto made = nlhost::FieldReader::with_form(*host_, *c.module, c.kind, c.pattern, &error);
    ASSERT_TRUE(made) << error;
    EXPECT_EQ(read_iso(*made, c.field), c.expected);
  }
}

TEST_F(ColumnLocale, AFormMustReadWholeValuesOfItsKind) {
  const struct {
    nlhost::ValueKind kind;
    const char *pattern;
  } refused[] = {
      {nlhost::ValueKind::kDate, "%d.%m"},           // no year
      {nlhost::ValueKind::kDate, "%d.%m.%Y %H:%M"},  // a clock in a date
      {nlhost::ValueKind::kDatetime, "%d.%m.%Y"},    // no clock
      {nlhost::ValueKind::kTime, "%I:%M"},           // a 12-hour clock without AM/PM
      {nlhost::ValueKind::kDate, "%d.%m.%Y %q"},     // a directive the matcher does not read
      {nlhost::ValueKind::kDate, "%d.%m.%Y%"},       // a lone %
      {nlhost::ValueKind::kNumber, "%d"},           {nlhost::ValueKind::kDate, ""},
  };
  for (const auto &c : refused) {
    SCOPED_TRACE(c.pattern);
    std::string error;
    EXPECT_FALSE(nlhost::FieldReader::with_form(*host_, *module_, c.kind, c.pattern, &error));
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
