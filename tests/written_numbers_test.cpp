// Numbers and amounts as ICU and glibc write them in a sample of locales,
// read back strictly through nlhost::FieldReader in the same locale.  Every
// ICU-written field must read right; a glibc-written one may fail only where
// glibc's data and CLDR's disagree (separators, currency text, sign place).
#include "../bench/written_numbers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"

namespace {

constexpr const char *kSample[] = {
    "en_US", "en_GB", "en_IN", "en_SX", "de_DE", "de_CH", "fr_FR", "fr_CH", "fr_SN",      "it_IT", "es_ES",
    "es_MX", "es_PA", "pt_BR", "pt_PT", "nl_NL", "sv_SE", "fi_FI", "nb_NO", "da_DK",      "pl_PL", "cs_CZ",
    "ru_RU", "uk_UA", "tr_TR", "el_GR", "he_IL", "ar_EG", "ar_AE", "ar_SA", "fa_IR",      "ps_AF", "ks",
    "hi_IN", "bn_BD", "ta_LK", "my_MM", "ja_JP", "zh_CN", "ko_KR", "th_TH", "ff_Adlm_BF",
};

TEST(WrittenNumbers, ReadBackInTheLocaleThatWroteThem) {
  nlhost::Host host;
  host.make_current();
  std::string error;
  host.set_locale(nlhost::load_icu_locale("en_US", &error));
  auto module = nlhost::Module::open(host, NLDAT_MODULE_PATH, &error);
  ASSERT_NE(module, nullptr) << error;
  auto number = nlhost::FieldReader::make(host, *module, "NUMBER", &error);
  auto money = nlhost::FieldReader::make(host, *module, "MONEY", &error);
  ASSERT_TRUE(number && money) << error;
  const std::string locale_dir = (std::filesystem::temp_directory_path() / "nldat-written-locales").string();

  int glibc_locales = 0;
  for (const char *name : kSample) {
    auto locale = nlhost::load_icu_locale(name, &error);
    ASSERT_NE(locale, nullptr) << error;
    host.set_locale(locale);
    const locale_t glibc = written::glibc_locale(name, locale_dir);
    glibc_locales += glibc != nullptr;
    for (const written::WriterRow &row : written::kWriters) {
      const auto samples =
          row.glibc ? written::write_glibc(row.writer, glibc) : written::write_icu(row.writer, name);
      nlhost::FieldReader &reader = std::string_view(row.reader) == "NUMBER" ? *number : *money;
      if (row.glibc && glibc == nullptr) continue;
      const std::string disagreement = row.glibc ? written::glibc_disagrees(row, glibc, *locale) : "";
      for (const written::Written &sample : samples) {
        SCOPED_TRACE(std::string(name) + " " + row.name + " [" + sample.text + "]");
        double value = 0;
        const bool read = reader.read(sample.text, &value);
        if (!disagreement.empty()) {
          // Not read at all rather than read wrong.
          if (read) {
            EXPECT_TRUE(written::read_right(value, sample.value)) << value;
          }
          continue;
        }
        EXPECT_TRUE(read);
        if (read) {
          EXPECT_TRUE(written::read_right(value, sample.value)) << value << " for " << sample.value;
        }
      }
    }
    if (glibc != nullptr) freelocale(glibc);
  }
  if (glibc_locales == 0)
    std::printf("no glibc locale could be built (localedef, locales): glibc rows skipped\n");
}

}  // namespace
