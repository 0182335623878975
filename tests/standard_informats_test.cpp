// The reference host's standard informats DATE, DATETIME, WEEKDATE, TWNDY and
// DATEAMPM on their accepted forms and on text they refuse.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "date_values.h"
#include "nlhost/host.h"

namespace {

using nldat_test::date_of;
using nldat_test::datetime_of;

constexpr double kRefused = -1e300;

struct Row {
  const char *informat;
  std::string text;
  double value;  // kRefused: the informat returns 1 and stores nothing
};

class StandardInformats : public ::testing::Test {
 protected:
  // Runs an informat as the module's fallback does: found by name, on a block.
  int32_t run(const char *name, const std::string &text, int32_t length, double *result) {
    const auto *informat = host_.find_informat(name);
    if (informat == nullptr) return -100;
    uwn_informat_block block{};
    block.width = 40;
    block.text = text.data();
    block.text_length = length;
    block.result = result;
    return (*informat)(&block);
  }

  void check(const std::vector<Row> &rows) {
    for (const Row &row : rows) {
      SCOPED_TRACE(std::string(row.informat) + " \"" + row.text + "\"");
      double result = -7;
      const int32_t rc = run(row.informat, row.text, static_cast<int32_t>(row.text.size()), &result);
      if (row.value == kRefused) {
        EXPECT_EQ(rc, 1);
        EXPECT_EQ(result, -7);
      } else {
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(result, row.value);
      }
    }
  }

  nlhost::Host host_;
};

const double kDec7 = date_of(2026, 12, 7);

TEST_F(StandardInformats, Date) {
  check({
      {"DATE", "07DEC2026", kDec7},
      {"DATE", "7-Dec-2026", kDec7},
      {"DATE", "07 dec 26", kDec7},
      {"DATE", "7/december/2026", kDec7},
      {"DATE", "  07.DEC.2026  ", kDec7},
      {"DATE", "29feb2024", date_of(2024, 2, 29)},
      {"DATE", "01JAN1582", -138061},
      {"DATE", "07DEC45", date_of(1945, 12, 7)},
      {"DATE", "07DEC39", date_of(2039, 12, 7)},
      {"DATE", "07DEC40", date_of(1940, 12, 7)},
      {"DATE", "31DEC1959", -1},
      {"DATE", "31dec59", -1},
      {"DATE", "28FEB2026", date_of(2026, 2, 28)},
      {"DATE", "31DEC2026", date_of(2026, 12, 31)},
      {"DATE", "29FEB2026", kRefused},
      {"DATE", "32DEC2026", kRefused},
      {"DATE", "31DEC1581", kRefused},
      {"DATE", "07DEC202", kRefused},
      {"DATE", "07DEC2026x", kRefused},
      {"DATE", "07DECE2026", kRefused},
      {"DATE", "07 12 2026", kRefused},
      {"DATE", "DEC2026", kRefused},
      {"DATE", "", kRefused},
  });
}

TEST_F(StandardInformats, Datetime) {
  check({
      {"DATETIME", "07DEC2026:14:30:00", datetime_of(2026, 12, 7, 14, 30, 0)},
      {"DATETIME", "7dec26 14:30", datetime_of(2026, 12, 7, 14, 30, 0)},
      {"DATETIME", "07DEC2026:14:30:00.5", datetime_of(2026, 12, 7, 14, 30, 0) + 0.5},
      {"DATETIME", "07DEC2026:0:00", kDec7 * 86400},
      {"DATETIME", "07DEC2026:23:59:59", datetime_of(2026, 12, 7, 23, 59, 59)},
      {"DATETIME", "07DEC2026:14:59", datetime_of(2026, 12, 7, 14, 59, 0)},
      // Before 1960: negative seconds, a fraction still added, not taken off.
      {"DATETIME", "31DEC1959:23:59:59", -1},
      {"DATETIME", "31DEC1959:23:59:59.5", -0.5},
      {"DATETIME", "31DEC1959:00:00:00.25", -86400 + 0.25},
      {"DATETIME", "01JAN1582:00:00:00", -138061.0 * 86400},
      {"DATETIME", "01JAN1582:00:00:00.5", -138061.0 * 86400 + 0.5},
      {"DATETIME", "31DEC1581:23:59:59", kRefused},
      {"DATETIME", "07DEC2026:24:00", kRefused},
      {"DATETIME", "07DEC2026:14:60", kRefused},
      {"DATETIME", "07DEC2026:14:30 PM", kRefused},
      {"DATETIME", "07DEC2026", kRefused},
  });
}

TEST_F(StandardInformats, Weekdate) {
  check({
      {"WEEKDATE", "Monday, December 7, 2026", kDec7},
      {"WEEKDATE", "mon dec 7 26", kDec7},
      {"WEEKDATE", "December 7, 2026", kDec7},
      {"WEEKDATE", "Monday 7 December 2026", kDec7},
      {"WEEKDATE", "MONDAY, DECEMBER 07, 2026", kDec7},
      {"WEEKDATE", "Thursday, December 31, 1959", -1},
      {"WEEKDATE", "Friday, January 1, 1582", -138061},
      {"WEEKDATE", "Thursday, December 31, 2026", date_of(2026, 12, 31)},
      {"WEEKDATE", "Monday, December 31, 2026", kRefused},
      {"WEEKDATE", "Funday, December 7, 2026", kRefused},
      {"WEEKDATE", "Monday, December 32, 2026", kRefused},
      {"WEEKDATE", "Monday, 2026", kRefused},
  });
}

TEST_F(StandardInformats, TwndyAndDateampm) {
  check({
      {"TWNDY", "14:30:00 Monday, December 7, 2026", datetime_of(2026, 12, 7, 14, 30, 0)},
      {"TWNDY", "2:30 PM Mon, Dec 7, 2026", datetime_of(2026, 12, 7, 14, 30, 0)},
      {"TWNDY", "12:05 am December 7, 2026", datetime_of(2026, 12, 7, 0, 5, 0)},
      {"TWNDY", "14:30 PM Monday, December 7, 2026", kRefused},
      {"TWNDY", "Monday, December 7, 2026", kRefused},
      {"DATEAMPM", "07DEC2026:02:30:00 PM", datetime_of(2026, 12, 7, 14, 30, 0)},
      {"DATEAMPM", "7dec2026 12:15 am", datetime_of(2026, 12, 7, 0, 15, 0)},
      {"DATEAMPM", "07DEC2026:12:15 PM", datetime_of(2026, 12, 7, 12, 15, 0)},
      {"DATEAMPM", "07DEC2026:14:30", datetime_of(2026, 12, 7, 14, 30, 0)},
      {"DATEAMPM", "07DEC2026:12:30 AM", datetime_of(2026, 12, 7, 0, 30, 0)},
      {"DATEAMPM", "07DEC2026:11:59:59 PM", datetime_of(2026, 12, 7, 23, 59, 59)},
      {"DATEAMPM", "31DEC1959:11:59:59.5 PM", -0.5},
      {"DATEAMPM", "01JAN1582:12:00 AM", -138061.0 * 86400},
      {"TWNDY", "11:59:59.5 PM Thursday, December 31, 1959", -0.5},
      {"TWNDY", "12:00 AM Friday, January 1, 1582", -138061.0 * 86400},
      {"DATEAMPM", "07DEC2026:00:30 AM", kRefused},
      {"DATEAMPM", "07DEC2026:13:30 PM", kRefused},
      {"DATEAMPM", "07DEC2026:02:30 PMX", kRefused},
  });
}

TEST_F(StandardInformats, NamesAreCaseInsensitive) {
  double result = 0;
  EXPECT_EQ(run("date", "07DEC2026", 9, &result), 0);
  EXPECT_EQ(run("DateAmPm", "07DEC2026:14:30", 15, &result), 0);
  EXPECT_EQ(run("NLDATE", "07DEC2026", 9, &result), -100);
}

TEST_F(StandardInformats, YearWindowAndTextLength) {
  host_.set_year_window(1900);
  check({{"DATE", "07DEC26", date_of(1926, 12, 7)}, {"DATE", "07DEC99", date_of(1999, 12, 7)}});
  host_.set_year_window(1950);
  check({{"DATE", "07DEC49", date_of(2049, 12, 7)}, {"DATE", "07DEC50", date_of(1950, 12, 7)}});

  // The text length, not the text, bounds the read.
  double result = 0;
  EXPECT_EQ(run("DATE", "07DEC2026:14:30", 9, &result), 0);
  EXPECT_EQ(result, kDec7);
  EXPECT_EQ(run("DATE", "07DEC2026", 6, &result), 1);
  EXPECT_EQ(run("DATE", "07DEC2026", -3, &result), 1);
}

}  // namespace
