// The week computation (get_yywwdd, iso_week_days) through the static
// library, checked against a civil-day reference that shares no code with the
// module or the host, and against ICU's calendar under ISO week rules.
#include <gtest/gtest.h>
#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "civil_reference.h"
#include "day_sweep.h"
#include "host_fixture.h"
#include "tovzklocale.h"

namespace {

using civil_ref::days_from_civil;

class WeekTest : public nldat_test::ModuleTest {};

struct Split {
  double year, week, day;
};

Split split(char rule, double date) {
  const char text[1] = {rule};
  Split s{};
  EXPECT_EQ(get_yywwdd(text, 1, &s.year, &s.week, &s.day, date), 0);
  return s;
}

struct KnownDate {
  int y, m, d;
  Split u, w, v;
};

TEST_F(WeekTest, KnownDates) {
  const KnownDate rows[] = {
      {2010, 1, 1, {2010, 0, 6}, {2010, 0, 5}, {2009, 53, 5}},      // Friday
      {2008, 12, 29, {2008, 52, 2}, {2008, 52, 1}, {2009, 1, 1}},   // Monday
      {2012, 1, 1, {2012, 1, 1}, {2012, 0, 7}, {2011, 52, 7}},      // Sunday
      {2015, 12, 31, {2015, 52, 5}, {2015, 52, 4}, {2015, 53, 4}},  // Thursday
      {2010, 3, 5, {2010, 9, 6}, {2010, 9, 5}, {2010, 9, 5}},       // Friday
  };
  for (const KnownDate &row : rows) {
    SCOPED_TRACE(testing::Message() << row.y << "-" << row.m << "-" << row.d);
    const double date = static_cast<double>(days_from_civil(row.y, row.m, row.d));
    for (const auto &[rule, want] : {std::pair{'U', row.u}, std::pair{'W', row.w}, std::pair{'V', row.v}}) {
      const Split got = split(rule, date);
      EXPECT_EQ(got.year, want.year) << rule;
      EXPECT_EQ(got.week, want.week) << rule;
      EXPECT_EQ(got.day, want.day) << rule;
    }
  }
}

// Every day from 1 January 1582 (so also from 15 October 1582) to
// 31 December 20000, under each rule.
TEST_F(WeekTest, EveryDayAgreesWithTheDefinitions) {
  const char rules[3] = {'U', 'W', 'V'};
  const auto failures = nldat_test::sweep_days(
      days_from_civil(1582, 1, 1), days_from_civil(20000, 12, 31), [&](int64_t z) -> std::string {
        const civil_ref::WeekDate want[3] = {civil_ref::sunday_week(z), civil_ref::monday_week(z),
                                             civil_ref::iso_week(z)};
        for (int r = 0; r < 3; ++r) {
          double year, week, day;
          get_yywwdd(&rules[r], 1, &year, &week, &day, static_cast<double>(z));
          if (year != static_cast<double>(want[r].year) || week != static_cast<double>(want[r].week) ||
              day != static_cast<double>(want[r].day)) {
            return std::string(1, rules[r]) + " day " + std::to_string(z) + ": got " + std::to_string(year) +
                   "/" + std::to_string(week) + "/" + std::to_string(day);
          }
        }
        return {};
      });
  for (const std::string &f : failures) ADD_FAILURE() << f;
}

// ICU's proleptic Gregorian calendar with Monday weeks and four days in the
// first week gives the ISO week-based year and week.
TEST_F(WeekTest, RuleVAgreesWithIcuIsoWeeks) {
  UErrorCode status = U_ZERO_ERROR;
  icu::GregorianCalendar calendar(*icu::TimeZone::getGMT(), status);
  ASSERT_TRUE(U_SUCCESS(status));
  calendar.setGregorianChange(-std::numeric_limits<double>::infinity(), status);
  calendar.setFirstDayOfWeek(UCAL_MONDAY);
  calendar.setMinimalDaysInFirstWeek(4);
  const int64_t first = days_from_civil(1582, 1, 1), last = days_from_civil(20000, 12, 31);
  for (int64_t z = first; z <= last; z += 97) {
    calendar.setTime(static_cast<UDate>(z - days_from_civil(1970, 1, 1)) * 86400000.0, status);
    const int32_t year = calendar.get(UCAL_YEAR_WOY, status), week = calendar.get(UCAL_WEEK_OF_YEAR, status);
    ASSERT_TRUE(U_SUCCESS(status));
    const Split got = split('V', static_cast<double>(z));
    ASSERT_EQ(got.year, year) << "day " << z;
    ASSERT_EQ(got.week, week) << "day " << z;
  }
}

// iso_week_days: the distance from the Monday of week 1, for every weekday of
// 1 January and every day within a year before and after.
TEST_F(WeekTest, IsoWeekDaysCountsFromTheMondayOfWeekOne) {
  for (int32_t jan1 = 0; jan1 < 7; ++jan1) {      // weekday of day 0, 0 = Sunday
    const int32_t since_monday = (jan1 + 6) % 7;  // of 1 January
    const int32_t week1_monday = since_monday <= 3 ? -since_monday : 7 - since_monday;
    for (int32_t y = -366; y <= 400; ++y) {
      const int32_t k = ((jan1 + y) % 7 + 7) % 7;  // weekday of day y
      ASSERT_EQ(iso_week_days(y, k), y - week1_monday) << "jan1 " << jan1 << " y " << y;
    }
  }
}

TEST_F(WeekTest, OtherRuleLettersLeaveTheWeekUnset) {
  const double date = static_cast<double>(days_from_civil(2010, 3, 5));
  for (char rule : {'u', 'v', 'w', 'X', '\0'}) {
    const Split got = split(rule, date);
    EXPECT_EQ(got.year, 2010) << static_cast<int>(rule);
    EXPECT_EQ(got.week, -1) << static_cast<int>(rule);
  }
}

}  // namespace
