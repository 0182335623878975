// The locale a job reads by: from --locale, else the environment category
// by category, names checked, and said on standard error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_run.h"

namespace {

using nldat_test::CliRun;
using nldat_test::nldat;
using nldat_test::write_scratch;

size_t count_of(const std::string &text, const std::string &part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The last line of standard error, without its line end.
std::string last_line(const std::string &err) {
  if (err.empty()) return "";
  const size_t start = err.rfind('\n', err.size() - 2);
  return err.substr(start == std::string::npos ? 0 : start + 1, err.size() - 1 - (start + 1));
}

constexpr char kUnknown[] = "no locale nldat knows; reading by en_US";

TEST(CliLocale, EachReaderFollowsItsCategoryOfTheEnvironment) {
  const struct {
    const char *environment;
    const char *arguments;
    const char *input;
    const char *out;
    const char *summary;
    bool warned;
  } rows[] = {
      {"", "read NUMBER", "1.5", "1.5\n", "nldat: locale en_US (default)", false},
      {"LANG=C.UTF-8", "read NUMBER", "1.5", "1.5\n", "nldat: locale en_US (LANG=C.UTF-8)", false},
      {"LANG=POSIX", "read NUMBER", "1.5", "1.5\n", "nldat: locale en_US (LANG=POSIX)", false},
      // Numbers by LC_NUMERIC, dates by LC_TIME, money by LC_MONETARY, each before LANG.
      {"LANG=en_US.UTF-8 LC_NUMERIC=de_DE.UTF-8", "read NUMBER", "1,5", "1.5\n",
       "nldat: locale de_DE (LC_NUMERIC=de_DE.UTF-8)", false},
      {"LANG=en_US.UTF-8 LC_NUMERIC=de_DE.UTF-8", "read NLDATE", "12/31/2020", "22280\t2020-12-31\n",
       "nldat: locale en_US (LANG=en_US.UTF-8)", false},
      {"LANG=en_US.UTF-8 LC_NUMERIC=fr_FR", "read PERCENT", "4,1 %", "0.041\n",
       "nldat: locale fr_FR (LC_NUMERIC=fr_FR)", false},
      {"LANG=en_US.UTF-8 LC_MONETARY=de_DE@euro", "read MONEY", "-1.234,56 €", "-1234.56\n",
       "nldat: locale de_DE (LC_MONETARY=de_DE@euro)", false},
      {"LC_MONETARY=de_DE", "read NUMBER", "1,5", ".\n", "nldat: locale en_US (default)", false},
      {"LC_TIME=de-DE LC_NUMERIC=en_US", "read NLDATE", "05.03.2020", "21979\t2020-03-05\n",
       "nldat: locale de_DE (LC_TIME=de-DE)", false},
      // LC_ALL is before every category; --locale before them all.
      {"LC_ALL=en_US LC_NUMERIC=de_DE", "read NUMBER", "1,5", ".\n", "nldat: locale en_US (LC_ALL=en_US)",
       false},
      {"LC_NUMERIC=de_DE", "--locale en_US read NUMBER", "1,5", ".\n", "nldat: locale en_US (--locale)",
       false},
      // A name the host lacks is en_US, said once; a category the job does
      // not read by is not looked at.
      {"LC_ALL=junk LANG=de_DE", "read NLDATE", "05.03.2020\n05.03.2020", ".\n.\n",
       "nldat: locale en_US (LC_ALL=junk unknown)", true},
      {"LANG=..", "read NUMBER", "1.5", "1.5\n", "nldat: locale en_US (LANG=.. unknown)", true},
      {"LC_NUMERIC=@euro LANG=de_DE.UTF-8", "read NUMBER", "1.5", "1.5\n",
       "nldat: locale en_US (LC_NUMERIC=@euro unknown)", true},
      {"LC_NUMERIC=junk LANG=de_DE.UTF-8", "read NLDATE", "05.03.2020", "21979\t2020-03-05\n",
       "nldat: locale de_DE (LANG=de_DE.UTF-8)", false},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(std::string(row.environment) + " " + row.arguments);
    const CliRun run = nldat(row.arguments, std::string(row.input) + "\n", row.environment);
    EXPECT_EQ(run.out, row.out) << run.err;
    EXPECT_EQ(last_line(run.err), row.summary) << run.err;
    EXPECT_EQ(count_of(run.err, kUnknown), row.warned ? 1u : 0u) << run.err;
  }
}

TEST(CliLocale, AnUnknownLocaleGivenIsRefusedEscapedAndCut) {
  const struct {
    const char *locale;  // a shell word
    const char *shown;
  } rows[] = {
      {"..", "\"..\""},
      {".", "\".\""},
      {"@euro", "\"@euro\""},
      {".UTF-8", "\".UTF-8\""},
      {"xx_YY", "\"xx_YY\""},
      {"'de DE'", "\"de DE\""},
      {"\"$(printf 'de\\033[31m')\"", "\"de\\x1b[31m\""},
      {"\"$(printf '%0100000d' 0)\"", "\"000000000000000000000000000000000000000000000000000000000000\"..."},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.locale);
    const CliRun run = nldat(std::string("--locale ") + row.locale + " read NUMBER", "1.5\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(std::string("unknown locale ") + row.shown), std::string::npos) << run.err;
    EXPECT_LT(run.err.size(), 200u);
  }
  // Names the host knows, after the POSIX rules.
  for (const char *known : {"de_DE.UTF-8", "de_DE@euro", "de-DE", "C", "POSIX", "C.UTF-8", "zh_CN"}) {
    SCOPED_TRACE(known);
    EXPECT_EQ(nldat(std::string("--locale ") + known + " read NUMBER", "1\n").status, 0);
  }
}

TEST(CliLocale, AnUnknownNameInTheEnvironmentStopsNoCommand) {
  const std::string dates = write_scratch("dates.txt", "2010-01-01\n");
  for (const std::string &arguments : std::vector<std::string>{
           "--version", "--help", "info", "locales", "--locale de_DE patterns", "patterns",
           "week V 2010-01-01", "format date %d.%m.%Y 2010-01-01", "sniff " + dates}) {
    for (const char *environment : {"LC_ALL=junk", "LANG=junk LC_TIME=.. LC_NUMERIC=x"}) {
      SCOPED_TRACE(arguments + " " + environment);
      const CliRun run = nldat(arguments, "", environment);
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_LE(count_of(run.err, kUnknown), 1u) << run.err;
    }
  }
}

TEST(CliLocale, ConvertReadsEachColumnByItsCategorysLocaleAndSaysWhich) {
  const std::string file =
      write_scratch("locales.csv", "Datum;Betrag;Anteil\n07.12.2026;-1.234,56 €;4,5 %\n");
  const struct {
    const char *environment;
    const char *columns;
    int status;
    const char *says;  // the last line of standard error
  } rows[] = {
      {"LANG=de_DE.UTF-8", "--column Datum=NLDATE --column Betrag=MONEY", 0,
       "nldat: locale de_DE (LANG=de_DE.UTF-8)"},
      {"LC_TIME=de_DE LC_MONETARY=de_DE.UTF-8 LC_NUMERIC=de_DE@euro",
       "--column Datum=NLDATE --column Betrag=MONEY --column Anteil=PERCENT", 0,
       "nldat: locale de_DE (dates: LC_TIME=de_DE, money: LC_MONETARY=de_DE.UTF-8, numbers: "
       "LC_NUMERIC=de_DE@euro)"},
      // Each column by its category's locale, said for each.
      {"LC_TIME=de_DE LC_NUMERIC=fr_FR", "--column Datum=NLDATE --column Anteil=PERCENT", 0,
       "nldat: locales dates: de_DE by LC_TIME=de_DE, numbers: fr_FR by LC_NUMERIC=fr_FR"},
      {"LC_TIME=de_DE LC_MONETARY=en_US", "--column Datum=NLDATE --column Betrag=MONEY", 1,
       "nldat: locales dates: de_DE by LC_TIME=de_DE, money: en_US by LC_MONETARY=en_US"},
      {"LC_TIME=de_DE LC_MONETARY=en_US", "--locale de_DE --column Datum=NLDATE --column Betrag=MONEY", 0,
       "nldat: locale de_DE (--locale)"},
      // Only the categories of the columns converted count.
      {"LC_TIME=de_DE LC_MONETARY=en_US", "--column Datum=NLDATE", 0, "nldat: locale de_DE (LC_TIME=de_DE)"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(std::string(row.environment) + " " + row.columns);
    const CliRun run = nldat(std::string("convert ") + row.columns + " " + file, "", row.environment);
    EXPECT_EQ(run.status, row.status) << run.err;
    EXPECT_EQ(last_line(run.err), row.says) << run.err;
    if (row.status == 2) {
      EXPECT_EQ(run.out, "");
    }
  }
}

}  // namespace
