// The backend's host without a server: locale names from lc_time, week rules,
// and reading and writing through the module as the SQL functions do.
#include "session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

using nlhost::ValueKind;

nlpg::Settings settings(std::string_view locale) { return {NLDAT_MODULE_PATH, locale}; }

TEST(PostgresSession, LocaleFromLcTime) {
  const struct {
    const char *lc_time, *locale;
  } rows[] = {
      {"de_DE.UTF-8", "de_DE"},
      {"de_DE@euro", "de_DE"},
      {"fr_CA.utf8@x", "fr_CA"},
      {"ja_JP", "ja_JP"},
      {"C", "en_US"},
      {"POSIX", "en_US"},
      {"", "en_US"},
      {"C.UTF-8", "en_US"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.lc_time);
    EXPECT_EQ(nlpg::locale_from_lc_time(row.lc_time), row.locale);
  }
}

TEST(PostgresSession, WeekRule) {
  const struct {
    const char *text;
    char rule;
  } rows[] = {{"U", 'U'}, {"v", 'V'}, {"W", 'W'}, {"", 0}, {"X", 0}, {"VV", 0}, {"V ", 0}};
  for (const auto &row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(nlpg::week_rule(row.text), row.rule);
  }
}

TEST(PostgresSession, ReadsFieldsStrictly) {
  const struct {
    const char *locale, *reader;
    ValueKind kind;
    const char *field;
    nlpg::ReadResult result;
    double value;
  } rows[] = {
      {"de_DE", "NLDATE", ValueKind::kDate, "07.12.2026", nlpg::ReadResult::kRead, 24447},
      {"de_DE", "nldate", ValueKind::kDate, " 07.12.2026 ", nlpg::ReadResult::kRead, 24447},
      {"de_DE", "NLDATE", ValueKind::kDate, "07.12.2026x", nlpg::ReadResult::kNotRead, 0},
      {"de_DE", "NLDATE", ValueKind::kDate, "", nlpg::ReadResult::kNotRead, 0},
      {"en_US", "NLDATE", ValueKind::kDate, "12/07/2026", nlpg::ReadResult::kRead, 24447},
      {"de_DE", "NUMBER", ValueKind::kNumber, "1.234,5", nlpg::ReadResult::kRead, 1234.5},
      {"de_DE", "NUMBER", ValueKind::kNumber,
       "\xE2\x88\x92"
       "1.234,5",
       nlpg::ReadResult::kRead, -1234.5},
      {"en_US", "PERCENT", ValueKind::kNumber, "12.5%", nlpg::ReadResult::kRead, 0.125},
      {"en_US", "WEEK", ValueKind::kDate, "2010-W09-05", nlpg::ReadResult::kRead, 18326},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(std::string(row.locale) + " " + row.reader + " " + row.field);
    nlpg::ReadRequest request{row.field, row.reader, row.kind, 'V'};
    double value = -1;
    nlpg::Error error;
    EXPECT_EQ(nlpg::read_field(settings(row.locale), request, &value, nullptr, &error), row.result)
        << error.message;
    if (row.result == nlpg::ReadResult::kRead) {
      EXPECT_DOUBLE_EQ(value, row.value);
    } else {
      EXPECT_EQ(value, -1) << "a field not read leaves the value";
    }
  }
}

TEST(PostgresSession, ReadsByTheReadersTheCliTakes) {
  using nlpg::ReadResult;
  const struct {
    const char *locale, *reader;
    ValueKind kind;
    const char *field;
    ReadResult result;
    double value;
  } rows[] = {
      {"en_US", "NLDATE@en_GB", ValueKind::kDate, "13/02/2026", ReadResult::kRead, 24150},
      {"en_US", "NLDATE@en_GB|NLDATE@en_US", ValueKind::kDate, "13/02/2026", ReadResult::kRead, 24150},
      {"de_DE", "NLDATE@en_GB|NLDATE@en_US", ValueKind::kDate, "02/13/2026", ReadResult::kRead, 24150},
      {"de_DE", "NLDATE@en_GB|NLDATE@en_US", ValueKind::kDate, "2026-06-05", ReadResult::kRead, 24262},
      {"de_DE", "NLDATE@en_GB|NLDATE@en_US", ValueKind::kDate, "05/06/2026", ReadResult::kAmbiguous, 0},
      {"de_DE", "NLDATE@en_GB|NLDATE@en_US", ValueKind::kDate, "x", ReadResult::kNotRead, 0},
      // An alternative without a locale reads by the call's, after one that had its own.
      {"de_DE", "NLDATE@en_US|NLDATE", ValueKind::kDate, "07.12.2026", ReadResult::kRead, 24447},
      {"en_GB", "NLDATE@en_US|NLDATE", ValueKind::kDate, "05/06/2026", ReadResult::kAmbiguous, 0},
      {"es_ES", "form:%b. %d, %Y", ValueKind::kDate, "dic. 7, 2026", ReadResult::kRead, 24447},
      {"en_US", "form:%b. %d, %Y@es_ES", ValueKind::kDate, "DIC. 7, 2026", ReadResult::kRead, 24447},
      {"de_DE", "date:%d.%m.%y", ValueKind::kDate, "07.12.26", ReadResult::kRead, 24447},
      {"de_DE", "form:%d.%m.%Y %H:%M", ValueKind::kDatetime, "7.12.2026 0:01", ReadResult::kRead,
       24447.0 * 86400 + 60},
      {"de_DE", "NUMBER@en_US|NUMBER", ValueKind::kNumber, "1,5", ReadResult::kRead, 1.5},
      {"de_DE", "NUMBER@en_US|NUMBER", ValueKind::kNumber, "1.234", ReadResult::kAmbiguous, 0},
      // What is wrong with the text is the caller's error.
      {"de_DE", "NLDATE|", ValueKind::kDate, "07.12.2026", ReadResult::kFailed, 0},
      {"de_DE", "NLDATE|NLDATM", ValueKind::kDate, "07.12.2026", ReadResult::kFailed, 0},
      {"de_DE", "NLDATE@xx_YY", ValueKind::kDate, "07.12.2026", ReadResult::kFailed, 0},
      {"de_DE", "form:%H:%M", ValueKind::kDate, "14:30", ReadResult::kFailed, 0},
      {"de_DE", "number:%d", ValueKind::kDate, "07", ReadResult::kFailed, 0},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(std::string(row.locale) + " " + row.reader + " " + row.field);
    double value = -1;
    nlpg::Error error;
    EXPECT_EQ(nlpg::read_field(settings(row.locale), {row.field, row.reader, row.kind, 'V'}, &value, nullptr,
                               &error),
              row.result)
        << error.message;
    if (row.result == ReadResult::kRead) {
      EXPECT_DOUBLE_EQ(value, row.value);
    } else {
      EXPECT_EQ(value, -1) << "a field not read leaves the value";
    }
    if (row.result == ReadResult::kFailed) {
      EXPECT_EQ(error.failure, nlpg::Failure::kBadParameter);
    }
  }
}

TEST(PostgresSession, TellsWhatEachAlternativeMakesOfAnAmbiguousField) {
  const struct {
    const char *locale, *reader, *field, *told;  // told: "" when not ambiguous, null for an error
  } rows[] = {
      {"de_DE", "NLDATE@en_GB|NLDATE@en_US", "05/06/2026",
       "2026-06-05 by NLDATE@en_GB or 2026-05-06 by NLDATE@en_US"},
      {"de_DE", "NLDATE@en_GB|NLDATE@fr_FR|NLDATE@en_US", "05/06/2026",
       "2026-06-05 by NLDATE@en_GB, NLDATE@fr_FR or 2026-05-06 by NLDATE@en_US"},
      {"de_DE", "NLDATM@en_GB|NLDATM@en_US", "05/06/2026, 14:30:45",
       "2026-06-05T14:30:45 by NLDATM@en_GB or 2026-05-06T14:30:45 by NLDATM@en_US"},
      {"de_DE", "NUMBER|NUMBER@en_US", "1.234", "1234 by NUMBER or 1.234 by NUMBER@en_US"},
      {"de_DE", "NLDATE@en_GB|NLDATE@en_US", "13/02/2026", ""},
      {"de_DE", "NLDATE@en_GB|NLDATE@en_US", "x", ""},
      {"de_DE", "NLDATE", "05/06/2026", ""},
      {"de_DE", "NLDATE||NLDATE@en_US", "05/06/2026", nullptr},
      {"de_DE", "NLDATE@en_GB|NLDATX", "05/06/2026", nullptr},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(std::string(row.reader) + " " + row.field);
    char out[256];
    size_t length = 99;
    nlpg::Error error;
    const bool done = nlpg::describe_ambiguity(settings(row.locale), row.field, row.reader, out, sizeof out,
                                               &length, &error);
    ASSERT_EQ(done, row.told != nullptr) << error.message;
    if (done) {
      EXPECT_EQ(std::string(out, length), row.told);
    }
  }
  // Cut to the caller's buffer, and never past it.
  char small[12];
  std::memset(small, '#', sizeof small);
  size_t length = 0;
  nlpg::Error error;
  ASSERT_TRUE(nlpg::describe_ambiguity(settings("de_DE"), "05/06/2026", "NLDATE@en_GB|NLDATE@en_US", small,
                                       10, &length, &error));
  EXPECT_EQ(std::string(small, length), "2026-06-05");
  EXPECT_EQ(small[10], '#');
}

TEST(PostgresSession, PatternReadersAreKeptWithinBounds) {
  // Many patterns, each read once: the session keeps a few and reads right by all of them.
  for (int k = 0; k < 100; ++k) {
    const std::string word = {static_cast<char>('a' + k / 26), static_cast<char>('a' + k % 26)};
    const std::string reader = "form:" + word + " %d.%m.%Y@de_DE";
    double value = -1;
    nlpg::Error error;
    ASSERT_EQ(nlpg::read_field(settings("en_US"), {word + " 07.12.2026", reader, ValueKind::kDate, 'V'},
                               &value, nullptr, &error),
              nlpg::ReadResult::kRead)
        << reader << ": " << error.message;
    EXPECT_EQ(value, 24447);
  }
}

TEST(PostgresSession, MoneyCarriesTheCurrencyFractionDigits) {
  const struct {
    const char *locale, *field;
    double value;
    const char *digits;
    int fraction_digits;
  } rows[] = {
      {"de_DE", "1.234,56\xC2\xA0\xE2\x82\xAC", 1234.56, "1234.56", 2},
      {"de_DE", "-0,10\xC2\xA0\xE2\x82\xAC", -0.1, "-0.10", 2},
      // Past a double's digits: the field's own digits, not the double's.
      {"de_DE", "99.999.999.999.999,99\xC2\xA0\xE2\x82\xAC", 99999999999999.99, "99999999999999.99", 2},
      {"ja_JP",
       "\xEF\xBF\xA5"
       "1,235",
       1235, "1235", 0},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.locale);
    double value = 0;
    nlpg::Amount amount;
    amount.fraction_digits = -1;
    nlpg::Error error;
    ASSERT_EQ(nlpg::read_field(settings(row.locale), {row.field, "MONEY", ValueKind::kNumber, 'V'}, &value,
                               &amount, &error),
              nlpg::ReadResult::kRead)
        << error.message;
    EXPECT_DOUBLE_EQ(value, row.value);
    EXPECT_STREQ(amount.digits, row.digits);
    EXPECT_EQ(amount.fraction_digits, row.fraction_digits);
  }
}

TEST(PostgresSession, RefusesWhatItDoesNotKnow) {
  const struct {
    const char *locale, *reader;
    ValueKind kind;
    const char *message;
  } rows[] = {
      {"de_DE", "NLDATM", ValueKind::kDate, "unknown informat \"NLDATM\""},
      {"de_DE", "NUMBER", ValueKind::kDate, "unknown informat \"NUMBER\""},
      {"de_DE", "NLDATE", ValueKind::kDatetime, "unknown informat \"NLDATE\""},
      {"de_DE", "DATE", ValueKind::kDate, "unknown informat \"DATE\""},
      {"../../etc/x", "NLDATE", ValueKind::kDate, "\"../../etc/x\" is not a locale name"},
      {"/etc/passwd", "NLDATE", ValueKind::kDate, "\"/etc/passwd\" is not a locale name"},
      {"xx_YY", "NLDATE", ValueKind::kDate, "unknown locale \"xx_YY\""},
      {"de DE", "NLDATE", ValueKind::kDate, "\"de DE\" is not a locale name"},
      // Cut before a character that does not fit whole: 63 bytes, not 64.
      {"a\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3"
       "\xA4\xC3\xA4"
       "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3"
       "\xA4\xC3\xA4"
       "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4",
       "NLDATE", ValueKind::kDate,
       "\"a\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4"
       "\xC3\xA4\xC3\xA4"
       "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3"
       "\xA4\xC3\xA4"
       "\xC3\xA4\xC3\xA4\xC3\xA4\" is not a locale name"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(std::string(row.locale) + " " + row.reader);
    double value = -1;
    nlpg::Error error;
    EXPECT_EQ(nlpg::read_field(settings(row.locale), {"07.12.2026", row.reader, row.kind, 'V'}, &value,
                               nullptr, &error),
              nlpg::ReadResult::kFailed);
    EXPECT_EQ(error.failure, nlpg::Failure::kBadParameter);
    EXPECT_STREQ(error.message, row.message);
    EXPECT_EQ(value, -1);
  }
}

TEST(PostgresSession, FormatsByPatternOrLocaleItem) {
  const struct {
    const char *locale;
    ValueKind kind;
    const char *pattern;
    double value;
    const char *text;
  } rows[] = {
      {"de_DE", ValueKind::kDate, "%d.%m.%Y", 24447, "07.12.2026"},
      {"de_DE", ValueKind::kDate, "%A, %d. %B %Y", 24447, "Montag, 07. Dezember 2026"},
      {"de_DE", ValueKind::kDate, "@28", 24447, "07.12.2026"},
      {"en_US", ValueKind::kDatetime, "%Y-%m-%d %H:%M:%S", 24447.0 * 86400 + 3723, "2026-12-07 01:02:03"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.pattern);
    char out[64];
    std::memset(out, 0xA5, sizeof out);
    size_t length = 0;
    nlpg::Error error;
    ASSERT_TRUE(
        nlpg::format_value(settings(row.locale), row.kind, row.value, row.pattern, out, 40, &length, &error))
        << error.message;
    EXPECT_EQ(std::string_view(out, length), row.text);
    for (size_t i = 40; i < sizeof out; ++i) EXPECT_EQ(static_cast<unsigned char>(out[i]), 0xA5);
  }
}

TEST(PostgresSession, FormatFailuresAreNamed) {
  const struct {
    const char *pattern;
    double value;
    size_t capacity;
    nlpg::Failure failure;
  } rows[] = {
      {"%K", 24447, 64, nlpg::Failure::kBadParameter},   {"@159", 24447, 64, nlpg::Failure::kBadParameter},
      {"@35", 24447, 64, nlpg::Failure::kBadParameter},  {"@31", 24447, 64, nlpg::Failure::kBadParameter},
      {"@0", 24447, 64, nlpg::Failure::kBadParameter},   {"@50", 24447, 64, nlpg::Failure::kBadParameter},
      {"@2x", 24447, 64, nlpg::Failure::kBadParameter},  {"", 24447, 64, nlpg::Failure::kBadParameter},
      {"%Y-%m-%d", 1e9, 64, nlpg::Failure::kOutOfRange}, {"%A %B %Y", 24447, 8, nlpg::Failure::kLimit},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.pattern);
    char out[64];
    std::memset(out, 0xA5, sizeof out);
    size_t length = 0;
    nlpg::Error error;
    EXPECT_FALSE(nlpg::format_value(settings("de_DE"), ValueKind::kDate, row.value, row.pattern, out,
                                    row.capacity, &length, &error));
    EXPECT_EQ(error.failure, row.failure) << error.message;
    for (unsigned char c : out) EXPECT_EQ(c, 0xA5);
  }
}

TEST(PostgresSession, WeekDatesAndNumbers) {
  char out[64];
  size_t length = 0;
  nlpg::Error error;
  ASSERT_TRUE(nlpg::format_week(settings(""), 24447, 'V', 11, out, &length, &error)) << error.message;
  EXPECT_EQ(std::string_view(out, length), "2026-W50-01");
  ASSERT_TRUE(nlpg::format_week(settings(""), 18263, 'V', 7, out, &length, &error));  // 2010-01-01
  EXPECT_EQ(std::string_view(out, length), "09W5305");
  EXPECT_FALSE(nlpg::format_week(settings(""), 24447, 'V', 65, out, &length, &error));
  EXPECT_EQ(error.failure, nlpg::Failure::kBadParameter);
  EXPECT_FALSE(nlpg::format_week(settings(""), 1e9, 'V', 11, out, &length, &error));
  EXPECT_EQ(error.failure, nlpg::Failure::kOutOfRange);

  int week = -1;
  ASSERT_TRUE(nlpg::week_number(settings(""), 24447, 'V', &week, &error));
  EXPECT_EQ(week, 50);
  ASSERT_TRUE(nlpg::week_number(settings(""), 18263, 'U', &week, &error));
  EXPECT_EQ(week, 0);
  EXPECT_FALSE(nlpg::week_number(settings(""), 1e9, 'V', &week, &error));
  EXPECT_EQ(error.failure, nlpg::Failure::kOutOfRange);
}

TEST(PostgresSession, OffersTheHostsLocales) {
  nlpg::Error error;
  const std::vector<std::string> *names = nlpg::locale_names(&error);
  ASSERT_NE(names, nullptr);
  EXPECT_TRUE(std::binary_search(names->begin(), names->end(), "de_DE"));
  EXPECT_TRUE(std::is_sorted(names->begin(), names->end()));
  EXPECT_EQ(nlpg::locale_names(&error), names) << "kept, not rebuilt per call";
}

}  // namespace

TEST(PostgresSession, KeepsTheLocalesUsedLast) {
  // Spellings of one locale are one locale.
  const double kDate = 24447;  // 2026-12-07
  nlpg::Error error;
  const size_t before = nlpg::locales_kept();
  for (const char *name : {"fr_CH", "fr-CH", "fr_CH.UTF-8", "fr_CH@euro"}) {
    SCOPED_TRACE(name);
    double value = 0;
    ASSERT_EQ(nlpg::read_field(settings(name), {"07.12.2026", "NLDATE", ValueKind::kDate, 'V'}, &value,
                               nullptr, &error),
              nlpg::ReadResult::kRead)
        << error.message;
    EXPECT_EQ(value, kDate);
  }
  EXPECT_LE(nlpg::locales_kept(), before + 1);

  // Many more locales than are kept, each still read by its own conventions,
  // and one named long ago loaded again.
  const std::vector<std::string> *names = nlpg::locale_names(&error);
  ASSERT_NE(names, nullptr);
  ASSERT_GE(names->size(), 300u);
  for (size_t i = 0; i < 300; ++i) {
    ASSERT_TRUE(nlpg::check_locale((*names)[i], &error)) << (*names)[i] << ": " << error.message;
  }
  EXPECT_LE(nlpg::locales_kept(), 64u);
  double value = 0;
  EXPECT_EQ(nlpg::read_field(settings("de_DE"), {"07.12.2026", "NLDATE", ValueKind::kDate, 'V'}, &value,
                             nullptr, &error),
            nlpg::ReadResult::kRead);
  EXPECT_EQ(nlpg::read_field(settings("en_US"), {"12/07/2026", "NLDATE", ValueKind::kDate, 'V'}, &value,
                             nullptr, &error),
            nlpg::ReadResult::kRead);
  EXPECT_EQ(value, kDate);
  EXPECT_EQ(nlpg::read_field(settings("C"), {"12/07/2026", "NLDATE", ValueKind::kDate, 'V'}, &value, nullptr,
                             &error),
            nlpg::ReadResult::kRead);
  EXPECT_FALSE(nlpg::check_locale("xx_YY", &error));
  EXPECT_STREQ(error.message, "unknown locale \"xx_YY\"");
}
