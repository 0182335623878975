// nldat, the command-line program, run as a user runs it on the examples.
#include <gtest/gtest.h>

#include <string>

#include "cli_run.h"

namespace {

using nldat_test::CliRun;
using nldat_test::nldat;

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
    // Nothing on standard error but the locale the job read by.
    EXPECT_EQ(run.err.find("nldat: locale "), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
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
      // A locale item that holds no pattern for the value's kind.
      "--locale de_DE format date @35 2026-12-07",   // a time pattern
      "--locale de_DE format date @31 2026-12-07",   // date and time
      "--locale de_DE format time @28 13:45:00",     // a date pattern
      "--locale de_DE format date @0 2026-12-07",    // no item
      "--locale de_DE format date @50 2026-12-07",   // a month name, no pattern
      "--locale de_DE format date @28x 2026-12-07",  // not a number
  };
  for (const char *arguments : cases) {
    SCOPED_TRACE(arguments);
    const CliRun run = nldat(arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("nldat: ", 0), 0u) << run.err;
  }
  EXPECT_NE(nldat("--locale xx_YY read NLDATE").err.find("unknown locale \"xx_YY\""), std::string::npos);
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

TEST(Cli, WeekWritesWeekDatesUnderEachRule) {
  CliRun run = nldat("week V 2010-01-01 18326 2008-12-29");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "2010-01-01\t2009-W53-05\n18326\t2010-W09-05\n2008-12-29\t2009-W01-01\n");
  run = nldat("week --width 9 U 2010-01-01");
  EXPECT_EQ(run.out, "2010-01-01\t2010W0006\n");
  run = nldat("week W 2010-01-01 1500-01-01 2010-02-30");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "2010-01-01\t2010-W00-05\n");
  EXPECT_NE(run.err.find("out of range: \"1500-01-01\""), std::string::npos) << run.err;
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
  // A datetime by any pattern item: its date, its time or both.
  run = nldat("--locale de_DE format datetime @35 2026-12-07T13:45:30");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "13:45:30\n");
  run = nldat("--locale de_DE format time @36 13:45:30");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "13:45\n");
  // Before 1960 a value counts in the day and second it falls in; the day
  // before the first is out of range.
  run = nldat("--locale de_DE format datetime '%d.%m.%Y %H:%M:%S'",
              "-0.5\n1959-12-31T23:59:59\n-11928470400\n-11928470399.5\n-11928470400.5\n");
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.out, "31.12.1959 23:59:59\n31.12.1959 23:59:59\n01.01.1582 00:00:00\n01.01.1582 00:00:00\n");
  EXPECT_NE(run.err.find("\"-11928470400.5\": missing or out-of-range"), std::string::npos) << run.err;
  run = nldat("--locale de_DE format date '%d.%m.%Y'", "-0.5\n-138061\n1582-01-01\n-138062\n");
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.out, "31.12.1959\n01.01.1582\n01.01.1582\n");
  run = nldat("week V", "-1\n-0.5\n-138061\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "-1\t1959-W53-04\n-0.5\t1959-W53-04\n-138061\t1581-W53-05\n");
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

// Near misses that a fixed-width reading would take in part, and the forms
// that must still be read, strict (the default) and lenient.
TEST(Cli, StrictReadingRefusesNearMissesAndKeepsTheRealForms) {
  const struct {
    const char *arguments;
    const char *field;
    const char *strict;   // the output line; "." when not read
    const char *lenient;  // null: as strict
  } cases[] = {
      {"--locale de_DE read NLDATE", "07.12.20026", ".", "15681\t2002-12-07"},
      {"--locale de_DE read NLDATE", "X7.12.2026", ".", "24447\t2026-12-07"},
      {"--locale de_DE read NLDATM", "07.12.2026, 14:60:00", ".", "2112274800\t2026-12-07T15:00:00"},
      // A 12-hour time under a 24-hour pattern: the fallback reads the marker.
      {"--locale de_DE read NLDATM", "07.12.2026, 02:30:00 PM", "2112273000\t2026-12-07T14:30:00",
       "2112229800\t2026-12-07T02:30:00"},
      {"--locale de_DE read NLDATE", "07.12.2026", "24447\t2026-12-07", nullptr},
      {"--locale de_DE read NLDATE", " 07.12.2026\t", "24447\t2026-12-07", nullptr},
      {"--locale de_DE read NLDATE", "07. Dezember 2026", "24447\t2026-12-07", nullptr},
      {"--locale de_DE read NLDATM", "07.12.2026, 14:30:00", "2112273000\t2026-12-07T14:30:00", nullptr},
      // Before 1960: a negative value, written in the day and second it falls in.
      {"--locale de_DE read NLDATE", "31.12.1959", "-1\t1959-12-31", nullptr},
      {"--locale de_DE read NLDATE", "01.01.1582", "-138061\t1582-01-01", nullptr},
      {"--locale de_DE read NLDATE", "31.12.1581", ".", nullptr},
      {"--locale de_DE read NLDATM", "31.12.1959, 23:59:59", "-1\t1959-12-31T23:59:59", nullptr},
      {"--locale de_DE read NLDATM", "01.01.1582, 00:00:00", "-11928470400\t1582-01-01T00:00:00", nullptr},
      {"--locale de_DE read NLDATM", "31.12.1581, 23:59:59", ".", nullptr},
      {"--locale de_DE read NLDATM", "1959-12-31T23:59:59.5", "-0.5\t1959-12-31T23:59:59", nullptr},
      // ISO 8601 offsets with minutes, across a year end and across 1960.
      {"--locale de_DE read NLDATM", "2027-01-01T03:00:00+05:30", "2114371800\t2026-12-31T21:30:00", nullptr},
      {"--locale de_DE read NLDATM", "2026-12-31T22:00-03:30", "2114386200\t2027-01-01T01:30:00", nullptr},
      {"--locale de_DE read NLDATM", "1960-01-01T00:15+00:30", "-900\t1959-12-31T23:45:00", nullptr},
      {"--locale en_US read NLDATMAP", "1960-01-01T00:00:00.25+05:45", "-20699.75\t1959-12-31T18:15:00",
       nullptr},
      {"--locale en_US read NLDATMW", "2026-12-07T20:00+05:30", "2112273000\t2026-12-07T14:30:00", nullptr},
      {"--locale de_DE read MONEY", "-1.234,56 \xE2\x82\xAC", "-1234.56", nullptr},
      {"--locale de_DE read NUMBER", "1.234,5", "1234.5", nullptr},
      {"--locale de_DE read PERCENT", "12 %", "0.12", nullptr},
  };
  for (const auto &c : cases) {
    for (const bool lenient : {false, true}) {
      SCOPED_TRACE(std::string(c.arguments) + (lenient ? " --lenient: " : ": ") + c.field);
      const std::string expected = lenient && c.lenient != nullptr ? c.lenient : c.strict;
      const CliRun run = nldat(std::string(c.arguments) + (lenient ? " --lenient" : " --strict"),
                               std::string(c.field) + "\n");
      EXPECT_EQ(run.out, expected + "\n");
      EXPECT_EQ(run.status, expected == "." ? 1 : 0) << run.err;
      if (expected == ".") {
        EXPECT_NE(run.err.find("not read by"), std::string::npos) << run.err;
      }
    }
  }
}

// A trailing minus is an amount's sign or no amount: never a positive value.
TEST(Cli, MoneyWithATrailingMinusIsNotReadAsPositive) {
  const CliRun run = nldat("--locale en_US read MONEY", "1,234.56-\n");
  EXPECT_TRUE(run.out == ".\n" || run.out == "-1234.56\n") << run.out;
}

TEST(Cli, ReadsEveryLineEndAndDropsAByteOrderMark) {
  for (const char *input :
       {"05.03.2020\n06.03.2020\n", "05.03.2020\r\n06.03.2020\r\n", "05.03.2020\r06.03.2020\r",
        "\xEF\xBB\xBF"
        "05.03.2020\n06.03.2020"}) {
    SCOPED_TRACE(input);
    const CliRun run = nldat("--locale de_DE read NLDATE", input);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "21979\t2020-03-05\n21980\t2020-03-06\n");
  }
}

TEST(Cli, InputThatCannotBeReadExitsTwo) {
  const std::string latin1 = nldat_test::write_scratch("latin1.txt", "05.03.2020\nM\xE4rz\n");
  const struct {
    std::string arguments;
    const char *message;
  } cases[] = {
      {"read NLDATE /", "is a directory"},
      {"read NLDATE examples/missing.txt", "cannot open"},
      {"--locale de_DE read NLDATE " + latin1,
       ":2: byte 2 (0xe4) is not UTF-8 text (give its encoding with --encoding NAME"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.arguments);
    const CliRun run = nldat(c.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

TEST(Cli, WordsOfTheCommandLineAreEscapedAndCutInMessages) {
  // Shell words: an escape byte, and 100,000 bytes.
  const std::string esc = "\"$(printf 'x\\033y')\"", huge = "\"$(printf '%0100000d' 0)\"";
  const struct {
    std::string arguments;
    const char *shown;
  } cases[] = {
      {"--bogus" + esc, "--bogusx\\x1by"},
      {"--bogus" + huge, "... ("},
      {"read " + esc, "no informat or reader named x\\x1by"},
      {"read " + huge, "... ("},
      {"--encoding " + esc + " read NUMBER", "no encoding named \"x\\x1by\""},
      {"--output-encoding " + huge + " read NUMBER", "\"... (100000 bytes)"},
      {"--module " + esc + " info", "x\\x1by"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.arguments.substr(0, 80));
    const CliRun run = nldat(c.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.shown), std::string::npos) << run.err.substr(0, 600);
    EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err.substr(0, 600);
    EXPECT_LT(run.err.size(), 700u);
  }
}

TEST(Cli, MessagesQuoteAShortEscapedPartOfTheFieldAndStopAfterTwenty) {
  CliRun run = nldat("read NLDATE", std::string("a\x1b[31mb\0c", 9) + "\n" + std::string(100000, 'x') + "\n");
  EXPECT_NE(run.err.find("\"a\\x1b[31mb\\x00c\" not read"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("\"" + std::string(60, 'x') + "\"... (100000 bytes) not read"), std::string::npos);
  EXPECT_LT(run.err.size(), 400u);

  std::string many;
  for (int i = 0; i < 25; ++i) many += "no date\n";
  run = nldat("read NLDATE", many);
  EXPECT_EQ(run.status, 1);
  size_t lines = 0;
  for (const char c : run.err) lines += c == '\n';
  EXPECT_EQ(lines, 22u) << run.err;  // 20, the count of the rest, the locale
  EXPECT_NE(run.err.find("NLDATE: 5 more fields not read (25 in all)"), std::string::npos) << run.err;
}

TEST(Cli, FormatAndWeekStopAfterTwentyMessages) {
  std::string junk;
  for (int i = 0; i < 30; ++i) junk += "junk\n";
  const struct {
    const char *arguments;
    const char *rest;
  } rows[] = {
      {"format date %d.%m.%Y", "nldat: format: 10 more values not written (30 in all)\n"},
      {"week V", "nldat: week: 10 more dates not written (30 in all)\n"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.arguments);
    const CliRun run = nldat(row.arguments, junk);
    EXPECT_EQ(run.status, 1);
    size_t lines = 0;
    for (const char c : run.err) lines += c == '\n';
    EXPECT_EQ(lines, 21u) << run.err;
    EXPECT_EQ(run.err.substr(run.err.size() - std::string(row.rest).size()), row.rest) << run.err;
  }
}

TEST(Cli, TakesTheLocaleFromTheEnvironmentUnlessGiven) {
  const struct {
    const char *environment;
    const char *arguments;
    bool german;
  } cases[] = {
      {"LANG=de_DE.UTF-8", "read NLDATE", true},
      {"LANG=de_DE@euro", "read NLDATE", true},
      {"LC_TIME=de_DE.UTF-8 LANG=en_US.UTF-8", "read NLDATE", true},
      {"LC_ALL=C LC_TIME=de_DE.UTF-8", "read NLDATE", false},
      {"LANG=POSIX", "read NLDATE", false},
      {"LANG=en_US.UTF-8", "read NLDATE --locale de-DE", true},
      {"LANG=de_DE.UTF-8", "--locale=en_US read NLDATE", false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.environment) + " " + c.arguments);
    const CliRun run = nldat(c.arguments, "05.03.2020\n", c.environment);
    EXPECT_EQ(run.out, c.german ? "21979\t2020-03-05\n" : ".\n") << run.err;
  }
}

TEST(Cli, ReadsByAPatternOfItsOwn) {
  CliRun run = nldat("read --pattern '%d/%m/%Y' date", "05/03/2020\n");
  EXPECT_EQ(run.out, "21979\t2020-03-05\n") << run.err;
  run = nldat("read --pattern '%H:%M' time", "14:30\n");
  EXPECT_EQ(run.out, "52200\t14:30:00\n") << run.err;
  // A time is a duration: leniently, 99 minutes carry into a 100th hour.
  run = nldat("read --lenient --pattern '%H:%M' time", "99:99\n23:59\n");
  EXPECT_EQ(run.out, "362340\t100:39:00\n86340\t23:59:00\n") << run.err;
  EXPECT_EQ(nldat("read --pattern '%d' NUMBER").status, 2);
}

TEST(Cli, PatternsListsTheLocalesItemsWithExamples) {
  const CliRun run = nldat("--locale de_DE patterns");
  EXPECT_EQ(run.status, 0) << run.err;
  for (const char *text :
       {"%d.%m.%Y", "07.12.2026", "07.12.2026, 14:30:45", "14:30:45", "\n111 ", "\n114 "}) {
    EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
  }
}

}  // namespace
