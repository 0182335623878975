// nldat, the command-line program, run as a user runs it on the examples.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct CliRun {
  int status;
  std::string out, err;
};

std::string slurp(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs nldat with arguments (shell words) and optional standard input.
CliRun nldat(const std::string &arguments, const std::string &input = "") {
  // Per process: CTest runs tests in parallel processes.
  const std::string dir = ::testing::TempDir() + std::to_string(::getpid()) + "_";
  const std::string in = dir + "nldat_in", out = dir + "nldat_out", err = dir + "nldat_err";
  std::ofstream(in) << input;
  const std::string command = std::string("cd '") + NLDAT_SOURCE_DIR + "' && '" + NLDAT_CLI_PATH + "' " +
                              arguments + " <'" + in + "' >'" + out + "' 2>'" + err + "'";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
}

TEST(Cli, ReadsTheExamples) {
  const struct {
    const char *arguments;
    const char *expected;
  } cases[] = {
      {"--locale de_DE read NLDATE examples/de_DE_dates.txt",
       "21979\t2020-03-05\n10913\t1989-11-17\n11233\t1990-10-03\n24099\t2025-12-24\n14610\t2000-01-01\n"
       "23435\t2024-02-29\n10905\t1989-11-09\n14609\t1999-12-31\n"},
      {"--locale ja_JP read NLDATE examples/ja_JP_dates.txt",
       "21979\t2020-03-05\n21670\t2019-05-01\n10600\t1989-01-08\n18697\t2011-03-11\n24225\t2026-04-29\n"
       "1744\t1964-10-10\n"},
      {"--locale ja_JP read NLDATM examples/ja_JP_datetimes.txt",
       "2036655000\t2024-07-15T09:30:00\n1942689600\t2021-07-23T20:00:00\n2019686400\t2024-01-01T00:00:00\n"
       "1872287999\t2019-04-30T23:59:59\n2082825930\t2025-12-31T18:45:30\n"},
      {"--locale ru_RU read NLDATE examples/ru_RU_dates.txt",
       "467\t1961-04-12\n-5350\t1945-05-09\n-819\t1957-10-04\n21130\t2017-11-07\n23620\t2024-09-01\n"
       "14609\t1999-12-31\n3488\t1969-07-20\n"},
      {"--locale en_US read NLDATM examples/en_US_datetimes.txt",
       "1899037800\t2020-03-05T14:30:00\n520948800\t1976-07-04T12:00:00\n1262303999\t1999-12-31T23:59:59\n"
       "1262304001\t2000-01-01T00:00:01\n122819400\t1963-11-22T12:30:00\n"},
      {"read --header --column 2 NLDATM examples/fr_FR_datetimes.csv --locale fr_FR",
       "2036571300\t2024-07-14T10:15:00\n2054189130\t2025-02-03T08:05:30\n2019167999\t2023-12-25T23:59:59\n"
       "2041173600\t2024-09-05T16:40:00\n2051308801\t2025-01-01T00:00:01\n"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.arguments);
    const CliRun run = nldat(c.arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.expected);
    EXPECT_EQ(run.err, "");
  }
}

TEST(Cli, ReadsStandardInputAndDash) {
  for (const char *arguments : {"--locale de_DE read NLDATE", "--locale=de_DE read --echo NLDATE -"}) {
    const CliRun run = nldat(arguments, "05.03.2020\r\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("21979\t2020-03-05\n"), std::string::npos) << run.out;
  }
}

TEST(Cli, ReportsUnreadFieldsWithTheirLineAndExitsOne) {
  const CliRun run = nldat("--locale de_DE read NLDATE", "05.03.2020\nkein Datum\n31.12.1999\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "21979\t2020-03-05\n.\n14609\t1999-12-31\n");
  EXPECT_NE(run.err.find(":2:"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("kein Datum"), std::string::npos) << run.err;
}

TEST(Cli, DelimitedColumnsWithTabsAndQuotes) {
  const CliRun run = nldat("--locale de_DE read --column 2 --delimiter '\\t' NLDATE",
                           "a\t05.03.2020\nb\t\"31.12.1999\"\nc\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "21979\t2020-03-05\n14609\t1999-12-31\n.\n");
  EXPECT_NE(run.err.find(":3: no column 2"), std::string::npos) << run.err;
}

TEST(Cli, BadUsageExitsTwoWithAMessageOnStandardError) {
  const char *cases[] = {
      "",                                  // no command
      "frobnicate",                        // unknown command
      "--bogus read NLDATE",               // unknown option
      "--locale xx_YY read NLDATE",        // unknown locale: no silent fallback
      "read",                              // no informat
      "read NOSUCH",                       // not an informat of the module
      "read --column 0 NLDATE",            // columns count from 1
      "read NLDATE examples/missing.txt",  // no such file
      "--module /nonexistent.so info",     // no module
  };
  for (const char *arguments : cases) {
    SCOPED_TRACE(arguments);
    const CliRun run = nldat(arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("nldat: ", 0), 0u) << run.err;
  }
  EXPECT_NE(nldat("--locale xx_YY read NLDATE").err.find("unknown locale 'xx_YY'"), std::string::npos);
}

TEST(Cli, HelpAndVersionGoToStandardOutput) {
  for (const char *arguments : {"--help", "read --help", "info --help", "locales --help", "format --help",
                                "week --help", "--version"}) {
    SCOPED_TRACE(arguments);
    const CliRun run = nldat(arguments);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(run.out.empty());
  }
  const CliRun version = nldat("--version");
  EXPECT_NE(version.out.find("release 1."), std::string::npos) << version.out;
  EXPECT_NE(version.out.find("build NLD"), std::string::npos) << version.out;
}

TEST(Cli, InfoShowsTheRecordsAndInformats) {
  const CliRun run = nldat("info");
  EXPECT_EQ(run.status, 0) << run.err;
  for (const char *text : {"TOV_Image_Information=", "0xB0BDEBED", "uwinldat", "NLDATE", "NLDATMAP"}) {
    EXPECT_NE(run.out.find(text), std::string::npos) << text;
  }
}

TEST(Cli, LocalesListsIcuNames) {
  const CliRun run = nldat("locales");
  EXPECT_EQ(run.status, 0);
  for (const char *name : {"\nde_DE\n", "\nen_US\n", "\nja_JP\n", "\nru_RU\n"}) {
    EXPECT_NE(run.out.find(name), std::string::npos) << name;
  }
}

}  // namespace

namespace {

TEST(Cli, WeekWritesWeekDatesUnderEachRule) {
  CliRun run = nldat("week V 2010-01-01 18326 2008-12-29");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "2010-01-01\t2009-W53-05\n18326\t2010-W09-05\n2008-12-29\t2009-W01-01\n");
  run = nldat("week --width 9 U 2010-01-01");
  EXPECT_EQ(run.out, "2010-01-01\t2010W0006\n");
  run = nldat("week W 2010-01-01 1500-01-01 2010-02-30");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "2010-01-01\t2010-W00-05\n");
  EXPECT_NE(run.err.find("out of range: 1500-01-01"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("not a date: \"2010-02-30\""), std::string::npos) << run.err;
  EXPECT_EQ(nldat("week X 2010-01-01").status, 2);
  EXPECT_EQ(nldat("read --rule X WEEK").status, 2);
  EXPECT_EQ(nldat("week V").status, 0);  // no dates: none on standard input either
}

TEST(Cli, FormatAndWeekTakeValuesFromStandardInput) {
  CliRun run = nldat("week V", "2010-01-01\r\n18326\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "2010-01-01\t2009-W53-05\n18326\t2010-W09-05\n");
  run = nldat("--locale de_DE format date '%d.%m.%Y'", "2026-12-07\n24447\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "07.12.2026\n07.12.2026\n");
}

TEST(Cli, ReadsWeekDatesByRule) {
  CliRun run = nldat("read WEEK", "2010-W09-05\n10W0905\n2010-03-05\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "18326\t2010-03-05\n18326\t2010-03-05\n.\n");
  EXPECT_NE(run.err.find(":3:"), std::string::npos) << run.err;
  run = nldat("read --rule U WEEK", "2010-W00-06\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "18263\t2010-01-01\n");
}

}  // namespace
