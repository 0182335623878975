// Real locales from ICU (CLDR data), in the module's item layout.
#ifndef NLHOST_ICU_LOCALE_H
#define NLHOST_ICU_LOCALE_H

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nlhost/host.h"

namespace nlhost {

// The names of every locale ICU offers (e.g. "de_DE"), sorted.
std::vector<std::string> icu_locale_names();

// Whether name is one of them, looked up in ICU's index of its locales
// without building the list (which costs a few milliseconds).
bool icu_offers_locale(std::string_view name);

// The name of the locale ICU offers for name: name itself, with '-' for '_'
// ("de-DE"), or with the likely script a name without one stands for
// ("zh_CN" is "zh_Hans_CN"); nothing when ICU offers none.
std::optional<std::string> icu_locale_id(std::string_view name);

// Builds a locale from ICU's data: names, AM/PM, quarters, the converted date
// and time patterns, and the number conventions.  An unknown name is an
// error: null, with *error saying why.
std::shared_ptr<Locale> load_icu_locale(std::string_view name, std::string *error);

// Converts a CLDR date/time pattern (UTF-16) into the module's pattern
// language: numeric fields two digits wide, four-digit years, names by
// %B/%b/%A/%a, AM/PM by %P, literals unquoted and "%" doubled, no-break
// spaces as blanks; fields the language cannot express are left out.
std::string cldr_to_pattern(std::u16string_view cldr);

// Fills the number-convention items 111 to 114 of locale from ICU's data for
// the locale named icu_name.
void fill_icu_number_conventions(Locale &locale, std::string_view icu_name);

// The record of one of those items (UWN_ITEM_NUMBER to UWN_ITEM_MONEY_INTL),
// as fill_icu_number_conventions would set it; nothing for another item.
// Detection keys its classes of locales on it: what the number readers read
// by is this record and nothing else.
std::optional<uwn_number_convention> icu_number_convention(std::string_view icu_name, int item);

}  // namespace nlhost

#endif
