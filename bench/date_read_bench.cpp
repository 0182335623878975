// Reading dates: a numeric date, a date with a month name, a datetime with
// AM/PM.  The module (NLDATE, NLDATMAP, zkpdate through the reference host)
// against glibc strptime, ICU SimpleDateFormat and a fixed-pattern limit.
#include <unicode/smpdtfmt.h>

#include <cstring>
#include <ctime>

#include "support.h"

namespace nldat_bench {
namespace {

// ---------------------------------------------------------------------------
// Inputs

std::string numeric_date(int64_t day) {
  const Ymd d = civil_from_days(day);
  char s[11];
  put2(s, d.day);
  s[2] = '.';
  put2(s + 3, d.month);
  s[5] = '.';
  put4(s + 6, d.year);
  return std::string(s, 10);
}

// "07 December 2026" (English) or "07. Dezember 2026" (German).
std::string named_date(int64_t day, bool german) {
  const Ymd d = civil_from_days(day);
  char dd[3] = {}, yyyy[5] = {};
  put2(dd, d.day);
  put4(yyyy, d.year);
  return std::string(dd) + (german ? ". " : " ") +
         std::string(german ? kDeMonths[d.month - 1] : kEnMonths[d.month - 1]) + " " + yyyy;
}

// "07/12/2026 03:04:05 PM": the day's seconds follow from the index.
struct DatetimeParts {
  int64_t day;
  int seconds;  // [0, 86400)
};
DatetimeParts datetime_parts(size_t i) { return {days()[i], static_cast<int>((i * 7919 + 12345) % 86400)}; }
std::string ampm_datetime(const DatetimeParts &p) {
  const Ymd d = civil_from_days(p.day);
  const int h = p.seconds / 3600, m = p.seconds / 60 % 60, s = p.seconds % 60;
  char t[23];
  put2(t, d.day);
  t[2] = '/';
  put2(t + 3, d.month);
  t[5] = '/';
  put4(t + 6, d.year);
  t[10] = ' ';
  put2(t + 11, h % 12 == 0 ? 12 : h % 12);
  t[13] = ':';
  put2(t + 14, m);
  t[16] = ':';
  put2(t + 17, s);
  t[19] = ' ';
  t[20] = h < 12 ? 'A' : 'P';
  t[21] = 'M';
  return std::string(t, 22);
}

const std::vector<TextCase> &numeric_dates() {
  static const std::vector<TextCase> v = [] {
    std::vector<TextCase> out;
    for (int64_t d : days()) out.push_back({numeric_date(d), static_cast<double>(d)});
    return out;
  }();
  return v;
}

const std::vector<TextCase> &named_dates(bool german) {
  static const std::vector<TextCase> en = [] {
    std::vector<TextCase> out;
    for (int64_t d : days()) out.push_back({named_date(d, false), static_cast<double>(d)});
    return out;
  }();
  static const std::vector<TextCase> de = [] {
    std::vector<TextCase> out;
    for (int64_t d : days()) out.push_back({named_date(d, true), static_cast<double>(d)});
    return out;
  }();
  return german ? de : en;
}

// Expected: seconds since 1960-01-01.
const std::vector<TextCase> &ampm_datetimes() {
  static const std::vector<TextCase> v = [] {
    std::vector<TextCase> out;
    for (size_t i = 0; i < kInputs; ++i) {
      const DatetimeParts p = datetime_parts(i);
      out.push_back({ampm_datetime(p), static_cast<double>(p.day) * 86400 + p.seconds});
    }
    return out;
  }();
  return v;
}

// ---------------------------------------------------------------------------
// The limits: fixed positions, no checks beyond what the job needs.

double limit_numeric(const char *s) {
  return static_cast<double>(
      days_from_civil((s[6] - '0') * 1000 + (s[7] - '0') * 100 + two(s + 8), two(s + 3), two(s)));
}

// Two digits, the month name (first byte, then the whole name), the year.
double limit_named(const char *s, size_t n, const std::string_view (&months)[12], size_t after_day) {
  const int day = two(s);
  const char *p = s + after_day;
  const size_t left = n - after_day;
  for (int m = 0; m < 12; ++m) {
    const std::string_view name = months[m];
    if (name[0] == p[0] && name.size() + 5 <= left && std::memcmp(p, name.data(), name.size()) == 0) {
      const char *y = p + name.size() + 1;
      return static_cast<double>(days_from_civil(two(y) * 100 + two(y + 2), m + 1, day));
    }
  }
  return -1e300;
}

double limit_ampm(const char *s) {
  const int64_t day = days_from_civil(two(s + 6) * 100 + two(s + 8), two(s + 3), two(s));
  int h = two(s + 11) % 12;
  if (s[20] == 'P') h += 12;
  return static_cast<double>(day) * 86400 + h * 3600 + two(s + 14) * 60 + two(s + 17);
}

// ---------------------------------------------------------------------------
// One shape for every benchmark: check every input once, then time.

template <class Cases, class Read>
void run(benchmark::State &state, const Cases &cases, Read read, const char *label) {
  time_reads(
      state, cases, read,
      [&](double got, size_t i) {
        return got == cases[i].expected ? std::string()
                                         : "expected " + std::to_string(cases[i].expected) + ", read " +
                                               std::to_string(got);
      },
      label);
}

// ---- numeric date "07.12.2026"

void BM_Nldate_ReadNumeric(benchmark::State &state) {
  Env &e = env();
  e.use(e.de);
  run(
      state, numeric_dates(),
      [&](const TextCase &c, double *out) {
        uwn_informat_block b = make_block(c.text, out);
        return e.nldate(&b) == 0;
      },
      "NLDATE de_DE %d.%m.%Y");
}

void BM_Zkpdate_ReadNumeric(benchmark::State &state) {
  Env &e = env();
  e.use(e.de);
  static constexpr char kPattern[] = "%d.%m.%Y";
  run(
      state, numeric_dates(),
      [&](const TextCase &c, double *out) {
        return e.zkpdate(c.text.data(), static_cast<int32_t>(c.text.size()), kPattern, sizeof kPattern - 1,
                         out) == 0;
      },
      "zkpdate %d.%m.%Y");
}

void BM_Strptime_ReadNumeric(benchmark::State &state) {
  run(
      state, numeric_dates(),
      [](const TextCase &c, double *out) {
        std::tm tm{};
        if (strptime(c.text.c_str(), "%d.%m.%Y", &tm) == nullptr) return false;
        *out = static_cast<double>(days_from_civil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday));
        return true;
      },
      "strptime %d.%m.%Y + civil days");
}

void BM_StrptimeTimegm_ReadNumeric(benchmark::State &state) {
  run(
      state, numeric_dates(),
      [](const TextCase &c, double *out) {
        std::tm tm{};
        if (strptime(c.text.c_str(), "%d.%m.%Y", &tm) == nullptr) return false;
        *out = static_cast<double>(timegm(&tm) / 86400 + 3653);
        return true;
      },
      "strptime %d.%m.%Y + timegm");
}

void icu_date_read(benchmark::State &state, const std::vector<TextCase> &cases, const char *pattern,
                   const icu::Locale &locale, const char *label) {
  UErrorCode status = U_ZERO_ERROR;
  icu::SimpleDateFormat format(icu::UnicodeString::fromUTF8(pattern), locale, status);
  if (U_FAILURE(status)) {
    state.SkipWithError(u_errorName(status));
    return;
  }
  format.adoptCalendar(proleptic_calendar(locale).release());
  const std::vector<UTextCase> u = to_unicode(cases);
  run(
      state, u,
      [&](const UTextCase &c, double *out) {
        icu::ParsePosition pos(0);
        const UDate ms = format.parse(c.text, pos);
        if (pos.getIndex() == 0) return false;
        *out = udate_to_days(ms);
        return true;
      },
      label);
}

void BM_Icu_ReadNumeric(benchmark::State &state) {
  icu_date_read(state, numeric_dates(), "dd.MM.yyyy", icu::Locale("de_DE"),
                "ICU SimpleDateFormat dd.MM.yyyy");
}

void BM_Limit_ReadNumeric(benchmark::State &state) {
  run(
      state, numeric_dates(),
      [](const TextCase &c, double *out) {
        *out = limit_numeric(c.text.data());
        return true;
      },
      "fixed positions + civil days");
}

// ---- month names "07 December 2026", "07. Dezember 2026"

void BM_Zkpdate_ReadMonthName(benchmark::State &state) {
  Env &e = env();
  const bool german = state.range(0) != 0;
  e.use(german ? e.de : e.en);
  const std::string pattern = german ? "%d. %B %Y" : "%d %B %Y";
  run(
      state, named_dates(german),
      [&](const TextCase &c, double *out) {
        return e.zkpdate(c.text.data(), static_cast<int32_t>(c.text.size()), pattern.data(),
                         static_cast<int32_t>(pattern.size()), out) == 0;
      },
      german ? "zkpdate de_DE %d. %B %Y" : "zkpdate en_US %d %B %Y");
}

void BM_Strptime_ReadMonthName(benchmark::State &state) {
  const bool german = state.range(0) != 0;
  locale_t locale = german ? glibc_locale("de_DE.UTF-8") : glibc_locale("C");
  if (locale == nullptr) {
    state.SkipWithError("no glibc de_DE.UTF-8 locale (localedef)");
    return;
  }
  const char *format = german ? "%d. %B %Y" : "%d %B %Y";
  const locale_t old = uselocale(locale);
  run(
      state, named_dates(german),
      [&](const TextCase &c, double *out) {
        std::tm tm{};
        if (strptime(c.text.c_str(), format, &tm) == nullptr) return false;
        *out = static_cast<double>(days_from_civil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday));
        return true;
      },
      german ? "strptime de_DE %d. %B %Y + civil days" : "strptime C %d %B %Y + civil days");
  uselocale(old);
}

void BM_Icu_ReadMonthName(benchmark::State &state) {
  const bool german = state.range(0) != 0;
  if (german)
    icu_date_read(state, named_dates(true), "dd. MMMM yyyy", icu::Locale("de_DE"), "ICU de_DE dd. MMMM yyyy");
  else
    icu_date_read(state, named_dates(false), "dd MMMM yyyy", icu::Locale("en_US"), "ICU en_US dd MMMM yyyy");
}

void BM_Limit_ReadMonthName(benchmark::State &state) {
  const bool german = state.range(0) != 0;
  run(
      state, named_dates(german),
      [&](const TextCase &c, double *out) {
        *out = german ? limit_named(c.text.data(), c.text.size(), kDeMonths, 4)
                      : limit_named(c.text.data(), c.text.size(), kEnMonths, 3);
        return true;
      },
      german ? "German names, first byte then memcmp" : "English names, first byte then memcmp");
}

// ---- datetime with AM/PM "07/12/2026 03:04:05 PM"

void BM_Nldatmap_ReadAmPm(benchmark::State &state) {
  Env &e = env();
  e.use(e.en);
  run(
      state, ampm_datetimes(),
      [&](const TextCase &c, double *out) {
        uwn_informat_block b = make_block(c.text, out);
        return e.nldatmap(&b) == 0;
      },
      "NLDATMAP %d/%m/%Y %I:%M:%S %p");
}

void BM_Strptime_ReadAmPm(benchmark::State &state) {
  run(
      state, ampm_datetimes(),
      [](const TextCase &c, double *out) {
        std::tm tm{};
        if (strptime(c.text.c_str(), "%d/%m/%Y %I:%M:%S %p", &tm) == nullptr) return false;
        *out = static_cast<double>(days_from_civil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday)) * 86400 +
               tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
        return true;
      },
      "strptime %d/%m/%Y %I:%M:%S %p + civil days");
}

void BM_Icu_ReadAmPm(benchmark::State &state) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Locale locale("en_US");
  icu::SimpleDateFormat format(u"dd/MM/yyyy hh:mm:ss a", locale, status);
  if (U_FAILURE(status)) {
    state.SkipWithError(u_errorName(status));
    return;
  }
  format.adoptCalendar(proleptic_calendar(locale).release());
  const std::vector<UTextCase> u = to_unicode(ampm_datetimes());
  run(
      state, u,
      [&](const UTextCase &c, double *out) {
        icu::ParsePosition pos(0);
        const UDate ms = format.parse(c.text, pos);
        if (pos.getIndex() == 0) return false;
        *out = ms / 1000 + 3653.0 * 86400;
        return true;
      },
      "ICU SimpleDateFormat dd/MM/yyyy hh:mm:ss a");
}

void BM_Limit_ReadAmPm(benchmark::State &state) {
  run(
      state, ampm_datetimes(),
      [](const TextCase &c, double *out) {
        *out = limit_ampm(c.text.data());
        return true;
      },
      "fixed positions + civil days");
}

BENCHMARK(BM_Nldate_ReadNumeric);
BENCHMARK(BM_Zkpdate_ReadNumeric);
BENCHMARK(BM_Strptime_ReadNumeric);
BENCHMARK(BM_StrptimeTimegm_ReadNumeric);
BENCHMARK(BM_Icu_ReadNumeric);
BENCHMARK(BM_Limit_ReadNumeric);
BENCHMARK(BM_Zkpdate_ReadMonthName)->ArgName("german")->Arg(0)->Arg(1);
BENCHMARK(BM_Strptime_ReadMonthName)->ArgName("german")->Arg(0)->Arg(1);
BENCHMARK(BM_Icu_ReadMonthName)->ArgName("german")->Arg(0)->Arg(1);
BENCHMARK(BM_Limit_ReadMonthName)->ArgName("german")->Arg(0)->Arg(1);
BENCHMARK(BM_Nldatmap_ReadAmPm);
BENCHMARK(BM_Strptime_ReadAmPm);
BENCHMARK(BM_Icu_ReadAmPm);
BENCHMARK(BM_Limit_ReadAmPm);

}  // namespace
}  // namespace nldat_bench
