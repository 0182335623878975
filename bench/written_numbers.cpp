// nldat_written_numbers: for every ICU locale, numbers and amounts written by
// ICU and glibc are read back through nlhost::FieldReader (strict, or lenient
// with --lenient) in the same locale.  Prints per writer the share read right
// and the locales wholly right, then the locales still short with a sample.
//   nldat_written_numbers [--lenient] [--module PATH] [--locales DIR] [LOCALE...]
#include "written_numbers.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "nlhost/host.h"
#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"

namespace {

struct Tally {
  size_t read_right = 0, read_wrong = 0, written = 0, locales = 0, locales_right = 0;
  std::vector<std::string> short_locales;  // "locale: written -> read (meant)"
};

void usage(FILE *to) {
  std::fprintf(to,
               "usage: nldat_written_numbers [--lenient] [--module PATH] [--locales DIR] [LOCALE...]\n"
               "Reads numbers and amounts written by ICU and glibc back through the module in every\n"
               "ICU locale (or the ones named) and reports the share read right per writer.\n"
               "  --lenient      read as the module reads, without the whole-field check\n"
               "  --module PATH  the module (default: the one of this build)\n"
               "  --locales DIR  where glibc locales are built with localedef (default: a folder\n"
               "                 beside this build, reused between runs)\n");
}

}  // namespace

int main(int argc, char **argv) {
  bool strict = true;
  std::string module_path = NLDAT_MODULE_PATH;
  std::string locale_dir = NLDAT_WRITTEN_LOCPATH;
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      usage(stdout);
      return 0;
    } else if (arg == "--lenient") {
      strict = false;
    } else if ((arg == "--module" || arg == "--locales") && i + 1 < argc) {
      (arg == "--module" ? module_path : locale_dir) = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "nldat_written_numbers: unknown option %s\n", arg.c_str());
      usage(stderr);
      return 2;
    } else {
      names.push_back(arg);
    }
  }
  if (names.empty()) names = nlhost::icu_locale_names();

  nlhost::Host host;
  host.make_current();
  std::string error;
  auto first = nlhost::load_icu_locale("en_US", &error);
  if (!first) {
    std::fprintf(stderr, "nldat_written_numbers: %s\n", error.c_str());
    return 2;
  }
  host.set_locale(first);
  auto module = nlhost::Module::open(host, module_path, &error);
  if (!module) {
    std::fprintf(stderr, "nldat_written_numbers: %s\n", error.c_str());
    return 2;
  }
  std::map<std::string, nlhost::FieldReader> readers;
  for (const char *name : {"NUMBER", "MONEY"}) {
    auto reader = nlhost::FieldReader::make(host, *module, name, &error);
    if (!reader) {
      std::fprintf(stderr, "nldat_written_numbers: %s\n", error.c_str());
      return 2;
    }
    reader->set_strict(strict);
    readers.emplace(name, std::move(*reader));
  }

  std::vector<Tally> tallies(std::size(written::kWriters));
  size_t glibc_locales = 0;
  for (const std::string &name : names) {
    auto locale = nlhost::load_icu_locale(name, &error);
    if (!locale) {
      std::fprintf(stderr, "nldat_written_numbers: %s\n", error.c_str());
      continue;
    }
    host.set_locale(locale);
    const locale_t glibc = written::glibc_locale(name, locale_dir);
    glibc_locales += glibc != nullptr;
    for (size_t w = 0; w < std::size(written::kWriters); ++w) {
      const written::WriterRow &row = written::kWriters[w];
      const auto samples =
          row.glibc ? written::write_glibc(row.writer, glibc) : written::write_icu(row.writer, name);
      if (samples.empty()) continue;
      Tally &tally = tallies[w];
      ++tally.locales;
      std::string first_miss;  // a wrong reading rather than a field not read
      bool shown_wrong = false;
      size_t right = 0;
      for (const written::Written &sample : samples) {
        double value = 0;
        const bool read = readers.at(row.reader).read(sample.text, &value);
        if (read && written::read_right(value, sample.value)) {
          ++right;
          continue;
        }
        tally.read_wrong += read;
        if (first_miss.empty() || (read && !shown_wrong)) {
          shown_wrong = read;
          char note[256];
          std::snprintf(note, sizeof note, "%s: \"%s\" -> %s (%.17g)", name.c_str(), sample.text.c_str(),
                        read ? ("WRONG " + std::to_string(value)).c_str() : "not read", sample.value);
          first_miss = note;
        }
      }
      tally.written += samples.size();
      tally.read_right += right;
      if (right == samples.size()) {
        ++tally.locales_right;
      } else {
        if (row.glibc) {
          const std::string why = written::glibc_disagrees(row, glibc, *locale);
          first_miss += why.empty() ? "  [unexplained]" : "  [" + why + "]";
        }
        tally.short_locales.push_back(first_miss);
      }
    }
    if (glibc != nullptr) freelocale(glibc);
  }

  std::printf("%s reading, %zu ICU locales (%zu with a glibc locale)\n\n", strict ? "strict" : "lenient",
              names.size(), glibc_locales);
  std::printf(
      "| written by | reader | read right | locales wholly right | read wrong |\n|---|---|---|---|---|\n");
  for (size_t w = 0; w < std::size(written::kWriters); ++w) {
    const Tally &t = tallies[w];
    std::printf("| %s | %s | %.1f%% (%zu of %zu) | %zu of %zu | %zu |\n", written::kWriters[w].name,
                written::kWriters[w].reader, t.written ? 100.0 * t.read_right / t.written : 0.0, t.read_right,
                t.written, t.locales_right, t.locales, t.read_wrong);
  }
  for (size_t w = 0; w < std::size(written::kWriters); ++w) {
    if (tallies[w].short_locales.empty()) continue;
    std::printf("\nshort, %s:\n", written::kWriters[w].name);
    for (const std::string &line : tallies[w].short_locales) std::printf("  %s\n", line.c_str());
  }
  return 0;
}
