// Field normalization and nlhost::FieldReader, strict and lenient, over the
// number, money and percent readers and the date informats.  The first byte
// picks the locale, the second the reader and the mode; the rest is the
// field.  The module is the shared object of this build, loaded as a host
// loads it.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "nlhost/host.h"
#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"

namespace {

constexpr const char *kLocales[] = {"en_US", "de_DE", "fr_FR", "de_CH", "en_IN", "en_SX",   "ar_EG", "ar_AE",
                                    "ps",    "fa_IR", "ks",    "hi_IN", "ja_JP", "ff_Adlm", "tr_TR", "sv_SE"};
constexpr const char *kReaders[] = {"NUMBER",  "MONEY",   "PERCENT",  "NLDATE", "NLDATM",
                                    "NLDATEW", "NLDATMW", "NLDATMAP", "WEEK"};

struct State {
  nlhost::Host host;
  std::unique_ptr<nlhost::Module> module;
  std::shared_ptr<nlhost::Locale> locales[std::size(kLocales)];
};

State &state() {
  static State *s = [] {
    auto *created = new State;
    created->host.make_current();
    std::string error;
    for (size_t i = 0; i < std::size(kLocales); ++i) {
      created->locales[i] = nlhost::load_icu_locale(kLocales[i], &error);
      if (!created->locales[i]) __builtin_trap();
    }
    created->host.set_locale(created->locales[0]);
    created->module = nlhost::Module::open(created->host, NLDAT_MODULE_PATH, &error);
    if (!created->module) __builtin_trap();
    return created;
  }();
  return *s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  State &s = state();
  if (size < 2) return 0;
  s.host.set_locale(s.locales[data[0] % std::size(kLocales)]);
  const char *name = kReaders[(data[1] >> 1) % std::size(kReaders)];
  // The field in a block of its own size, so that a read past it is caught.
  const size_t length = size - 2;
  std::unique_ptr<char[]> field(new char[length ? length : 1]);
  if (length != 0) std::memcpy(field.get(), data + 2, length);
  const std::string_view text(field.get(), length);

  std::string scratch;
  const std::string_view normalized = nlhost::normalize_field(text, scratch);
  // Normalization never lengthens a field.
  if (normalized.size() > text.size()) __builtin_trap();

  std::string error;
  auto reader = nlhost::FieldReader::make(s.host, *s.module, name, &error);
  if (!reader) __builtin_trap();
  reader->set_strict(data[1] & 1);
  double value = 0;
  reader->read(text, &value);
  return 0;
}
