// nldat info and nldat locales: what the module says about itself, and the
// locales the host can load.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

#include "cli.h"
#include "nlhost/icu_locale.h"

namespace nldat {
namespace {

std::string_view field_text(const char *field, size_t size) {
  std::string_view text(field, size);
  return text.substr(0, text.find('\0'));
}

std::string hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

int cmd_info(Context &context) {
  nlhost::Module *module = context.module();
  if (module == nullptr) return kExitUsage;
  const uwn_image_information &image = *module->image();
  out() << "module       " << module->path() << "\n"
        << "eye-catcher  " << field_text(image.eye_catcher, sizeof image.eye_catcher) << "\n"
        << "magic        " << hex(image.magic) << "\n"
        << "release      " << field_text(image.release, sizeof image.release) << "\n"
        << "build        " << field_text(image.build_id, sizeof image.build_id) << "\n"
        << "build date   " << field_text(image.build_date, sizeof image.build_date) << "\n"
        << "level        " << field_text(image.level, sizeof image.level) << "\n"
        << "notice       " << (image.notice != nullptr ? image.notice : "") << "\n"
        << "entries\n";
  for (const uwn_entry_descriptor *const *entry = image.entries; entry != nullptr && *entry != nullptr;
       ++entry) {
    const uwn_entry_descriptor &e = **entry;
    out() << "  " << field_text(e.name, sizeof e.name) << "  routine "
          << (e.routine != nullptr ? "yes" : "no") << ", fields " << hex(e.value_8) << ' ' << hex(e.value_16)
          << ' ' << static_cast<int64_t>(e.value_48) << ' ' << static_cast<int64_t>(e.value_56) << ' '
          << hex(e.value_64) << ' ' << static_cast<int64_t>(e.value_72) << '\n';
  }
  out() << "informats    " << static_cast<int64_t>(module->informats().size()) << "\n";
  out() << "  name        min  max  default\n";
  for (const nlhost::Module::Informat &f : module->informats()) {
    out() << "  " << f.name;
    for (size_t n = f.name.size(); n < 10; ++n) out() << ' ';
    char widths[48];
    std::snprintf(widths, sizeof widths, "%5u%5u%9u", f.item->min_width, f.item->max_width,
                  f.item->default_width);
    out() << widths << (f.routine != nullptr ? "" : "  (no routine)") << '\n';
  }
  return kExitOk;
}

int cmd_locales(Context &) {
  for (const std::string &name : nlhost::icu_locale_names()) out() << name << '\n';
  return kExitOk;
}

}  // namespace

Command add_info(CLI::App &app) {
  return {app.add_subcommand("info", "show the module's image record, entry list and informat table"),
          cmd_info};
}

Command add_locales(CLI::App &app) {
  return {app.add_subcommand("locales", "list the locales the host can load"), cmd_locales};
}

}  // namespace nldat
