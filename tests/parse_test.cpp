// zkpdate, zkpdttm and zkptime through the loaded module: patterns as text and
// as locale items, the range tests, and results written only on success.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "date_values.h"
#include "double_bits.h"
#include "host_fixture.h"
#include "nlhost/host.h"
#include "parse_locale.h"

namespace {

using nldat_test::bits_of;
using nldat_test::from_bits;

using nldat_test::date_of;
using nldat_test::datetime_of;

using ParseFn = decltype(&zkpdate);

constexpr uint64_t kCanaryBits = 0x7FF4A5A5A5A5A5A5ull;
double canary() {
  double d;
  std::memcpy(&d, &kCanaryBits, sizeof d);
  return d;
}

constexpr int32_t kNoItem = -7;  // the row gives its pattern as text

struct Row {
  const char *routine;
  std::string text;
  std::string pattern;  // used when item == kNoItem
  int32_t item;
  int result;
  double value;  // expected on 0
};

class Parse : public nldat_test::ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    host().set_locale(locale_);
  }

  ParseFn routine(const std::string &name) { return fn<ParseFn>(name.c_str()); }

  void check(const std::vector<Row> &rows) {
    for (const Row &row : rows) {
      SCOPED_TRACE(std::string(row.routine) + " \"" + row.text + "\" by " +
                   (row.item == kNoItem ? "\"" + row.pattern + "\"" : "item " + std::to_string(row.item)));
      double result = canary();
      const char *pattern = row.item == kNoItem ? row.pattern.data() : nullptr;
      const int32_t pattern_length =
          row.item == kNoItem ? static_cast<int32_t>(row.pattern.size()) : row.item;
      const int32_t rc = routine(row.routine)(row.text.data(), static_cast<int32_t>(row.text.size()), pattern,
                                              pattern_length, &result);
      EXPECT_EQ(rc, row.result);
      if (row.result == 0) {
        EXPECT_EQ(result, row.value);
      } else {
        EXPECT_EQ(bits_of(result), kCanaryBits) << "result written: " << result;
      }
    }
  }

  std::shared_ptr<nlhost::Locale> locale_ = nldat_test::parser_locale();
};

const double kDec7 = date_of(2026, 12, 7);

TEST_F(Parse, Dates) {
  check({
      {"zkpdate", "07.12.2026", "%d.%m.%Y", kNoItem, 0, kDec7},
      {"zkpdate", "07.12.2026 14:30", "%d.%m.%Y", kNoItem, 0, kDec7},
      {"zkpdate", "01.01.1582", "%d.%m.%Y", kNoItem, 0, -138061},
      {"zkpdate", "31.12.1581", "%d.%m.%Y", kNoItem, -3, 0},
      {"zkpdate", "31.02.2026", "%d.%m.%Y", kNoItem, -3, 0},
      {"zkpdate", "07.12.2026", "%d.%m.%Q", kNoItem, -3, 0},
      {"zkpdate", "", "%d.%m.%Y", kNoItem, -3, 0},
      {"zkpdate", "07/12/2026", "%d.%m.%Y", kNoItem, -3, 0},
      // By item: 28 is "%d.%m.%Y", 29 "%d.%m.%y".
      {"zkpdate", "07.12.2026", "", UWN_ITEM_DATE_1, 0, kDec7},
      {"zkpdate", "07.12.26", "", UWN_ITEM_DATE_2, 0, kDec7},
      {"zkpdate", "07.12.2026", "", 150, -1, 0},
      {"zkpdttm", "07.12.2026", "", 150, -1, 0},
      {"zkptime", "07.12.2026", "", 150, -1, 0},
      // A null pattern with no item number is empty: nothing is read.
      {"zkpdate", "07.12.2026", "", 0, -3, 0},
      {"zkpdttm", "07.12.2026", "", -5, -3, 0},
      {"zkptime", "14:30:00", "", 0, -3, 0},
  });
}

TEST_F(Parse, Datetimes) {
  check({
      {"zkpdttm", "07.12.2026 14:30:15", "%d.%m.%Y %H:%M:%S", kNoItem, 0,
       datetime_of(2026, 12, 7, 14, 30, 15)},
      {"zkpdttm", "07.12.2026 14:30", "", UWN_ITEM_DATETIME_2, 0, datetime_of(2026, 12, 7, 14, 30, 0)},
      {"zkpdttm", "07.12.2026 12:15 AM", "%d.%m.%Y %I:%M %p", kNoItem, 0, kDec7 * 86400 + 900},
      {"zkpdttm", "01.01.1582 00:00", "%d.%m.%Y %H:%M", kNoItem, 0, -138061.0 * 86400},
      {"zkpdttm", "31.12.9999 23:59:59", "%d.%m.%Y %H:%M:%S", kNoItem, 0,
       datetime_of(9999, 12, 31, 23, 59, 59)},
      // No time field: the time stays missing.
      {"zkpdttm", "07.12.2026", "%d.%m.%Y", kNoItem, -3, 0},
      {"zkpdttm", "07.12.2026 24:00:00", "%d.%m.%Y %H:%M:%S", kNoItem, -3, 0},
      {"zkpdttm", "07.12.2026 23:59:60", "%d.%m.%Y %H:%M:%S", kNoItem, -3, 0},
      {"zkpdttm", "14:30:00", "%H:%M:%S", kNoItem, -3, 0},
  });
}

TEST_F(Parse, Times) {
  check({
      {"zkptime", "14:30:15", "", UWN_ITEM_TIME_1, 0, 52215},
      {"zkptime", "24:00:00", "%H:%M:%S", kNoItem, 0, 86400},
      {"zkptime", "99:99:99", "%H:%M:%S", kNoItem, 0, 362439},
      {"zkptime", "02:15 PM", "%I:%M %p", kNoItem, 0, 51300},
      {"zkptime", "07.12.2026 14:30", "%d.%m.%Y %H:%M", kNoItem, 0, 52200},
      // Neither item 35 nor 36 and no date: the date is incomplete, no time is stored.
      {"zkptime", "14.30", "%H.%M", kNoItem, -3, 0},
      // A time pattern without a time field in the text.
      {"zkptime", "", "%H:%M:%S", kNoItem, -3, 0},
  });
}

TEST_F(Parse, MissingTimeItemsGiveNoValue) {
  locale_->remove(UWN_ITEM_TIME_2);
  check({
      {"zkpdate", "07.12.2026", "%d.%m.%Y", kNoItem, -3, 0},
      {"zkptime", "14:30:00", "%H:%M:%S", kNoItem, -3, 0},
  });
}

TEST_F(Parse, PatternTooLongForTheDescriptorGivesNoValue) {
  std::string pattern = "%d.%m.%Y %H:%M";
  pattern.resize(UWN_DESCRIPTOR_MAX, ' ');
  const std::string text = "07.12.2026 14:30";
  check({
      {"zkpdttm", text, pattern, kNoItem, 0, datetime_of(2026, 12, 7, 14, 30, 0)},
      {"zkpdttm", text, pattern + " ", kNoItem, -3, 0},
      {"zkpdate", text, pattern + " ", kNoItem, -3, 0},
      {"zkptime", text, pattern + std::string(40000, ' '), kNoItem, -3, 0},
  });
}

// The host calls one read makes, as "service number" words (zmdy's number is
// its date as yyyymmdd).
std::string calls_of(const std::vector<nlhost::ServiceCall> &calls) {
  std::string out;
  for (const auto &c : calls) out += (out.empty() ? "" : " ") + c.service + " " + std::to_string(c.number);
  return out;
}

// A text read by a pattern while the host declares one byte the lead of a
// two-byte character (0: none), and the status, value and host calls
// expected.
struct HostQuestions {
  int lead;
  std::string text;
  std::string pattern;
  int result;
  double value;
  std::string calls;
};

// Numeric patterns ask the host about each "%" where the directive loop
// would, stop asking where a number or literal fails, and give the rest of
// the pattern to the general scan where the host measures a "%" as part of a
// longer character.  The same for zkpdate and NLDATE (item 28 set to the
// row's pattern).
TEST_F(Parse, NumericPatternsAskTheHostStepByStep) {
  const std::string all = "wzsxoff 0 wzsxoff 3 wzsxoff 6 wzsxglc 36 wzsxglc 35";
  const HostQuestions rows[] = {
      {0, "07.12.2026", "%d.%m.%Y", 0, kDec7, all + " zmdy 20261207"},
      {0, "12/07-2026", "%m/%d-%Y", 0, kDec7, all + " zmdy 20261207"},
      {0, "2026.07.12", "%Y.%d.%m", 0, kDec7, all + " zmdy 20261207"},
      {0, "07.12.26", "%e.%m.%y", 0, kDec7, all + " zmdy 261207"},
      {0, "0x.12.2026", "%d.%m.%Y", -3, 0, "wzsxoff 0"},
      {0, "07/12.2026", "%d.%m.%Y", -3, 0, "wzsxoff 0"},
      {0, "07.1x.2026", "%d.%m.%Y", -3, 0, "wzsxoff 0 wzsxoff 3"},
      {0, "07.12/2026", "%d.%m.%Y", -3, 0, "wzsxoff 0 wzsxoff 3"},
      {0, "07.12.20x6", "%d.%m.%Y", 0, date_of(2006, 12, 7), all + " zmdy 20061207"},  // "x6" reads 6
      {0, "07.12.202x", "%d.%m.%Y", -3, 0, "wzsxoff 0 wzsxoff 3 wzsxoff 6"},
      {0, "31.02.2026", "%d.%m.%Y", -3, 0, all + " zmdy 20260231"},
      {0, "00.12.2026", "%d.%m.%Y", -3, 0, all},
      {0, "07.12.1581", "%d.%m.%Y", -3, 0, all},
      // The "%" at 3 is the second byte of ".%": the rest is literal text.
      {'.', "07.%m.2026", "%d.%m.%Y", -3, 0, "wzsxoff 0 wzsxoff 3 wzsxoff 6"},
      {'.', "12/07-2026", "%m/%d-%Y", 0, kDec7, all + " zmdy 20261207"},
      // The "%" at 3 or 6 inside a character that begins before it: the
      // scan goes on from there with the numbers read so far, and the date
      // lacks the field whose directive became text.
      {0x81, "07\x81%m.2026", "%d\x81%m.%Y", -3, 0, all},
      {0x81, "07.12\x81%Y", "%d.%m\x81%Y", -3, 0, all},
      {0x81, "07.12\x81x026", "%d.%m\x81%Y", -3, 0, "wzsxoff 0 wzsxoff 3 wzsxoff 6"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE("\"" + row.text + "\" by \"" + row.pattern + "\", lead byte " + std::to_string(row.lead));
    if (row.lead != 0) host().set_multibyte_lead(static_cast<unsigned char>(row.lead), 2);
    locale_->set_text(UWN_ITEM_DATE_1, row.pattern);
    for (const bool informat : {false, true}) {
      SCOPED_TRACE(informat ? "NLDATE" : "zkpdate");
      double result = canary();
      watch().clear_calls();
      watch().record_calls(true);
      int32_t rc = 0;
      if (informat) {
        uwn_informat_block block{};
        block.width = 10;
        block.text = row.text.data();
        block.text_length = static_cast<int32_t>(row.text.size());
        block.result = &result;
        rc = module().informat("NLDATE")(&block) == 0 ? 0 : -3;
      } else {
        rc = routine("zkpdate")(row.text.data(), static_cast<int32_t>(row.text.size()), row.pattern.data(),
                                static_cast<int32_t>(row.pattern.size()), &result);
      }
      watch().record_calls(false);
      const std::string calls = calls_of(watch().calls());
      if (!informat) {
        EXPECT_EQ(rc, row.result);
        EXPECT_EQ(calls, row.calls);
      } else {
        // NLDATE fetches its pattern first; without a value it goes on to
        // item 29 and its host informat, whose answer is not this test's.
        const std::string expected = "wzsxglc 28 " + row.calls;
        EXPECT_EQ(calls.substr(0, expected.size()), expected);
        EXPECT_EQ(calls.substr(expected.size(), 11), row.result == 0 ? "" : " wzsxglc 29");
        EXPECT_TRUE(row.result != 0 || rc == 0);
      }
      if (row.result == 0) {
        EXPECT_EQ(result, row.value);
      }
    }
    if (row.lead != 0) host().set_multibyte_lead(static_cast<unsigned char>(row.lead), 0);
  }
}

// Numeric datetimes ask the host about each "%" where the directive loop
// would, through the time's directives as through the date's.
TEST_F(Parse, NumericDatetimesAskTheHostStepByStep) {
  const std::string glc = " wzsxglc 36 wzsxglc 35";
  const std::string de = "%d.%m.%Y, %H:%M:%S";
  const std::string all = "wzsxoff 0 wzsxoff 3 wzsxoff 6 wzsxoff 10 wzsxoff 13 wzsxoff 16" + glc;
  const HostQuestions rows[] = {
      {0, "07.12.2026, 14:03:59", de, 0, datetime_of(2026, 12, 7, 14, 3, 59), all + " zmdy 20261207"},
      {0, " 7.12.2026, 14: 3:+9", de, 0, datetime_of(2026, 12, 7, 14, 3, 9), all + " zmdy 20261207"},
      {0, "07.12.2026, 14:03", "%d.%m.%Y, %H:%M", 0, datetime_of(2026, 12, 7, 14, 3, 0),
       "wzsxoff 0 wzsxoff 3 wzsxoff 6 wzsxoff 10 wzsxoff 13" + glc + " zmdy 20261207"},
      {0, "07.12.2026, 24:00:00", de, -3, 0, all + " zmdy 20261207"},
      {0, "07.12.2026; 14:03:59", de, -3, 0, "wzsxoff 0 wzsxoff 3 wzsxoff 6"},
      {0, "07.12.2026, 1x:03:59", de, -3, 0, "wzsxoff 0 wzsxoff 3 wzsxoff 6 wzsxoff 10"},
      {0, "07.12.2026, 14-03:59", de, -3, 0, "wzsxoff 0 wzsxoff 3 wzsxoff 6 wzsxoff 10"},
      {0, "07.12.2026, 14:03:5x", de, -3, 0, "wzsxoff 0 wzsxoff 3 wzsxoff 6 wzsxoff 10 wzsxoff 13 wzsxoff 16"},
      // A blank after the year meeting a non-blank is passed over.
      {0, "07.12.202614:03:59", "%d.%m.%Y %H:%M:%S", 0, datetime_of(2026, 12, 7, 14, 3, 59),
       "wzsxoff 0 wzsxoff 3 wzsxoff 6 wzsxoff 9 wzsxoff 12 wzsxoff 15" + glc + " zmdy 20261207"},
      // The "%" at 13 is the second byte of ":%": the rest is literal text,
      // and the hour read before it stays.
      {':', "07.12.2026, 14:%M:%S", de, 0, datetime_of(2026, 12, 7, 14, 0, 0), all + " zmdy 20261207"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE("\"" + row.text + "\" by \"" + row.pattern + "\", lead byte " + std::to_string(row.lead));
    if (row.lead != 0) host().set_multibyte_lead(static_cast<unsigned char>(row.lead), 2);
    double result = canary();
    watch().clear_calls();
    watch().record_calls(true);
    const int32_t rc = routine("zkpdttm")(row.text.data(), static_cast<int32_t>(row.text.size()),
                                          row.pattern.data(), static_cast<int32_t>(row.pattern.size()), &result);
    watch().record_calls(false);
    EXPECT_EQ(rc, row.result);
    EXPECT_EQ(calls_of(watch().calls()), row.calls);
    if (row.result == 0) {
      EXPECT_EQ(result, row.value);
    } else {
      EXPECT_EQ(bits_of(result), kCanaryBits);
    }
    if (row.lead != 0) host().set_multibyte_lead(static_cast<unsigned char>(row.lead), 0);
  }
}

// The calendar's answer decides the upper end of the range, which no four-digit
// year reaches: a calendar that answers with a chosen value shows both edges.
double calendar_answer = 0;
double answering_zmdy(double, double, double) { return calendar_answer; }

TEST_F(Parse, RangeEdgesOfTheCalendarAnswer) {
  watch().set_service(UWN_VECTOR_CALENDAR, 11, reinterpret_cast<void *>(&answering_zmdy));
  const struct {
    double answer;
    int result;
  } cases[] = {{-138061, 0}, {-138062, -3}, {6589335, 0}, {6589336, -3}, {1e12, -3}};
  for (const auto &c : cases) {
    calendar_answer = c.answer;
    SCOPED_TRACE(c.answer);
    check({
        {"zkpdate", "07.12.2026", "%d.%m.%Y", kNoItem, c.result, c.answer},
        {"zkpdttm", "07.12.2026 00:00", "%d.%m.%Y %H:%M", kNoItem, c.result, c.answer * 86400},
    });
  }
}

}  // namespace
