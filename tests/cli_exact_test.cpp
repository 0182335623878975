// nldat writes numbers, amounts and percentages with the field's own
// digits, and says what damage a CSV file shows.
#include <gtest/gtest.h>

#include <string>

#include "cli_run.h"

namespace {

using nldat_test::CliRun;
using nldat_test::nldat;
using nldat_test::write_scratch;

TEST(CliExact, WritesTheFieldsOwnDigits) {
  struct Row {
    const char *locale, *reader, *field, *out;
  };
  const Row rows[] = {
      {"de_DE", "MONEY", "99.999.999.999.999,99", "99999999999999.99"},  // a double says ...98
      {"de_DE", "MONEY", "-1.150,00 \xE2\x82\xAC", "-1150.00"},
      {"de_DE", "NUMBER", "0,1", "0.1"},
      {"fr_FR", "PERCENT", "4,1 %", "0.041"},  // a double says 0.040999999999999995
      {"en_US", "PERCENT", "100%", "1.00"},
      {"en_US", "NUMBER", "1,234,567,890,123,456,789", "1234567890123456789"},
      {"en_US", "NUMBER", "1.5E3", "1500"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.field);
    const CliRun run =
        nldat(std::string("--locale ") + row.locale + " read " + row.reader, row.field + std::string("\n"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, row.out + std::string("\n"));
  }
  const std::string csv = write_scratch("exact.csv", "Betrag;Anteil\n99.999.999.999.999,99;4,5 %\n");
  for (const char *form : {"iso", "value", "both"}) {
    SCOPED_TRACE(form);
    const CliRun run = nldat(std::string("--locale de_DE convert --form ") + form +
                             " --column Betrag=MONEY --column Anteil=PERCENT " + csv);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Betrag;Anteil\n99999999999999.99;0.045\n");
  }
}

TEST(CliExact, SaysWhatDamageACsvFileShows) {
  struct Row {
    const char *text;
    int status;
    const char *says;  // null: nothing about damage
    const char *out;
  };
  const Row rows[] = {
      {"Datum,Name\n05.03.2020,a\n\"06.03.2020,b\n", 1, ":3: a quote opened in this record is never closed",
       "Datum,Name\n2020-03-05,a\n\"06.03.2020,b\n"},
      {"Datum,Name\n05.03.2020\n06.03.2020,b,c\n07.03.2020\n", 1,
       ":2: 2 records with fewer fields than the header, the first here", nullptr},
      {"Datum,Name\n05.03.2020,a\n06.03.2020,b,c\n", 1, ":3: 1 record with more fields than the header",
       nullptr},
      {"Datum,Name\n05.03.2020,a\n", 0, nullptr, "Datum,Name\n2020-03-05,a\n"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.text);
    const CliRun run =
        nldat("--locale de_DE convert --column Datum=NLDATE " + write_scratch("damaged.csv", row.text));
    EXPECT_EQ(run.status, row.status) << run.err;
    EXPECT_TRUE(row.says == nullptr || run.err.find(row.says) != std::string::npos) << run.err;
    EXPECT_TRUE(row.out == nullptr || run.out == row.out) << run.out;
  }
  // A file holding only a byte-order mark is empty.
  const CliRun marked = nldat("--locale de_DE read NLDATE " + write_scratch("mark.txt", "\xEF\xBB\xBF"));
  EXPECT_EQ(marked.status, 0) << marked.err;
  EXPECT_EQ(marked.out, "");
  EXPECT_EQ(marked.err, "nldat: locale de_DE (--locale)\n");
}

}  // namespace
