// The extension as DuckDB loads it: a database with unsigned extensions
// allowed, LOAD of the built nldat.duckdb_extension, and queries of every
// function, their NULLs and their errors.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "duckdb.h"

namespace {

// Calls that name no locale take it from the environment, read once at the
// first LOAD: German here, whatever the machine's.
const bool kGermanByDefault = setenv("LC_ALL", "de_DE.UTF-8", 1) == 0;

// One database and one connection with the extension loaded.
class Database {
 public:
  explicit Database(const std::string &extension = NLDAT_DUCKDB_EXTENSION) {
    duckdb_config config = nullptr;
    EXPECT_EQ(duckdb_create_config(&config), DuckDBSuccess);
    EXPECT_EQ(duckdb_set_config(config, "allow_unsigned_extensions", "true"), DuckDBSuccess);
    char *error = nullptr;
    if (duckdb_open_ext(nullptr, &db_, config, &error) != DuckDBSuccess) {
      ADD_FAILURE() << "duckdb_open_ext: " << (error != nullptr ? error : "?");
      duckdb_free(error);
    }
    duckdb_destroy_config(&config);
    EXPECT_EQ(duckdb_connect(db_, &connection_), DuckDBSuccess);
    load_error_ = error_of("LOAD '" + extension + "'");
  }
  ~Database() {
    duckdb_disconnect(&connection_);
    duckdb_close(&db_);
  }
  const std::string &load_error() const { return load_error_; }

  // Every value of a query's first column as text ("NULL" for NULL); on
  // failure one row: "error: " and DuckDB's message.
  std::vector<std::string> column(const std::string &sql) {
    duckdb_result result;
    std::vector<std::string> values;
    if (duckdb_query(connection_, sql.c_str(), &result) != DuckDBSuccess) {
      values.push_back(std::string("error: ") + duckdb_result_error(&result));
    } else {
      for (idx_t row = 0; row < duckdb_row_count(&result); ++row) {
        char *text = duckdb_value_varchar(&result, 0, row);
        values.push_back(duckdb_value_is_null(&result, 0, row) || text == nullptr ? "NULL" : text);
        duckdb_free(text);
      }
    }
    duckdb_destroy_result(&result);
    return values;
  }
  // The one value of a query.
  std::string value(const std::string &sql) {
    const std::vector<std::string> values = column(sql);
    return values.size() == 1 ? values[0] : "rows: " + std::to_string(values.size());
  }
  // The error of a statement, or "" when it ran.
  std::string error_of(const std::string &sql) {
    const std::string text = value(sql);
    return text.rfind("error: ", 0) == 0 ? text : std::string();
  }

 private:
  duckdb_database db_ = nullptr;
  duckdb_connection connection_ = nullptr;
  std::string load_error_;
};

class DuckdbExtension : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(db.load_error(), ""); }
  Database db;
};

struct Case {
  const char *sql;
  const char *expected;
};

void expect_cases(Database &db, std::initializer_list<Case> cases) {
  for (const Case &c : cases) EXPECT_EQ(db.value(c.sql), c.expected) << c.sql;
}

// What a query gives on one thread, checked to be what it gives on two.
std::vector<std::string> same_on_two_threads(Database &db, const std::string &query) {
  EXPECT_EQ(db.error_of("SET threads = 1"), "");
  const std::vector<std::string> one = db.column(query);
  EXPECT_EQ(db.error_of("SET threads = 2"), "");
  EXPECT_EQ(db.column(query), one) << query;
  return one;
}

// A statement that fails, and what its error says.
struct ErrorCase {
  const char *sql;
  const char *message;
};

void expect_errors(Database &db, std::initializer_list<ErrorCase> cases) {
  for (const ErrorCase &c : cases) {
    const std::string error = db.error_of(c.sql);
    EXPECT_NE(error.find(c.message), std::string::npos) << c.sql << " gave " << error;
  }
}

TEST_F(DuckdbExtension, ReadsByEveryInformatInSeveralLocales) {
  expect_cases(
      db, {
              {"SELECT nl_date('07.12.2026', 'NLDATE', 'de_DE')", "2026-12-07"},
              {"SELECT nl_date('7 décembre 2026', 'NLDATE', 'fr_FR')", "2026-12-07"},
              {"SELECT nl_date('12/7/2026', 'nldate', 'en_US')", "2026-12-07"},
              {"SELECT nl_date('2026/12/07', 'NLDATE', 'ja_JP')", "2026-12-07"},
              {"SELECT nl_date('Montag, 7. Dezember 2026', 'NLDATEW', 'de_DE')", "2026-12-07"},
              {"SELECT nl_date('7. Dezember 2026', 'NLDATE', 'de_DE')", "2026-12-07"},
              {"SELECT nl_timestamp('07.12.2026, 14:30:05', 'NLDATM', 'de_DE')", "2026-12-07 14:30:05"},
              {"SELECT nl_timestamp('12/7/2026, 2:30:05 PM', 'NLDATMAP', 'en_US')", "2026-12-07 14:30:05"},
              {"SELECT nl_timestamp('Monday, December 7, 2026 at 2:30:05 PM', 'NLDATMW', 'en_US')",
               "2026-12-07 14:30:05"},
              {"SELECT nl_time('14:30:05', '%H:%M:%S', 'de_DE')", "14:30:05"},
              {"SELECT nl_number('1.234,5', 'de_DE')", "1234.5"},
              {"SELECT nl_number('1 234,5', 'fr_FR')", "1234.5"},
              {"SELECT nl_percent('12,5 %', 'de_DE')", "0.125"},
              {"SELECT nl_money('1.234,56 €', 'de_DE')", "1234.5600"},
              {"SELECT nl_money('-1.150,00', 'de_DE')", "-1150.0000"},
              {"SELECT nl_money('1,2345 €', 'de_DE')", "1.2345"},
              // A double written with an exponent ("1e+20") at its scale.
              {"SELECT nl_money('$100,000,000,000,000,000,000.00', 'en_US')", "100000000000000000000.0000"},
              {"SELECT nl_money('$1,234.56', 'en_US')", "1234.5600"},
              {"SELECT nl_money('￥1,235', 'ja_JP')", "1235.0000"},
              {"SELECT nl_read_week('2026-W50-01')", "2026-12-07"},
              {"SELECT nl_read_week('2026W5001', 'V')", "2026-12-07"},
          });
}

TEST_F(DuckdbExtension, WritesDatesTimestampsAndWeeks) {
  expect_cases(
      db, {
              {"SELECT nl_format(DATE '2026-12-07', '%A, %d. %B %Y', 'de_DE')", "Montag, 07. Dezember 2026"},
              {"SELECT nl_format(DATE '2026-12-07', '@28', 'de_DE')", "07.12.2026"},
              {"SELECT nl_format(TIMESTAMP '2026-12-07 14:30:05', '%H:%M:%S', 'de_DE')", "14:30:05"},
              {"SELECT nl_week(DATE '2026-12-07')", "2026-W50-01"},
              {"SELECT nl_week(DATE '2026-12-07', 'V', 9)", "2026W5001"},
              {"SELECT nl_week(DATE '2026-12-07', 'u', 3)", "W49"},
              {"SELECT nl_week_number(DATE '2026-12-07')", "50"},
              {"SELECT nl_week_number(DATE '2026-12-07', 'U')", "49"},
              {"SELECT nl_format(DATE 'infinity', '%Y', 'de_DE')", "NULL"},
              {"SELECT nl_week(DATE 'infinity')", "NULL"},
              {"SELECT nl_week_number(DATE '-infinity')", "NULL"},
          });
}

// Readers are kept from call to call: a call naming no week rule reads by
// ISO 8601's, whatever rule the call before named.
TEST_F(DuckdbExtension, AWeekCallNamingNoRuleReadsByIso) {
  EXPECT_NE(db.value("SELECT nl_read_week('2026-W50-01', 'U')"), "2026-12-07");
  EXPECT_EQ(db.value("SELECT nl_read_week('2026-W50-01')"), "2026-12-07");
}

TEST_F(DuckdbExtension, AFieldNotReadIsNull) {
  expect_cases(
      db, {
              {"SELECT nl_date('07.12.2026x', 'NLDATE', 'de_DE')", "NULL"},
              {"SELECT nl_date('31.02.2026', 'NLDATE', 'de_DE')", "NULL"},
              {"SELECT nl_date('', 'NLDATE', 'de_DE')", "NULL"},
              {"SELECT nl_date(NULL, 'NLDATE', 'de_DE')", "NULL"},
              {"SELECT nl_date('07.12.2026', NULL, 'de_DE')", "NULL"},
              {"SELECT nl_timestamp('25:00', 'NLDATM', 'de_DE')", "NULL"},
              {"SELECT nl_time('25:61:00', '%H:%M:%S')", "NULL"},
              {"SELECT nl_number('zwölf', 'de_DE')", "NULL"},
              {"SELECT nl_money('viel Geld', 'de_DE')", "NULL"},
              {"SELECT nl_read_week('2026-W60-01')", "NULL"},
              // More decimals than nl_money's type holds: not rounded, not read.
              {"SELECT nl_money('1,23456 €', 'de_DE')", "NULL"},
              // More integer digits than it holds.
              {"SELECT nl_money('$123,456,789,012,345,678,901,234,567,890,123,456,789.00', 'en_US')", "NULL"},
          });
}

TEST_F(DuckdbExtension, UnknownNamesAreErrorsNamingThem) {
  expect_errors(db,
                {
                    {"SELECT nl_date('07.12.2026', 'NLDATX', 'de_DE')", "unknown informat \"NLDATX\""},
                    {"SELECT nl_date('07.12.2026', 'NLDATM', 'de_DE')", "unknown informat \"NLDATM\""},
                    {"SELECT nl_timestamp('x', 'NLDATE', 'de_DE')", "unknown informat \"NLDATE\""},
                    {"SELECT nl_date('07.12.2026', 'NLDATE', 'xx_NOWHERE')", "unknown locale \"xx_NOWHERE\""},
                    {"SELECT nl_number('1', '../../etc/passwd')", "unknown locale \"../../etc/passwd\""},
                    {"SELECT nl_week(DATE '2026-12-07', 'X')", "unknown week rule \"X\""},
                    {"SELECT nl_read_week('2026-W50-01', 'ISO')", "unknown week rule \"ISO\""},
                    {"SELECT nl_week(DATE '2026-12-07', 'V', 2)", "width is 3 to 64"},
                    {"SELECT nl_format(DATE '2026-12-07', '@9999', 'de_DE')", "no pattern item 9999"},
                    {"SELECT nl_format(DATE '1000-01-01', '%Y', 'de_DE')", "out of the range"},
                });
}

TEST_F(DuckdbExtension, ACallNamingNoLocaleUsesTheEnvironments) {
  ASSERT_TRUE(kGermanByDefault);
  expect_cases(db, {
                       {"SELECT nl_date('07.12.2026')", "2026-12-07"},
                       {"SELECT nl_date('07.12.2026', 'NLDATE')", "2026-12-07"},
                       {"SELECT nl_timestamp('07.12.2026, 14:30:05')", "2026-12-07 14:30:05"},
                       {"SELECT nl_number('1.234,5')", "1234.5"},
                       {"SELECT nl_money('1.234,567 €')", "1234.5670"},
                       {"SELECT nl_format(DATE '2026-12-07', '%B')", "Dezember"},
                   });
}

// Readers as the CLI takes them where an informat is named: a locale of the
// reader's own, forms, and alternatives, which give NULL for a field they
// read to different values, as for a field not read.
TEST_F(DuckdbExtension, ReadsByColumnReaders) {
  struct Row {
    const char *field;
    const char *readers;
    const char *expected;
  };
  const Row rows[] = {
      {"13/02/2026", "NLDATE@en_GB", "2026-02-13"},
      {"12/07/2026", "NLDATE@en_US", "2026-12-07"},
      {"13/02/2026", "NLDATE@en_GB|NLDATE@en_US", "2026-02-13"},  // only day-first reads it
      {"02/13/2026", "NLDATE@en_GB|NLDATE@en_US", "2026-02-13"},  // only month-first
      {"07/07/2026", "NLDATE@en_GB|NLDATE@en_US", "2026-07-07"},  // both, alike
      {"2026-06-05", "NLDATE@en_GB|NLDATE@en_US", "2026-06-05"},
      {"05/06/2026", "NLDATE@en_GB|NLDATE@en_US", "NULL"},  // 2026-06-05 or 2026-05-06
      {"kein Datum", "NLDATE@en_GB|NLDATE@en_US", "NULL"},
      {"07.12.2026", "NLDATE|NLDATE@en_US", "2026-12-07"},
      {"12.07.2026", "NLDATE|NLDATE@en_US", "2026-07-12"},
      {"dic. 9, 2026", "form:%b. %d, %Y@es_ES", "2026-12-09"},
      {"DIC. 19, 2026", "form:%b. %d, %Y@es_ES", "2026-12-19"},
      {"9 Dezember 2026", "form:%d %B %Y", "2026-12-09"},
      {"09.12.26", "date:%d.%m.%y", "2026-12-09"},
      {"Montag, 7. Dezember 2026", "NLDATEW@de_DE|NLDATEW@fr_FR", "2026-12-07"},
  };
  // All in one query, so that one chunk holds rows naming different
  // readers; then each alone, with constant arguments.
  std::string values;
  std::vector<std::string> expected;
  for (const Row &row : rows) {
    values += std::string(values.empty() ? "" : ", ") + "(" + std::to_string(expected.size()) + ", '" +
              row.field + "', '" + row.readers + "')";
    expected.push_back(row.expected);
    EXPECT_EQ(db.value(std::string("SELECT nl_date('") + row.field + "', '" + row.readers + "', 'de_DE')"),
              row.expected)
        << row.field << " by " << row.readers;
  }
  EXPECT_EQ(db.column("SELECT nl_date(s, r, 'de_DE') FROM (VALUES " + values + ") t(i, s, r) ORDER BY i"),
            expected);
  expect_cases(
      db,
      {
          {"SELECT nl_timestamp('07.12.2026 14:30', 'form:%d.%m.%Y %H:%M', 'de_DE')", "2026-12-07 14:30:00"},
          {"SELECT nl_timestamp('12/07/2026, 02:30:45 PM', 'NLDATMAP@en_US|NLDATM', 'de_DE')",
           "2026-12-07 14:30:45"},
          {"SELECT nl_timestamp('05/06/2026, 14:30:45', 'NLDATM@en_GB|NLDATM@en_US', 'de_DE')", "NULL"},
          // Without a locale argument, a reader without a locale of its own takes the environment's.
          {"SELECT nl_date('07.12.2026', 'NLDATE|NLDATE@en_US')", "2026-12-07"},
          {"SELECT nl_date('05/06/2026', 'NLDATE@en_GB|NLDATE@en_US')", "NULL"},
      });
}

// A column written by two systems: what both could have written is NULL,
// and nl_ambiguity says what each alternative makes of it.
TEST_F(DuckdbExtension, TellsWhatAlternativesMakeOfAnAmbiguousField) {
  ASSERT_EQ(db.error_of("CREATE TABLE two_systems AS SELECT * FROM (VALUES (1, '13/02/2026'), (2, "
                        "'02/14/2026'), (3, '05/06/2026'), (4, '07/07/2026'), (5, NULL), (6, '31/31/2026')) "
                        "t(id, raw)"),
            "");
  EXPECT_EQ(
      db.column("SELECT nl_date(raw, 'NLDATE@en_GB|NLDATE@en_US', 'en_US') FROM two_systems ORDER BY id"),
      (std::vector<std::string>{"2026-02-13", "2026-02-14", "NULL", "2026-07-07", "NULL", "NULL"}));
  EXPECT_EQ(
      db.column(
          "SELECT nl_ambiguity(raw, 'NLDATE@en_GB|NLDATE@en_US', 'en_US') FROM two_systems ORDER BY id"),
      (std::vector<std::string>{"NULL", "NULL", "2026-06-05 by NLDATE@en_GB or 2026-05-06 by NLDATE@en_US",
                                "NULL", "NULL", "NULL"}));
  expect_cases(
      db, {
              {"SELECT nl_ambiguity('05/06/2026, 14:30:45', "
               "'NLDATM@en_GB|NLDATM@fr_FR|NLDATM@en_US', 'de_DE')",
               "2026-06-05T14:30:45 by NLDATM@en_GB, NLDATM@fr_FR or 2026-05-06T14:30:45 by NLDATM@en_US"},
              {"SELECT nl_ambiguity('1.234', 'NUMBER@de_DE|NUMBER@en_US', 'de_DE')",
               "1234 by NUMBER@de_DE or 1.234 by NUMBER@en_US"},
              {"SELECT nl_ambiguity('05/06/2026', 'NLDATE', 'de_DE')", "NULL"},
              {"SELECT nl_ambiguity('05/06/2026', 'NLDATE|NLDATE@en_US', 'en_GB')",
               "2026-06-05 by NLDATE or 2026-05-06 by NLDATE@en_US"},
              {"SELECT nl_ambiguity(NULL, 'NLDATE|NLDATE@en_US', 'en_GB')", "NULL"},
          });
}

TEST_F(DuckdbExtension, BadReaderTextIsAnErrorSayingWhy) {
  expect_errors(
      db,
      {
          {"SELECT nl_date('07.12.2026', 'NLDATE|', 'de_DE')",
           "nl_date: bad informat \"NLDATE|\": an alternative names no reader"},
          {"SELECT nl_ambiguity('05/06/2026', 'NLDATE|', 'de_DE')",
           "nl_ambiguity: bad informat \"NLDATE|\": an alternative names no reader"},
          {"SELECT nl_date('07.12.2026', 'NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE|NLDATE', "
           "'de_DE')",
           "at most 8 alternatives"},
          {"SELECT nl_date('07.12.2026', 'NLDATE|NLDATM', 'de_DE')",
           "nl_date: unknown informat \"NLDATM\" (it reads by NLDATE, NLDATEW)"},
          {"SELECT nl_date('07.12.2026', 'NLDATE@xx_YY', 'de_DE')", "nl_date: unknown locale \"xx_YY\""},
          {"SELECT nl_date('07.12.2026', 'form:%H:%M', 'de_DE')",
           "nl_date: cannot read by \"form:%H:%M\": it reads a time, not a date"},
          {"SELECT nl_date('07.12.2026', 'form:', 'de_DE')",
           "nl_date: bad informat \"form:\": form: takes a pattern (form:%d/%m/%Y)"},
          {"SELECT nl_date('07.12.2026', 'number:%d', 'de_DE')",
           "nl_date: cannot read by \"number:%d\": a pattern reads a date, datetime or time"},
          {"SELECT nl_timestamp('07.12.2026', 'form:%d.%m.%Y', 'de_DE')",
           "nl_timestamp: cannot read by \"form:%d.%m.%Y\": it reads a date, not a datetime"},
      });
}

// Two threads reading by alternatives of two locales take turns with the
// locale and give what one thread gives: every field read to its own day or
// ambiguous (a day up to the 12th of another month), none to a wrong day.
TEST_F(DuckdbExtension, TwoThreadsReadingByAlternativesGiveTheSingleThreadedAnswer) {
  ASSERT_EQ(db.error_of("CREATE TABLE a AS SELECT i, day, CASE WHEN i % 2 = 0 THEN strftime(day, '%d/%m/%Y') "
                        "ELSE strftime(day, '%m/%d/%Y') END AS s FROM (SELECT i, DATE '1950-01-01' + (i % "
                        "36524)::INTEGER AS day FROM range(300000) r(i))"),
            "");
  const std::string query =
      "SELECT count(d) || ' ' || sum(hash(i, d)) || ' ' || count(*) FILTER (WHERE d <> day) || ' ' || "
      "count(*) FILTER (WHERE (d IS NULL) <> (dayofmonth(day) <= 12 AND dayofmonth(day) <> month(day))) "
      "FROM (SELECT i, day, nl_date(s, 'NLDATE@en_GB|NLDATE@en_US', 'de_DE') AS d FROM a)";
  const std::vector<std::string> one = same_on_two_threads(db, query);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].substr(one[0].size() - 4), " 0 0") << one[0];
}

// The module is looked for beside the extension, nowhere else.
TEST(DuckdbExtensionLoad, FailsClearlyWithoutTheModuleBesideIt) {
  char folder[] = "/tmp/nldat-duckdb-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string copy = std::string(folder) + "/nldat.duckdb_extension";
  std::filesystem::copy_file(NLDAT_DUCKDB_EXTENSION, copy);
  Database db(copy);
  EXPECT_NE(db.load_error().find(std::string(folder) + "/uwinldat.so"), std::string::npos) << db.load_error();
  std::filesystem::remove_all(folder);
}

TEST_F(DuckdbExtension, ListsTheLocales) {
  const std::vector<std::string> names = db.column("SELECT locale FROM nl_locales() ORDER BY locale");
  EXPECT_GT(names.size(), 100u);
  EXPECT_NE(std::find(names.begin(), names.end(), "de_DE"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "ja_JP"), names.end());
}

TEST_F(DuckdbExtension, ReadsAColumnMixingLocalesRowByRow) {
  const std::vector<std::string> got = db.column(
      "SELECT nl_date(s, 'NLDATE', l) FROM (VALUES (1, '07.12.2026', 'de_DE'), (2, '12/7/2026', 'en_US'), "
      "(3, '07/12/2026', 'fr_FR'), (4, 'nope', 'de_DE'), (5, '2026/12/07', 'ja_JP')) t(i, s, l) ORDER BY i");
  EXPECT_EQ(got, (std::vector<std::string>{"2026-12-07", "2026-12-07", "2026-12-07", "NULL", "2026-12-07"}));
}

// A million German dates read on two threads give what one thread gives.
TEST_F(DuckdbExtension, TwoThreadsGiveTheSingleThreadedAnswer) {
  ASSERT_EQ(
      db.error_of("CREATE TABLE t AS SELECT i, strftime(DATE '1950-01-01' + (i % 36524)::INTEGER, "
                  "'%d.%m.%Y') || CASE WHEN i % 97 = 0 THEN 'x' ELSE '' END AS s FROM range(1000000) r(i)"),
      "");
  const std::string query =
      "SELECT count(d), count(*) - count(d), sum(hash(i, d)) FROM "
      "(SELECT i, nl_date(s, 'NLDATE', 'de_DE') AS d FROM t)";
  same_on_two_threads(db, query);
  EXPECT_EQ(db.value("SELECT count(nl_date(s, 'NLDATE', 'de_DE')) FROM t"), std::to_string(1000000 - 10310));
}

// Threads that need different locales take turns and still read every row
// by its own locale.
TEST_F(DuckdbExtension, TwoThreadsMixingLocalesReadEveryRowByItsOwn) {
  ASSERT_EQ(
      db.error_of("CREATE TABLE m AS SELECT i, l, CASE WHEN l = 'de_DE' THEN strftime(d, '%d.%m.%Y') "
                  "ELSE strftime(d, '%m/%d/%Y') END AS s FROM (SELECT i, DATE '1950-01-01' + (i % "
                  "36524)::INTEGER AS d, CASE WHEN i // 3000 % 2 = 0 THEN 'de_DE' ELSE 'en_US' END AS l "
                  "FROM range(300000) r(i))"),
      "");
  const std::string query =
      "SELECT count(d), sum(hash(i, d)), count(*) FILTER (WHERE d <> DATE '1950-01-01' + (i % "
      "36524)::INTEGER) "
      "FROM (SELECT i, nl_date(s, 'NLDATE', l) AS d FROM m)";
  same_on_two_threads(db, query);
  EXPECT_EQ(db.value("SELECT count(*) FROM m WHERE nl_date(s, 'NLDATE', l) = DATE '1950-01-01' + (i % "
                     "36524)::INTEGER"),
            "300000");
}

// A German bank statement, read where it lies.
TEST_F(DuckdbExtension, ReadsAStatementWithReadCsv) {
  const std::string csv = std::string(NLDAT_SOURCE_DIR) + "/examples/de_DE_kontoauszug.csv";
  const std::string from = "FROM read_csv('" + csv + "', delim = ';', header = true, all_varchar = true)";
  EXPECT_EQ(db.value("SELECT count(*) - count(nl_date(Buchungstag, 'NLDATE', 'de_DE')) " + from), "0");
  EXPECT_EQ(db.value("SELECT count(*) - count(nl_money(Betrag, 'de_DE')) " + from), "0");
  EXPECT_EQ(db.value("SELECT nl_money(Betrag, 'de_DE') " + from + " WHERE Buchungstext = 'Gutschrift'"),
            "3412.7700");
  EXPECT_EQ(db.value("SELECT min(nl_date(Buchungstag, 'NLDATE', 'de_DE')) " + from), "2026-12-01");
}

}  // namespace
