// nldat convert, run on files the test writes: the converted columns, the
// bytes kept, the counts, the exit statuses.
#include <gtest/gtest.h>

#include <string>

#include "cli_run.h"

namespace {

using nldat_test::CliRun;
using nldat_test::nldat;

// A bank statement as a German bank exports it: semicolons, CR LF, quotes.
constexpr const char *kStatement =
    "Buchungstag;Valuta;Text;Betrag\r\n"
    "07.12.2026;08.12.2026;\"Miete; Dezember\";-1.234,56\r\n"
    "07.12.20026;;\"Gehalt \"\"Dez\"\"\";2.500,00\r\n"
    "09.12.2026;09.12.2026;Kaffee;\r\n";

TEST(CliConvert, ConvertsTheNamedColumnsAndKeepsEverythingElse) {
  const struct {
    const char *options;
    const char *expected;
    const char *summary;
    int status;
  } cases[] = {
      {"--column Buchungstag=NLDATE --column Betrag=MONEY",
       "Buchungstag;Valuta;Text;Betrag\r\n"
       "2026-12-07;08.12.2026;\"Miete; Dezember\";-1234.56\r\n"
       ";;\"Gehalt \"\"Dez\"\"\";2500.00\r\n"
       "2026-12-09;09.12.2026;Kaffee;\r\n",
       "nldat: Buchungstag: 2 read, 0 empty, 1 not read\nnldat: Betrag: 2 read, 1 empty, 0 not read\n", 1},
      {"--column 1=NLDATE --column valuta=NLDATE --keep --output value",
       "Buchungstag;Valuta;Text;Betrag\r\n"
       "24447;24448;\"Miete; Dezember\";-1.234,56\r\n"
       "07.12.20026;;\"Gehalt \"\"Dez\"\"\";2.500,00\r\n"
       "24449;24449;Kaffee;\r\n",
       "nldat: Buchungstag: 2 read, 0 empty, 1 not read\nnldat: Valuta: 2 read, 1 empty, 0 not read\n", 1},
      {"--column Valuta=NLDATE --column Betrag=MONEY --output both --delimiter ';'",
       "Buchungstag;Valuta;\"Valuta value\";Text;Betrag\r\n"
       "07.12.2026;2026-12-08;24448;\"Miete; Dezember\";-1234.56\r\n"
       "07.12.20026;;;\"Gehalt \"\"Dez\"\"\";2500.00\r\n"
       "09.12.2026;2026-12-09;24449;Kaffee;\r\n",
       "nldat: Valuta: 2 read, 1 empty, 0 not read\nnldat: Betrag: 2 read, 1 empty, 0 not read\n", 0},
  };
  const std::string file = nldat_test::write_scratch("statement.csv", kStatement);
  for (const auto &c : cases) {
    SCOPED_TRACE(c.options);
    const CliRun run = nldat("--locale de_DE convert " + std::string(c.options) + " " + file);
    EXPECT_EQ(run.out, c.expected);
    EXPECT_NE(run.err.find(c.summary), std::string::npos) << run.err;
    EXPECT_EQ(run.status, c.status) << run.err;
  }
}

TEST(CliConvert, GuessesTheDelimiterAndKeepsLineEndsQuotesAndTheByteOrderMark) {
  const struct {
    const char *input;
    const char *expected;
  } cases[] = {
      {"Datum,Text\n05.03.2020,a\n", "Datum,Text\n2020-03-05,a\n"},
      {"Datum\tText\r05.03.2020\ta\r", "Datum\tText\r2020-03-05\ta\r"},
      {"Text|Datum\r\n\"a|b\"|\"05.03.2020\"", "Text|Datum\r\n\"a|b\"|\"2020-03-05\""},
      {"\xEF\xBB\xBF\"Datum\";x\n05.03.2020;\"multi\nline\"\n06.03.2020;y\n",
       "\xEF\xBB\xBF\"Datum\";x\n2020-03-05;\"multi\nline\"\n2020-03-06;y\n"},
      {"Datum\n\n05.03.2020\n", "Datum\n\n2020-03-05\n"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.input);
    const CliRun run = nldat("--locale de_DE convert --column Datum=NLDATE", c.input);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.expected);
  }
}

TEST(CliConvert, QuotesAConvertedFieldThatHoldsTheDelimiter) {
  const CliRun run =
      nldat("--locale de_DE convert --no-header --delimiter - --column 1=NLDATE", "05.03.2020-x\n");
  EXPECT_EQ(run.out, "\"2020-03-05\"-x\n") << run.err;
}

TEST(CliConvert, WritesRejectsAndCountsMissingColumns) {
  const std::string rejects = nldat_test::scratch_path("rejects.csv");
  const CliRun run = nldat("--locale de_DE convert --column 2=NLDATE --rejects " + rejects,
                           "a,Datum\nx,05.03.2020\ny,\"kein \"\"Datum\"\"\"\nz\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "a,Datum\nx,2020-03-05\ny,\"\"\nz\n");
  EXPECT_EQ(nldat_test::slurp(rejects),
            "line,column,field\n3,\"Datum\",\"kein \"\"Datum\"\"\"\n4,\"Datum\",\"\"\n");
  EXPECT_NE(run.err.find(":3: Datum: \"kein \\\"Datum\\\"\" not read by NLDATE"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find(":4: no column Datum"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Datum: 1 read, 0 empty, 2 not read"), std::string::npos) << run.err;
}

TEST(CliConvert, StreamsALargeFileInBlocks) {
  // Several read blocks, with records cut across their edges.
  std::string input = "n;Datum;Betrag\n", expected = input;
  for (int i = 0; i < 60000; ++i) {
    const std::string n = std::to_string(i);
    input += n + ";05.03.2020;\"1.234,5" + std::to_string(i % 10) + "\"\r\n";
    expected += n + ";2020-03-05;\"1234.5" + std::to_string(i % 10) + "\"\r\n";  // the field's own digits
  }
  input += "x;kein Datum;1\r\n";
  expected += "x;;1\r\n";
  const std::string file = nldat_test::write_scratch("large.csv", input);
  // The same output and messages from one thread as from several.
  for (const char *threads : {"1", "2", "3"}) {
    SCOPED_TRACE(threads);
    const CliRun run = nldat("--locale de_DE convert --threads " + std::string(threads) +
                             " --column Datum=NLDATE --column Betrag=MONEY " + file);
    EXPECT_EQ(run.status, 1) << run.err.substr(0, 500);
    EXPECT_TRUE(run.out == expected) << "output differs";
    EXPECT_EQ(run.err, "nldat: " + file + ":60002: Datum: \"kein Datum\" not read by NLDATE\n" +
                           "nldat: Datum: 60000 read, 0 empty, 1 not read\nnldat: Betrag: 60001 read, 0 "
                           "empty, 0 not read\nnldat: locale de_DE (--locale)\n");
  }
}

TEST(CliConvert, RefusesWhatItCannotRunWithStatusTwo) {
  const std::string latin1 = nldat_test::write_scratch("latin1.csv", "Datum\n05.03.2020\nM\xE4rz\n");
  const std::string twice =
      nldat_test::write_scratch("twice.csv", "Betrag,Datum,Betrag,datum,x\x1b\n1,2,3,4,5\n");
  const struct {
    std::string arguments;
    const char *message;
  } cases[] = {
      {"convert --column 1=NLDATE /", "is a directory"},
      {"convert --column 1=NLDATE examples/missing.csv", "cannot open"},
      {"convert --column 1=NLDATE " + latin1,
       ":3: byte 2 (0xe4) is not UTF-8 text (give its encoding with --encoding NAME"},
      {"convert --column Datum=NLDATE examples/fr_FR_datetimes.csv", "no column named \"Datum\""},
      {"convert --column 1 examples/fr_FR_datetimes.csv", "NAME=INFORMAT"},
      {"convert --column 1=NOSUCH examples/fr_FR_datetimes.csv", "NOSUCH"},
      {"convert --column 1=NLDATE --column 1=NLDATM examples/fr_FR_datetimes.csv", "named twice"},
      {"convert --column 1=NLDATE --form xml examples/fr_FR_datetimes.csv", "--form"},
      {"convert examples/fr_FR_datetimes.csv", "--column"},
      // A name two columns share names neither.
      {"convert --column Betrag=MONEY " + twice,
       "more than one column is named \"Betrag\" (columns 1, 3); name it by its number (--column 1=MONEY)"},
      {"convert --column DATUM=NLDATE " + twice, "\"DATUM\" (columns 2, 4)"},
      {"convert --column y=NLDATE " + twice,
       "the header has \"Betrag\", \"Datum\", \"Betrag\", \"datum\", \"x\\x1b\")"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.arguments);
    const CliRun run = nldat(c.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  // A name of its own is still found, exactly before in any case.
  const CliRun run = nldat("convert --column datum=NUMBER " + twice);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Betrag,Datum,Betrag,datum,x\x1b\n1,2,3,4,5\n");
  EXPECT_NE(run.err.find("nldat: datum: 1 read"), std::string::npos) << run.err;
}

}  // namespace
