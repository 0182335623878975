// nldat on files in other encodings, written by ICU's own converter: read
// with --encoding (or by their byte-order mark), written back with
// --output-encoding, refused with the likely encoding named.
#include <gtest/gtest.h>

#include <string>

#include "cli_run.h"
#include "icu_encoded.h"

namespace {

using nldat_test::icu_encode;

using nldat_test::CliRun;
using nldat_test::nldat;
using nldat_test::write_scratch;

// text with its typographic quotes made plain ones.
std::string plain_quotes(std::string_view text) {
  std::string plain;
  for (size_t i = 0; i < text.size();) {
    const std::string_view here = text.substr(i, 3);
    if (here == "\xE2\x80\x9E" || here == "\xE2\x80\x9C") {
      plain += '"';
      i += 3;
    } else {
      plain += text[i++];
    }
  }
  return plain;
}

// A German bank export and a Japanese statement, as UTF-8.
const std::string kGerman =
    "Buchungstag;Empf\xC3\xA4nger;Betrag\r\n"
    "05.03.2020;M\xC3\xBCller & S\xC3\xB6hne;-1.234,56\r\n"
    "06.03.2020;B\xC3\xA4"
    "ckerei \xE2\x80\x9E"
    "Zur Br\xC3\xBC"
    "cke\xE2\x80\x9C;12,85 \xE2\x82\xAC\r\n";
const std::string kGermanOut =
    "Buchungstag;Empf\xC3\xA4nger;Betrag\r\n"
    "2020-03-05;M\xC3\xBCller & S\xC3\xB6hne;-1234.56\r\n"
    "2020-03-06;B\xC3\xA4"
    "ckerei \xE2\x80\x9E"
    "Zur Br\xC3\xBC"
    "cke\xE2\x80\x9C;12.85\r\n";
const std::string kJapanese =
    "\xE6\x97\xA5\xE4\xBB\x98,\xE6\x91\x98\xE8\xA6\x81\n"
    "2026/12/07,\xE3\x81\x8A\xE6\x8C\xAF\xE8\xBE\xBC\xE3\x81\xBF\n"
    "2026/12/08,\xE3\x81\x94\xE5\x88\xA9\xE7\x94\xA8\xE4\xBB\xA3\xE9\x87\x91\n";
const std::string kJapaneseOut =
    "\xE6\x97\xA5\xE4\xBB\x98,\xE6\x91\x98\xE8\xA6\x81\n"
    "2026-12-07,\xE3\x81\x8A\xE6\x8C\xAF\xE8\xBE\xBC\xE3\x81\xBF\n"
    "2026-12-08,\xE3\x81\x94\xE5\x88\xA9\xE7\x94\xA8\xE4\xBB\xA3\xE9\x87\x91\n";

TEST(CliEncoding, ConvertsFilesInAnyEncodingToUtf8) {
  struct Row {
    const char *encoding;  // what ICU writes the file in
    std::string mark;      // bytes before it
    const char *option;    // what the user gives; "" none
    bool japanese;
  };
  const Row rows[] = {
      {"windows-1252", "", "--encoding windows-1252", false},
      {"windows-1252", "", "--encoding cp1252", false},
      {"ISO-8859-15", "", "--encoding ISO-8859-15", false},  // has the euro sign, not the quotes
      {"UTF-16LE", "\xFF\xFE", "", false},                   // what Excel writes as "Unicode text"
      {"UTF-16BE", "\xFE\xFF", "", false},
      {"UTF-32LE", std::string("\xFF\xFE\0\0", 4), "", false},
      {"UTF-16LE", "", "--encoding UTF-16LE", false},
      {"Shift_JIS", "", "--encoding Shift_JIS", true},
      {"CP932", "", "--encoding CP932", true},
      {"GB18030", "", "--encoding GB18030", true},
      {"EUC-JP", "", "--encoding EUC-JP", true},
      {"UTF-8", "\xEF\xBB\xBF", "", true},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(std::string(row.encoding) + " " + row.option);
    std::string text = row.japanese ? kJapanese : kGerman;
    std::string expected = row.japanese ? kJapaneseOut : kGermanOut;
    if (std::string_view(row.encoding) == "ISO-8859-15") {  // no typographic quotes in Latin-9
      text = plain_quotes(text);
      expected = plain_quotes(expected);
    }
    const std::string file = write_scratch("encoded.csv", row.mark + icu_encode(row.encoding, text));
    const std::string columns = row.japanese ? "--locale ja_JP convert --column 1=NLDATE "
                                             : "--locale de_DE convert --column 1=NLDATE --column 3=MONEY ";
    const CliRun run = nldat(std::string(row.option) + " " + columns + file);
    EXPECT_EQ(run.status, 0) << run.err;
    // A UTF-8 mark is kept as every other byte; decoded text has none.
    EXPECT_EQ(run.out, (std::string_view(row.encoding) == "UTF-8" ? row.mark : "") + expected);
  }
}

TEST(CliEncoding, WritesTheOutputBackInTheEncodingAsked) {
  struct Row {
    const char *encoding;
    std::string mark;
  };
  const Row rows[] = {
      {"UTF-16LE", "\xFF\xFE"},
      {"UTF-16BE", "\xFE\xFF"},
      {"windows-1252", ""},
      {"UTF-8", ""},
  };
  const std::string file = write_scratch("back.csv", "\xFF\xFE" + icu_encode("UTF-16LE", kGerman));
  for (const Row &row : rows) {
    SCOPED_TRACE(row.encoding);
    const CliRun run = nldat(std::string("--output-encoding ") + row.encoding +
                             " --locale de_DE convert --column 1=NLDATE --column 3=MONEY " + file);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, row.mark + icu_encode(row.encoding, kGermanOut));
  }
  // A character the output encoding lacks stops the job with its line.
  const CliRun lacking = nldat("--output-encoding latin1 --locale de_DE convert --column 1=NLDATE " + file);
  EXPECT_EQ(lacking.status, 2);
  EXPECT_NE(lacking.err.find("output line 3: U+201E cannot be written in ISO-8859-1"), std::string::npos)
      << lacking.err;
}

TEST(CliEncoding, StopsAtTextThatIsNotUtf8AndNamesTheLikelyEncoding) {
  std::string rows = "Buchungstag;Empf\xC3\xA4nger;Betrag\n";
  for (int i = 0; i < 200; ++i) {
    rows +=
        "05.03.2020;M\xC3\xBCller & S\xC3\xB6hne, Gr\xC3\xBC\xC3\x9F"
        "e aus K\xC3\xB6ln;-1.234,56\n";
  }
  const std::string file = write_scratch("latin.csv", icu_encode("windows-1252", rows));
  struct Row {
    std::string command;
    const char *where;  // the first line not UTF-8 (read skips the header unread)
  };
  const Row commands[] = {
      {"--locale de_DE convert --column 1=NLDATE ", ":1: byte 17 (0xe4)"},
      {"--locale de_DE read --column 1 --delimiter ';' --header NLDATE ", ":2: byte 13 (0xfc)"},
  };
  for (const Row &row : commands) {
    const std::string &command = row.command;
    SCOPED_TRACE(command);
    const CliRun run = nldat(command + file);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(std::string(row.where) +
                           " is not UTF-8 text; it looks like windows-1252 (give --encoding windows-1252"),
              std::string::npos)
        << run.err;
    const CliRun again = nldat(std::string("--encoding auto ") + command + file);
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find("read as windows-1252"), std::string::npos) << again.err;
  }
}

TEST(CliEncoding, StopsAtBytesTheEncodingCannotMap) {
  const std::string file = write_scratch("greek.txt",
                                         "05.03.2020\n06.03.2020\nab\xD2"
                                         "cd\n07.03.2020\n");
  const CliRun run = nldat("--encoding windows-1253 --locale de_DE read NLDATE " + file);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "21979\t2020-03-05\n21980\t2020-03-06\n");  // nothing of the bad line or after it
  EXPECT_NE(run.err.find(":3: byte offset 24: 0xD2 cannot be read as"), std::string::npos) << run.err;
  const CliRun unknown = nldat("--encoding windows-9999 info");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("no encoding named \"windows-9999\""), std::string::npos) << unknown.err;
}

}  // namespace
