// What every benchmark shares: the module loaded through the reference host
// exactly as a host loads it, the locales, the prepared inputs, the civil-day
// arithmetic of the hand-written limits, and ICU set up as a careful user
// would (GMT, a proleptic Gregorian calendar).
#ifndef NLDAT_BENCH_SUPPORT_H
#define NLDAT_BENCH_SUPPORT_H

#include <benchmark/benchmark.h>
#include <unicode/gregocal.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "nlhost/civil.h"
#include "nlhost/host.h"
#include "uwinldat.h"

namespace nldat_bench {

// Inputs per job: enough distinct values that branch predictors and caches
// see realistic data, a power of two so that the timed loop wraps by a mask.
inline constexpr size_t kInputs = 4096;
inline constexpr size_t kMask = kInputs - 1;

// Date values (days since 1960-01-01) of the days the inputs are drawn from.
inline constexpr int64_t kFirstDay = -138061;  // 1582-01-01
inline constexpr int64_t kLastDay = 51499;     // 2100-12-31

// ---------------------------------------------------------------------------
// Civil-day arithmetic for the limits and for the expected answers.

// The host's calendar core: the same few lines a hand-written limit would carry.
using nlhost::civil::days_from_civil;

struct Ymd {
  int year, month, day;
};

constexpr Ymd civil_from_days(int64_t z) {
  const nlhost::civil::Ymd c = nlhost::civil::civil_from_days(z);
  return {static_cast<int>(c.year), c.month, c.day};
}

static_assert(days_from_civil(1582, 1, 1) == kFirstDay);
static_assert(days_from_civil(2100, 12, 31) == kLastDay);
static_assert(days_from_civil(2026, 12, 7) == 24447);

// 0 = Monday .. 6 = Sunday (day 0, 1960-01-01, was a Friday).
constexpr int iso_weekday0(int64_t z) {
  const int64_t r = (z + 4) % 7;
  return static_cast<int>(r < 0 ? r + 7 : r);
}
static_assert(iso_weekday0(0) == 4);

inline bool is_leap(int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

// ISO week date of a day: week-based year, week 1..53, day 1 (Monday)..7.
struct IsoWeek {
  int year, week, day;
};
inline IsoWeek iso_week(int64_t z) {
  const int wd = iso_weekday0(z);
  const int64_t thursday = z - wd + 3;  // the week belongs to its Thursday's year
  const int year = civil_from_days(thursday).year;
  const int64_t jan1 = days_from_civil(year, 1, 1);
  return {year, static_cast<int>((thursday - jan1) / 7 + 1), wd + 1};
}
inline int64_t from_iso_week(int year, int week, int day) {
  const int64_t jan4 = days_from_civil(year, 1, 4);
  return jan4 - iso_weekday0(jan4) + 7 * (week - 1) + (day - 1);
}

// Two digits, no checks: the limits trust their fixed positions.
inline int two(const char *s) { return (s[0] - '0') * 10 + (s[1] - '0'); }
inline void put2(char *d, int v) {
  d[0] = static_cast<char>('0' + v / 10);
  d[1] = static_cast<char>('0' + v % 10);
}
inline void put4(char *d, int v) {
  put2(d, v / 100);
  put2(d + 2, v % 100);
}

// ---------------------------------------------------------------------------
// Locale names, the same in the module's locale, the limits and the answers.

inline constexpr std::string_view kEnMonths[12] = {"January",   "February", "March",    "April",
                                                   "May",       "June",     "July",     "August",
                                                   "September", "October",  "November", "December"};
inline constexpr std::string_view kDeMonths[12] = {"Januar",    "Februar", "März",     "April",
                                                   "Mai",       "Juni",    "Juli",     "August",
                                                   "September", "Oktober", "November", "Dezember"};
inline constexpr std::string_view kDeWeekdays[7] = {"Montag",  "Dienstag", "Mittwoch", "Donnerstag",
                                                    "Freitag", "Samstag",  "Sonntag"};  // Monday first

// ---------------------------------------------------------------------------
// The module through the reference host.

struct Env {
  nlhost::Host host;
  std::unique_ptr<nlhost::Module> module;
  std::shared_ptr<nlhost::Locale> en;  // en_US, with item 30 as "%d/%m/%Y %I:%M:%S %p"
  std::shared_ptr<nlhost::Locale> de;  // de_DE
  std::string de_source;               // "ICU" or "built item by item"

  uwn_informat_fn nldate = nullptr;
  uwn_informat_fn nldatmap = nullptr;
  decltype(&::zkpdate) zkpdate = nullptr;
  decltype(&::zkfdate) zkfdate = nullptr;
  decltype(&::zkfweek) zkfweek = nullptr;
  decltype(&::zkifweek) zkifweek = nullptr;
  decltype(&::zifmcma) zifmcma = nullptr;
  decltype(&::zkifnum) zkifnum = nullptr;
  decltype(&::zkifmny) zkifmny = nullptr;

  void use(const std::shared_ptr<nlhost::Locale> &locale) {
    host.make_current();
    host.set_locale(locale);
  }
};

// Loads the module once; aborts with a message when it cannot.
Env &env();

// glibc locales for the C-library peers: de_DE.UTF-8 and en_US.UTF-8 built
// with localedef next to the binary (LOCPATH); null when not available.
locale_t glibc_locale(const char *name);

// ---------------------------------------------------------------------------
// ICU

const icu::TimeZone &gmt();
// A proleptic Gregorian calendar in GMT, so that 1582 dates count like ours.
std::unique_ptr<icu::GregorianCalendar> proleptic_calendar(const icu::Locale &locale);
// Milliseconds since 1970 to a date value and back.
inline double udate_to_days(double ms) { return std::floor(ms / 86400000.0) + 3653; }
inline double days_to_udate(int64_t days) { return static_cast<double>(days - 3653) * 86400000.0; }

// ---------------------------------------------------------------------------
// Prepared inputs

// Evenly spread random days in [kFirstDay, kLastDay], fixed seed.
const std::vector<int64_t> &days();

struct TextCase {
  std::string text;
  double expected;
};
struct UTextCase {
  icu::UnicodeString text;
  double expected;
};
std::vector<UTextCase> to_unicode(const std::vector<TextCase> &cases);

// Numbers of mixed length and sign: integer part of 1 to 7 digits, 0 to 2
// decimals; the value and its digits (without sign and separators).
struct NumberCase {
  double value;
  bool negative;
  std::string integer_digits;
  std::string fraction_digits;
};
const std::vector<NumberCase> &numbers();
// The number written with grouping and decimal separators and the sign as
// given: "-1,234,567.89", "1.234,5", "(12,3)".
std::string write_number(const NumberCase &n, char grouping, char decimal, bool parentheses);

bool close_enough(double a, double b);

// Reports a mismatch and stops the benchmark; true when it did.
bool mismatch(benchmark::State &state, size_t index, const std::string &what);

// The one shape of every benchmark: each of count inputs checked once (check(i)
// gives "" when input i is answered right, else what went wrong), then
// step(i) timed round the inputs.
template <class Check, class Step>
void check_then_time(benchmark::State &state, size_t count, Check check, Step step, const std::string &label) {
  for (size_t i = 0; i < count; ++i) {
    const std::string wrong = check(i);
    if (!wrong.empty() && mismatch(state, i, wrong)) return;
  }
  size_t i = 0;
  for (auto _ : state) step(i++ & kMask);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.SetLabel(label);
}

// Reads: read(input, &value) must succeed with a value that matches(value, i).
template <class Inputs, class Read, class Matches>
void time_reads(benchmark::State &state, const Inputs &in, Read read, Matches matches, const std::string &label) {
  double got = 0;
  check_then_time(
      state, in.size(),
      [&](size_t i) {
        got = -1;
        return read(in[i], &got) ? matches(got, i) : std::string("not read");
      },
      [&](size_t i) {
        benchmark::DoNotOptimize(read(in[i], &got));
        benchmark::DoNotOptimize(got);
      },
      label);
}

// Writes: write(input, out) gives the length written (negative on failure),
// which must be the text want[i].
template <class Inputs, class Write>
void time_writes(benchmark::State &state, const Inputs &in, const std::vector<std::string> &want, Write write,
                 const std::string &label) {
  char out[128];
  check_then_time(
      state, in.size(),
      [&](size_t i) {
        const long n = write(in[i], out);
        const std::string wrote = n < 0 ? std::string() : std::string(out, static_cast<size_t>(n));
        return n >= 0 && wrote == want[i] ? std::string() : "expected \"" + want[i] + "\", wrote \"" + wrote + "\"";
      },
      [&](size_t i) {
        benchmark::DoNotOptimize(write(in[i], out));
        benchmark::DoNotOptimize(out);
      },
      label);
}

// A field through an informat-style routine: the block a host builds.
inline uwn_informat_block make_block(const std::string &text, double *result) {
  uwn_informat_block b{};
  b.width = static_cast<int32_t>(text.size());
  b.text = text.data();
  b.text_length = static_cast<int32_t>(text.size());
  b.result = result;
  return b;
}

}  // namespace nldat_bench

#endif
