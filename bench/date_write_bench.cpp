// Writing dates "%d.%m.%Y" and "%A, %d %B %Y" (de_DE): zkfdate through the
// reference host against gmtime_r + strftime, ICU SimpleDateFormat::format
// and a fixed-pattern limit.
#include <unicode/smpdtfmt.h>

#include <cstring>
#include <ctime>

#include "support.h"

namespace nldat_bench {
namespace {

enum Form { kNumeric = 0, kLong = 1 };

constexpr const char *kPatterns[] = {"%d.%m.%Y", "%A, %d %B %Y"};
constexpr const char16_t *kIcuPatterns[] = {u"dd.MM.yyyy", u"EEEE, dd MMMM yyyy"};

// The limit: civil date, two-digit writes, names copied from tables.
size_t limit_write(int64_t day, Form form, char *out) {
  const Ymd d = civil_from_days(day);
  if (form == kNumeric) {
    put2(out, d.day);
    out[2] = '.';
    put2(out + 3, d.month);
    out[5] = '.';
    put4(out + 6, d.year);
    return 10;
  }
  const std::string_view weekday = kDeWeekdays[iso_weekday0(day)];
  const std::string_view month = kDeMonths[d.month - 1];
  char *p = out;
  std::memcpy(p, weekday.data(), weekday.size());
  p += weekday.size();
  *p++ = ',';
  *p++ = ' ';
  put2(p, d.day);
  p[2] = ' ';
  p += 3;
  std::memcpy(p, month.data(), month.size());
  p += month.size();
  *p++ = ' ';
  put4(p, d.year);
  return static_cast<size_t>(p + 4 - out);
}

const std::vector<std::string> &expected(Form form) {
  static const std::vector<std::string> v[2] = {[] {
                                                  std::vector<std::string> out;
                                                  char b[64];
                                                  for (int64_t d : days())
                                                    out.emplace_back(b, limit_write(d, kNumeric, b));
                                                  return out;
                                                }(),
                                                [] {
                                                  std::vector<std::string> out;
                                                  char b[64];
                                                  for (int64_t d : days())
                                                    out.emplace_back(b, limit_write(d, kLong, b));
                                                  return out;
                                                }()};
  return v[form];
}

// Checks every input once, then times; write returns the length written or
// a negative number on failure.
template <class Write>
void run(benchmark::State &state, Form form, Write write, const std::string &label) {
  time_writes(state, days(), expected(form), write, label);
}

void BM_Zkfdate_Write(benchmark::State &state) {
  Env &e = env();
  e.use(e.de);
  const Form form = static_cast<Form>(state.range(0));
  const char *pattern = kPatterns[form];
  const auto length = static_cast<int32_t>(std::strlen(pattern));
  const int32_t field = form == kNumeric ? 10 : 40;
  run(
      state, form,
      [&](int64_t day, char *out) -> long {
        int32_t width = field;
        if (e.zkfdate(out, &width, pattern, length, static_cast<double>(day)) != 0) return -1;
        return width;
      },
      std::string("zkfdate de_DE ") + pattern);
}

void BM_Strftime_Write(benchmark::State &state) {
  const Form form = static_cast<Form>(state.range(0));
  locale_t locale = form == kNumeric ? glibc_locale("C") : glibc_locale("de_DE.UTF-8");
  if (locale == nullptr) {
    state.SkipWithError("no glibc de_DE.UTF-8 locale (localedef)");
    return;
  }
  const char *pattern = kPatterns[form];
  run(
      state, form,
      [&](int64_t day, char *out) -> long {
        const time_t t = static_cast<time_t>(day - 3653) * 86400;
        std::tm tm;
        gmtime_r(&t, &tm);
        return static_cast<long>(strftime_l(out, 64, pattern, &tm, locale));
      },
      std::string("gmtime_r + strftime_l ") + (form == kNumeric ? "C " : "de_DE ") + pattern);
}

void BM_Icu_Write(benchmark::State &state) {
  const Form form = static_cast<Form>(state.range(0));
  const icu::Locale locale("de_DE");
  UErrorCode status = U_ZERO_ERROR;
  icu::SimpleDateFormat format(kIcuPatterns[form], locale, status);
  if (U_FAILURE(status)) {
    state.SkipWithError(u_errorName(status));
    return;
  }
  format.adoptCalendar(proleptic_calendar(locale).release());
  icu::UnicodeString text;
  std::string utf8;
  run(
      state, form,
      [&](int64_t day, char *out) -> long {
        text.remove();
        format.format(days_to_udate(day), text);
        // A user writes bytes: the UTF-8 conversion is part of the job.
        utf8.clear();
        text.toUTF8String(utf8);
        std::memcpy(out, utf8.data(), utf8.size());
        return static_cast<long>(utf8.size());
      },
      std::string("ICU SimpleDateFormat::format de_DE + UTF-8"));
}

void BM_Limit_Write(benchmark::State &state) {
  const Form form = static_cast<Form>(state.range(0));
  run(
      state, form,
      [&](int64_t day, char *out) -> long { return static_cast<long>(limit_write(day, form, out)); },
      "civil date, digit pairs, name tables");
}

BENCHMARK(BM_Zkfdate_Write)->ArgName("long")->Arg(kNumeric)->Arg(kLong);
BENCHMARK(BM_Strftime_Write)->ArgName("long")->Arg(kNumeric)->Arg(kLong);
BENCHMARK(BM_Icu_Write)->ArgName("long")->Arg(kNumeric)->Arg(kLong);
BENCHMARK(BM_Limit_Write)->ArgName("long")->Arg(kNumeric)->Arg(kLong);

}  // namespace
}  // namespace nldat_bench
