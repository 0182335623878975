// A column read wholly through the host's lenient fallback: what ICU writes
// in a locale that the locale's two module patterns do not read, through
// nlhost::FieldReader in strict mode (the CLI's road), against ICU's own
// DateFormat::parse of the same text.
#include <unicode/datefmt.h>

#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"
#include "support.h"

namespace nldat_bench {
namespace {

struct Column {
  const char *locale;
  icu::DateFormat::EStyle date, time;  // time kNone: a date column
  const char *informat;
  const char *label;
};
constexpr Column kColumns[] = {
    {"de_DE", icu::DateFormat::kLong, icu::DateFormat::kNone, "NLDATE", "de_DE long date (7. Dezember 2026)"},
    {"en_US", icu::DateFormat::kMedium, icu::DateFormat::kMedium, "NLDATM",
     "en_US medium datetime (Dec 7, 2026, 2:30:05 PM)"},
    {"fr_FR", icu::DateFormat::kShort, icu::DateFormat::kShort, "NLDATM",
     "fr_FR short datetime (07/12/2026 14:30)"},
    {"ar_EG", icu::DateFormat::kShort, icu::DateFormat::kNone, "NLDATE",
     "ar_EG short date, Arabic-Indic digits"},
};

struct Prepared {
  std::shared_ptr<nlhost::Locale> locale;
  std::unique_ptr<icu::DateFormat> format;
  std::vector<TextCase> cases;
  std::vector<UTextCase> unicode;
};

// The column's texts, written by ICU, with the values they stand for.
Prepared &prepared(size_t column) {
  static std::vector<std::unique_ptr<Prepared>> all(std::size(kColumns));
  std::unique_ptr<Prepared> &p = all[column];
  if (p) return *p;
  p = std::make_unique<Prepared>();
  const Column &c = kColumns[column];
  std::string error;
  p->locale = nlhost::load_icu_locale(c.locale, &error);
  const icu::Locale icu_locale =
      icu::Locale::createFromName((std::string(c.locale) + "@calendar=gregorian").c_str());
  p->format.reset(c.time == icu::DateFormat::kNone
                      ? icu::DateFormat::createDateInstance(c.date, icu_locale)
                      : icu::DateFormat::createDateTimeInstance(c.date, c.time, icu_locale));
  p->format->adoptCalendar(proleptic_calendar(icu_locale).release());
  const bool seconds = c.time == icu::DateFormat::kMedium;
  for (size_t i = 0; i < kInputs; ++i) {
    const int64_t day = 365 * 40 + static_cast<int64_t>(i * 7) % (365 * 60);  // 2000 to 2059
    const int second_of_day = c.time == icu::DateFormat::kNone ? 0 : static_cast<int>((i * 7919) % 86400);
    const int shown = seconds ? second_of_day : second_of_day - second_of_day % 60;
    icu::UnicodeString written;
    p->format->format(days_to_udate(day) + second_of_day * 1000.0, written);
    std::string text;
    written.toUTF8String(text);
    const double value = c.time == icu::DateFormat::kNone ? static_cast<double>(day) : day * 86400.0 + shown;
    p->cases.push_back({text, value});
    p->unicode.push_back({written, value});
  }
  return *p;
}

void BM_FieldReader_LenientColumn(benchmark::State &state) {
  const size_t column = static_cast<size_t>(state.range(0));
  Env &e = env();
  Prepared &p = prepared(column);
  e.use(p.locale);
  e.host.set_year_window(1960);
  std::string error;
  auto reader = nlhost::FieldReader::make(e.host, *e.module, kColumns[column].informat, &error);
  if (!reader) {
    state.SkipWithError(error.c_str());
    return;
  }
  time_reads(
      state, p.cases, [&](const TextCase &c, double *out) { return reader->read(c.text, out); },
      [&](double got, size_t i) {
        return got == p.cases[i].expected ? std::string()
                                          : "read " + std::to_string(got) + " from " + p.cases[i].text;
      },
      kColumns[column].label);
}

// The host's standard informat alone, as the module calls it: the fallback's
// own cost, without the module's two patterns and the strict write-back.
void BM_StandardInformat_LenientColumn(benchmark::State &state) {
  const size_t column = static_cast<size_t>(state.range(0));
  Env &e = env();
  Prepared &p = prepared(column);
  e.use(p.locale);
  e.host.set_year_window(1960);
  const bool date_only = kColumns[column].time == icu::DateFormat::kNone;
  const auto *informat = e.host.find_informat(date_only ? "DATE" : "DATETIME");
  time_reads(
      state, p.cases,
      [&](const TextCase &c, double *out) {
        uwn_informat_block b = make_block(c.text, out);
        return (*informat)(&b) == 0;
      },
      [&](double got, size_t i) { return got == p.cases[i].expected ? std::string() : std::string("wrong"); },
      kColumns[column].label);
}

void BM_Icu_ParseColumn(benchmark::State &state) {
  const size_t column = static_cast<size_t>(state.range(0));
  Prepared &p = prepared(column);
  const bool date_only = kColumns[column].time == icu::DateFormat::kNone;
  time_reads(
      state, p.unicode,
      [&](const UTextCase &c, double *out) {
        UErrorCode status = U_ZERO_ERROR;
        const UDate ms = p.format->parse(c.text, status);
        if (U_FAILURE(status)) return false;
        *out = date_only ? udate_to_days(ms) : ms / 1000 + 3653.0 * 86400;
        return true;
      },
      [&](double got, size_t i) {
        return got == p.unicode[i].expected ? std::string() : std::string("wrong");
      },
      kColumns[column].label);
}

BENCHMARK(BM_FieldReader_LenientColumn)->DenseRange(0, std::size(kColumns) - 1);
BENCHMARK(BM_StandardInformat_LenientColumn)->DenseRange(0, std::size(kColumns) - 1);
BENCHMARK(BM_Icu_ParseColumn)->DenseRange(0, std::size(kColumns) - 1);

}  // namespace
}  // namespace nldat_bench
