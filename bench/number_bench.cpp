// Reading numbers: plain "-1234.5", grouped "-1,234,567.89", accounting
// "(1,234.5)", German "-1.234,5" and money "-1.234,5 €".  zifmcma, zkifnum
// and zkifmny through the reference host against strtod, std::from_chars,
// sscanf with grouping, ICU NumberFormat and a hand-written limit.
#include <unicode/curramt.h>
#include <unicode/numfmt.h>

#include <charconv>
#include <cstdio>
#include <cstring>

#include "nlhost/reading.h"
#include "support.h"

namespace nldat_bench {
namespace {

enum Job { kPlain, kGrouped, kAccounting, kGerman, kMoney };

std::string write(const NumberCase &n, Job job) {
  switch (job) {
    case kPlain: return write_number(n, 0, '.', false);
    case kGrouped: return write_number(n, ',', '.', false);
    case kAccounting: return write_number(n, ',', '.', true);
    case kGerman: return write_number(n, '.', ',', false);
    case kMoney: return write_number(n, '.', ',', false) + " €";
  }
  return {};
}

const std::vector<TextCase> &cases(Job job) {
  static const std::vector<TextCase> all[5] = {
      [] {
        std::vector<TextCase> v;
        for (const NumberCase &n : numbers()) v.push_back({write(n, kPlain), n.value});
        return v;
      }(),
      [] {
        std::vector<TextCase> v;
        for (const NumberCase &n : numbers()) v.push_back({write(n, kGrouped), n.value});
        return v;
      }(),
      [] {
        std::vector<TextCase> v;
        for (const NumberCase &n : numbers()) v.push_back({write(n, kAccounting), n.value});
        return v;
      }(),
      [] {
        std::vector<TextCase> v;
        for (const NumberCase &n : numbers()) v.push_back({write(n, kGerman), n.value});
        return v;
      }(),
      [] {
        std::vector<TextCase> v;
        for (const NumberCase &n : numbers()) v.push_back({write(n, kMoney), n.value});
        return v;
      }(),
  };
  return all[job];
}

constexpr const char *kJobNames[] = {"plain", "grouped", "accounting", "de_DE", "money de_DE"};

template <class Cases, class Read>
void run(benchmark::State &state, const Cases &in, Read read, const std::string &label) {
  time_reads(
      state, in, read,
      [&](double got, size_t i) {
        return close_enough(got, in[i].expected)
                   ? std::string()
                   : "expected " + std::to_string(in[i].expected) + ", read " + std::to_string(got);
      },
      label);
}

// The limit: sign or parenthesis, digits with the grouping byte skipped, the
// decimal byte, an exact integer mantissa over an exact power of ten.
double limit_read(const char *s, size_t n, char decimal) {
  static constexpr double kPow10[] = {1, 10, 100, 1000, 10000, 100000, 1e6, 1e7, 1e8};
  const char *end = s + n;
  bool negative = false;
  if (s < end && (*s == '-' || *s == '(')) {
    negative = true;
    ++s;
  }
  int64_t mantissa = 0;
  int fraction = -1;
  for (; s < end; ++s) {
    const unsigned digit = static_cast<unsigned char>(*s) - '0';
    if (digit < 10) {
      mantissa = mantissa * 10 + digit;
      if (fraction >= 0) ++fraction;
    } else if (*s == decimal) {
      fraction = 0;
    } else if (*s == ' ') {
      break;  // the currency follows
    }
  }
  const double v = static_cast<double>(mantissa) / kPow10[fraction < 0 ? 0 : fraction];
  return negative ? -v : v;
}

// ---- the module

void BM_Zifmcma_Read(benchmark::State &state) {
  Env &e = env();
  e.use(e.en);
  const Job job = static_cast<Job>(state.range(0));
  run(
      state, cases(job),
      [&](const TextCase &c, double *out) {
        uwn_informat_block b = make_block(c.text, out);
        return e.zifmcma(&b) == 0;
      },
      std::string("zifmcma ") + kJobNames[job]);
}

void BM_Zkifnum_Read(benchmark::State &state) {
  Env &e = env();
  e.use(e.de);
  run(
      state, cases(kGerman),
      [&](const TextCase &c, double *out) {
        uwn_informat_block b = make_block(c.text, out);
        return e.zkifnum(0, 0, nullptr, UWN_ITEM_NUMBER, &b) == 0;
      },
      "zkifnum de_DE item 111");
}

void BM_Zkifmny_Read(benchmark::State &state) {
  Env &e = env();
  e.use(e.de);
  run(
      state, cases(kMoney),
      [&](const TextCase &c, double *out) {
        uwn_informat_block b = make_block(c.text, out);
        return e.zkifmny(0, 0, nullptr, UWN_ITEM_MONEY_LOCAL, &b) == 0;
      },
      "zkifmny de_DE item 113");
}

// The whole host path a CLI or database field takes: normalization, the
// module's reader and, when strict, the whole-field check of the locale's
// conventions.
void BM_FieldReader_Read(benchmark::State &state) {
  Env &e = env();
  e.use(e.de);
  const bool money = state.range(0) == kMoney;
  const bool strict = state.range(1) != 0;
  std::string error;
  auto reader = nlhost::FieldReader::make(e.host, *e.module, money ? "MONEY" : "NUMBER", &error);
  if (!reader) {
    state.SkipWithError(error.c_str());
    return;
  }
  reader->set_strict(strict);
  run(
      state, cases(money ? kMoney : kGerman),
      [&](const TextCase &c, double *out) { return reader->read(c.text, out); },
      std::string("FieldReader ") + (money ? "MONEY" : "NUMBER") + " de_DE " +
          (strict ? "strict" : "lenient"));
}

// ---- glibc and the standard library

void BM_Strtod_Read(benchmark::State &state) {
  run(
      state, cases(kPlain),
      [](const TextCase &c, double *out) {
        char *end;
        *out = std::strtod(c.text.c_str(), &end);
        return end != c.text.c_str();
      },
      "strtod");
}

void BM_FromChars_Read(benchmark::State &state) {
  run(
      state, cases(kPlain),
      [](const TextCase &c, double *out) {
        return std::from_chars(c.text.data(), c.text.data() + c.text.size(), *out).ec == std::errc{};
      },
      "std::from_chars");
}

// sscanf("%'lf"): glibc's grouping flag, under the locale of the job.
void BM_Sscanf_Read(benchmark::State &state) {
  const Job job = static_cast<Job>(state.range(0));
  const char *name = job == kGerman ? "de_DE.UTF-8" : "en_US.UTF-8";
  locale_t locale = glibc_locale(name);
  if (locale == nullptr) {
    state.SkipWithError("no glibc locale for sscanf grouping (localedef)");
    return;
  }
  const locale_t old = uselocale(locale);
  run(
      state, cases(job),
      [](const TextCase &c, double *out) { return std::sscanf(c.text.c_str(), "%'lf", out) == 1; },
      std::string("sscanf %'lf ") + name);
  uselocale(old);
}

// ---- ICU

void BM_Icu_Read(benchmark::State &state) {
  const Job job = static_cast<Job>(state.range(0));
  const icu::Locale locale(job == kGerman ? "de_DE" : "en_US");
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createInstance(locale, status));
  if (U_FAILURE(status)) {
    state.SkipWithError(u_errorName(status));
    return;
  }
  const std::vector<UTextCase> in = to_unicode(cases(job));
  run(
      state, in,
      [&](const UTextCase &c, double *out) {
        icu::Formattable value;
        icu::ParsePosition pos(0);
        format->parse(c.text, value, pos);
        if (pos.getIndex() == 0) return false;
        UErrorCode s = U_ZERO_ERROR;
        *out = value.getDouble(s);
        return static_cast<bool>(U_SUCCESS(s));
      },
      std::string("ICU NumberFormat::parse ") + locale.getName());
}

void BM_Icu_ReadMoney(benchmark::State &state) {
  const icu::Locale locale("de_DE");
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createCurrencyInstance(locale, status));
  if (U_FAILURE(status)) {
    state.SkipWithError(u_errorName(status));
    return;
  }
  // ICU writes and reads a no-break space before the currency sign.
  std::vector<UTextCase> in = to_unicode(cases(kMoney));
  for (UTextCase &c : in) c.text.findAndReplace(u" ", u"\u00A0");
  run(
      state, in,
      [&](const UTextCase &c, double *out) {
        icu::ParsePosition pos(0);
        std::unique_ptr<icu::CurrencyAmount> amount(format->parseCurrency(c.text, pos));
        if (!amount) return false;
        UErrorCode s = U_ZERO_ERROR;
        *out = amount->getNumber().getDouble(s);
        return static_cast<bool>(U_SUCCESS(s));
      },
      "ICU NumberFormat::parseCurrency de_DE");
}

// ---- the limit

void BM_Limit_Read(benchmark::State &state) {
  const Job job = static_cast<Job>(state.range(0));
  const char decimal = job == kGerman || job == kMoney ? ',' : '.';
  run(
      state, cases(job),
      [&](const TextCase &c, double *out) {
        *out = limit_read(c.text.data(), c.text.size(), decimal);
        return true;
      },
      std::string("digit loop, exact mantissa / 10^k: ") + kJobNames[job]);
}

BENCHMARK(BM_Zifmcma_Read)->ArgName("job")->Arg(kPlain)->Arg(kGrouped)->Arg(kAccounting);
BENCHMARK(BM_Zkifnum_Read);
BENCHMARK(BM_Zkifmny_Read);
BENCHMARK(BM_FieldReader_Read)->ArgNames({"job", "strict"})->ArgsProduct({{kGerman, kMoney}, {0, 1}});
BENCHMARK(BM_Strtod_Read);
BENCHMARK(BM_FromChars_Read);
BENCHMARK(BM_Sscanf_Read)->ArgName("job")->Arg(kGrouped)->Arg(kGerman);
BENCHMARK(BM_Icu_Read)->ArgName("job")->Arg(kPlain)->Arg(kGrouped)->Arg(kGerman);
BENCHMARK(BM_Icu_ReadMoney);
BENCHMARK(BM_Limit_Read)
    ->ArgName("job")
    ->Arg(kPlain)
    ->Arg(kGrouped)
    ->Arg(kAccounting)
    ->Arg(kGerman)
    ->Arg(kMoney);

}  // namespace
}  // namespace nldat_bench
