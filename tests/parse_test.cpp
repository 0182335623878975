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
