// A locale for the tests of the pattern reader, built item by item: English
// names, AM and PM, the time patterns "%H:%M:%S" (35) and "%I:%M %p" (36), and
// the date and datetime patterns the informats use.
#ifndef NLDAT_TESTS_PARSE_LOCALE_H
#define NLDAT_TESTS_PARSE_LOCALE_H

#include <memory>
#include <string_view>

#include "nlhost/host.h"

namespace nldat_test {

constexpr std::string_view kMonths[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
constexpr std::string_view kMonthAbbr[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::string_view kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
constexpr std::string_view kWeekdayAbbr[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

inline std::shared_ptr<nlhost::Locale> parser_locale() {
  auto locale = std::make_shared<nlhost::Locale>("parser");
  locale->set_names(UWN_ITEM_MONTH_ABBR, kMonthAbbr);
  locale->set_names(UWN_ITEM_MONTH, kMonths);
  locale->set_names(UWN_ITEM_WEEKDAY_ABBR, kWeekdayAbbr);
  locale->set_names(UWN_ITEM_WEEKDAY, kWeekdays);
  locale->set_text(UWN_ITEM_AM, "AM");
  locale->set_text(UWN_ITEM_PM, "PM");
  locale->set_text(UWN_ITEM_TIME_1, "%H:%M:%S");
  locale->set_text(UWN_ITEM_TIME_2, "%I:%M %p");
  locale->set_text(UWN_ITEM_DATE_1, "%d.%m.%Y");
  locale->set_text(UWN_ITEM_DATE_2, "%d.%m.%y");
  locale->set_text(UWN_ITEM_DATETIME_AP, "%d.%m.%Y %I:%M %p");
  locale->set_text(UWN_ITEM_DATETIME_1, "%d.%m.%Y %H:%M:%S");
  locale->set_text(UWN_ITEM_DATETIME_2, "%d.%m.%Y %H:%M");
  locale->set_text(UWN_ITEM_DATETIME_W1, "%A, %d %B %Y %H:%M:%S");
  locale->set_text(UWN_ITEM_DATETIME_W2, "%a %d %b %Y %H:%M");
  locale->set_text(UWN_ITEM_DATE_W1, "%A, %d %B %Y");
  locale->set_text(UWN_ITEM_DATE_W2, "%a %d %b %Y");
  return locale;
}

}  // namespace nldat_test

#endif
