// The reference host's calendar services, called through its vector table
// as the module's stubs reach them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "nlhost/civil.h"
#include "nlhost/host.h"
#include "nlhost/testing.h"

namespace {

using Zmdy = double (*)(double, double, double);
using DateFn = double (*)(double);
using Zymdjul = void (*)(double *, double *, double *, double);

bool is_missing(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return (bits >> 48) == 0xFFFF;
}

class HostCalendar : public ::testing::Test {
 protected:
  template <class F>
  F service(int slot) {
    return reinterpret_cast<F>(nlhost::ServiceWatch(host_).service(UWN_VECTOR_CALENDAR, slot));
  }
  nlhost::Host host_;
  Zmdy zmdy = service<Zmdy>(11);
  DateFn zjuldat = service<DateFn>(9);
  Zymdjul zymdjul = service<Zymdjul>(21);
  DateFn zwekday = service<DateFn>(18);
  DateFn zdatprt = service<DateFn>(3);
  DateFn zhour = service<DateFn>(8);
  DateFn zminute = service<DateFn>(12);
  DateFn zsecond = service<DateFn>(15);
};

// Walks every day from 1 January 1582 to 31 December 20000 with a calendar
// of its own (month lengths and a successor step), and checks each service
// against it: the day number counts up by one from -138061, the weekday
// cycles from Friday.
TEST_F(HostCalendar, EveryDayRoundTrips) {
  auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
  auto month_length = [&](int y, int m) {
    static const int kLength[] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : kLength[m];
  };
  int y = 1582, m = 1, d = 1, day_of_year = 1, weekday = 6;  // a Friday
  int64_t n = -138061;
  int failures = 0;
  for (;; ++n) {
    const double dn = static_cast<double>(n);
    double ry = 0, rm = 0, rd = 0;
    zymdjul(&ry, &rm, &rd, y * 1000.0 + day_of_year);
    const nlhost::civil::Ymd split = nlhost::civil::civil_from_days(n);
    if (zmdy(m, d, y) != dn || zjuldat(dn) != y * 1000.0 + day_of_year || ry != y || rm != m || rd != d ||
        zwekday(dn) != weekday || split.year != y || split.month != m || split.day != d) {
      ADD_FAILURE() << y << "-" << m << "-" << d << " (day " << n << "): zmdy " << zmdy(m, d, y)
                    << ", zjuldat " << zjuldat(dn) << ", zymdjul " << ry << "-" << rm << "-" << rd
                    << ", zwekday " << zwekday(dn);
      if (++failures == 10) return;
    }
    if (y == 20000 && m == 12 && d == 31) break;
    weekday = weekday % 7 + 1;
    ++day_of_year;
    if (++d > month_length(y, m)) {
      d = 1;
      if (++m > 12) {
        m = 1;
        ++y;
        day_of_year = 1;
      }
    }
  }
  EXPECT_EQ(n, 6589340);
}

// Where the day walk above does not reach (years before 1582 back to the
// fast range's first day, the range's last days, and just outside it), every
// day number splits into a real date that counts back to the same number.
TEST(CivilDays, SplitsEveryDayIntoADateThatCountsBack) {
  using namespace nlhost::civil;
  const int64_t ranges[][2] = {{kFastFirst - 1000, -138061}, {kFastLast - 1000000, kFastLast + 1000}};
  int failures = 0;
  for (const auto &range : ranges) {
    for (int64_t n = range[0]; n <= range[1] && failures < 10; ++n) {
      const Ymd d = civil_from_days(n);
      // The day of the year names the same date.
      const YearDay yd = year_day_from_days(n);
      const Ymd again = from_day_of_year(yd.year, yd.day_of_year);
      if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > days_in_month(d.year, d.month) ||
          days_from_civil(d.year, d.month, d.day) != n || again.year != d.year || again.month != d.month ||
          again.day != d.day) {
        ADD_FAILURE() << "day " << n << ": " << d.year << "-" << d.month << "-" << d.day;
        ++failures;
      }
    }
  }
}

TEST_F(HostCalendar, TwoDigitYearsFollowTheWindow) {
  struct Row {
    int window;
    int two_digits;
    int year;
  };
  const Row rows[] = {
      {1940, 40, 1940}, {1940, 39, 2039}, {1940, 0, 2000},  {1940, 99, 1999}, {1900, 0, 1900},
      {1900, 99, 1999}, {1950, 49, 2049}, {1950, 50, 1950}, {2000, 0, 2000},  {1999, 98, 2098},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(::testing::Message() << "window " << r.window << ", year " << r.two_digits);
    host_.set_year_window(r.window);
    EXPECT_EQ(zmdy(3, 1, r.two_digits), zmdy(3, 1, r.year));
  }
  host_.set_year_window(1940);
  EXPECT_EQ(zmdy(1, 1, 60), 0);
  EXPECT_EQ(zmdy(1, 1, 100), -679350);  // three digits are taken as they are
  EXPECT_EQ(zmdy(12, 7, 26), 24447);
}

TEST_F(HostCalendar, ImpossibleOrUnreadableArgumentsAnswerMissing) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double missing = nlhost::standard_missing();
  struct Row {
    double month, day, year;
  };
  const Row bad_dates[] = {
      {2, 29, 1900},  {2, 30, 2000},  {4, 31, 2026}, {0, 1, 2026},       {13, 1, 2026},  {1, 0, 2026},
      {1, 32, 2026},  {1, 1, -1},     {1, 1, 1e6},   {1.5, 1, 2026},     {1, 1.5, 2026}, {1, 1, 2026.5},
      {nan, 1, 2026}, {1, nan, 2026}, {1, 1, nan},   {missing, 1, 2026}, {1, 1, inf},    {-inf, 1, 2026},
  };
  for (const Row &r : bad_dates) {
    SCOPED_TRACE(::testing::Message() << r.month << "/" << r.day << "/" << r.year);
    EXPECT_TRUE(is_missing(zmdy(r.month, r.day, r.year)));
  }
  EXPECT_FALSE(is_missing(zmdy(2, 29, 2000)));

  for (double x : {nan, missing, inf, -inf, 1e300, -1e300}) {
    SCOPED_TRACE(x);
    EXPECT_TRUE(is_missing(zjuldat(x)));
    EXPECT_TRUE(is_missing(zwekday(x)));
    EXPECT_TRUE(is_missing(zdatprt(x)));
    EXPECT_TRUE(is_missing(zhour(x)));
    EXPECT_TRUE(is_missing(zminute(x)));
    EXPECT_TRUE(is_missing(zsecond(x)));
  }
  for (double julian : {2026000.0, 2026366.0, 2024367.0, 999.0, -1.0, nan, missing, inf}) {
    SCOPED_TRACE(julian);
    double y = 1, m = 1, d = 1;
    zymdjul(&y, &m, &d, julian);
    EXPECT_TRUE(is_missing(y) && is_missing(m) && is_missing(d));
  }
  double y = 0, m = 0, d = 0;
  zymdjul(&y, &m, &d, 2024366);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20241231);
}

TEST_F(HostCalendar, FractionalDatesCountTheirDay) {
  EXPECT_EQ(zjuldat(0.75), 1960001);
  EXPECT_EQ(zjuldat(-0.25), 1959365);
  EXPECT_EQ(zwekday(-0.5), 5);  // 31 December 1959, a Thursday
}

TEST_F(HostCalendar, DatetimeParts) {
  struct Row {
    double value;
    double date, hour, minute, second;
  };
  const Row rows[] = {
      {0, 0, 0, 0, 0},
      {86399.5, 0, 23, 59, 59.5},
      {86400, 1, 0, 0, 0},
      {-1, -1, 23, 59, 59},
      {-86400, -1, 0, 0, 0},
      // Below second 0 with a fraction: the part counts up from the second before.
      {-0.25, -1, 23, 59, 59.75},
      {-1e-13, -1, 23, 59, 60 - 1e-13},
      {-86400.5, -2, 23, 59, 59.5},
      {-3599.5, -1, 23, 0, 0.5},
      {-138061.0 * 86400 + 0.5, -138061, 0, 0, 0.5},
      {-138061.0 * 86400, -138061, 0, 0, 0},
      {24448.0 * 86400 + 13 * 3600 + 5 * 60 + 9.25, 24448, 13, 5, 9.25},
      {6589335.0 * 86400 + 86399, 6589335, 23, 59, 59},
      {45296, 0, 12, 34, 56},  // a time value
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.value);
    EXPECT_EQ(zdatprt(r.value), r.date);
    EXPECT_EQ(zhour(r.value), r.hour);
    EXPECT_EQ(zminute(r.value), r.minute);
    EXPECT_EQ(zsecond(r.value), r.second);
  }
}

TEST_F(HostCalendar, FrozenClock) {
  auto wzdttme = reinterpret_cast<double (*)()>(nlhost::ServiceWatch(host_).service(UWN_VECTOR_TOOLKIT, 291));
  host_.set_clock(24448.0 * 86400 + 3600);
  EXPECT_EQ(wzdttme(), 24448.0 * 86400 + 3600);
  host_.clear_clock();
  const double now = wzdttme();
  EXPECT_GT(now, zmdy(1, 1, 2020) * 86400);
  EXPECT_LT(now, zmdy(1, 1, 2200) * 86400);
}

}  // namespace
