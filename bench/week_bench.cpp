// ISO week dates: zkfweek writes "2026-W50-01", zkifweek reads it back;
// against strftime("%G-W%V-%u"), an ICU Calendar with ISO week rules and a
// fixed-pattern limit.
#include <cstring>
#include <ctime>

#include "support.h"

namespace nldat_bench {
namespace {

// "yyyy-Www-dd" (the module's form) or "yyyy-Www-d" (strftime's and ICU's).
size_t limit_write_week(int64_t day, bool two_digit_day, char *out) {
  const IsoWeek w = iso_week(day);
  put4(out, w.year);
  out[4] = '-';
  out[5] = 'W';
  put2(out + 6, w.week);
  out[8] = '-';
  if (two_digit_day) {
    put2(out + 9, w.day);
    return 11;
  }
  out[9] = static_cast<char>('0' + w.day);
  return 10;
}

const std::vector<std::string> &week_texts(bool two_digit_day) {
  static const std::vector<std::string> v[2] = {[] {
                                                  std::vector<std::string> out;
                                                  char b[16];
                                                  for (int64_t d : days())
                                                    out.emplace_back(b, limit_write_week(d, false, b));
                                                  return out;
                                                }(),
                                                [] {
                                                  std::vector<std::string> out;
                                                  char b[16];
                                                  for (int64_t d : days())
                                                    out.emplace_back(b, limit_write_week(d, true, b));
                                                  return out;
                                                }()};
  return v[two_digit_day ? 1 : 0];
}

template <class Write>
void run_write(benchmark::State &state, bool two_digit_day, Write write, const char *label) {
  time_writes(state, days(), week_texts(two_digit_day), write, label);
}

template <class Read>
void run_read(benchmark::State &state, bool two_digit_day, Read read, const char *label) {
  const std::vector<int64_t> &want = days();
  time_reads(
      state, week_texts(two_digit_day), read,
      [&](double got, size_t i) {
        return got == static_cast<double>(want[i])
                   ? std::string()
                   : "expected " + std::to_string(want[i]) + ", read " + std::to_string(got);
      },
      label);
}

std::unique_ptr<icu::GregorianCalendar> iso_calendar() {
  auto cal = proleptic_calendar(icu::Locale("de_DE"));
  cal->setFirstDayOfWeek(UCAL_MONDAY);
  cal->setMinimalDaysInFirstWeek(4);
  return cal;
}

// ---- write

void BM_Zkfweek_WriteIso(benchmark::State &state) {
  Env &e = env();
  e.use(e.de);
  run_write(
      state, true,
      [&](int64_t day, char *out) -> long {
        int32_t width = 11;
        if (e.zkfweek(out, &width, "V", 1, static_cast<double>(day)) != 0) return -1;
        return width;
      },
      "zkfweek V, width 11");
}

void BM_Strftime_WriteIso(benchmark::State &state) {
  run_write(
      state, false,
      [](int64_t day, char *out) -> long {
        const time_t t = static_cast<time_t>(day - 3653) * 86400;
        std::tm tm;
        gmtime_r(&t, &tm);
        return static_cast<long>(strftime(out, 64, "%G-W%V-%u", &tm));
      },
      "gmtime_r + strftime %G-W%V-%u");
}

void BM_Icu_WriteIso(benchmark::State &state) {
  auto cal = iso_calendar();
  run_write(
      state, false,
      [&](int64_t day, char *out) -> long {
        UErrorCode status = U_ZERO_ERROR;
        cal->setTime(days_to_udate(day), status);
        const int year = cal->get(UCAL_YEAR_WOY, status);
        const int week = cal->get(UCAL_WEEK_OF_YEAR, status);
        const int weekday = cal->get(UCAL_DAY_OF_WEEK, status);  // 1 = Sunday
        if (U_FAILURE(status)) return -1;
        put4(out, year);
        out[4] = '-';
        out[5] = 'W';
        put2(out + 6, week);
        out[8] = '-';
        out[9] = static_cast<char>('0' + (weekday == UCAL_SUNDAY ? 7 : weekday - 1));
        return 10;
      },
      "ICU Calendar ISO rules: YEAR_WOY, WEEK_OF_YEAR, DAY_OF_WEEK");
}

void BM_Limit_WriteIso(benchmark::State &state) {
  run_write(
      state, false,
      [](int64_t day, char *out) -> long { return static_cast<long>(limit_write_week(day, false, out)); },
      "Thursday rule on civil days");
}

// ---- read

void BM_Zkifweek_ReadIso(benchmark::State &state) {
  Env &e = env();
  e.use(e.de);
  run_read(
      state, true,
      [&](const std::string &text, double *out) {
        *out = 1920;  // the two-digit year window
        return e.zkifweek(text.data(), static_cast<int32_t>(text.size()), "V", 1, out) == 0;
      },
      "zkifweek V");
}

void BM_Icu_ReadIso(benchmark::State &state) {
  auto cal = iso_calendar();
  run_read(
      state, false,
      [&](const std::string &s, double *out) {
        UErrorCode status = U_ZERO_ERROR;
        cal->clear();
        cal->set(UCAL_YEAR_WOY, two(s.data()) * 100 + two(s.data() + 2));
        cal->set(UCAL_WEEK_OF_YEAR, two(s.data() + 6));
        const int d = s[9] - '0';
        cal->set(UCAL_DAY_OF_WEEK, d == 7 ? UCAL_SUNDAY : d + 1);
        const UDate ms = cal->getTime(status);
        if (U_FAILURE(status)) return false;
        *out = udate_to_days(ms);
        return true;
      },
      "ICU Calendar ISO rules: set YEAR_WOY, WEEK_OF_YEAR, DAY_OF_WEEK");
}

void BM_Limit_ReadIso(benchmark::State &state) {
  run_read(
      state, false,
      [](const std::string &s, double *out) {
        const char *p = s.data();
        *out = static_cast<double>(from_iso_week(two(p) * 100 + two(p + 2), two(p + 6), p[9] - '0'));
        return true;
      },
      "fixed positions, Monday of week 1");
}

BENCHMARK(BM_Zkfweek_WriteIso);
BENCHMARK(BM_Strftime_WriteIso);
BENCHMARK(BM_Icu_WriteIso);
BENCHMARK(BM_Limit_WriteIso);
BENCHMARK(BM_Zkifweek_ReadIso);
BENCHMARK(BM_Icu_ReadIso);
BENCHMARK(BM_Limit_ReadIso);

}  // namespace
}  // namespace nldat_bench
