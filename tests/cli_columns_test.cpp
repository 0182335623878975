// nldat convert and read with a reader of its own per column: a locale of its
// own, alternatives that must agree, and form: patterns; on files the test
// writes.  No value is read wrong: a field two alternatives read to
// different values is not read and says so.
#include <gtest/gtest.h>

#include <string>

#include "cli_run.h"

namespace {

using nldat_test::CliRun;
using nldat_test::nldat;

bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// A column written by two systems, one day-first and one month-first.
constexpr const char *kTwoSystems =
    "Date,Amount\n"
    "13/06/2026,1\n"       // day-first only
    "06/13/2026,2\n"       // month-first only
    "05/06/2026,3\n"       // either: ambiguous
    "07/07/2026,4\n"       // either, the same date
    "2026-01-02,5\n"       // ISO: every alternative agrees
    "31/31/2026,6\n"       // neither
    "\n"                   // a blank line
    "\"12/11/2026\",7\n";  // either: ambiguous

TEST(CliColumns, AlternativesReadWhatTheyAgreeOnAndReportTheRest) {
  const std::string file = nldat_test::write_scratch("two_systems.csv", kTwoSystems);
  const struct {
    const char *readers;
    const char *expected;
    const char *summary;
    int status;
  } cases[] = {
      {"NLDATE@en_GB|NLDATE@en_US",
       "Date,Amount\n2026-06-13,1\n2026-06-13,2\n,3\n2026-07-07,4\n2026-01-02,5\n,6\n\n\"\",7\n",
       "Date: 4 read, 0 empty, 3 not read (2 ambiguous)", 1},
      // Alternatives of one order agree on every field they read.
      {"NLDATE@en_GB|NLDATE@de_DE|NLDATE@fr_FR",
       "Date,Amount\n2026-06-13,1\n,2\n2026-06-05,3\n2026-07-07,4\n2026-01-02,5\n,6\n\n\"2026-11-12\",7\n",
       "Date: 5 read, 0 empty, 2 not read\n", 1},
      {"NLDATE@en_GB",
       "Date,Amount\n2026-06-13,1\n,2\n2026-06-05,3\n2026-07-07,4\n2026-01-02,5\n,6\n\n\"2026-11-12\",7\n",
       "Date: 5 read, 0 empty, 2 not read\n", 1},
      {"form:%m/%d/%Y|form:%d/%m/%Y",
       "Date,Amount\n2026-06-13,1\n2026-06-13,2\n,3\n2026-07-07,4\n,5\n,6\n\n\"\",7\n",
       "Date: 3 read, 0 empty, 4 not read (2 ambiguous)", 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.readers);
    const CliRun run = nldat("convert --column 'Date=" + std::string(c.readers) + "' " + file);
    EXPECT_EQ(run.out, c.expected) << run.err;
    EXPECT_TRUE(has(run.err, c.summary)) << run.err;
    EXPECT_EQ(run.status, c.status) << run.err;
  }
  const CliRun run = nldat("convert --column 'Date=NLDATE@en_GB|NLDATE@en_US' " + file);
  EXPECT_TRUE(has(run.err,
                  ":4: Date: \"05/06/2026\" not read: ambiguous, 2026-06-05 by NLDATE@en_GB or "
                  "2026-05-06 by NLDATE@en_US"))
      << run.err;
  EXPECT_TRUE(has(run.err, ":7: Date: \"31/31/2026\" not read by NLDATE@en_GB|NLDATE@en_US")) << run.err;
  // The rejects file lists an ambiguous field as every field not read.
  const std::string rejects = nldat_test::scratch_path("two_systems_rejects.csv");
  EXPECT_EQ(
      nldat("convert --column 'Date=NLDATE@en_GB|NLDATE@en_US' --rejects " + rejects + " " + file).status, 1);
  EXPECT_EQ(
      nldat_test::slurp(rejects),
      "line,column,field\n4,\"Date\",\"05/06/2026\"\n7,\"Date\",\"31/31/2026\"\n9,\"Date\",\"12/11/2026\"\n");
}

TEST(CliColumns, AColumnsLocaleStandsBesideTheEnvironmentsLocale) {
  const std::string file = nldat_test::write_scratch("two_locales.csv",
                                                     "Buchungstag;Posted;Betrag;Amount\n"
                                                     "7.12.2026;12/7/2026;-1.234,56 €;\"$1,234.50\"\n"
                                                     "07. Dezember 2026;Dec 7, 2026;2.500,00;-3.00\n");
  const CliRun run = nldat(
      "convert --column Buchungstag=NLDATE@de_DE --column Posted=NLDATE "
      "--column Betrag=MONEY@de-DE --column Amount=MONEY " +
          file,
      "", "LANG=en_US.UTF-8");
  EXPECT_EQ(run.out,
            "Buchungstag;Posted;Betrag;Amount\n"
            "2026-12-07;2026-12-07;-1234.56;\"1234.50\"\n"
            "2026-12-07;2026-12-07;2500.00;-3.00\n")
      << run.err;
  EXPECT_EQ(run.status, 0) << run.err;
  // The same readers in the other locale's environment: only the named column changes.
  const CliRun swapped = nldat("convert --column Buchungstag=NLDATE --column Posted=NLDATE@en_US " + file, "",
                               "LANG=de_DE.UTF-8");
  EXPECT_TRUE(has(swapped.out, "2026-12-07;2026-12-07;-1.234,56 €")) << swapped.err;
  EXPECT_EQ(swapped.status, 0) << swapped.err;
}

TEST(CliColumns, FormsReadOneDigitFieldsAndNamesInAnyCase) {
  const std::string file = nldat_test::write_scratch("fechas.csv",
                                                     "Fecha|Importe\n"
                                                     "dic. 9, 2026|1\n"
                                                     "DIC. 19, 2026|2\n"
                                                     "Ene. 1, 2026|3\n"
                                                     "sept. 30, 2026|4\n"
                                                     "dic 9, 2026|5\n"
                                                     "feb. 30, 2026|6\n");
  const CliRun run = nldat("--locale es_ES convert --column 'Fecha=form:%b. %d, %Y' " + file);
  EXPECT_EQ(run.out, "Fecha|Importe\n2026-12-09|1\n2026-12-19|2\n2026-01-01|3\n2026-09-30|4\n|5\n|6\n")
      << run.err;
  EXPECT_TRUE(has(run.err, "Fecha: 4 read, 0 empty, 2 not read")) << run.err;
  // The same names by a column locale, the job's own being en_US.
  const CliRun by_column = nldat("convert --column 'Fecha=form:%b. %d, %Y@es_ES' " + file);
  EXPECT_EQ(by_column.out, run.out) << by_column.err;
  const CliRun read = nldat("--locale es_ES read 'form:%B %d, %Y'", "Diciembre 9, 2026\nENERO 01, 2026\n");
  EXPECT_EQ(read.out, "24449\t2026-12-09\n24107\t2026-01-01\n") << read.err;
  EXPECT_EQ(read.status, 0);
}

TEST(CliColumns, ReadTakesTheSameReaders) {
  const CliRun run = nldat("read 'NLDATE@en_GB|NLDATE@en_US'", "13/06/2026\n05/06/2026\n07/07/2026\n");
  EXPECT_EQ(run.out, "24270\t2026-06-13\n.\n24294\t2026-07-07\n") << run.err;
  EXPECT_TRUE(has(run.err,
                  "<stdin>:2: \"05/06/2026\" not read: ambiguous, 2026-06-05 by NLDATE@en_GB or "
                  "2026-05-06 by NLDATE@en_US"))
      << run.err;
  EXPECT_EQ(run.status, 1);
}

TEST(CliColumns, MalformedReadersAreUsageErrors) {
  const std::string file = nldat_test::write_scratch("bad_readers.csv", "Date\n07.12.2026\n");
  const struct {
    const char *readers;
    const char *message;
  } cases[] = {
      {"NLDATE@xx_NOWHERE", "xx_NOWHERE"},
      {"NLDATE@de_DE|NUMBER@de_DE", "read different kinds of value"},
      {"NLDATE|", "an alternative names no reader"},
      {"form:", "form: takes a pattern"},
      {"form:%d.%m.%Y %q", "does not read %q"},
      {"NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE", "at most 8 alternatives"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.readers);
    const CliRun run = nldat("convert --column 'Date=" + std::string(c.readers) + "' " + file);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_TRUE(has(run.err, c.message)) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST(CliColumns, ThreadsGiveTheSameOutputWithColumnLocales) {
  // Enough records for several blocks, so that several workers read.
  std::string text = "Date;Datum;Betrag\n";
  for (int k = 0; k < 40000; ++k) {
    const int day = 1 + k % 28, month = 1 + k % 12;
    text += std::to_string(day) + "/" + std::to_string(month) + "/2026;" + std::to_string(day) + "." +
            std::to_string(month) + ".2026;" + std::to_string(k) + ",5\n";
  }
  const std::string file = nldat_test::write_scratch("threads_columns.csv", text);
  const std::string columns =
      "--column 'Date=NLDATE@en_GB|NLDATE@en_US' --column Datum=NLDATE@de_DE --column Betrag=NUMBER@de_DE ";
  const CliRun one = nldat("convert --threads 1 " + columns + file);
  const CliRun two = nldat("convert --threads 2 " + columns + file);
  const CliRun four = nldat("convert --threads 4 " + columns + file);
  EXPECT_EQ(one.status, 1);
  EXPECT_TRUE(has(one.err, "Datum: 40000 read, 0 empty, 0 not read")) << one.err;
  EXPECT_TRUE(has(one.err, "Betrag: 40000 read")) << one.err;
  EXPECT_TRUE(has(one.out, "\n2026-01-13;2026-01-13;12.5\n")) << one.err;
  EXPECT_EQ(one.out, two.out);
  EXPECT_EQ(one.err, two.err);
  EXPECT_EQ(one.out, four.out);
  EXPECT_EQ(one.err, four.err);
}

}  // namespace

namespace {

TEST(CliColumns, AutoReadsEachColumnByItsOwnLocaleWhenNoOneLocaleReadsThemAll) {
  const std::string file = nldat_test::write_scratch("auto_two_locales.csv",
                                                     "Datum,Date,Betrag\n"
                                                     "7. Dezember 2026,\"Dec 7, 2026\",1\n"
                                                     "14. März 2026,\"Mar 14, 2026\",2\n"
                                                     "1. Mai 2026,\"May 1, 2026\",3\n");
  const CliRun run = nldat("convert --auto " + file);
  EXPECT_EQ(run.out,
            "Datum,Date,Betrag\n2026-12-07,\"2026-12-07\",1\n2026-03-14,\"2026-03-14\",2\n2026-05-01,\"2026-"
            "05-01\",3\n")
      << run.err;
  EXPECT_TRUE(has(run.err, "--column Datum=NLDATE@de_DE --column Date=NLDATE@en_US")) << run.err;
  EXPECT_EQ(run.status, 0) << run.err;
}

TEST(CliColumns, SniffOffersAlternativesForAColumnWrittenTwoWays) {
  // Every field is read by one of the two systems' readers: none is neither's.
  std::string text = kTwoSystems;
  text.erase(text.find("31/31/2026,6\n"), 13);
  const std::string file = nldat_test::write_scratch("sniff_two_systems.csv", text);
  const CliRun run = nldat("sniff " + file);
  const std::string offered = "--column 'Date=NLDATE@en_GB|NLDATE@en_US'";
  ASSERT_TRUE(has(run.out, offered)) << run.out;
  // What it offers runs as it reads.
  const CliRun convert = nldat("convert " + offered + " " + file);
  EXPECT_TRUE(has(convert.err, "Date: 4 read, 0 empty, 2 not read (2 ambiguous)")) << convert.err;
}

}  // namespace
