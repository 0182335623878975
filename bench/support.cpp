#include "support.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <random>

#include "nlhost/icu_locale.h"

namespace nldat_bench {
namespace {

[[noreturn]] void die(const std::string &message) {
  std::fprintf(stderr, "nldat_bench: %s\n", message.c_str());
  std::abort();
}

// en_US from the host's built-in model, with the day-first AM/PM datetime
// pattern that the glibc and ICU peers read too.
std::shared_ptr<nlhost::Locale> make_english() {
  auto l = nlhost::make_builtin_english();
  l->set_text(UWN_ITEM_DATETIME_AP, "%d/%m/%Y %I:%M:%S %p");
  return l;
}

// de_DE item by item: what the bench needs when ICU's locale cannot be had.
std::shared_ptr<nlhost::Locale> make_german_by_hand() {
  auto l = std::make_shared<nlhost::Locale>("de_DE");
  l->set_names(UWN_ITEM_MONTH, kDeMonths);
  static constexpr std::string_view kAbbr[12] = {"Jan.", "Feb.", "März",  "Apr.", "Mai",  "Juni",
                                                 "Juli", "Aug.", "Sept.", "Okt.", "Nov.", "Dez."};
  l->set_names(UWN_ITEM_MONTH_ABBR, kAbbr);
  static constexpr std::string_view kWeekdays[7] = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                                                    "Donnerstag", "Freitag", "Samstag"};
  static constexpr std::string_view kWeekdaysAbbr[7] = {"So.", "Mo.", "Di.", "Mi.", "Do.", "Fr.", "Sa."};
  l->set_names(UWN_ITEM_WEEKDAY, kWeekdays);
  l->set_names(UWN_ITEM_WEEKDAY_ABBR, kWeekdaysAbbr);
  l->set_text(UWN_ITEM_AM, "AM");
  l->set_text(UWN_ITEM_PM, "PM");
  l->set_text(UWN_ITEM_DATE_2, "%d. %B %Y");
  l->set_text(UWN_ITEM_TIME_1, "%H:%M:%S");
  l->set_text(UWN_ITEM_TIME_2, "%H:%M");
  uwn_number_convention c{};
  c.decimal_separator = ',';
  c.grouping_separator = '.';
  c.positive_sign = '+';
  c.negative_sign = '-';
  c.positive_style = 1;
  c.negative_style = 1;
  l->set_numeric(UWN_ITEM_NUMBER, c, "#,##0.###");
  std::strcpy(c.currency, "€");
  l->set_numeric(UWN_ITEM_MONEY_LOCAL, c, "#,##0.00 ¤");
  std::strcpy(c.currency, "EUR");
  l->set_numeric(UWN_ITEM_MONEY_INTL, c, "#,##0.00 EUR");
  return l;
}

template <class F>
F resolve(const nlhost::Module &m, const char *name) {
  F f = m.function<F>(name);
  if (f == nullptr) die(std::string("the module does not export ") + name);
  return f;
}

}  // namespace

Env &env() {
  static Env *e = [] {
    auto *env = new Env;
    std::string error;
    env->module = nlhost::Module::open(env->host, NLDAT_MODULE_PATH, &error);
    if (!env->module) die("cannot load " NLDAT_MODULE_PATH ": " + error);
    env->en = make_english();
    env->de = nlhost::load_icu_locale("de_DE", &error);
    env->de_source = "ICU";
    if (!env->de) {
      env->de = make_german_by_hand();
      env->de_source = "built item by item";
    }
    // The numeric date pattern the jobs read and write, whatever CLDR says.
    env->de->set_text(UWN_ITEM_DATE_1, "%d.%m.%Y");
    env->nldate = env->module->informat("NLDATE");
    env->nldatmap = env->module->informat("NLDATMAP");
    if (env->nldate == nullptr || env->nldatmap == nullptr) die("the module did not bind its informats");
    env->zkpdate = resolve<decltype(env->zkpdate)>(*env->module, "zkpdate");
    env->zkfdate = resolve<decltype(env->zkfdate)>(*env->module, "zkfdate");
    env->zkfweek = resolve<decltype(env->zkfweek)>(*env->module, "zkfweek");
    env->zkifweek = resolve<decltype(env->zkifweek)>(*env->module, "zkifweek");
    env->zifmcma = resolve<decltype(env->zifmcma)>(*env->module, "zifmcma");
    env->zkifnum = resolve<decltype(env->zkifnum)>(*env->module, "zkifnum");
    env->zkifmny = resolve<decltype(env->zkifmny)>(*env->module, "zkifmny");
    return env;
  }();
  return *e;
}

locale_t glibc_locale(const char *name) {
  static std::mutex mutex;
  static std::map<std::string, locale_t> cache;
  std::lock_guard lock(mutex);
  auto it = cache.find(name);
  if (it != cache.end()) return it->second;
  // The locales built beside the binary, then the system's.
  setenv("LOCPATH", NLDAT_BENCH_LOCPATH, 0);
  locale_t l = newlocale(LC_ALL_MASK, name, nullptr);
  cache.emplace(name, l);
  return l;
}

const icu::TimeZone &gmt() {
  static const icu::TimeZone *zone = icu::TimeZone::getGMT();
  return *zone;
}

std::unique_ptr<icu::GregorianCalendar> proleptic_calendar(const icu::Locale &locale) {
  UErrorCode status = U_ZERO_ERROR;
  auto cal = std::make_unique<icu::GregorianCalendar>(gmt(), locale, status);
  if (U_FAILURE(status)) die(std::string("ICU calendar: ") + u_errorName(status));
  cal->setGregorianChange(-1e17, status);  // long before 1582: Gregorian throughout
  if (U_FAILURE(status)) die(std::string("ICU Gregorian change: ") + u_errorName(status));
  return cal;
}

const std::vector<int64_t> &days() {
  static const std::vector<int64_t> d = [] {
    std::mt19937_64 random(20261207);
    std::uniform_int_distribution<int64_t> pick(kFirstDay, kLastDay);
    std::vector<int64_t> v(kInputs);
    for (auto &x : v) x = pick(random);
    return v;
  }();
  return d;
}

std::vector<UTextCase> to_unicode(const std::vector<TextCase> &cases) {
  std::vector<UTextCase> out;
  out.reserve(cases.size());
  for (const TextCase &c : cases) out.push_back({icu::UnicodeString::fromUTF8(c.text), c.expected});
  return out;
}

const std::vector<NumberCase> &numbers() {
  static const std::vector<NumberCase> n = [] {
    std::mt19937_64 random(1234567);
    std::vector<NumberCase> v(kInputs);
    for (NumberCase &c : v) {
      const int int_digits = 1 + static_cast<int>(random() % 7);  // [1, 7]
      const int frac_digits = static_cast<int>(random() % 3);     // [0, 2]
      c.negative = random() % 2 == 0;
      c.integer_digits.clear();
      for (int i = 0; i < int_digits; ++i)
        c.integer_digits +=
            static_cast<char>('0' + (i == 0 && int_digits > 1 ? 1 + random() % 9 : random() % 10));
      c.fraction_digits.clear();
      for (int i = 0; i < frac_digits; ++i) c.fraction_digits += static_cast<char>('0' + random() % 10);
      const std::string plain =
          (c.negative ? "-" : "") + c.integer_digits + (frac_digits > 0 ? "." + c.fraction_digits : "");
      c.value = std::strtod(plain.c_str(), nullptr);
    }
    return v;
  }();
  return n;
}

std::string write_number(const NumberCase &n, char grouping, char decimal, bool parentheses) {
  std::string s;
  if (n.negative) s += parentheses ? '(' : '-';
  const size_t k = n.integer_digits.size();
  for (size_t i = 0; i < k; ++i) {
    if (i > 0 && (k - i) % 3 == 0 && grouping != 0) s += grouping;
    s += n.integer_digits[i];
  }
  if (!n.fraction_digits.empty()) {
    s += decimal;
    s += n.fraction_digits;
  }
  if (n.negative && parentheses) s += ')';
  return s;
}

bool close_enough(double a, double b) {
  if (a == b) return true;
  return std::fabs(a - b) <= 1e-12 * std::fmax(std::fabs(a), std::fabs(b));
}

bool mismatch(benchmark::State &state, size_t index, const std::string &what) {
  const std::string message = "input " + std::to_string(index) + ": " + what;
  state.SkipWithError(message.c_str());
  return true;
}

}  // namespace nldat_bench
