// The pattern expander (expand, i2s, through the static library) and the
// truncating copy zkmove (through the loaded module).
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "date_values.h"
#include "host_fixture.h"
#include "tovzklocale.h"

namespace {

double day(int y, int m, int d) { return nldat_test::date_of(y, m, d); }

constexpr int kGuard = 16;
constexpr unsigned char kCanary = 0xA5;

// A field with guard bytes on both sides, preset to a canary.
struct Field {
  explicit Field(int width) : bytes(static_cast<size_t>(width + 2 * kGuard), static_cast<char>(kCanary)) {}
  char *data() { return bytes.data() + kGuard; }
  std::string text() const { return std::string(bytes.data() + kGuard, bytes.size() - 2 * kGuard); }
  bool guards_intact() const {
    for (int k = 0; k < kGuard; ++k)
      if (static_cast<unsigned char>(bytes[static_cast<size_t>(k)]) != kCanary ||
          static_cast<unsigned char>(bytes[bytes.size() - 1 - static_cast<size_t>(k)]) != kCanary)
        return false;
    return true;
  }
  bool untouched() const {
    for (char c : bytes)
      if (static_cast<unsigned char>(c) != kCanary) return false;
    return true;
  }
  std::vector<char> bytes;
};

struct Result {
  int32_t rc;
  int32_t width;
  std::string text;  // the whole field
};

std::string repeat(std::string_view piece, int times) {
  std::string s;
  for (int k = 0; k < times; ++k) s += piece;
  return s;
}

class ExpandTest : public nldat_test::ModuleTest {
 protected:
  double none() const { return nlhost::standard_missing(); }

  Result run(std::string_view pattern, int32_t width, double date, double hours, double minutes,
             double seconds) {
    Field field(width < 0 ? -width : width);
    int32_t w = width;
    const int32_t rc = expand(host().locale(), pattern.data(), static_cast<int32_t>(pattern.size()),
                              field.data(), &w, date, hours, minutes, seconds);
    EXPECT_TRUE(field.guards_intact()) << pattern;
    return {rc, w, field.text()};
  }
  // The expansion alone, in a field just wide enough (measured first).
  std::string write(std::string_view pattern, double date, double hours = NAN, double minutes = NAN,
                    double seconds = NAN) {
    if (std::isnan(hours)) hours = none();
    if (std::isnan(minutes)) minutes = none();
    if (std::isnan(seconds)) seconds = none();
    int32_t w = 0;
    const int32_t length = expand(host().locale(), pattern.data(), static_cast<int32_t>(pattern.size()),
                                  nullptr, &w, date, hours, minutes, seconds);
    if (length < 0) return "rc " + std::to_string(length);
    const Result r = run(pattern, length, date, hours, minutes, seconds);
    EXPECT_EQ(r.rc, 0) << pattern;
    EXPECT_EQ(r.width, length) << pattern;
    return r.text;
  }
};

struct DateRow {
  const char *pattern;
  int y, m, d;
  const char *expected;
};

TEST_F(ExpandTest, DateDirectives) {
  static const DateRow kRows[] = {
      {"%d.%m.%Y", 2010, 3, 5, "05.03.2010"},
      {"%#d.%#m.%y", 2010, 3, 5, "5.3.10"},
      {"%e|%o", 2010, 3, 5, " 5|_3"},
      {"%E|%O|%0e", 2010, 12, 15, "15|12|15"},
      {"%J|%#J|%j", 2010, 3, 5, "064|64|064"},
      {"%J", 2012, 12, 31, "366"},
      {"%N %?M %m %n", 2010, 3, 5, "03 03 03 03"},
      {"%A %a %B %b", 2010, 3, 5, "Friday Fri March Mar"},
      {"%?A %?B", 2010, 3, 5, "Fri Mar"},
      {"%C|%c|", 2010, 5, 5, "May      |May      |"},
      {"%F|%f|", 2010, 3, 7, "Sunday   |Sunday   |"},
      {"%Q %q", 2010, 3, 5, "1st quarter Q1"},
      {"%Q %q", 2010, 12, 31, "4th quarter Q4"},
      {"%u%w", 2012, 1, 1, "70"},  // Sunday
      {"%u%w", 2012, 1, 2, "11"},  // Monday
      {"%U %W %V %G %g", 2010, 3, 5, "09 09 09 2010 10"},
      {"%U %W %V %G %g", 2010, 1, 1, "00 00 53 2009 09"},
      {"%U %W %V %G", 2008, 12, 29, "52 52 01 2009"},
      {"%U %W %V %G", 2012, 1, 1, "01 00 52 2011"},
      {"%U %W %V", 2015, 12, 31, "52 52 53"},
      {"%#U %#V %#y", 2010, 3, 5, "9 9 10"},
      {"%Y %G %y", 1582, 1, 1, "1582 1581 82"},
      {"%Y|%G", 10000, 1, 5, "10000|10000"},
      {"%Y|%G|%y|%g", 20000, 12, 26, "20000|20000|00|00"},
      {"%Y|%G", 9999, 12, 31, "9999|9999"},
      {"%%|%0%|%#%|%?%", 2010, 3, 5, "%|%|%|%"},
      {"a?b%?b", 2010, 3, 5, "a?bMar"},
      {"<%v%Z%z>", 2010, 3, 5, "<>"},
      {"%H|%M|%S|%P", 2010, 3, 5, "**|**|**|**"},  // no time of day given
      {"%I", 2010, 3, 5, "12"},
  };
  for (const DateRow &row : kRows) {
    SCOPED_TRACE(row.pattern);
    std::string expected = row.expected;
    for (char &c : expected)
      if (c == '_') c = ' ';
    EXPECT_EQ(write(row.pattern, day(row.y, row.m, row.d)), expected);
  }
}

TEST_F(ExpandTest, TimeDirectives) {
  struct Row {
    const char *pattern;
    double hours, minutes, seconds;
    const char *expected;
  };
  const double m = none();
  const Row rows[] = {
      {"%I", 0, 0, 0, "12"},
      {"%I", 12, 0, 0, "12"},
      {"%I", 13, 0, 0, "01"},
      {"%I", 24, 0, 0, "12"},
      {"%I", m, m, m, "12"},
      {"%#I", 9, 0, 0, "9"},
      {"%H", 7, 0, 0, "07"},
      {"%#H|%0H", 7, 0, 0, "7|07"},
      {"%H", 99, 0, 0, "99"},
      {"%H", 123, 0, 0, "123"},
      {"%H:%I:%P", 100, 0, 0, "100:04:AM"},
      {"%H:%M:%S", 13, 5, 9.75, "13:05:09"},
      {"%P %p %?P", 11, 0, 0, "AM AM AM"},
      {"%P", 12, 0, 0, "PM"},
      {"%P", 25, 0, 0, "AM"},
      {"%d|%Y|%J|%U|%u|%A|%B|%C|%Q", 1, 2, 3, "**|****|***|**|*|**|**|**|**"},  // no date
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.pattern);
    EXPECT_EQ(write(row.pattern, none(), row.hours, row.minutes, row.seconds), row.expected);
  }
}

TEST_F(ExpandTest, HoursAboveNinetyNineComeFromTheHost) {
  watch().record_calls(true);
  EXPECT_EQ(write("%H", none(), 123, 0, 0), "123");
  int formatted = 0;
  for (const nlhost::ServiceCall &call : watch().calls())
    if (call.service == "xpslstr") {
      ++formatted;
      EXPECT_EQ(call.text, "%i");
      EXPECT_EQ(call.number, 2);
    }
  EXPECT_GE(formatted, 1);
}

TEST_F(ExpandTest, DesignatorsComeFromTheLocale) {
  host().locale()->set_text(UWN_ITEM_AM, "vorm.");
  host().locale()->set_text(UWN_ITEM_PM, "nachm.");
  EXPECT_EQ(write("%P", none(), 11, 0, 0), "vorm.");
  EXPECT_EQ(write("%P", none(), 12, 0, 0), "nachm.");
  host().locale()->remove(UWN_ITEM_AM);
  host().locale()->remove(UWN_ITEM_PM);
  EXPECT_EQ(write("%P", none(), 11, 0, 0), "AM");
  EXPECT_EQ(write("%P", none(), 12, 0, 0), "PM");
}

TEST_F(ExpandTest, MissingNameItemsWriteStars) {
  const double d = day(2010, 3, 5);
  for (int item : {UWN_ITEM_MONTH, UWN_ITEM_MONTH_ABBR, UWN_ITEM_WEEKDAY, UWN_ITEM_WEEKDAY_ABBR,
                   UWN_ITEM_QUARTER, UWN_ITEM_QUARTER_ABBR})
    host().locale()->remove(item);
  EXPECT_EQ(write("%A|%a|%B|%b|%C|%F|%Q|%q|%d", d), "**|**|**|**|**|**|**|**|05");
}

TEST_F(ExpandTest, FixedWidthNamesTakeTheLongestName) {
  static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Decembers"};
  host().locale()->set_names(UWN_ITEM_MONTH, kMonths);
  for (int month = 1; month <= 12; ++month) {
    const std::string text = write("%C|", day(2010, month, 1));
    EXPECT_EQ(text.size(), 10u);
    EXPECT_EQ(text.substr(0, 3), std::string(kMonths[month - 1].substr(0, 3)));
  }
  EXPECT_EQ(write("%C|", day(2010, 1, 1)), "Jan      |");
}

TEST_F(ExpandTest, Placement) {
  const double d = day(2010, 3, 5), m = none();
  struct Row {
    const char *pattern;
    int32_t width;
    int32_t rc;
    int32_t width_out;
    const char *field;
  };
  static const Row kRows[] = {
      {"", 6, 0, 0, "      "},
      {"      ", 6, 0, 0, "      "},
      {"%d.%m", 10, 0, 5, "05.03     "},
      {"%d.%m", -10, 0, 5, "     05.03"},
      {"%d.%m", 5, 0, 5, "05.03"},
      {"%d.%m", -5, 0, 5, "05.03"},
      {"%d.%m.%Y  ", 10, 0, 10, "05.03.2010"},  // trailing pattern blanks are not written
      {"%d.%m.%Y %a", 10, 1, 10, "05.03.2010"},
      {"%d.%m.%Y %a", -10, 1, -10, "05.03.2010"},
      {"%d.%m.%Y %a", 0, 1, 0, ""},
  };
  for (const Row &row : kRows) {
    SCOPED_TRACE(row.pattern + std::string(" width ") + std::to_string(row.width));
    const Result r = run(row.pattern, row.width, d, m, m, m);
    EXPECT_EQ(r.rc, row.rc);
    EXPECT_EQ(r.width, row.width_out);
    EXPECT_EQ(r.text, row.field);
  }
}

TEST_F(ExpandTest, NullDestinationMeasures) {
  int32_t w = 3;
  const std::string pattern = "%A, %d %B %Y";
  EXPECT_EQ(expand(host().locale(), pattern.data(), static_cast<int32_t>(pattern.size()), nullptr, &w,
                   day(2010, 3, 5), none(), none(), none()),
            21);
  EXPECT_EQ(w, 3);
}

TEST_F(ExpandTest, MultibyteNamesAreCutAtACharacterBoundary) {
  static constexpr std::string_view kMonths[] = {"janv.", "févr.", "mars",  "avr.", "mai",  "juin",
                                                 "juil.", "août",  "sept.", "oct.", "nov.", "déc."};
  host().locale()->set_names(UWN_ITEM_MONTH_ABBR, kMonths);
  // "févr." is f, two bytes of é, v, r, '.'.
  struct Row {
    int32_t width;
    int32_t rc;
    const char *field;
  };
  static const Row kRows[] = {
      {1, 1, "f"}, {2, 1, "f "}, {3, 1, "fé"}, {4, 1, "fév"}, {6, 0, "févr."}, {-7, 0, " févr."},
  };
  for (const Row &row : kRows) {
    SCOPED_TRACE(row.width);
    const Result r = run("%b", row.width, day(2010, 2, 1), none(), none(), none());
    EXPECT_EQ(r.rc, row.rc);
    EXPECT_EQ(r.text, row.field);
  }
}

TEST_F(ExpandTest, MultibytePatternCharactersNeverStartADirective) {
  // 0x81 leads a two-byte character whose second byte may be anything, '%' included.
  host().set_multibyte_lead(0x81, 2);
  EXPECT_EQ(write("\x81%d", day(2010, 3, 5)), "\x81%d");
  EXPECT_EQ(write("\x81%%d", day(2010, 3, 5)), "\x81%05");
  EXPECT_EQ(write("é%d", day(2010, 3, 5)), "é05");
}

TEST_F(ExpandTest, BadDirectivesWriteNothing) {
  const double d = day(2010, 3, 5), m = none();
  const std::string defined = "%ABCDEFGHIJMNOPQSUVWYZabcdefghijmnopqsuvwyz";
  std::vector<std::string> patterns = {"%", "%0", "%#", "%?", "%0?", "%?0d", "%0#d", "% d", "%d %"};
  // Every byte that is no letter of the language, after each flag combination
  // (skipping the bytes that are themselves the next flag).
  for (int c = 0; c < 256; ++c) {
    if (defined.find(static_cast<char>(c)) != std::string::npos) continue;
    const bool flag = c == '0' || c == '#' || c == '?';
    for (std::string_view prefix : {"%", "x%0", "%#", "%?", "%0?"}) {
      if ((prefix == "%" && flag) || ((prefix == "x%0" || prefix == "%#") && c == '?')) continue;
      patterns.push_back(std::string(prefix) + static_cast<char>(c) + "%d");
    }
  }
  // Bad directives far beyond the work area are still found.
  patterns.push_back(std::string(600, 'x') + "%K");
  for (const std::string &pattern : patterns) {
    SCOPED_TRACE(::testing::PrintToString(pattern));
    for (int32_t width : {20, -20}) {
      Field field(20);
      int32_t w = width;
      EXPECT_EQ(expand(host().locale(), pattern.data(), static_cast<int32_t>(pattern.size()), field.data(),
                       &w, d, 12, 0, 0),
                UWN_BAD_DIRECTIVE);
      EXPECT_TRUE(field.untouched());
      EXPECT_EQ(w, width);
    }
    int32_t w = 5;
    EXPECT_EQ(expand(host().locale(), pattern.data(), static_cast<int32_t>(pattern.size()), nullptr, &w, d, m,
                     m, m),
              UWN_BAD_DIRECTIVE);
  }
}

TEST_F(ExpandTest, TheWorkAreaIsNeverPassed) {
  const double d = day(2010, 3, 5), m = none();
  struct Row {
    std::string pattern;
    double hours;
    int32_t length;  // what measuring gives
    int32_t kept;    // bytes of the expansion the work area keeps
  };
  const Row rows[] = {
      {std::string(600, 'x'), m, 600, 512},
      {std::string(512, 'x'), m, 512, 512},
      {std::string(60, 'x') + repeat("%C|", 100), m, 60 + 100 * 10, 60 + 45 * 10},  // names of 9
      {std::string(511, 'x') + "é", m, 513, 511},       // the character is not split
      {std::string(509, 'x') + "%H", 12345, 514, 509},  // nor is the host's number
      {std::string(500, 'x') + "%H", 12345, 505, 505},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.pattern.size());
    int32_t w = 0;
    EXPECT_EQ(expand(host().locale(), row.pattern.data(), static_cast<int32_t>(row.pattern.size()), nullptr,
                     &w, d, row.hours, m, m),
              row.length);
    const int32_t width = 1200;
    const Result r = run(row.pattern, width, d, row.hours, m, m);
    if (row.length > 512) {
      EXPECT_EQ(r.rc, UWN_TRUNCATED);
      EXPECT_EQ(r.width, width);
    } else {
      EXPECT_EQ(r.rc, UWN_OK);
      EXPECT_EQ(r.width, row.length);
    }
    EXPECT_EQ(r.text.find_last_not_of(' ') + 1, static_cast<size_t>(row.kept));
  }
}

TEST(I2sTest, WritesFixedWidthNumbers) {
  struct Row {
    int32_t value, width;
    char pad;
    const char *expected;
  };
  static const Row kRows[] = {
      {5, 2, '0', "05"},   {5, 2, ' ', " 5"},    {0, 2, ' ', " 0"},      {7, 3, ' ', "  7"},
      {50, 3, ' ', " 50"}, {105, 3, ' ', "105"}, {123, 2, '0', "23"},    {7, 2, '*', "*7"},
      {0, 0, 0, "0"},      {9, 5, 0, "9"},       {12345, 0, 0, "12345"}, {2147483647, 0, 0, "2147483647"},
      {0, 3, '0', "000"},  {1, 1, ' ', "1"},
  };
  for (const Row &row : kRows) {
    char buffer[16 + 2 * kGuard];
    std::memset(buffer, kCanary, sizeof buffer);
    const int32_t n = i2s(row.value, buffer + kGuard, row.width, row.pad);
    EXPECT_EQ(std::string(buffer + kGuard, static_cast<size_t>(n)), row.expected) << row.value;
    for (size_t k = static_cast<size_t>(kGuard + n); k < sizeof buffer; ++k)
      EXPECT_EQ(static_cast<unsigned char>(buffer[k]), kCanary);
    for (int k = 0; k < kGuard; ++k) EXPECT_EQ(static_cast<unsigned char>(buffer[k]), kCanary);
  }
}

// The field a width stands for: negative is right-aligned; INT32_MIN (no
// absolute value) and a null width are no field.
TEST(FieldOfTest, WidthGivesSizeAndSide) {
  struct Row {
    int32_t width;
    bool ok;
    int32_t size;
    bool right;
  };
  constexpr Row kRows[] = {
      {10, true, 10, false},
      {-10, true, 10, true},
      {0, true, 0, false},
      {1, true, 1, false},
      {-1, true, 1, true},
      {INT32_MAX, true, INT32_MAX, false},
      {-INT32_MAX, true, INT32_MAX, true},
      {INT32_MIN, false, 0, false},
  };
  for (const Row &row : kRows) {
    uwn::Field field{-7, true};
    ASSERT_EQ(uwn::field_of(&row.width, &field), row.ok) << row.width;
    if (!row.ok) {
      EXPECT_EQ(field.size, -7);  // untouched
      continue;
    }
    EXPECT_EQ(field.size, row.size) << row.width;
    EXPECT_EQ(field.right, row.right) << row.width;
  }
  uwn::Field field{};
  EXPECT_FALSE(uwn::field_of(nullptr, &field));
}

class ZkmoveTest : public nldat_test::ModuleTest {};

TEST_F(ZkmoveTest, CopiesWholeCharactersThenBlanks) {
  auto zkmove_fn = fn<decltype(&zkmove)>("zkmove");
  struct Row {
    const char *source;
    int32_t width;
    const char *field;
  };
  static const Row kRows[] = {
      {"abcdef", 4, "abcd"}, {"abcdef", 8, "abcdef  "}, {"", 3, "   "},  {"aé", 2, "a "},
      {"aé", 3, "aé"},       {"€€", 5, "€  "},          {"€€", 6, "€€"}, {"abc", 3, "abc"},
  };
  for (const Row &row : kRows) {
    SCOPED_TRACE(row.source);
    Field field(row.width);
    zkmove_fn(row.source, static_cast<int32_t>(std::strlen(row.source)), field.data(), row.width);
    EXPECT_EQ(field.text(), row.field);
    EXPECT_TRUE(field.guards_intact());
  }
  Field empty(0);
  zkmove_fn("abc", 3, empty.data(), 0);
  zkmove_fn("abc", 3, empty.data(), -4);
  EXPECT_TRUE(empty.untouched());
}

}  // namespace
