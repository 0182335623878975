// nldat_written_dates: how much of what other software writes in each locale
// reads back to the right value.
//
// For every locale ICU offers, a fixed sample of dates and datetimes is
// written by ICU's DateFormat (short, medium, long and full dates; short and
// medium datetimes) and by glibc's strftime("%x") (glibc locales built with
// localedef into a cache folder), then read back through nlhost::FieldReader
// (strict) in the same locale.  Per row: the share read to the right value,
// the share read to a wrong one, and the locales wholly right; then the
// locales still short with their first failing samples.
//
//   nldat_written_dates [--locales a,b,...] [--list N] [--glibc-dir DIR] [--glibc-cached] [--no-glibc]
//
// --glibc-cached uses only the glibc locales already built in DIR (localedef
// costs about a second of CPU per locale).
#include <langinfo.h>
#include <locale.h>
#include <sys/stat.h>
#include <unicode/datefmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "nlhost/civil.h"
#include "nlhost/host.h"
#include "nlhost/icu_locale.h"
#include "nlhost/reading.h"

namespace {

constexpr int kYearWindow = 1960;

struct Sample {
  int year, month, day, hour, minute, second;
};

// Days 1-28, months 1-12, years 1960-2060, every hour (so AM and PM), and
// minutes and seconds that are not all zero.
std::vector<Sample> samples() {
  std::vector<Sample> out;
  for (int i = 0; i < 48; ++i) {
    out.push_back(
        {1960 + (i * 37) % 101, i % 12 + 1, (i * 11) % 28 + 1, i % 24, (i * 13) % 60, (i * 29) % 60});
  }
  out.push_back({2060, 12, 28, 23, 59, 59});
  out.push_back({1960, 1, 1, 0, 0, 0});
  return out;
}

int64_t days_of(const Sample &s) { return nlhost::civil::days_from_civil(s.year, s.month, s.day); }

enum class Writer { kIcuDate, kIcuDatetime, kGlibc };

struct Row {
  const char *title;
  Writer writer;
  icu::DateFormat::EStyle style;
  const char *informat;
};
constexpr Row kRows[] = {
    {"ICU short date", Writer::kIcuDate, icu::DateFormat::kShort, "NLDATE"},
    {"ICU medium date", Writer::kIcuDate, icu::DateFormat::kMedium, "NLDATE"},
    {"ICU long date", Writer::kIcuDate, icu::DateFormat::kLong, "NLDATE"},
    {"ICU full date", Writer::kIcuDate, icu::DateFormat::kFull, "NLDATEW"},
    {"ICU short datetime", Writer::kIcuDatetime, icu::DateFormat::kShort, "NLDATM"},
    {"ICU medium datetime", Writer::kIcuDatetime, icu::DateFormat::kMedium, "NLDATM"},
    {"glibc strftime(\"%x\")", Writer::kGlibc, icu::DateFormat::kNone, "NLDATE"},
};

struct Tally {
  long total = 0, right = 0, wrong = 0;
  int locales = 0, whole = 0;
  std::vector<std::string> short_locales;
};

// The year a written text stands for: two-digit years through the window.
int written_year(int year, bool two_digits) {
  return two_digits ? static_cast<int>(nlhost::civil::year_in_window(year % 100, kYearWindow)) : year;
}

bool pattern_has_two_digit_year(const icu::UnicodeString &pattern) {
  bool quoted = false;
  for (int32_t i = 0; i < pattern.length();) {
    const char16_t c = pattern.charAt(i);
    if (c == '\'') {
      quoted = !quoted;
      ++i;
      continue;
    }
    int32_t run = 1;
    while (i + run < pattern.length() && pattern.charAt(i + run) == c) ++run;
    if (!quoted && c == 'y' && run == 2) return true;
    i += run;
  }
  return false;
}

// A glibc locale of the given name built (once, cached in dir) by localedef.
locale_t glibc_locale(const std::string &dir, const std::string &name, bool cached_only) {
  const std::string path = dir + "/" + name + ".UTF-8";
  struct stat st {};
  if (stat((path + "/LC_TIME").c_str(), &st) != 0) {
    if (cached_only) return nullptr;
    const std::string command = "localedef -i '" + name + "' -f UTF-8 '" + path + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1) return nullptr;
    if (stat((path + "/LC_TIME").c_str(), &st) != 0) return nullptr;
  }
  return newlocale(LC_ALL_MASK, (name + ".UTF-8").c_str(), nullptr);
}

// The glibc locales that have a UTF-8 form and an ICU locale of the same name.
std::set<std::string> glibc_names() {
  std::set<std::string> out;
  std::ifstream supported("/usr/share/i18n/SUPPORTED");
  std::string line;
  while (std::getline(supported, line)) {
    std::istringstream words(line);
    std::string name, charset;
    words >> name >> charset;
    if (charset != "UTF-8" || name.find('@') != std::string::npos) continue;
    const size_t dot = name.find('.');
    out.insert(dot == std::string::npos ? name : name.substr(0, dot));
  }
  return out;
}

std::string utf8(const icu::UnicodeString &s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<std::string> only;
  size_t list = 5;
  bool glibc = true, glibc_cached = false;
  std::string glibc_dir =
      std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/nldat-glibc-locales";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--locales" && i + 1 < argc) {
      std::istringstream names(argv[++i]);
      for (std::string name; std::getline(names, name, ',');) only.push_back(name);
    } else if (arg == "--list" && i + 1 < argc) {
      list = static_cast<size_t>(std::atoi(argv[++i]));
    } else if (arg == "--glibc-dir" && i + 1 < argc) {
      glibc_dir = argv[++i];
    } else if (arg == "--glibc-cached") {
      glibc_cached = true;
    } else if (arg == "--no-glibc") {
      glibc = false;
    } else {
      std::fprintf(
          stderr,
          "usage: nldat_written_dates [--locales a,b,...] [--list N] [--glibc-dir DIR] [--glibc-cached]\n"
          "                           [--no-glibc]\n"
          "Writes a sample of dates and datetimes with ICU and glibc in every locale and reads\n"
          "them back through nlhost::FieldReader; prints the share read right per row.\n");
      return arg == "--help" ? 0 : 2;
    }
  }
  if (glibc) {
    if (std::system("command -v localedef >/dev/null 2>&1") != 0 ||
        access("/usr/share/i18n/SUPPORTED", R_OK) != 0) {
      std::fprintf(
          stderr,
          "note: no localedef or glibc locale sources (Debian package 'locales'): glibc row skipped\n");
      glibc = false;
    } else {
      mkdir(glibc_dir.c_str(), 0755);
      setenv("LOCPATH", glibc_dir.c_str(), 1);
    }
  }

  nlhost::Host host;
  host.set_year_window(kYearWindow);
  std::string error;
  auto module = nlhost::Module::open(host, NLDAT_MODULE_PATH, &error);
  if (!module) {
    std::fprintf(stderr, "nldat_written_dates: %s\n", error.c_str());
    return 1;
  }
  std::map<std::string, nlhost::FieldReader> readers;
  for (const char *name : {"NLDATE", "NLDATEW", "NLDATM"}) {
    auto reader = nlhost::FieldReader::make(host, *module, name, &error);
    if (!reader) {
      std::fprintf(stderr, "nldat_written_dates: %s\n", error.c_str());
      return 1;
    }
    readers.emplace(name, std::move(*reader));
  }

  const std::vector<std::string> names = only.empty() ? nlhost::icu_locale_names() : only;
  const std::set<std::string> glibc_available = glibc ? glibc_names() : std::set<std::string>{};
  const std::vector<Sample> sample = samples();
  std::vector<Tally> tallies(std::size(kRows));
  int skipped = 0;

  for (const std::string &name : names) {
    auto locale = nlhost::load_icu_locale(name, &error);
    if (!locale) {
      ++skipped;
      continue;
    }
    host.set_locale(locale);
    // The locale's own digits and the Gregorian calendar (the module's values are Gregorian).
    const icu::Locale icu_locale = icu::Locale::createFromName((name + "@calendar=gregorian").c_str());
    for (size_t r = 0; r < std::size(kRows); ++r) {
      const Row &row = kRows[r];
      std::unique_ptr<icu::DateFormat> format;
      locale_t c_locale = nullptr;
      bool two_digit_year = false;
      if (row.writer == Writer::kGlibc) {
        if (glibc_available.count(name) == 0) continue;
        c_locale = glibc_locale(glibc_dir, name, glibc_cached);
        if (c_locale == nullptr) continue;
        const std::string d_fmt = nl_langinfo_l(D_FMT, c_locale);
        two_digit_year = d_fmt.find("%y") != std::string::npos || d_fmt.find("%Oy") != std::string::npos ||
                         d_fmt.find("%Ey") != std::string::npos;
      } else {
        format.reset(row.writer == Writer::kIcuDate
                         ? icu::DateFormat::createDateInstance(row.style, icu_locale)
                         : icu::DateFormat::createDateTimeInstance(row.style, row.style, icu_locale));
        if (!format) continue;
        format->setTimeZone(*icu::TimeZone::getGMT());
        icu::UnicodeString pattern;
        if (auto *simple = dynamic_cast<icu::SimpleDateFormat *>(format.get())) simple->toPattern(pattern);
        two_digit_year = pattern_has_two_digit_year(pattern);
      }
      Tally &tally = tallies[r];
      nlhost::FieldReader &reader = readers.at(row.informat);
      ++tally.locales;
      int right = 0;
      std::vector<std::string> failures;
      for (const Sample &s : sample) {
        const bool with_time = row.writer == Writer::kIcuDatetime;
        const bool with_seconds = with_time && row.style == icu::DateFormat::kMedium;
        const int64_t days = days_of(s);
        std::string text;
        if (c_locale != nullptr) {
          std::tm tm{};
          tm.tm_year = s.year - 1900;
          tm.tm_mon = s.month - 1;
          tm.tm_mday = s.day;
          tm.tm_wday = nlhost::civil::weekday(days) - 1;
          char buffer[256];
          const size_t n = strftime_l(buffer, sizeof buffer, "%x", &tm, c_locale);
          text.assign(buffer, n);
        } else {
          const double seconds =
              with_time ? s.hour * 3600 + s.minute * 60 + (with_seconds ? s.second : 0) : 0;
          icu::UnicodeString written;
          format->format((static_cast<double>(days - 3653) * 86400 + seconds) * 1000, written);
          text = utf8(written);
        }
        const int year = written_year(s.year, two_digit_year);
        double expected = static_cast<double>(nlhost::civil::days_from_civil(year, s.month, s.day));
        if (with_time)
          expected = expected * 86400 + s.hour * 3600 + s.minute * 60 + (with_seconds ? s.second : 0);
        double got = std::nan("");
        const bool read = reader.read(text, &got);
        ++tally.total;
        if (read && got == expected) {
          ++right;
          continue;
        }
        if (read) ++tally.wrong;
        if (failures.size() < 3) {
          char value[64];
          std::snprintf(value, sizeof value, read ? "%.0f (wrong)" : "not read", got);
          failures.push_back("\"" + text + "\" " + value);
        }
      }
      tally.right += right;
      if (c_locale != nullptr) freelocale(c_locale);
      if (right == static_cast<int>(sample.size())) {
        ++tally.whole;
      } else {
        std::string line = name + ":";
        for (const std::string &f : failures) line += " " + f;
        tally.short_locales.push_back(line);
      }
    }
  }

  std::printf("| written by | informat | read right | read wrong | locales wholly right |\n");
  std::printf("|---|---|---|---|---|\n");
  for (size_t r = 0; r < std::size(kRows); ++r) {
    const Tally &t = tallies[r];
    if (t.total == 0) continue;
    std::printf("| %s | %s | %.1f%% | %.2f%% | %d of %d |\n", kRows[r].title, kRows[r].informat,
                100.0 * static_cast<double>(t.right) / static_cast<double>(t.total),
                100.0 * static_cast<double>(t.wrong) / static_cast<double>(t.total), t.whole, t.locales);
  }
  if (skipped > 0) std::printf("\n%d locale(s) that load_icu_locale refuses were skipped\n", skipped);
  for (size_t r = 0; r < std::size(kRows); ++r) {
    const Tally &t = tallies[r];
    if (t.short_locales.empty() || list == 0) continue;
    std::printf("\n%s, %zu locale(s) short:\n", kRows[r].title, t.short_locales.size());
    for (size_t k = 0; k < t.short_locales.size() && k < list; ++k)
      std::printf("  %s\n", t.short_locales[k].c_str());
    if (t.short_locales.size() > list) std::printf("  ... %zu more\n", t.short_locales.size() - list);
  }
  return 0;
}
