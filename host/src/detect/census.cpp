// The census of locales: for each locale ICU offers, what reading a column
// depends on (its short date form, its names, its number symbols), and the
// classes of locales that share it.  A column is then tried against tens of
// classes, not every locale.
#include <unicode/dcfmtsym.h>
#include <unicode/dtfmtsym.h>
#include <unicode/localpointer.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/ucurr.h>
#include <unicode/udat.h>
#include <unicode/unistr.h>
#include <unicode/ures.h>

#include <algorithm>
#include <array>
#include <map>
#include <mutex>

#include "../locales/cldr_pattern.h"
#include "detect_internal.h"
#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"

namespace nlhost::detect {
namespace {

using cldr::utf8;

// The short date pattern as DateFormat writes it, read from the locale's
// resource bundle, its own or inherited (microseconds, where making a
// DateFormat takes a fraction of a millisecond); from a DateFormat where the
// bundle lacks the table (a locale whose calendar data lies in a parent's
// table the lookup does not reach).
std::string short_date_form(const std::string &name, const icu::Locale &locale) {
  constexpr int32_t kShortDate = 7;  // DateTimePatterns: four times, four dates, then the glue
  UErrorCode status = U_ZERO_ERROR;
  icu::LocalUResourceBundlePointer bundle(ures_open(nullptr, name.c_str(), &status));
  icu::LocalUResourceBundlePointer calendar(ures_getByKey(bundle.getAlias(), "calendar", nullptr, &status));
  icu::LocalUResourceBundlePointer gregorian(
      ures_getByKey(calendar.getAlias(), "gregorian", nullptr, &status));
  icu::LocalUResourceBundlePointer patterns(
      ures_getByKey(gregorian.getAlias(), "DateTimePatterns", nullptr, &status));
  int32_t length = 0;
  const UChar *own = ures_getStringByIndex(patterns.getAlias(), kShortDate, &length, &status);
  if (U_SUCCESS(status) && length > 0) {
    return utf8(icu::UnicodeString(own, length));
  }
  status = U_ZERO_ERROR;
  UDateFormat *format = udat_open(UDAT_NONE, UDAT_SHORT, locale.getName(), nullptr, 0, nullptr, 0, &status);
  if (U_FAILURE(status)) return {};
  UChar buffer[128];
  length = udat_toPattern(format, false, buffer, 128, &status);
  udat_close(format);
  if (U_FAILURE(status) || length > 128) return {};
  return utf8(icu::UnicodeString(buffer, length));
}

void add_names(const icu::UnicodeString *names, int32_t count, int32_t first, std::string *key,
               std::vector<std::string> *vocabulary) {
  for (int32_t k = first; k < count; ++k) {
    const std::string text = utf8(names[k]);
    *key += text;
    *key += '|';
    for (std::string &word : words_of(text)) vocabulary->push_back(std::move(word));
  }
}

// A pattern without the marks that steer bidirectional display.
std::string without_bidi_marks(std::string text) {
  for (const std::string_view mark : {"\xE2\x80\x8E", "\xE2\x80\x8F", "\xD8\x9C"}) {
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at))
      text.erase(at, mark.size());
  }
  return text;
}

icu::Locale gregorian_latin(const std::string &name) {
  return icu::Locale::createFromName((name + "@calendar=gregorian;numbers=latn").c_str());
}

// The names: month and weekday names (both contexts, both widths) and AM/PM.
void learn_names(LocaleFacts &facts) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::DateFormatSymbols symbols(gregorian_latin(facts.name), status);
  if (U_SUCCESS(status)) {
    using S = icu::DateFormatSymbols;
    // Each array with its own count: the count is known only once it is got.
    auto add = [&](const icu::UnicodeString *names, int32_t count, int32_t first) {
      add_names(names, count, first, &facts.names, &facts.vocabulary);
    };
    int32_t count = 0;
    for (const S::DtWidthType width : {S::WIDE, S::ABBREVIATED}) {
      const icu::UnicodeString *names = symbols.getMonths(count, S::FORMAT, width);
      add(names, count, 0);
      names = symbols.getMonths(count, S::STANDALONE, width);
      add(names, count, 0);
      names = symbols.getWeekdays(count, S::FORMAT, width);
      add(names, count, 1);
    }
    const icu::UnicodeString *periods = symbols.getAmPmStrings(count);
    add(periods, count, 0);
  }
  std::sort(facts.vocabulary.begin(), facts.vocabulary.end());
  facts.vocabulary.erase(std::unique(facts.vocabulary.begin(), facts.vocabulary.end()),
                         facts.vocabulary.end());
}

std::string symbol_name(char symbol) {
  switch (symbol) {
    case '.': return "point";
    case ',': return "comma";
    case '\'': return "apostrophe";
    case ' ': return "space";
    case '\0': return "none";
    default: return std::string("'") + symbol + "'";
  }
}

// A record as a key: two locales whose records are byte for byte the same
// are read alike by its reader (the host zeroes what it does not set).
std::string record_key(const uwn_number_convention &record) {
  return std::string(reinterpret_cast<const char *>(&record), sizeof record);
}

std::string number_meaning(const uwn_number_convention &record) {
  std::string meaning = "decimal " + symbol_name(record.decimal_separator) + ", grouping " +
                        symbol_name(record.grouping_separator);
  if (record.negative_style == 0) meaning += ", negative in parentheses";
  return meaning;
}

// Texts joined by line ends: a key of several parts.
std::string joined(std::initializer_list<std::string_view> parts) {
  std::string key;
  for (const std::string_view part : parts) key.append(part).push_back('\n');
  return key;
}

std::string date_meaning(std::string_view form, Order order) {
  return std::string(order_name(order)) + " (" + without_bidi_marks(std::string(form)) + ")";
}

// Groups locales by key into classes, in the order of their first member.
template <class Key, class Describe>
std::vector<LocaleClass> classes_by(const std::vector<LocaleFacts> &locales, Key key, Describe describe) {
  std::map<std::string, size_t> index;
  std::vector<LocaleClass> classes;
  for (const LocaleFacts &facts : locales) {
    const std::string k = key(facts);
    auto [at, added] = index.emplace(k, classes.size());
    if (added) {
      classes.emplace_back();
      describe(facts, classes.back());
    }
    classes[at->second].members.push_back(&facts);
  }
  return classes;
}

// The locales and their short date forms: every part needs them.
std::vector<LocaleFacts> *learn_locales() {
  auto *locales = new std::vector<LocaleFacts>;  // kept for the process
  for (const std::string &name : icu_locale_names()) {
    LocaleFacts facts;
    facts.name = name;
    const icu::Locale locale = gregorian_latin(name);
    facts.language = locale.getLanguage();
    facts.date_form = short_date_form(name, locale);
    if (!facts.date_form.empty()) locales->push_back(std::move(facts));
  }
  return locales;
}

// Each part of the census is learnt the first time a column needs it.
struct Parts {
  std::once_flag names_once, classes_once[3];
  Census census;
};

Parts &parts() {
  static Parts *p = [] {
    auto *made = new Parts;  // kept for the process
    made->census.locales = learn_locales();
    made->census.numeric_dates = classes_by(
        *made->census.locales, [](const LocaleFacts &f) { return f.date_form; },
        [](const LocaleFacts &f, LocaleClass &cls) {
          cls.order = order_of(f.date_form);
          cls.meaning = date_meaning(f.date_form, cls.order);
        });
    return made;
  }();
  return *p;
}

constexpr std::string_view kUniversalWords[] = {
    "am",       "apr",      "april",   "aug",     "august",    "dec",      "december", "feb",     "february",
    "fri",      "friday",   "jan",     "january", "jul",       "july",     "jun",      "june",    "mar",
    "march",    "may",      "mon",     "monday",  "nov",       "november", "oct",      "october", "pm",
    "sat",      "saturday", "sep",     "sept",    "september", "sun",      "sunday",   "t",       "thu",
    "thursday", "tue",      "tuesday", "wed",     "wednesday", "z"};

}  // namespace

const std::vector<LocaleClass> &numeric_date_classes() { return parts().census.numeric_dates; }

const std::vector<LocaleClass> &named_date_classes() {
  Parts &p = parts();
  std::call_once(p.names_once, [&] {
    for (LocaleFacts &f : *p.census.locales) learn_names(f);
    p.census.named_dates = classes_by(
        *p.census.locales,
        [](const LocaleFacts &f) {
          return joined({f.date_form, f.names});
        },
        [](const LocaleFacts &f, LocaleClass &cls) {
          cls.order = order_of(f.date_form);
          cls.meaning = date_meaning(f.date_form, cls.order) + ", names of " + f.name;
          cls.vocabulary = &f.vocabulary;
        });
  });
  return p.census.named_dates;
}

// The classes of one number reader, by its record as the host loads it for
// each locale, learnt the first time a column needs them.
static const std::vector<LocaleClass> &record_classes(size_t which) {
  Parts &p = parts();
  using Record = uwn_number_convention LocaleFacts::*;
  static constexpr Record kRecords[] = {&LocaleFacts::number, &LocaleFacts::percent, &LocaleFacts::money};
  static constexpr int kItems[] = {UWN_ITEM_NUMBER, UWN_ITEM_PERCENT, UWN_ITEM_MONEY_LOCAL};
  std::vector<LocaleClass> *const kClasses[] = {&p.census.numbers, &p.census.percent, &p.census.money};
  const Record record = kRecords[which];
  // MONEY reads by the local currency's record and then the international
  // one's: amounts with the ISO code ("1.234,50 EUR") are money too.
  const bool money = record == &LocaleFacts::money;
  std::call_once(p.classes_once[which], [&] {
    for (LocaleFacts &f : *p.census.locales) {
      f.*record = icu_number_convention(f.name, kItems[which]).value_or(uwn_number_convention{});
      if (money)
        f.money_intl = icu_number_convention(f.name, UWN_ITEM_MONEY_INTL).value_or(uwn_number_convention{});
    }
    *kClasses[which] = classes_by(
        *p.census.locales,
        [&](const LocaleFacts &f) { return record_key(f.*record) + (money ? record_key(f.money_intl) : ""); },
        [&](const LocaleFacts &f, LocaleClass &cls) {
          const uwn_number_convention &r = f.*record;
          cls.meaning = number_meaning(r);
          if (!money) return;
          std::string currency = r.currency[0] != '\0' ? r.currency : "no currency";
          if (f.money_intl.currency[0] != '\0' && std::string_view(f.money_intl.currency) != r.currency)
            currency += std::string(" or ") + f.money_intl.currency;
          cls.meaning = currency + ", " + cls.meaning;
        });
  });
  return *kClasses[which];
}

const LocaleClass &every_locale() {
  static const LocaleClass *every = [] {
    auto *made = new LocaleClass;  // kept for the process
    made->meaning = "integers, as every locale writes them";
    for (const LocaleFacts &f : *parts().census.locales) made->members.push_back(&f);
    return made;
  }();
  return *every;
}

// What is left of a text without the bytes of a number and those a record
// may drop from its currency text: of an amount, its currency alone.
static std::string currency_core(std::string_view text) {
  std::string out(text);
  std::erase_if(out, [](char c) {
    return (c >= '0' && c <= '9') || std::string_view(".,' -+()").find(c) != std::string_view::npos;
  });
  return out;
}

// A locale's currency texts, local and ISO, as currency_core() leaves them,
// and its monetary separators where they are other bytes ("$" in kea_CV).
struct CurrencyCore {
  std::string local, iso, separators;
  auto operator<=>(const CurrencyCore &) const = default;
};

// Every locale's, from ICU's names and symbols without building a format
// (microseconds a locale).
static const std::vector<CurrencyCore> &currency_cores() {
  static const auto *cores = [] {
    auto *made = new std::vector<CurrencyCore>;  // kept for the process
    const auto normalized = [](const icu::UnicodeString &text) {
      std::string scratch;
      return std::string(normalize_field(utf8(text), scratch));
    };
    for (const LocaleFacts &f : *parts().census.locales) {
      UErrorCode status = U_ZERO_ERROR;
      char16_t iso[4] = {};
      ucurr_forLocale(f.name.c_str(), iso, 4, &status);
      if (U_FAILURE(status) || iso[0] == 0) continue;
      UBool is_choice = false;
      int32_t length = 0;
      const char16_t *symbol =
          ucurr_getName(iso, f.name.c_str(), UCURR_SYMBOL_NAME, &is_choice, &length, &status);
      const icu::DecimalFormatSymbols symbols(gregorian_latin(f.name), status);
      if (U_FAILURE(status)) continue;
      CurrencyCore core{currency_core(normalized(icu::UnicodeString(symbol, length))),
                        currency_core(normalized(icu::UnicodeString(iso, 3))),
                        {}};
      for (const auto which : {icu::DecimalFormatSymbols::kMonetarySeparatorSymbol,
                               icu::DecimalFormatSymbols::kMonetaryGroupingSeparatorSymbol})
        core.separators += currency_core(normalized(symbols.getSymbol(which)));
      made->push_back(std::move(core));
    }
    std::sort(made->begin(), made->end());
    made->erase(std::unique(made->begin(), made->end()), made->end());
    return made;
  }();
  return *cores;
}

bool some_currency_in(const std::vector<std::string> &fields) {
  std::vector<std::string> residues;
  for (const std::string &text : fields) residues.push_back(currency_core(text));
  std::sort(residues.begin(), residues.end());
  residues.erase(std::unique(residues.begin(), residues.end()), residues.end());
  return std::any_of(currency_cores().begin(), currency_cores().end(), [&](const CurrencyCore &currency) {
    return std::all_of(residues.begin(), residues.end(), [&](std::string residue) {
      std::erase_if(residue, [&](char c) { return currency.separators.find(c) != std::string::npos; });
      return residue == currency.local || residue == currency.iso;
    });
  });
}

const std::vector<LocaleClass> &number_classes() { return record_classes(0); }
const std::vector<LocaleClass> &percent_classes() { return record_classes(1); }
const std::vector<LocaleClass> &money_classes() { return record_classes(2); }

bool written_with(Order order, char separator) {
  // By order and separator byte, learnt once from the short date forms.
  static const auto *table = [] {
    auto *made = new std::array<std::array<bool, 256>, 4>{};
    for (const LocaleClass &cls : numeric_date_classes()) {
      const std::string &form = cls.members.front()->date_form;
      const size_t at = form.find_first_not_of("yuMLd");
      if (at != std::string::npos)
        (*made)[static_cast<size_t>(cls.order)][static_cast<unsigned char>(form[at])] = true;
    }
    return made;
  }();
  return (*table)[static_cast<size_t>(order)][static_cast<unsigned char>(separator)];
}

Order order_of(std::string_view pattern) {
  const size_t y = pattern.find_first_of("yuY"), m = pattern.find_first_of("ML"), d = pattern.find('d');
  if (y == std::string_view::npos || m == std::string_view::npos || d == std::string_view::npos)
    return Order::kNone;
  if (y < m && y < d) return Order::kYearFirst;
  return d < m ? Order::kDayFirst : Order::kMonthFirst;
}

std::vector<std::string> words_of(std::string_view text) {
  std::vector<std::string> words;
  const icu::UnicodeString s =
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  icu::UnicodeString word;
  auto flush = [&] {
    if (!word.isEmpty()) words.push_back(utf8(word));
    word.remove();
  };
  for (int32_t i = 0; i < s.length(); i = s.moveIndex32(i, 1)) {
    const UChar32 c = s.char32At(i);
    if (u_isalpha(c) || (u_getIntPropertyValue(c, UCHAR_GENERAL_CATEGORY_MASK) & U_GC_M_MASK) != 0) {
      word.append(u_tolower(c));
    } else {
      flush();
    }
  }
  flush();
  return words;
}

bool universal_word(std::string_view word) {
  return std::find(std::begin(kUniversalWords), std::end(kUniversalWords), word) != std::end(kUniversalWords);
}

}  // namespace nlhost::detect
