// Real locales from ICU's CLDR data, in the module's item layout.
//
// Names come from ICU's date-format symbols (format context, Gregorian
// calendar).  The date and time patterns of items 28 to 38 are the locale's
// own CLDR patterns, converted to the module's fixed-width pattern language
// by cldr_to_pattern below; docs/HOST.md has the conversion table.
#include "nlhost/icu_locale.h"

#include <unicode/dtfmtsym.h>
#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/ures.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "../reading_stages.h"
#include "cldr_pattern.h"
#include "nlhost/utf8.h"

namespace nlhost {
namespace {

// People type plain blanks: the no-break spaces CLDR puts between fields
// (U+00A0, and U+202F before AM/PM since CLDR 42) are held as ASCII blanks,
// and the invisible bidi marks of right-to-left locales are dropped, as the
// reader does with the fields it is given.
bool is_other_blank(UChar32 c) { return reading::blank_or_mark(static_cast<char32_t>(c)) == ' '; }

// A character of a locale text: the blank rule, then UTF-8.
void append_text(std::string &out, UChar32 c) {
  const std::optional<char> blank = reading::blank_or_mark(static_cast<char32_t>(c));
  if (!blank) {
    append_utf8(out, static_cast<char32_t>(c));
  } else if (*blank == ' ') {
    out += ' ';
  }
}

// A name or designator as UTF-8, with the same blank rule as the patterns.
std::string name_text(const icu::UnicodeString &s) {
  std::string out;
  for (int32_t i = 0; i < s.length(); i = s.moveIndex32(i, 1)) append_text(out, s.char32At(i));
  return out;
}

bool is_blank(char c) { return c == ' '; }

// The directive that a run of count letters becomes, or null when the
// language has no field for it (the field is left out).
const char *directive_for(cldr::Letter letter, int32_t count) {
  using cldr::Letter;
  switch (letter) {
    case Letter::kDay: return "%d";
    case Letter::kMonth:  // stand-alone month: the format-context names serve both
      return count <= 2 ? "%m" : count == 4 ? "%B" : "%b";
    case Letter::kYear: return "%Y";
    case Letter::kWeekday: return count == 4 ? "%A" : "%a";
    case Letter::kLocalWeekday: return count <= 2 ? nullptr : count == 4 ? "%A" : "%a";
    case Letter::kDayPeriod: return "%P";  // noon/midnight and flexible periods: AM/PM is the nearest
    case Letter::kHour12:
    case Letter::kHour11: return "%I";
    case Letter::kHour23:
    case Letter::kHour24: return "%H";
    case Letter::kMinute: return "%M";
    case Letter::kSecond: return "%S";
    default: return nullptr;  // eras, zones, fractions, quarters, week fields
  }
}

}  // namespace

// Converts a CLDR date/time pattern into the module's pattern language:
// every numeric field two digits wide, years four digits, names by %B/%b,
// %A/%a, AM/PM by %P, quoted literals unquoted and "%" doubled.  Fields the
// language has no directive for are left out together with the blanks next
// to them.
std::string cldr_to_pattern(std::u16string_view pattern) {
  const icu::UnicodeString cldr(false, pattern.data(), static_cast<int32_t>(pattern.size()));
  std::string out;
  bool after_dropped = false;  // skip blanks that only separated a dropped field
  for (const cldr::Piece &piece : cldr::pieces(cldr)) {
    if (!piece.is_literal()) {
      const char *directive = directive_for(piece.letter, piece.count);
      if (directive != nullptr) out += directive;
      after_dropped = directive == nullptr;
      continue;
    }
    const icu::UnicodeString &text = piece.text;
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
      const UChar32 c = text.char32At(i);
      if (after_dropped && (c == ' ' || is_other_blank(c)) && (out.empty() || is_blank(out.back()))) continue;
      after_dropped = false;
      if (c == '%') out += '%';
      append_text(out, c);
    }
  }
  while (!out.empty() && is_blank(out.back())) out.pop_back();
  size_t lead = 0;
  while (lead < out.size() && is_blank(out[lead])) ++lead;
  return out.substr(lead);
}

namespace {

std::string cldr_to_pattern(const icu::UnicodeString &cldr) {
  return nlhost::cldr_to_pattern(std::u16string_view(cldr.getBuffer(), static_cast<size_t>(cldr.length())));
}

bool has_month_name_or_weekday(const std::string &pattern) {
  return pattern.find("%b") != std::string::npos || pattern.find("%B") != std::string::npos ||
         pattern.find("%a") != std::string::npos || pattern.find("%A") != std::string::npos;
}

// The locale's patterns, read once per load.
struct CldrPatterns {
  icu::UnicodeString glue;  // "{1} {0}": how a date and a time join
  icu::UnicodeString date_short, date_medium, date_long, date_full;
  icu::UnicodeString time_medium, time_short;
  std::unique_ptr<icu::DateTimePatternGenerator> generator;

  icu::UnicodeString best(const char16_t *skeleton) { return cldr::best_pattern(*generator, skeleton); }
};

bool read_patterns(const icu::Locale &locale, CldrPatterns &p) {
  using cldr::style_pattern;
  using icu::DateFormat;
  p.date_short = style_pattern(DateFormat::createDateInstance(DateFormat::kShort, locale));
  p.date_medium = style_pattern(DateFormat::createDateInstance(DateFormat::kMedium, locale));
  p.date_long = style_pattern(DateFormat::createDateInstance(DateFormat::kLong, locale));
  p.date_full = style_pattern(DateFormat::createDateInstance(DateFormat::kFull, locale));
  p.time_medium = style_pattern(DateFormat::createTimeInstance(DateFormat::kMedium, locale));
  p.time_short = style_pattern(DateFormat::createTimeInstance(DateFormat::kShort, locale));
  UErrorCode status = U_ZERO_ERROR;
  p.generator.reset(icu::DateTimePatternGenerator::createInstance(locale, status));
  if (U_FAILURE(status) || !p.generator) return false;
  p.glue = p.generator->getDateTimeFormat();
  if (p.glue.indexOf(u"{0}") < 0 || p.glue.indexOf(u"{1}") < 0) p.glue = u"{1} {0}";
  return !p.date_short.isEmpty() && !p.time_medium.isEmpty();
}

// The pattern items 28 to 38, as CLDR patterns, chosen from the locale's
// styles so that each informat's two patterns differ in their date part
// (a 24-hour text must not half-fit a 12-hour pattern).
std::array<icu::UnicodeString, 11> choose_patterns(CldrPatterns &p) {
  // 28: the numeric date (short style, else medium, else the generator's).
  icu::UnicodeString date_numeric = p.date_short;
  if (has_month_name_or_weekday(cldr_to_pattern(date_numeric))) {
    date_numeric = has_month_name_or_weekday(cldr_to_pattern(p.date_medium)) ? p.best(u"yMd") : p.date_medium;
  }
  // 29: the medium style, or the long one where medium converts to 28.
  icu::UnicodeString date_second = p.date_medium;
  if (cldr_to_pattern(date_second) == cldr_to_pattern(date_numeric)) date_second = p.date_long;
  // 37/38: full (weekday and month names) and abbreviated weekday and month.
  const icu::UnicodeString date_weekday_abbr = p.best(u"yMMMEd");
  const icu::UnicodeString time_24 = p.best(u"Hms");
  const icu::UnicodeString time_12 = p.best(u"hms");
  icu::UnicodeString time_own = p.time_medium;
  icu::UnicodeString time_second = time_own;
  if (cldr_to_pattern(time_second) == cldr_to_pattern(time_24)) time_second = p.time_short;
  return {
      date_numeric,                                               // 28
      date_second,                                                // 29
      cldr::join_date_time(p.glue, date_numeric, time_12),        // 30
      cldr::join_date_time(p.glue, date_numeric, time_own),       // 31
      cldr::join_date_time(p.glue, date_second, time_own),        // 32
      cldr::join_date_time(p.glue, p.date_full, time_own),        // 33
      cldr::join_date_time(p.glue, date_weekday_abbr, time_own),  // 34
      time_24,                                                    // 35
      time_second,                                                // 36
      p.date_full,                                                // 37
      date_weekday_abbr,                                          // 38
  };
}

bool set_name_run(Locale &locale, int first_item, const icu::UnicodeString *names, int32_t count,
                  int32_t offset, int wanted) {
  if (count < offset + wanted) return false;
  std::vector<std::string> texts;
  for (int k = 0; k < wanted; ++k) texts.push_back(name_text(names[offset + k]));
  std::vector<std::string_view> views(texts.begin(), texts.end());
  return locale.set_names(first_item, views);
}

bool fill_names(Locale &locale, const icu::DateFormatSymbols &symbols) {
  using S = icu::DateFormatSymbols;
  int32_t count = 0;
  bool ok = true;
  const icu::UnicodeString *names = symbols.getMonths(count, S::FORMAT, S::ABBREVIATED);
  ok &= set_name_run(locale, UWN_ITEM_MONTH_ABBR, names, count, 0, 12);
  names = symbols.getMonths(count, S::FORMAT, S::WIDE);
  ok &= set_name_run(locale, UWN_ITEM_MONTH, names, count, 0, 12);
  // ICU's weekday arrays start with an empty slot; Sunday is at 1.
  names = symbols.getWeekdays(count, S::FORMAT, S::ABBREVIATED);
  ok &= set_name_run(locale, UWN_ITEM_WEEKDAY_ABBR, names, count, 1, 7);
  names = symbols.getWeekdays(count, S::FORMAT, S::WIDE);
  ok &= set_name_run(locale, UWN_ITEM_WEEKDAY, names, count, 1, 7);
  names = symbols.getAmPmStrings(count);
  ok &= set_name_run(locale, UWN_ITEM_AM, names, count, 0, 2);
  names = symbols.getQuarters(count, S::FORMAT, S::ABBREVIATED);
  ok &= set_name_run(locale, UWN_ITEM_QUARTER_ABBR, names, count, 0, 4);
  names = symbols.getQuarters(count, S::FORMAT, S::WIDE);
  ok &= set_name_run(locale, UWN_ITEM_QUARTER, names, count, 0, 4);
  return ok;
}

// The reader takes the first name of an array that the text begins with, so
// a name that begins a later one ("tháng 1", "tháng 12"; "Pazar",
// "Pazartesi") hides the later one.
bool names_clash(const Locale &locale, int first, int count) {
  for (int i = 0; i < count; ++i) {
    const std::string_view a = locale.text(first + i);
    for (int j = i + 1; j < count; ++j) {
      if (locale.text(first + j).substr(0, a.size()) == a) return true;
    }
  }
  return false;
}

// The common prefix of month names written as a prefix and the month's
// number ("tháng 1" to "tháng 12"), or nothing.
std::optional<std::string> numbered_month_prefix(const Locale &locale, int first) {
  std::optional<std::string> prefix;
  for (int k = 0; k < 12; ++k) {
    const std::string_view name = locale.text(first + k);
    const std::string number = std::to_string(k + 1);
    if (name.size() <= number.size() || name.substr(name.size() - number.size()) != number) return {};
    const std::string_view head = name.substr(0, name.size() - number.size());
    if (!head.empty() && head.back() >= '0' && head.back() <= '9') return {};
    if (prefix && *prefix != head) return {};
    prefix = std::string(head);
  }
  return prefix;
}

bool is_separator(char c) { return c == ' ' || c == ',' || c == '.' || c == ';' || c == ':'; }

// Replaces name directives whose names clash (see names_clash) by the
// nearest form that reads unambiguously: the other width of the same names;
// for months the number, after the names' own prefix where the names are
// numbered; a weekday, which carries no value, is left out (unless it ends
// the pattern, where the rest of the text is not read anyway).
std::string avoid_name_clashes(const std::string &pattern, const Locale &locale) {
  struct Kind {
    char letter, other;
    int first, other_first, count;
    bool month;
  };
  static constexpr Kind kKinds[] = {
      {'B', 'b', UWN_ITEM_MONTH, UWN_ITEM_MONTH_ABBR, 12, true},
      {'b', 'B', UWN_ITEM_MONTH_ABBR, UWN_ITEM_MONTH, 12, true},
      {'A', 'a', UWN_ITEM_WEEKDAY, UWN_ITEM_WEEKDAY_ABBR, 7, false},
      {'a', 'A', UWN_ITEM_WEEKDAY_ABBR, UWN_ITEM_WEEKDAY, 7, false},
  };
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 == pattern.size()) {
      out += pattern[i];
      continue;
    }
    const char letter = pattern[++i];
    const Kind *kind = nullptr;
    for (const Kind &k : kKinds) {
      if (k.letter == letter) kind = &k;
    }
    if (kind == nullptr || !names_clash(locale, kind->first, kind->count)) {
      out += '%';
      out += letter;
    } else if (!names_clash(locale, kind->other_first, kind->count)) {
      out += '%';
      out += kind->other;
    } else if (kind->month) {
      out += numbered_month_prefix(locale, kind->first).value_or("");
      out += "%m";
    } else if (i + 1 == pattern.size()) {
      out += '%';
      out += letter;
    } else {
      while (i + 1 < pattern.size() && is_separator(pattern[i + 1])) ++i;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace

namespace {

// The names ICU offers, sorted once.
const std::vector<std::string> &cached_names() {
  static const std::vector<std::string> names = [] {
    int32_t count = 0;
    const icu::Locale *locales = icu::Locale::getAvailableLocales(count);
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) out.emplace_back(locales[i].getName());
    std::sort(out.begin(), out.end());
    return out;
  }();
  return names;
}

}  // namespace

std::vector<std::string> icu_locale_names() { return cached_names(); }

bool icu_offers_locale(std::string_view name) {
  // The list of available locales is the table InstalledLocales of the
  // index bundle res_index, one key a locale.
  if (name.empty() || name.size() > 156 || name.find('\0') != std::string_view::npos) return false;
  UErrorCode status = U_ZERO_ERROR;
  icu::LocalUResourceBundlePointer index(ures_openDirect(nullptr, "res_index", &status));
  icu::LocalUResourceBundlePointer installed(
      ures_getByKey(index.getAlias(), "InstalledLocales", nullptr, &status));
  const std::string key(name);
  icu::LocalUResourceBundlePointer entry(ures_getByKey(installed.getAlias(), key.c_str(), nullptr, &status));
  return U_SUCCESS(status);
}

std::optional<std::string> icu_locale_id(std::string_view name) {
  // "de-DE" is accepted for "de_DE".
  std::string id(name);
  std::replace(id.begin(), id.end(), '-', '_');
  if (icu_offers_locale(id)) return id;
  if (id.empty() || id.find('@') != std::string::npos) return std::nullopt;
  // A name without its script ("zh_CN", "sr_RS") stands for the one ICU
  // offers with the likely script ("zh_Hans_CN").
  icu::Locale likely(id.c_str());
  UErrorCode status = U_ZERO_ERROR;
  likely.addLikelySubtags(status);
  if (U_SUCCESS(status) && !likely.isBogus() && likely.getCountry()[0] != '\0' &&
      std::string(likely.getLanguage()) == icu::Locale(id.c_str()).getLanguage() &&
      icu_offers_locale(likely.getName())) {
    return std::string(likely.getName());
  }
  return std::nullopt;
}

std::shared_ptr<Locale> load_icu_locale(std::string_view name, std::string *error) {
  auto fail = [&](std::string message) -> std::shared_ptr<Locale> {
    if (error != nullptr) *error = std::move(message);
    return nullptr;
  };
  const std::optional<std::string> found = icu_locale_id(name);
  if (!found) {
    return fail("unknown locale '" + std::string(name) + "' (nldat locales lists the available ones)");
  }
  const std::string &id = *found;

  // The module's calendar is the Gregorian one and it reads ASCII digits:
  // locales that default to another calendar or digits are read with the
  // Gregorian calendar and Latin digits.
  const icu::Locale locale = icu::Locale::createFromName((id + "@calendar=gregorian;numbers=latn").c_str());
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(locale, status);
  if (U_FAILURE(status)) return fail("ICU has no date symbols for '" + id + "': " + u_errorName(status));
  CldrPatterns cldr;
  if (!read_patterns(locale, cldr)) return fail("ICU has no date patterns for '" + id + "'");

  auto result = std::make_shared<Locale>(id);
  if (!fill_names(*result, symbols)) return fail("a name of locale '" + id + "' does not fit an entry");
  const auto patterns = choose_patterns(cldr);
  for (size_t k = 0; k < patterns.size(); ++k) {
    const int item = UWN_ITEM_DATE_1 + static_cast<int>(k);
    if (!result->set_text(item, avoid_name_clashes(cldr_to_pattern(patterns[k]), *result))) {
      return fail("pattern item " + std::to_string(item) + " of locale '" + id + "' does not fit an entry");
    }
  }
  fill_icu_number_conventions(*result, id);
  return result;
}

}  // namespace nlhost
