// Stands in for the number conventions from ICU until icu_numbers.cpp lands;
// delete this file then (the weak definition would otherwise win the link
// when nothing else pulls icu_numbers.o out of the archive).
#include "nlhost/icu_locale.h"

namespace nlhost {

__attribute__((weak)) void fill_icu_number_conventions(Locale &, std::string_view) {}

}  // namespace nlhost
