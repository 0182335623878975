// The detector on files the test writes, as statements and exports are
// written: the kind and status of every column, and above all that no
// column the plan converts reads a field to a value other than the one the
// file means.
#include "nlhost/detect.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli_run.h"
#include "convert.h"
#include "host_fixture.h"
#include "nlhost/civil.h"
#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"
#include "nlhost/sample.h"

namespace {

using nlhost::detect::ColumnReport;
using nlhost::detect::Report;

// A column of a test file: its fields, what each means (ISO 8601 text or a
// plain number; empty for a field with no value or a column that is text),
// and what the detector must find.
struct TestColumn {
  std::string name;
  std::vector<std::string> fields;
  std::vector<std::string> truth;  // empty: not compared (text)
  std::string kind;
  std::string status;  // decided, ambiguous, settled, none
};

struct TestFile {
  const char *what;
  const char *preferred;
  char delimiter;
  std::vector<TestColumn> columns;
};

void append_field(std::string &text, const std::string &field, char delimiter) {
  if (field.find_first_of(std::string("\"\r\n") + delimiter) == std::string::npos) {
    text.append(field);
    return;
  }
  text.push_back('"');
  for (const char c : field) text.append(c == '"' ? 2 : 1, c);
  text.push_back('"');
}

std::string file_text(const TestFile &file, const char *line_end = "\n") {
  std::string text;
  for (size_t k = 0; k < file.columns.size(); ++k) {
    if (k > 0) text.push_back(file.delimiter);
    append_field(text, file.columns[k].name, file.delimiter);
  }
  text.append(line_end);
  for (size_t r = 0; r < file.columns[0].fields.size(); ++r) {
    for (size_t k = 0; k < file.columns.size(); ++k) {
      if (k > 0) text.push_back(file.delimiter);
      append_field(text, file.columns[k].fields[r], file.delimiter);
    }
    text.append(line_end);
  }
  return text;
}

std::string utf8(const icu::UnicodeString &text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

std::string status_of(const ColumnReport &c) {
  if (c.answers.empty()) return "none";
  if (c.settled) return "settled";
  return c.answers.size() > 1 ? "ambiguous" : "decided";
}

const std::vector<TestFile> &files() {
  static const std::vector<TestFile> kFiles = {
      {"a UK statement read where the environment says en_US",
       "en_US",
       ',',
       {{"Transaction Date",
         {"05/01/2026", "13/01/2026", "02/02/2026", "28/02/2026"},
         {"2026-01-05", "2026-01-13", "2026-02-02", "2026-02-28"},
         "date",
         "decided"},
        {"Amount",
         {"-12.50", "1,234.56", "7", "-0.99"},
         {"-12.5", "1234.56", "7", "-0.99"},
         "number",
         "decided"},
        {"Description", {"Tesco", "Rent", "Coffee 2", "Bus"}, {}, "text", "none"}}},
      {"a US export read where the environment says en_GB",
       "en_GB",
       ',',
       {{"Date",
         {"12/31/2026", "01/02/2026", "06/13/2026", "11/05/2026"},
         {"2026-12-31", "2026-01-02", "2026-06-13", "2026-11-05"},
         "date",
         "decided"},
        {"Amount",
         {"$1,234.56", "$5.00", "-$3.20", "$0.99"},
         {"1234.56", "5", "-3.2", "0.99"},
         "money",
         "decided"}}},
      {"a column ambiguous on its own and nothing else to go by",
       "en_US",
       ',',
       {{"Date", {"05/06/2026", "07/08/2026", "01/02/2026"}, {}, "date", "ambiguous"},
        {"Count", {"1", "2", "3"}, {"1", "2", "3"}, "number", "decided"}}},
      {"a posted date settled by the transaction date beside it",
       "en_US",
       ',',
       {{"Transaction Date",
         {"13/02/2026", "14/02/2026", "03/03/2026"},
         {"2026-02-13", "2026-02-14", "2026-03-03"},
         "date",
         "decided"},
        {"Posted Date",
         {"05/03/2026", "06/03/2026", "07/03/2026"},
         {"2026-03-05", "2026-03-06", "2026-03-07"},
         "date",
         "settled"}}},
      {"columns that disagree settle nothing",
       "en_US",
       ',',
       {{"Booked", {"13/02/2026", "14/02/2026"}, {"2026-02-13", "2026-02-14"}, "date", "decided"},
        {"Shipped", {"02/13/2026", "02/14/2026"}, {"2026-02-13", "2026-02-14"}, "date", "decided"},
        {"Paid", {"03/04/2026", "04/05/2026"}, {}, "date", "ambiguous"}}},
      {"a German bank export",
       "en_US",
       ';',
       {{"Buchungstag",
         {"07.12.2026", "13.01.2026", "1.2.2026"},
         {"2026-12-07", "2026-01-13", "2026-02-01"},
         "date",
         "decided"},
        {"Betrag",
         {"-1.234,56", "2.500,00", "99.999,99"},
         {"-1234.56", "2500", "99999.99"},
         "number",
         "decided"},
        {"Text", {"Miete; Dezember", "Gehalt", "Kaffee"}, {}, "text", "none"}}},
      {"Spanish month names",
       "en_US",
       ';',
       {{"Fecha",
         {"9 dic 2026", "13 ene 2026", "1 jun 2026"},
         {"2026-12-09", "2026-01-13", "2026-06-01"},
         "date",
         "decided"},
        {"Importe", {"1.234,56", "12,00", "-3,5"}, {"1234.56", "12", "-3.5"}, "number", "decided"}}},
      {"a Japanese statement",
       "en_US",
       ',',
       {{"日付",
         {"2026/12/07", "2026/01/13", "2026/02/01"},
         {"2026-12-07", "2026-01-13", "2026-02-01"},
         "date",
         "decided"}}},
      {"things that look like dates but are not",
       "en_US",
       ',',
       {{"code", {"41_10_1", "41_10_2", "12_01_3"}, {}, "text", "none"},
        {"version", {"1.2.3", "2.0.1", "10.0.19041"}, {}, "text", "none"},
        {"phone", {"555-1234", "+49 30 1234567", "(02) 9876 5432"}, {}, "text", "none"},
        {"ip", {"192.168.1.1", "10.0.0.1", "8.8.8.8"}, {}, "text", "none"},
        {"part", {"AB-12-34", "XZ-01-02", "AB-13-35"}, {}, "text", "none"},
        {"id",
         {"20260101", "20261301", "12345678"},
         {"20260101", "20261301", "12345678"},
         "number",
         "decided"}}},
      {"a column written by two systems",
       "en_US",
       ',',
       {{"Date", {"13/02/2026", "02/14/2026", "20/03/2026", "03/21/2026"}, {}, "text", "none"}}},
      {"ISO 8601, times, week dates and percentages",
       "de_DE",
       ',',
       {{"day", {"2026-12-07", "2026-01-13"}, {"2026-12-07", "2026-01-13"}, "date", "decided"},
        {"at",
         {"2026-12-07T14:30:00", "2026-01-13T09:05:00"},
         {"2026-12-07T14:30:00", "2026-01-13T09:05:00"},
         "datetime",
         "decided"},
        {"clock", {"14:30:15", "09:05:00"}, {"14:30:15", "09:05:00"}, "time", "decided"},
        {"week", {"2026-W50-1", "2026-W03-2"}, {"2026-12-07", "2026-01-13"}, "week date", "decided"},
        {"share", {"12.5%", "3%"}, {"0.125", "0.03"}, "percent", "decided"}}},
      {"amounts with their currency, as European banks write them",
       "en_US",
       ';',
       {{"Betrag",
         {"1.234,50 \xE2\x82\xAC", "-12,00 \xE2\x82\xAC", "5,99 \xE2\x82\xAC"},
         {"1234.5", "-12", "5.99"},
         "money",
         "decided"},
        {"Bedrag",
         {"\xE2\x82\xAC 1.234,50", "\xE2\x82\xAC -12,00", "\xE2\x82\xAC 5,99"},
         {"1234.5", "-12", "5.99"},
         "money",
         "decided"},
        {"Montant",  // narrow no-break space grouping, no-break space before the sign
         {"1\xE2\x80\xAF"
          "234,50\xC2\xA0\xE2\x82\xAC",
          "-12,00\xC2\xA0\xE2\x82\xAC", "5,99\xC2\xA0\xE2\x82\xAC"},
         {"1234.5", "-12", "5.99"},
         "money",
         "decided"},
        {"Anteil", {"12,5 %", "3 %", "100 %"}, {"0.125", "0.03", "1"}, "percent", "decided"},
        {"Betrag EUR",
         {"1.234,50 EUR", "-12,00 EUR", "5,99 EUR"},
         {"1234.5", "-12", "5.99"},
         "money",
         "decided"}}},
      {"a grouping that reads two ways",
       "en_US",
       ',',
       {{"Amount", {"1,234", "2,500", "12,000"}, {}, "number", "ambiguous"}}},
  };
  return kFiles;
}

class DetectTest : public nldat_test::ModuleTest {
 protected:
  // By a detector of its own, or by detector (which keeps the locales it
  // loaded from one file to the next).
  Report sniff(const std::string &text, const char *preferred, nlhost::detect::Detector *detector = nullptr) {
    nlhost::detect::Sampler sampler(nlhost::detect::SampleOptions{});
    std::string why;
    EXPECT_TRUE(sampler.feed(text, &why)) << why;
    nlhost::detect::FileSample sample = sampler.finish();
    std::optional<nlhost::detect::Detector> own;
    if (detector == nullptr) detector = &own.emplace(host(), module());
    Report report = detector->analyze(sample.columns, preferred);
    report.dialect = sample.dialect;
    return report;
  }

  // Reads every field of a converted column as the plan says and compares
  // it with what the field means.
  void expect_read_right(const Report &report, const ColumnReport &column, const TestColumn &expected) {
    const nlhost::detect::Answer &answer = column.answers[column.chosen];
    const std::string locale = report.locale.empty() ? answer.locale : report.locale;
    std::string why;
    std::shared_ptr<nlhost::Locale> &loaded = loaded_[locale];
    if (loaded == nullptr) loaded = nlhost::load_icu_locale(locale, &why);
    ASSERT_NE(loaded, nullptr) << why;
    host().set_locale(loaded);
    std::optional<nlhost::FieldReader> reader;
    if (answer.reader.rfind("time:", 0) == 0) {
      reader = nlhost::FieldReader::with_pattern(host(), module(), nlhost::ValueKind::kTime,
                                                 answer.reader.substr(5), &why);
    } else {
      reader = nlhost::FieldReader::make(host(), module(), answer.reader, &why);
    }
    ASSERT_TRUE(reader) << why;
    for (size_t k = 0; k < expected.fields.size(); ++k) {
      double value = 0;
      ASSERT_TRUE(reader->read(expected.fields[k], &value))
          << expected.fields[k] << " by " << answer.reader << "@" << locale;
      char text[64];
      EXPECT_EQ(std::string(text, nlhost::write_iso(reader->kind(), value, text)), expected.truth[k])
          << expected.fields[k] << " by " << answer.reader << "@" << locale;
    }
  }

 private:
  std::map<std::string, std::shared_ptr<nlhost::Locale>> loaded_;
};

TEST_F(DetectTest, FindsEachColumnsKindAndReadsNoFieldWrong) {
  for (const TestFile &file : files()) {
    SCOPED_TRACE(file.what);
    const Report report = sniff(file_text(file), file.preferred);
    ASSERT_EQ(report.columns.size(), file.columns.size());
    EXPECT_EQ(report.dialect.delimiter, file.delimiter);
    EXPECT_TRUE(report.dialect.header);
    for (size_t k = 0; k < file.columns.size(); ++k) {
      const TestColumn &expected = file.columns[k];
      const ColumnReport &column = report.columns[k];
      SCOPED_TRACE(expected.name);
      EXPECT_EQ(column.name, expected.name);
      EXPECT_EQ(nlhost::detect::kind_name(column.kind), expected.kind);
      EXPECT_EQ(status_of(column), expected.status);
      if (column.converted()) {
        ASSERT_FALSE(expected.truth.empty()) << "a column the file does not settle was converted";
        expect_read_right(report, column, expected);
      }
    }
  }
}

TEST_F(DetectTest, ShowsTheEvidenceTheAmbiguityAndWhatSettledIt) {
  const std::vector<TestFile> &all = files();
  const Report uk = sniff(file_text(all[0]), "en_US");
  EXPECT_EQ(uk.locale, "en_GB");  // the environment's en_US reads none of the UK dates
  const std::vector<nlhost::detect::Evidence> &evidence = uk.columns[0].evidence;
  EXPECT_TRUE(std::any_of(evidence.begin(), evidence.end(), [](const nlhost::detect::Evidence &e) {
    return e.line == 3 && e.field == "13/01/2026" && e.ruled_out.find("month-first") == 0;
  }));

  const Report ambiguous = sniff(file_text(all[2]), "en_US");
  const ColumnReport &date = ambiguous.columns[0];
  EXPECT_EQ(date.ambiguity.line, 2);
  EXPECT_EQ(date.ambiguity.field, "05/06/2026");
  EXPECT_EQ(date.ambiguity.values, (std::vector<std::string>{"2026-06-05", "2026-05-06"}));
  EXPECT_TRUE(ambiguous.any_ambiguous());
  const std::string text = nlhost::detect::render_text(ambiguous);
  EXPECT_NE(text.find("AMBIGUOUS"), std::string::npos) << text;
  EXPECT_EQ(nlhost::detect::convert_command(ambiguous).find("Date="), std::string::npos);

  const Report settled = sniff(file_text(all[3]), "en_US");
  EXPECT_EQ(settled.columns[1].settled_by, "day-first, as Transaction Date (line 2)");

  const Report two = sniff(file_text(all[9]), "en_US");
  EXPECT_EQ(two.columns[0].together, "NLDATE@en_GB|NLDATE@en_US");
}

// Every locale's own amounts, as ICU writes them in its currency, by its
// symbol and by its ISO code: the column is found to be money and read
// right, or called ambiguous; never a wrong amount.  The classes of money
// are keyed on what the reader reads by, so a class's representative reads
// every member's amounts.
TEST_F(DetectTest, ReadsEveryLocalesOwnAmountsRightOrCallsThemAmbiguous) {
  constexpr double kAmounts[] = {-1234.5, 5.99, 1234567.25, 0.125};
  int written = 0, money = 0;
  std::vector<std::string> missed;
  std::set<std::vector<std::string>> tried;  // locales that write alike are sniffed once
  nlhost::detect::Detector detector(host(), module());
  // The column of amounts format writes, each cut to the currency's digits
  // (no rounding between the text and the value).
  const auto amounts_of = [&](icu::NumberFormat &format) {
    const double scale = std::pow(10.0, format.getMaximumFractionDigits());
    TestColumn column{"Amount", {}, {}, "money", ""};
    for (double amount : kAmounts) {
      amount = std::trunc(amount * scale) / scale;
      icu::UnicodeString text;
      format.format(amount, text);
      column.fields.push_back(utf8(text));
      char truth[32];
      std::snprintf(truth, sizeof truth, "%.15g", amount);
      column.truth.push_back(truth);
    }
    return column;
  };
  for (const std::string &name : nlhost::icu_locale_names()) {
    icu::Locale latin = icu::Locale::createFromName(name.c_str());
    UErrorCode status = U_ZERO_ERROR;
    latin.setKeywordValue("numbers", "latn", status);
    for (const UNumberFormatStyle style : {UNUM_CURRENCY, UNUM_CURRENCY_ISO}) {
      std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createInstance(latin, style, status));
      ASSERT_TRUE(U_SUCCESS(status)) << name;
      if (icu::UnicodeString(format->getCurrency()) == u"XXX") break;  // no currency of its own
      const TestColumn column = amounts_of(*format);
      if (!tried.insert(column.fields).second) continue;
      const TestFile file{
          name.c_str(), "en_US", ';', {column, {"Note", {"a", "b", "c", "d"}, {}, "text", ""}}};
      SCOPED_TRACE(name + ": " + file_text(file));
      const Report report = sniff(file_text(file), "en_US", &detector);
      ++written;
      ASSERT_EQ(report.columns.size(), 2u);
      const ColumnReport &amounts = report.columns[0];
      if (amounts.kind == nlhost::detect::ColumnKind::kMoney)
        ++money;
      else if (missed.size() < 20)
        missed.push_back(name + " " + column.fields[0]);
      if (amounts.converted()) expect_read_right(report, amounts, column);
    }
  }
  EXPECT_EQ(money, written) << "money not found in " << ::testing::PrintToString(missed);
}

// A plan's sample passes over the records between the head and the
// stretches without cutting them: the same records, on the same lines, as
// when every record is counted.
TEST(Sampler, SamplesTheSameRecordsWithoutCountingThem) {
  for (const std::string line_end : {"\n", "\r\n", "\r"}) {
    SCOPED_TRACE(line_end == "\n" ? "LF" : line_end == "\r" ? "CR" : "CR LF");
    std::string text = "Date,Note" + line_end;
    for (int r = 0; r < 500; ++r)
      text += std::to_string(1 + r % 28) + "/01/2026," + (r % 7 == 0 ? "\"two" + line_end + "lines\"" : "x") +
              line_end;
    nlhost::detect::SampleOptions options;
    options.head_records = 20;
    options.stretch_records = 5;
    nlhost::detect::FileSample samples[2];
    for (const bool counted : {true, false}) {
      options.count_records = counted;
      nlhost::detect::Sampler sampler(options, static_cast<int64_t>(text.size()));
      std::string why;
      // Fed in small blocks, so that a stretch's place falls between them.
      for (size_t at = 0; at < text.size(); at += 97)
        ASSERT_TRUE(sampler.feed(text.substr(at, 97), &why)) << why;
      samples[counted] = sampler.finish();
    }
    EXPECT_EQ(samples[1].dialect.records, 500);
    EXPECT_EQ(samples[0].dialect.records, -1);
    ASSERT_EQ(samples[0].columns.size(), 2u);
    const std::vector<nlhost::detect::Field> &counted = samples[1].columns[0].fields;
    const std::vector<nlhost::detect::Field> &passed = samples[0].columns[0].fields;
    EXPECT_EQ(counted.size(), 20u + 4 * 5);
    ASSERT_EQ(passed.size(), counted.size());
    for (size_t k = 0; k < counted.size(); ++k) {
      EXPECT_EQ(passed[k].line, counted[k].line) << k;
      EXPECT_EQ(passed[k].text, counted[k].text) << k;
    }
  }
}

TEST_F(DetectTest, ReportsTheDialect) {
  TestFile russian{"Russian, with a BOM and CR LF",
                   "en_US",
                   ';',
                   {{"Дата", {"07.12.2026", "13.01.2026"}, {"2026-12-07", "2026-01-13"}, "date", "decided"},
                    {"Сумма", {"1 234,56", "45,00"}, {"1234.56", "45"}, "number", "decided"}}};
  std::string text = "\xEF\xBB\xBF";
  text.append(file_text(russian, "\r\n"));
  const Report report = sniff(text, "ru_RU");
  EXPECT_EQ(report.dialect.encoding, "UTF-8 with BOM");
  EXPECT_TRUE(report.dialect.crlf);
  EXPECT_EQ(report.dialect.records, 2);
  EXPECT_EQ(report.columns[0].name, "Дата");
  EXPECT_EQ(report.locale, "ru_RU");
  EXPECT_EQ(nlhost::detect::convert_command(report),
            "--locale ru_RU convert --delimiter ';' --column 'Дата=NLDATE' --column 'Сумма=NUMBER'");

  const Report latin1 = sniff("Name,Date\nM\xFCller,2026-12-07\n", "de_DE");
  EXPECT_EQ(latin1.dialect.encoding, "not UTF-8");
}

TEST(CliSniff, PrintsThePlanAndExitsByWhetherItIsSettled) {
  const std::string decided = nldat_test::write_scratch("sniff_uk.csv", file_text(files()[0]));
  const std::string ambiguous = nldat_test::write_scratch("sniff_ambiguous.csv", file_text(files()[2]));
  const nldat_test::CliRun uk = nldat_test::nldat("sniff " + decided);
  EXPECT_EQ(uk.status, 0) << uk.err;
  EXPECT_NE(uk.out.find("nldat --locale en_GB convert " + decided +
                        " --column 'Transaction Date=NLDATE' --column Amount=NUMBER"),
            std::string::npos)
      << uk.out;
  const nldat_test::CliRun json = nldat_test::nldat("sniff --json " + ambiguous);
  EXPECT_EQ(json.status, 1) << json.err;
  EXPECT_NE(json.out.find("\"status\":\"ambiguous\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"values\":[\"2026-06-05\",\"2026-05-06\"]"), std::string::npos) << json.out;
  EXPECT_EQ(nldat_test::nldat("sniff /nonexistent/file.csv").status, 2);
}

TEST(CliSniff, NamesTheEncodingOfAFileThatIsNotUtf8) {
  const std::string rows =
      "Datum;Betrag;Empf\xE4nger\n07.12.2026;-1.150,00;M\xFCller\n"
      "13.12.2026;12,00;B\xE4"
      "cker Stra\xDF"
      "e\n";
  const std::string latin = nldat_test::write_scratch("sniff_1252.csv", rows);
  const nldat_test::CliRun guessed = nldat_test::nldat("sniff " + latin);
  EXPECT_EQ(guessed.status, 1) << guessed.err;
  EXPECT_NE(guessed.err.find("give --encoding windows-1252"), std::string::npos) << guessed.err;
  // Read again as the guess, so that its names are the file's own words.
  EXPECT_NE(guessed.out.find("not UTF-8: read as windows-1252"), std::string::npos) << guessed.out;
  EXPECT_NE(guessed.out.find("\"Empf\xC3\xA4nger\": text"), std::string::npos) << guessed.out;
  // A guess converts nothing until it is given.
  const nldat_test::CliRun converted = nldat_test::nldat("convert --auto " + latin);
  EXPECT_EQ(converted.status, 2) << converted.err;
  EXPECT_EQ(converted.out, "");
  EXPECT_NE(converted.err.find("give --encoding windows-1252"), std::string::npos) << converted.err;
  const nldat_test::CliRun given = nldat_test::nldat("--encoding windows-1252 sniff " + latin);
  EXPECT_EQ(given.status, 0) << given.err;
  EXPECT_NE(given.out.find("windows-1252 (as given)"), std::string::npos) << given.out;
  // The plan's command reads the file as the report did: with the encoding
  // given, guessed, or taken by --encoding auto.
  const nldat_test::CliRun taken = nldat_test::nldat("--encoding auto sniff " + latin);
  EXPECT_NE(taken.out.find("windows-1252 (--encoding auto"), std::string::npos) << taken.out;
  for (const nldat_test::CliRun *run : {&guessed, &given, &taken})
    EXPECT_NE(run->out.find(latin + " --encoding windows-1252 --delimiter"), std::string::npos) << run->out;
  // A UTF-16 file with its mark is read as such, and said to be.
  const std::string utf16 = nldat_test::write_scratch("sniff_utf16.csv", std::string("\xFF\xFE"
                                                                                     "D\0a\0y\0\n\0"
                                                                                     "0\0"
                                                                                     "7\0.\0"
                                                                                     "1\0"
                                                                                     "2\0.\0"
                                                                                     "2\0"
                                                                                     "0\0"
                                                                                     "2\0"
                                                                                     "6\0\n\0",
                                                                                     32));
  const nldat_test::CliRun wide = nldat_test::nldat("sniff " + utf16);
  EXPECT_NE(wide.out.find("UTF-16LE with BOM"), std::string::npos) << wide.out << wide.err;
}

}  // namespace

namespace {

// Standard input is read once: the plan's sample is held and converted
// first, so the output is the same as from the file itself, whether the
// sample ends at its record count or at its size.
TEST(CliConvertAuto, ConvertsStandardInputAsItConvertsTheFile) {
  const struct {
    const char *what;
    int rows;
    size_t note;  // the bytes of a text column
  } cases[] = {{"short records", 40000, 4}, {"long records", 12000, 900}, {"a few records", 3, 4}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    std::string text = "Datum;Betrag;Notiz\n";
    for (int r = 0; r < c.rows; ++r) {
      char row[64];
      std::snprintf(row, sizeof row, "%02d.%02d.%d;%d,%02d;", 1 + r % 28, 1 + r / 28 % 12, 2000 + r % 30, r,
                    r % 100);
      text += row + std::string(c.note, static_cast<char>('a' + r % 26)) + "\n";
    }
    const std::string path = nldat_test::write_scratch("auto_stdin.csv", text);
    const nldat_test::CliRun file = nldat_test::nldat("convert --auto " + path);
    const nldat_test::CliRun in = nldat_test::nldat("convert --auto", text);
    EXPECT_EQ(file.status, 0) << file.err;
    EXPECT_EQ(in.status, 0) << in.err;
    EXPECT_EQ(in.out.size(), file.out.size());
    EXPECT_TRUE(in.out == file.out);
    EXPECT_NE(in.err.find("Datum: " + std::to_string(c.rows) + " read"), std::string::npos) << in.err;
  }
}

TEST(CliConvertAuto, ConvertsByThePlanAndNeverAnAmbiguousColumnUnlessTold) {
  const std::string statement = std::string(NLDAT_SOURCE_DIR) + "/examples/en_GB_statement.csv";
  const std::string ambiguous =
      nldat_test::write_scratch("auto_ambiguous.csv", "Date,Amount\n05/06/2026,1\n07/08/2026,2\n");
  const struct {
    std::string arguments;
    int status;
    std::string out;     // the whole standard output
    std::string in_err;  // a line standard error must hold
  } cases[] = {
      {"convert --auto " + statement, 0,
       "Transaction Date,Posted Date,Description,Amount,Balance\n"
       "2026-12-01,2026-12-02,Rent December,-950.00,\"1204.17\"\n"
       "2026-12-03,2026-12-03,Tesco Stores 2041,-42.18,\"1161.99\"\n"
       "2026-12-05,2026-12-07,Salary,\"2310.00\",\"3471.99\"\n"
       "2026-12-09,2026-12-10,Thames Water,-38.50,\"3433.49\"\n"
       "2026-12-14,2026-12-11,Amazon Marketplace,-19.99,\"3413.50\"\n"
       "2026-12-21,2026-12-12,Refund,12.00,\"3425.50\"\n",
       "settled by the file: day-first, as Transaction Date (line 6)"},
      {"convert --auto " + ambiguous, 2, "", "not converted: \"Date\" is ambiguous"},
      {"convert --auto --prefer month-first " + ambiguous, 0, "Date,Amount\n2026-05-06,1\n2026-07-08,2\n",
       "Date: 2 read"},
      {"--locale en_GB convert --auto " + ambiguous, 0, "Date,Amount\n2026-06-05,1\n2026-08-07,2\n",
       "Date: 2 read"},
      {"--locale en_US convert --auto --column 'Transaction Date' " + statement, 2, "",
       "en_US does not read it as the file shows"},
      {"convert --auto --column Amount " + ambiguous, 0, "Date,Amount\n05/06/2026,1\n07/08/2026,2\n",
       "Amount: 2 read"},
      {"convert " + ambiguous, 2, "", "give --column NAME=INFORMAT, or --auto"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.arguments);
    const nldat_test::CliRun run = nldat_test::nldat(c.arguments);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.out, c.out);
    EXPECT_NE(run.err.find(c.in_err), std::string::npos) << run.err;
  }
  const nldat_test::CliRun plan = nldat_test::nldat("convert --plan " + statement);
  EXPECT_EQ(plan.status, 0) << plan.err;
  EXPECT_NE(plan.out.find("nldat --locale en_GB convert " + statement), std::string::npos) << plan.out;
  EXPECT_EQ(plan.out.find("2026-12-01"), std::string::npos);
}

}  // namespace

namespace {

TEST(ConvertGuard, WarnsOfADateColumnEveryDateOfWhichReadsSwappedToo) {
  const struct {
    const char *field;
    int month, day;  // the date it was read as, in 2026
    bool swapped;
    bool day_first;
  } cases[] = {
      {"05/06/2026", 6, 5, true, true},    // read day-first; month-first locales write '/' too
      {"06/05/2026", 6, 5, true, false},   // read month-first
      {"05.06.2026", 6, 5, false, true},   // no locale writes month-first with dots
      {"13/06/2026", 6, 13, false, true},  // a 13 settles it
      {"06/06/2026", 6, 6, false, true},   // the same date either way
      {"2026-06-05", 6, 5, false, false},  // year first
      {"5 Jun 2026", 6, 5, false, false},  // names
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.field);
    const auto days = static_cast<double>(nlhost::civil::days_from_civil(2026, c.month, c.day));
    bool day_first = false;
    EXPECT_EQ(nldat::reads_swapped(c.field, days, &day_first), c.swapped);
    if (c.swapped) {
      EXPECT_EQ(day_first, c.day_first);
    }
  }
  // convert and read warn alike; --strict-order makes the warning exit 1.
  const std::string file = nldat_test::write_scratch("guard.csv", "Date\n05/06/2026\n07/08/2026\n");
  const std::string settled =
      nldat_test::write_scratch("guard_settled.csv", "Date\n05/06/2026\n17/08/2026\n");
  const struct {
    std::string arguments;
    int status;
    std::string warning;  // empty: none
  } runs[] = {
      {"convert --column Date=NLDATE " + file, 0, "Date: all 2 dates also read month-first"},
      {"convert --strict-order --column Date=NLDATE " + file, 1, "Date: all 2 dates also read month-first"},
      {"convert --strict-order --column Date=NLDATE " + settled, 0, ""},
      {"read --header NLDATE " + file, 0, file + ": all 2 dates also read month-first"},
      {"read --header --strict-order --column 1 NLDATE " + file, 1,
       file + " column 1: all 2 dates also read month-first"},
      {"read --header --strict-order NLDATE " + settled, 0, ""},
  };
  for (const auto &run : runs) {
    SCOPED_TRACE(run.arguments);
    const nldat_test::CliRun r = nldat_test::nldat("--locale en_GB " + run.arguments);
    EXPECT_EQ(r.status, run.status) << r.err;
    if (run.warning.empty()) {
      EXPECT_EQ(r.err.find("also read"), std::string::npos) << r.err;
    } else {
      EXPECT_NE(r.err.find(run.warning), std::string::npos) << r.err;
    }
  }
}

}  // namespace
