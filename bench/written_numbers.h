// Numbers and amounts as other software writes them in a locale: ICU's
// decimal, currency and accounting formats, and glibc's printf("%'.2f") and
// strfmon("%n").  Shared by the nldat_written_numbers tool and the test that
// reads a sample of locales back through nlhost::FieldReader.
#ifndef NLDAT_BENCH_WRITTEN_NUMBERS_H
#define NLDAT_BENCH_WRITTEN_NUMBERS_H

#include <langinfo.h>
#include <locale.h>
#include <monetary.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/unistr.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "nlhost/host.h"
#include "nlhost/reading.h"

namespace written {

// One writer: a row of the report.
enum class Writer { kIcuDecimal, kIcuCurrency, kIcuAccounting, kGlibcGrouped, kGlibcMoney };

struct WriterRow {
  Writer writer;
  const char *name;    // as the report shows it
  const char *reader;  // the FieldReader that must read it
  bool glibc;
};

inline constexpr WriterRow kWriters[] = {
    {Writer::kIcuDecimal, "ICU NumberFormat decimal", "NUMBER", false},
    {Writer::kIcuCurrency, "ICU currency format", "MONEY", false},
    {Writer::kIcuAccounting, "ICU accounting format", "MONEY", false},
    {Writer::kGlibcGrouped, "glibc printf(\"%'.2f\")", "NUMBER", true},
    {Writer::kGlibcMoney, "glibc strfmon(\"%n\")", "MONEY", true},
};

// Negatives, thousands, millions, fractions, zero and numbers below one.
inline constexpr double kSamples[] = {-84888.46, 1234567.89, 0.37, -0.62, 12, 1234.56, -1000000, 999.99, 0};

struct Written {
  std::string text;
  double value;  // what the text means: the sample rounded as the writer rounds it
};

inline double rounded(double value, int digits) {
  const double scale = std::pow(10.0, digits);
  return std::nearbyint(value * scale) / scale;
}

// What ICU writes with its default numbering system and currency.
inline std::vector<Written> write_icu(Writer writer, const std::string &icu_name) {
  const UNumberFormatStyle style = writer == Writer::kIcuDecimal    ? UNUM_DECIMAL
                                   : writer == Writer::kIcuCurrency ? UNUM_CURRENCY
                                                                    : UNUM_CURRENCY_ACCOUNTING;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberFormat> format(
      icu::NumberFormat::createInstance(icu::Locale::createFromName(icu_name.c_str()), style, status));
  std::vector<Written> out;
  if (U_FAILURE(status)) return out;
  const int digits = format->getMaximumFractionDigits();
  for (const double sample : kSamples) {
    icu::UnicodeString text;
    format->format(sample, text);
    Written w;
    text.toUTF8String(w.text);
    w.value = rounded(sample, digits);
    out.push_back(std::move(w));
  }
  return out;
}

// What glibc writes in locale (LC_NUMERIC and LC_MONETARY at least).
inline std::vector<Written> write_glibc(Writer writer, locale_t locale) {
  std::vector<Written> out;
  if (locale == nullptr) return out;
  int digits = 2;
  if (writer == Writer::kGlibcMoney) {
    const auto frac = static_cast<unsigned char>(*nl_langinfo_l(FRAC_DIGITS, locale));
    digits = frac <= 10 ? frac : 2;
  }
  for (const double sample : kSamples) {
    char buffer[128];
    if (writer == Writer::kGlibcMoney) {
      if (strfmon_l(buffer, sizeof buffer, locale, "%n", sample) < 0) continue;
    } else {
      const locale_t previous = uselocale(locale);
      std::snprintf(buffer, sizeof buffer, "%'.2f", sample);
      uselocale(previous);
    }
    out.push_back({buffer, rounded(sample, digits)});
  }
  return out;
}

// The glibc locale of an ICU name ("de_DE"), its numeric and monetary
// categories built with localedef into dir on first use (a few tenths of a
// second each) and reused after; null when glibc has no such locale or the
// system lacks localedef or the locale sources.
inline locale_t glibc_locale(const std::string &icu_name, const std::string &dir) {
  const std::string source = "/usr/share/i18n/locales/" + icu_name;
  struct stat info {};
  if (icu_name.find('_') == std::string::npos || stat(source.c_str(), &info) != 0) return nullptr;
  const std::string built = dir + "/" + icu_name + ".UTF-8";
  if (stat((built + "/LC_MONETARY").c_str(), &info) != 0) {
    mkdir(dir.c_str(), 0755);
    const std::string input = dir + "/" + icu_name + ".src";
    FILE *f = std::fopen(input.c_str(), "w");
    if (f == nullptr) return nullptr;
    std::fprintf(f, "LC_NUMERIC\ncopy \"%s\"\nEND LC_NUMERIC\nLC_MONETARY\ncopy \"%s\"\nEND LC_MONETARY\n",
                 icu_name.c_str(), icu_name.c_str());
    std::fclose(f);
    const pid_t pid = fork();
    if (pid == 0) {
      // Warnings about the categories left out make localedef exit nonzero:
      // the files it writes decide.
      std::freopen("/dev/null", "w", stdout);
      std::freopen("/dev/null", "w", stderr);
      execlp("localedef", "localedef", "-c", "-i", input.c_str(), "-f", "UTF-8", built.c_str(),
             static_cast<char *>(nullptr));
      _exit(127);
    }
    if (pid < 0) return nullptr;
    int status = 0;
    waitpid(pid, &status, 0);
    std::remove(input.c_str());
    if (stat((built + "/LC_MONETARY").c_str(), &info) != 0) return nullptr;
  }
  setenv("LOCPATH", dir.c_str(), 1);
  return newlocale(LC_NUMERIC_MASK | LC_MONETARY_MASK, (icu_name + ".UTF-8").c_str(), nullptr);
}

// Whether read equals what the text means.
inline bool read_right(double read, double meant) {
  return std::fabs(read - meant) <= 1e-9 * std::fmax(1.0, std::fabs(meant));
}

// Where glibc's data for a locale differs from the CLDR conventions the host
// reads by: the reason a glibc-written field is not read, or "".
inline std::string glibc_disagrees(const written::WriterRow &row, locale_t glibc,
                                   const nlhost::Locale &locale) {
  const bool money = row.writer == written::Writer::kGlibcMoney;
  const uwn_number_convention *r = locale.convention(money ? UWN_ITEM_MONEY_LOCAL : UWN_ITEM_NUMBER);
  if (r == nullptr) return "no record";
  std::string scratch;
  const auto one = [&](nl_item item) {
    const std::string_view text = nlhost::normalize_field(nl_langinfo_l(item, glibc), scratch);
    return text.size() == 1 ? text[0] : text.empty() ? '\0' : '?';
  };
  std::string why;
  const char decimal = one(money ? MON_DECIMAL_POINT : RADIXCHAR);
  const char grouping = one(money ? MON_THOUSANDS_SEP : THOUSEP);
  if (decimal != r->decimal_separator)
    why += std::string(" decimal '") + decimal + "' (CLDR '" + r->decimal_separator + "')";
  if (grouping != '\0' && grouping != r->grouping_separator)
    why += std::string(" grouping '") + grouping + "' (CLDR '" + r->grouping_separator + "')";
  if (money) {
    std::string currency(nlhost::normalize_field(nl_langinfo_l(CRNCYSTR, glibc), scratch));
    if (!currency.empty()) currency.erase(0, 1);  // the position mark
    std::string record(r->currency);
    std::erase(currency, ' ');
    std::erase(record, ' ');
    std::erase_if(currency, [&](char c) { return c == r->decimal_separator || c == r->grouping_separator; });
    if (currency != record) why += " currency \"" + currency + "\" (CLDR \"" + record + "\")";
    const int sign_place = static_cast<unsigned char>(*nl_langinfo_l(N_SIGN_POSN, glibc));
    if (sign_place == 2) why += " sign after the amount (CLDR: before)";
  }
  return why.empty() ? "" : "glibc:" + why;
}

}  // namespace written

#endif  // NLDAT_BENCH_WRITTEN_NUMBERS_H
