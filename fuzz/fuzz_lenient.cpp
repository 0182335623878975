// The host's lenient standard informats on untrusted text: the first byte
// picks the locale, the second the informat, the rest is the field, read
// from an exactly-sized block both raw (as the module hands it over) and
// through the field reader's normalization.
#include "fuzz_host.h"
#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"

namespace {

// Locales whose forms differ in every way the reader cares about: names and
// their case, digits, day periods, eras, time before date.
constexpr const char *kLocales[] = {"en_US", "de_DE", "fr_FR", "ru_RU", "ar_EG", "zh_Hant_TW",
                                    "ja_JP", "ko_KR", "vi_VN", "th_TH", "fa_IR", "hi_IN",
                                    "bn_BD", "dz_BT", "es_ES", "pl_PL"};
constexpr const char *kInformats[] = {"DATE", "DATETIME", "WEEKDATE", "TWNDY", "DATEAMPM"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static std::vector<std::shared_ptr<nlhost::Locale>> locales = [] {
    std::vector<std::shared_ptr<nlhost::Locale>> out;
    for (const char *name : kLocales) {
      std::string error;
      out.push_back(nlhost::load_icu_locale(name, &error));
    }
    return out;
  }();
  if (size < 2) return 0;
  auto &host = nldat_fuzz::host();
  const auto &locale = locales[data[0] % std::size(kLocales)];
  if (locale == nullptr) return 0;
  host.set_locale(locale);
  host.set_year_window(1900 + data[0] % 128);
  const auto *informat = host.find_informat(kInformats[data[1] % std::size(kInformats)]);
  const std::string field(reinterpret_cast<const char *>(data + 2), size - 2);
  nldat_fuzz::Exact text(field);
  double value = -7;
  uwn_informat_block block{};
  block.width = text.size();
  block.text = text.data();
  block.text_length = text.size();
  block.result = &value;
  const int32_t raw = (*informat)(&block);
  if (raw == 0 && !(value >= -11928470400.0 && value < 569318630400.0)) __builtin_trap();
  // The field as the field reader hands it over reads the same, where
  // normalizing it again changes nothing (in broken UTF-8 a dropped mark can
  // join bytes into a new one).
  std::string scratch, scratch_again;
  const std::string once(nlhost::trim_blanks(nlhost::normalize_field(field, scratch)));
  if (nlhost::trim_blanks(nlhost::normalize_field(once, scratch_again)) != once) return 0;
  nldat_fuzz::Exact normalized{once};
  double second = -7;
  block.text = normalized.data();
  block.text_length = normalized.size();
  block.result = &second;
  const int32_t again = (*informat)(&block);
  if (raw != again || (raw == 0 && value != second)) __builtin_trap();
  return 0;
}
