// What the detector's parts share: the census of locales and their classes.
#ifndef NLHOST_DETECT_INTERNAL_H
#define NLHOST_DETECT_INTERNAL_H

#include <string>
#include <string_view>
#include <vector>

#include "nlhost/detect.h"
#include "uwinldat.h"

namespace nlhost::detect {

// What reading a column depends on, for one locale: cheap to learn from
// ICU (a fraction of a millisecond), unlike the whole locale.
struct LocaleFacts {
  std::string name;
  std::string language;   // "de"
  std::string date_form;  // the short date pattern, CLDR letters ("dd.MM.yy")
  std::string names;      // month and weekday names, joined: the key of the names
  // The records the number readers read by: NUMBER, PERCENT and MONEY (the
  // local currency, then the international one), as the host loads them.
  uwn_number_convention number{}, percent{}, money{}, money_intl{};
  std::vector<std::string> vocabulary;  // the words of its names, lower case, sorted
};

// Locales that read a kind of column alike, and what they share.
struct LocaleClass {
  std::string meaning;
  Order order = Order::kNone;
  std::vector<const LocaleFacts *> members;              // sorted by name
  const std::vector<std::string> *vocabulary = nullptr;  // names classes: the words of their names
};

struct Census {
  std::vector<LocaleFacts> *locales = nullptr;
  std::vector<LocaleClass> numeric_dates;  // by short date form: where names do not matter
  std::vector<LocaleClass> named_dates;    // by short date form and names
  std::vector<LocaleClass> numbers;        // by the record of each reader
  std::vector<LocaleClass> percent;
  std::vector<LocaleClass> money;
};

// The classes of every locale ICU offers, each kind learnt once for the
// process (ICU's data does not change under it), the first time a column
// needs it.
const std::vector<LocaleClass> &numeric_date_classes();
const std::vector<LocaleClass> &named_date_classes();
const std::vector<LocaleClass> &number_classes();
const std::vector<LocaleClass> &percent_classes();
const std::vector<LocaleClass> &money_classes();
// Whether what each of fields (normalized, as a reader sees them) holds
// besides its number is the currency of one locale, local or ISO: a column
// whose letters are no currency ("Shop 396") is not tried as money, and the
// records of money are not learnt for it.
bool some_currency_in(const std::vector<std::string> &fields);
// One class of every locale: integers read alike in all of them.
const LocaleClass &every_locale();

// The order of day, month and year in a CLDR date pattern.
Order order_of(std::string_view cldr_pattern);

// The words of text (runs of letters, any script), lower case.
std::vector<std::string> words_of(std::string_view text);

// Whether word is a name every locale reads: English month and weekday
// names and their abbreviations, AM and PM, the T and Z of ISO 8601.
bool universal_word(std::string_view word);

}  // namespace nlhost::detect

#endif  // NLHOST_DETECT_INTERNAL_H
