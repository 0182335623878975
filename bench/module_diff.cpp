// Old against new: two builds of the module loaded on one host and called
// with the same arguments must answer alike: the same status, the same bytes
// in and around the output field, the same values, and the same host calls
// (service and argument, in order).  A change made for speed lands only when
// this finds no difference.
//
//   nldat_module_diff [--numbers] OLD.so NEW.so [CORPUS_DIR ...]
//
// Inputs: every day from 1582 to 2100 under every week rule, a grid of
// widths, dates that are not whole days or not dates at all, and each file of
// the corpus directories read as (rule, width, date) the way the week fuzzer
// reads its bytes.  Then the date writer, zkfdate: patterns of every
// directive (and bad ones, multibyte characters, expansions past the work
// area, locale items) over dates across the range and beyond it, missing
// values, and fields wide, exact, too narrow and right-aligned.  Then the
// date reader: NLDATE, NLDATM, zkpdate,
// zkpdttm and zkptime over every pattern of three directives and two literal bytes from a
// set of letters and separators, each with texts of 7 to 12 bytes made to fit
// it and to miss it (other digits, separators, blanks, host-declared
// multibyte lead bytes), over datetime patterns (the numeric shapes with
// every byte of the text spoiled and every cut, under lead bytes of their
// own), and over each corpus file as
// a text and as a pattern, with the host's UTF-8 and with
// lead bytes of its own.  Then the number readers, zifmcma, zifmpct,
// zkifnum, zkifmny and zkifpct: the number-convention records ICU gives a
// spread of locales and records made up of digits, blanks, apostrophes,
// signs and separators standing in each other's places, parenthesis styles
// and currencies holding digits or separators, each with amounts written in
// it, spoiled byte by byte and cut, random fields of its bytes, a grid of
// widths and decimals, every corpus file as a field, and the host's lookup
// and numeric reader failing; beside the recorded calls, every text, width
// and decimals the host's numeric reader is handed and the block as it is
// left.  Exit status 0 when nothing differs, 1 at the first difference
// (described on stderr), 2 for bad usage or a module that does not load.
#include <dirent.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "nlhost/civil.h"
#include "nlhost/host.h"
#include "nlhost/icu_locale.h"
#include "nlhost/testing.h"

namespace {

using Zkfweek = int32_t (*)(char *, int32_t *, const char *, int32_t, double);
using Zkweek = int32_t (*)(double *, void *, const char *, int32_t, double);
using Zkfdate = int32_t (*)(char *, int32_t *, const char *, int32_t, double);
using Zkpdate = int32_t (*)(const char *, int32_t, const char *, int32_t, double *);
using Zkpdttm = Zkpdate;
using Zkifnum = int32_t (*)(intptr_t, intptr_t, const void *, int32_t, uwn_informat_block *);

struct Build {
  std::unique_ptr<nlhost::Module> module;
  Zkfweek zkfweek = nullptr;
  Zkweek zkweek = nullptr;
  Zkfdate zkfdate = nullptr;
  Zkfdate zkfdttm = nullptr;  // the same signature: a datetime in seconds
  Zkfdate zkftime = nullptr;  // a time in seconds, hours not reduced to a day
  Zkpdate zkpdate = nullptr;
  Zkpdttm zkpdttm = nullptr;
  Zkpdttm zkptime = nullptr;  // the same signature: a time of day in seconds
  uwn_informat_fn nldate = nullptr;
  uwn_informat_fn nldatm = nullptr;
  // The number readers, by NumberReader.
  uwn_informat_fn zifmcma = nullptr;
  uwn_informat_fn zifmpct = nullptr;
  Zkifnum zkifnum = nullptr;
  Zkifnum zkifmny = nullptr;
  Zkifnum zkifpct = nullptr;
};

enum class NumberReader { kZifmcma, kZifmpct, kZkifnum, kZkifmny, kZkifpct };
constexpr const char *kNumberReaderNames[] = {"zifmcma", "zifmpct", "zkifnum", "zkifmny", "zkifpct"};

// What the host's numeric reader was handed, call by call: the spy in its
// slot appends the block's width, decimals, text length and the bytes it
// reads.  Its first ServiceWatch routine is called on, so that the calls are
// still recorded and can still be failed.
std::string *g_numeric_seen = nullptr;
uwn_informat_fn g_watched_wzifmn = nullptr;
constexpr int kNumericVector = UWN_VECTOR_TOOLKIT, kNumericSlot = 305;

int32_t spy_wzifmn(uwn_informat_block *block) {
  if (g_numeric_seen != nullptr && block != nullptr) {
    std::string &seen = *g_numeric_seen;
    seen.append("[w").append(std::to_string(block->width));
    seen.append(" d").append(std::to_string(block->decimals));
    seen.append(" l").append(std::to_string(block->text_length)).append(" \"");
    int32_t n = block->width < block->text_length ? block->width : block->text_length;
    if (block->text == nullptr || n < 0) n = 0;
    if (n > 512) n = 512;
    seen.append(block->text, static_cast<size_t>(n));
    seen += "\"]";
  }
  return g_watched_wzifmn(block);
}

// What one call left behind.
struct Answer {
  int32_t status = 0;
  int32_t width = 0;
  std::string bytes;  // the output field with its guard bytes
  uint64_t value = 0;
  std::vector<nlhost::ServiceCall> calls;
};

bool same(const Answer &a, const Answer &b) {
  if (a.status != b.status || a.width != b.width || a.bytes != b.bytes || a.value != b.value) return false;
  if (a.calls.size() != b.calls.size()) return false;
  for (size_t i = 0; i < a.calls.size(); ++i)
    if (a.calls[i].service != b.calls[i].service || a.calls[i].number != b.calls[i].number ||
        a.calls[i].text != b.calls[i].text)
      return false;
  return true;
}

std::string describe(const Answer &a) {
  std::string s = "status " + std::to_string(a.status) + ", width " + std::to_string(a.width) + ", bytes \"" +
                  a.bytes + "\", value bits " + std::to_string(a.value) + ", calls";
  for (const auto &c : a.calls) s += " " + c.service + "(" + std::to_string(c.number) + ")";
  return s;
}

uint64_t bits(double x) {
  uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

class Diff {
 public:
  Diff(nlhost::Host &host, Build &old_build, Build &new_build)
      : watch_(host), old_(old_build), new_(new_build) {
    watch_.record_calls(true);
    g_watched_wzifmn = reinterpret_cast<uwn_informat_fn>(watch_.service(kNumericVector, kNumericSlot));
    watch_.set_service(kNumericVector, kNumericSlot, reinterpret_cast<void *>(&spy_wzifmn));
  }

  // Runs call on both builds; false (after saying why) when they differ.
  template <class Call>
  bool compare(const char *what, const std::string &args, Call call) {
    const Answer a = run(old_, call), b = run(new_, call);
    ++cases_;
    if (same(a, b)) return true;
    std::fprintf(stderr, "%s(%s) differs:\n  old: %s\n  new: %s\n", what, args.c_str(), describe(a).c_str(),
                 describe(b).c_str());
    return false;
  }

  bool week(char rule, int32_t width, double date) {
    const std::string args = std::string(1, rule) + ", width " + std::to_string(width) + ", " + show(date);
    return compare("zkfweek", args,
                   [&](const Build &m, Answer &out) {
                     field(out, width,
                           [&](char *dest, int32_t *w) { return m.zkfweek(dest, w, &rule, 1, date); });
                   }) &&
           compare("zkweek", args, [&](const Build &m, Answer &out) {
             double week = -7;
             out.status = m.zkweek(&week, nullptr, &rule, 1, date);
             out.value = bits(week);
           });
  }

  bool written(const std::string &pattern, int32_t width, double date) {
    const std::unique_ptr<char[]> pat(copy(pattern));
    return written(pat.get(), static_cast<int32_t>(pattern.size()), width, date);
  }

  // zkfdttm and zkftime (a datetime and a time of day, both in seconds).
  bool written_time(const std::string &pattern, int32_t width, double seconds) {
    const std::unique_ptr<char[]> pat(copy(pattern));
    std::string args(1, '"');
    args.append(printable(pattern))
        .append("\", width ")
        .append(std::to_string(width))
        .append(", ")
        .append(show(seconds));
    const auto length = static_cast<int32_t>(pattern.size());
    return compare("zkfdttm", args,
                   [&](const Build &m, Answer &out) {
                     field(out, width, [&](char *dest, int32_t *w) {
                       return m.zkfdttm(dest, w, pat.get(), length, seconds);
                     });
                   }) &&
           compare("zkftime", args, [&](const Build &m, Answer &out) {
             field(out, width,
                   [&](char *dest, int32_t *w) { return m.zkftime(dest, w, pat.get(), length, seconds); });
           });
  }

  // zkfdate with a pattern that may be null (a locale item by its number).
  bool written(const char *pattern, int32_t length, int32_t width, double date) {
    std::string args;
    if (pattern == nullptr)
      args.append("item ").append(std::to_string(length));
    else
      args.append(1, '"').append(printable(std::string(pattern, static_cast<size_t>(length)))).append(1, '"');
    args.append(", width ").append(std::to_string(width)).append(", ").append(show(date));
    return compare("zkfdate", args, [&](const Build &m, Answer &out) {
      field(out, width, [&](char *dest, int32_t *w) { return m.zkfdate(dest, w, pattern, length, date); });
    });
  }

  // text read by NLDATE and NLDATM (the locale's items 28 and 29, 31 and 32)
  // and by zkpdate, zkpdttm and zkptime with pattern, each text at the end of a buffer
  // of its own so that a read past it is seen by the sanitizers.
  bool read(const std::string &pattern, const std::string &text) {
    std::string args = "\"";
    args.append(printable(pattern)).append("\", \"").append(printable(text)).append("\"");
    return compare("NLDATE", args, [&](const Build &m, Answer &out) { informat(m.nldate, text, out); }) &&
           compare("zkpdate", args,
                   [&](const Build &m, Answer &out) { parser(m.zkpdate, pattern, text, out); }) &&
           compare("NLDATM", args, [&](const Build &m, Answer &out) { informat(m.nldatm, text, out); }) &&
           compare("zkpdttm", args,
                   [&](const Build &m, Answer &out) { parser(m.zkpdttm, pattern, text, out); }) &&
           compare("zkptime", args,
                   [&](const Build &m, Answer &out) { parser(m.zkptime, pattern, text, out); });
  }

  // One field read by a number reader: the text in a buffer of exactly
  // text_length bytes (the field cut or blank-padded to it), with the given
  // width, decimals and flags; fail names a service whose nth call from the
  // start of the call fails.
  bool number(NumberReader reader, int32_t item, const std::string &field, int32_t width, int32_t decimals,
              uint8_t flags, const std::string &record, const char *fail = nullptr, int nth = 0,
              int32_t text_length = -2, bool reserved = false) {
    std::string text = field;
    if (text_length == -2) text_length = static_cast<int32_t>(field.size());
    text.resize(text_length < 0 ? 0 : static_cast<size_t>(text_length), ' ');
    std::string args = record + ", item " + std::to_string(item) + ", \"" + printable(field) + "\", width " +
                       std::to_string(width) + ", text length " + std::to_string(text_length) +
                       ", decimals " + std::to_string(decimals) + ", flags " + std::to_string(flags);
    if (fail != nullptr) args.append(", failing ").append(fail).append(" #").append(std::to_string(nth));
    if (reserved) args.append(", reserved");
    fail_ = fail;
    nth_ = nth;
    const bool ok =
        compare(kNumberReaderNames[static_cast<int>(reader)], args, [&](const Build &m, Answer &out) {
          const std::unique_ptr<char[]> bytes(copy(text));
          double value = -7;
          uwn_informat_block block{};
          std::memset(&block, 0x5A, sizeof block);
          block.width = width;
          block.decimals = decimals;
          block.text = bytes.get();
          block.text_length = text_length;
          block.result = &value;
          block.reported_length = -5;
          block.flags = flags;
          const uwn_informat_block before = block;
          std::string seen;
          g_numeric_seen = &seen;
          static const char kReserved[8] = {};
          const void *const r = reserved ? kReserved : nullptr;
          switch (reader) {
            case NumberReader::kZifmcma: out.status = m.zifmcma(&block); break;
            case NumberReader::kZifmpct: out.status = m.zifmpct(&block); break;
            case NumberReader::kZkifnum: out.status = m.zkifnum(0, 0, r, item, &block); break;
            case NumberReader::kZkifmny: out.status = m.zkifmny(0, 0, r, item, &block); break;
            case NumberReader::kZkifpct: out.status = m.zkifpct(0, 0, r, item, &block); break;
          }
          g_numeric_seen = nullptr;
          out.width = block.reported_length;
          out.value = bits(value);
          // The block as left: width, decimals, text length and flags as
          // numbers, the addresses as whether they are the caller's, and
          // whether any other byte moved.
          uwn_informat_block rest = block;
          rest.width = before.width;
          rest.decimals = before.decimals;
          rest.reported_length = before.reported_length;
          std::string &state = out.bytes;
          state.append("w").append(std::to_string(block.width));
          state.append(" d").append(std::to_string(block.decimals));
          state.append(" l").append(std::to_string(block.text_length));
          state.append(" f").append(std::to_string(block.flags));
          state.append(block.text == bytes.get() ? " text" : " other text");
          state.append(block.result == &value ? " result" : " other result");
          if (std::memcmp(&rest, &before, sizeof rest) != 0) state.append(" other bytes");
          state.append(" ").append(seen);
          if (std::memcmp(bytes.get(), text.data(), text.size()) != 0) out.bytes += " text written";
        });
    fail_ = nullptr;
    return ok;
  }

  // zkpdate, zkpdttm and zkptime with arguments as a caller may pass them:
  // a locale item for the pattern (pattern null, its number as the length),
  // null or empty texts and patterns, negative lengths; with the nth call of
  // wzsxglc failed (0: none), which the item, the time items and the names
  // make.
  bool read_raw(const char *pattern, int32_t pattern_length, const char *text, int32_t length, int fail) {
    std::string args;
    if (pattern == nullptr)
      args.append("item ").append(std::to_string(pattern_length));
    else
      args.append(1, '"').append(printable(pattern)).append("\" of ").append(std::to_string(pattern_length));
    args.append(", ");
    if (text == nullptr)
      args.append("null");
    else
      args.append(1, '"').append(printable(text)).append(1, '"');
    args.append(" of ").append(std::to_string(length)).append(", wzsxglc ").append(std::to_string(fail));
    const auto call = [&](Zkpdate Build::*routine) {
      return [&, routine](const Build &m, Answer &out) {
        if (fail > 0) watch_.fail_call("wzsxglc", fail);
        double value = -7;
        out.status = (m.*routine)(text, length, pattern, pattern_length, &value);
        out.value = bits(value);
        watch_.fail_call("wzsxglc", 0);
      };
    };
    return compare("zkpdate", args, call(&Build::zkpdate)) &&
           compare("zkpdttm", args, call(&Build::zkpdttm)) && compare("zkptime", args, call(&Build::zkptime));
  }

  long cases() const { return cases_; }

 private:
  static void informat(uwn_informat_fn routine, const std::string &text, Answer &out) {
    const std::unique_ptr<char[]> field(copy(text));
    double value = -7;
    uwn_informat_block block{};
    block.width = static_cast<int32_t>(text.size());
    block.text = field.get();
    block.text_length = static_cast<int32_t>(text.size());
    block.result = &value;
    out.status = routine(&block);
    out.width = block.reported_length;
    out.value = bits(value);
  }

  static void parser(Zkpdate routine, const std::string &pattern, const std::string &text, Answer &out) {
    const std::unique_ptr<char[]> field(copy(text)), pat(copy(pattern));
    double value = -7;
    out.status = routine(field.get(), static_cast<int32_t>(text.size()), pat.get(),
                         static_cast<int32_t>(pattern.size()), &value);
    out.value = bits(value);
  }

  static char *copy(const std::string &s) {
    char *c = new char[s.size()];
    std::memcpy(c, s.data(), s.size());
    return c;
  }

  static std::string printable(const std::string &s) {
    std::string out;
    for (const unsigned char c : s) {
      if (c >= 0x20 && c < 0x7F && c != '\\') {
        out += static_cast<char>(c);
      } else {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        out += hex;
      }
    }
    return out;
  }

  static std::string show(double x) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", x);
    return text;
  }

  // A field of |width| bytes between guard bytes, written by write.
  template <class Write>
  static void field(Answer &out, int32_t width, Write write) {
    constexpr size_t kGuard = 8;
    const size_t room = width == INT32_MIN ? 0 : static_cast<size_t>(width < 0 ? -width : width);
    std::string buffer(room + 2 * kGuard, '#');
    int32_t w = width;
    out.status = write(buffer.data() + kGuard, &w);
    out.width = w;
    out.bytes = buffer;
  }

  template <class Call>
  Answer run(const Build &m, Call call) {
    watch_.clear_calls();
    if (fail_ != nullptr) watch_.fail_call(fail_, nth_);
    Answer out;
    call(m, out);
    if (fail_ != nullptr) watch_.fail_call(fail_, 0);
    out.calls = watch_.calls();
    return out;
  }

  nlhost::ServiceWatch watch_;
  Build &old_;
  Build &new_;
  long cases_ = 0;
  const char *fail_ = nullptr;  // a service to fail in the next runs, at its nth call
  int nth_ = 0;
};

bool load(nlhost::Host &host, const char *path, Build &b) {
  std::string error;
  b.module = nlhost::Module::open(host, path, &error);
  if (b.module == nullptr) {
    std::fprintf(stderr, "nldat_module_diff: %s: %s\n", path, error.c_str());
    return false;
  }
  b.zkfweek = b.module->function<Zkfweek>("zkfweek");
  b.zkweek = b.module->function<Zkweek>("zkweek");
  b.zkfdate = b.module->function<Zkfdate>("zkfdate");
  b.zkfdttm = b.module->function<Zkfdate>("zkfdttm");
  b.zkftime = b.module->function<Zkfdate>("zkftime");
  b.zkpdate = b.module->function<Zkpdate>("zkpdate");
  b.zkpdttm = b.module->function<Zkpdttm>("zkpdttm");
  b.zkptime = b.module->function<Zkpdttm>("zkptime");
  b.nldate = b.module->informat("NLDATE");
  b.nldatm = b.module->informat("NLDATM");
  b.zifmcma = b.module->function<uwn_informat_fn>("zifmcma");
  b.zifmpct = b.module->function<uwn_informat_fn>("zifmpct");
  b.zkifnum = b.module->function<Zkifnum>("zkifnum");
  b.zkifmny = b.module->function<Zkifnum>("zkifmny");
  b.zkifpct = b.module->function<Zkifnum>("zkifpct");
  if (b.zkfweek == nullptr || b.zkweek == nullptr || b.zkfdate == nullptr || b.zkfdttm == nullptr ||
      b.zkftime == nullptr || b.zkpdate == nullptr || b.zkpdttm == nullptr || b.zkptime == nullptr ||
      b.nldate == nullptr || b.nldatm == nullptr || b.zifmcma == nullptr || b.zifmpct == nullptr ||
      b.zkifnum == nullptr || b.zkifmny == nullptr || b.zkifpct == nullptr) {
    std::fprintf(stderr, "nldat_module_diff: %s: a routine is missing\n", path);
    return false;
  }
  return true;
}

std::vector<std::string> corpus_files(const char *dir) {
  std::vector<std::string> files;
  if (DIR *d = opendir(dir)) {
    while (const dirent *e = readdir(d))
      if (e->d_name[0] != '.') files.push_back(std::string(dir) + "/" + e->d_name);
    closedir(d);
  }
  return files;
}

constexpr char kRules[] = {'U', 'V', 'W', 'u', 'X', '\0'};

bool run_all(Diff &diff, int argc, char **argv) {
  using nlhost::civil::days_from_civil;
  const int64_t first = days_from_civil(1582, 1, 1), last = days_from_civil(2100, 12, 31);
  for (int64_t day = first; day <= last; ++day)
    for (char rule : kRules)
      if (!diff.week(rule, 11, static_cast<double>(day))) return false;
  for (int64_t day = first; day <= last; day += 37)
    for (int32_t width : {-12, -1, 0, 1, 2, 5, 7, 8, 9, 10, 12, 20, 40})
      for (char rule : kRules)
        if (!diff.week(rule, width, static_cast<double>(day)) ||
            !diff.written("%G-W%V-%u %U %W %j", width + 20, static_cast<double>(day)))
          return false;
  const double kInf = std::numeric_limits<double>::infinity();
  for (double odd : {std::nan(""), nlhost::standard_missing(), kInf, -kInf, 0.5, -0.5, 24447.999, -1e15, 1e15,
                     -3e6, 3e7, 4e9, -2147483649.0, 1e300})
    for (int32_t width : {0, 8, 11, 40})
      for (char rule : kRules)
        if (!diff.week(rule, width, odd) || !diff.written("%V %G %U %W", width, odd)) return false;
  for (int i = 3; i < argc; ++i)
    for (const std::string &path : corpus_files(argv[i])) {
      std::ifstream in(path, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      // One byte for the rule, four for the width, eight for the date.
      unsigned char raw[13] = {};
      std::memcpy(raw, bytes.data(), bytes.size() < sizeof raw ? bytes.size() : sizeof raw);
      int32_t width;
      double date;
      std::memcpy(&width, raw + 1, sizeof width);
      std::memcpy(&date, raw + 5, sizeof date);
      width %= 41;
      if (!diff.week(kRules[raw[0] % sizeof kRules], width, date) ||
          !diff.written("%V-%G-%u", width < 0 ? -width : width, date))
        return false;
    }
  return true;
}

// The writer's inputs: patterns of every directive, plain, padded, alternate
// and bad, literals and multibyte characters, an expansion longer than the
// work area, and a locale item instead of a pattern.
std::vector<std::string> written_patterns() {
  std::vector<std::string> p = {"%d.%m.%Y",
                                "%Y-%m-%d",
                                "%m/%d/%y",
                                "%d%m%Y",
                                "%A, %d %B %Y",
                                "%a %b %e %Y",
                                "%e.%o.%Y",
                                "%D/%N/%y",
                                "%E %O %?Y",
                                "%0d %#m %#Y %#j",
                                "%j %J",
                                "%G-W%V-%u",
                                "%g %v %U %W %w",
                                "%C|%F|",
                                "%Q %q %?Q",
                                "%c %f",
                                "%%%d%%",
                                "%H:%M:%S %I %p",
                                "%Z%d%z",
                                "%d %X %m",
                                "%d.%m.%",
                                "%",
                                "%#",
                                "%0",
                                "%?",
                                "",
                                " ",
                                "%d.%m.%Y   ",
                                "\xC3\xA9%d\xC3\xA9%m",
                                "%d\xE2\x82\xAC%Y",
                                "\x81%d",
                                "%Y\xC3",
                                "Tag %d, Monat %m, Jahr %Y",
                                "%?A %?B %?d",
                                "%y%m%d%y%m%d%y%m%d"};
  std::string long_names, long_numbers;
  for (int i = 0; i < 60; ++i) long_names += "%A ";
  for (int i = 0; i < 130; ++i) long_numbers += "%Y";
  std::string names_mb, mixed, many;
  for (int i = 0; i < 48; ++i) names_mb += "%A\xC3\xA9";
  for (int i = 0; i < 40; ++i) mixed += "%A%Y%d";
  for (int i = 0; i < 20; ++i) many += "%A%A%A%Y\xC3\xA9";
  p.push_back(names_mb);
  p.push_back(mixed);
  p.push_back(many);
  p.push_back(long_names);
  p.push_back(long_numbers);
  p.push_back(long_numbers.substr(0, 254));
  p.push_back(long_numbers + "%Z");
  return p;
}

bool write_all(nlhost::Host &host, Diff &diff) {
  auto locale = nlhost::make_builtin_english();
  locale->set_text(UWN_ITEM_DATE_1, "%d.%m.%Y");
  host.set_locale(locale);
  using nlhost::civil::days_from_civil;
  const std::vector<std::string> patterns = written_patterns();
  constexpr int32_t kWidths[] = {10, 40, 8, 9, 11, -10, -40, -12, 1, 0, 2, 30, 512, 600};
  std::vector<double> dates;
  for (int64_t day = UWN_FIRST_DATE; day < days_from_civil(2101, 1, 1); day += 11)
    dates.push_back(static_cast<double>(day));
  for (int64_t day = days_from_civil(2101, 1, 1); day < UWN_DATE_LIMIT + 3; day += 1009)
    dates.push_back(static_cast<double>(day));
  for (double edge : {UWN_FIRST_DATE - 1.0, UWN_FIRST_DATE - 0.5, UWN_FIRST_DATE + 0.0, UWN_DATE_LIMIT - 1.0,
                      UWN_DATE_LIMIT - 0.25, UWN_DATE_LIMIT + 0.0, 0.0, -0.0, 0.75, -0.75, 24447.5})
    dates.push_back(edge);
  size_t turn = 0;
  for (const double date : dates)
    for (const std::string &pattern : patterns) {
      // A field as long as the text and one width of the grid in turn.
      if (!diff.written(pattern, 40, date) ||
          !diff.written(pattern, kWidths[turn++ % std::size(kWidths)], date))
        return false;
    }
  const double kInf = std::numeric_limits<double>::infinity();
  for (double odd : {std::nan(""), nlhost::standard_missing(), kInf, -kInf, -1e15, 1e15, 1e300})
    for (const std::string &pattern : patterns)
      for (int32_t width : kWidths)
        if (!diff.written(pattern, width, odd)) return false;
  // The pattern as a locale item, present and not; widths that give no field.
  for (const double date : {0.0, 24447.0, 6589335.0})
    for (int32_t item : {int32_t{UWN_ITEM_DATE_1}, int32_t{UWN_ITEM_DATE_2}, 0, -1, 99999})
      for (int32_t width : {10, 40, 4, -11, INT32_MIN})
        if (!diff.written(nullptr, item, width, date)) return false;
  for (int32_t width : {0, 10, INT32_MIN})
    if (!diff.written("%d.%m.%Y", width, 0.0)) return false;
  // Times of day and datetimes, hours beyond 99 (written by the host) among
  // them, with expansions that fill the work area.
  std::vector<std::string> timed = {"%H:%M:%S", "%I:%M %p", "%d.%m.%Y %H:%M:%S", "%H%M%S%H",
                                    "%?M %s %h %i %P"};
  std::string hours_long;
  for (int i = 0; i < 62; ++i) hours_long += "%A%H";
  timed.push_back(hours_long);
  std::vector<double> moments = {-1.0, -0.5, 0.0, 0.25, 86399.75, nlhost::standard_missing()};
  for (double seconds = 1; seconds < 86400.0 * 4.6e6; seconds = seconds * 1.07 + 3607.25) {
    moments.push_back(seconds);
    moments.push_back(-seconds);
  }
  for (const double seconds : moments)
    for (const std::string &pattern : timed)
      for (int32_t width : {40, 8, -20, 600, 511})
        if (!diff.written_time(pattern, width, seconds)) return false;
  return true;
}

// The date reader's inputs.  Letters: every spelling of day, month and year
// the reader takes, and some that are no number of a date or no directive.
constexpr char kDays[] = "dDeE";
constexpr char kMonths[] = "mnNoO";
constexpr char kYears[] = "Yy";
constexpr char kOtherLetters[] = "MHBjZ%?";
constexpr char kSeparators[] = {'.', '/', '-', ' ', '%', '?', 'x', '7', '\x81', '\xC3'};

class Texts {
 public:
  // Texts for a pattern of directives and literal bytes: the text it
  // describes, with numbers that are dates and that are not, and that text
  // cut, lengthened and spoiled byte by byte.
  std::vector<std::string> for_pattern(const std::string &pattern) {
    std::vector<std::string> out;
    const std::string fit = fitting(pattern, false), date = fitting(pattern, true);
    out.push_back(fit);
    out.push_back(date);
    out.push_back(date.substr(0, date.size() - 1));
    out.push_back(date.substr(1));
    out.push_back(date);
    out.back().push_back(static_cast<char>('0' + rng_() % 10));
    out.push_back(date);
    out.back().append(2, ' ');
    out.push_back(std::string(1, ' ').append(date));
    for (const char spoiler : {' ', '+', '.', '\x81', '\xC3', '%'}) {
      std::string t = date;
      t[rng_() % t.size()] = spoiler;
      out.push_back(t);
    }
    out.push_back(random_text());
    return out;
  }

  // Texts for a datetime pattern: the fitting text with times in and out of
  // range, every byte of it spoiled in turn, and every cut of it.
  std::vector<std::string> for_datetime(const std::string &pattern) {
    std::vector<std::string> out;
    const std::string date = fitting(pattern, true);
    out.push_back(date);
    out.push_back(fitting(pattern, false));
    for (size_t i = 0; i < date.size(); ++i)
      for (const char spoiler : {' ', '+', '-', 'x', '%', '9', '\x81', '\xC3'}) {
        std::string t = date;
        t[i] = spoiler;
        out.push_back(t);
      }
    for (size_t cut = 0; cut < date.size(); ++cut) out.push_back(date.substr(0, cut));
    out.push_back(date + "7");
    out.push_back(date + " :00");
    // The text the pattern describes up to a "%" and the pattern's own bytes
    // from there: what a scan that takes that "%" for part of a longer
    // character reads to the end.
    for (size_t at = pattern.find('%'); at != std::string::npos; at = pattern.find('%', at + 1))
      out.push_back(fitting(pattern.substr(0, at), true) + pattern.substr(at));
    // Hours, minutes and seconds at and past their ends, where the time starts.
    if (pattern.size() >= 8 && date.size() >= 8 && pattern.compare(pattern.size() - 8, 8, "%H:%M:%S") == 0)
      for (const char *hms : {"00:00:00", "23:59:59", "24:00:00", "99:99:99", "12:60:00", "12:00:60",
                              " 7: 8: 9", "+7:-8:+9", "-1:00:00", "07:00: 0"}) {
        std::string t = date;
        t.replace(t.size() - 8, 8, hms);
        out.push_back(t);
      }
    return out;
  }

  std::string random_text() {
    static constexpr char kAlphabet[] = "0123456789012345678901234567890123./- %\x81\xC3";
    std::string t(7 + rng_() % 6, ' ');
    for (char &c : t) c = kAlphabet[rng_() % (sizeof kAlphabet - 1)];
    return t;
  }

 private:
  std::string fitting(const std::string &pattern, bool real_date) {
    std::string t;
    for (size_t i = 0; i < pattern.size(); ++i) {
      if (pattern[i] != '%' || i + 1 == pattern.size()) {
        t += pattern[i];
        continue;
      }
      const char letter = pattern[++i];
      if (letter == '%') {
        t += '%';
      } else if (letter == 'Y') {
        t += digits(real_date ? 1582 + rng_() % 519 : rng_() % 10000, 4);
      } else if (letter == 'd' || letter == 'D' || letter == 'e' || letter == 'E') {
        t += digits(real_date ? 1 + rng_() % 28 : rng_() % 100, 2);
      } else if (letter == 'm' || letter == 'n' || letter == 'N' || letter == 'o' || letter == 'O') {
        t += digits(real_date ? 1 + rng_() % 12 : rng_() % 100, 2);
      } else {
        t += digits(rng_() % 100, 2);
      }
    }
    return t;
  }

  static std::string digits(unsigned value, int width) {
    std::string d(static_cast<size_t>(width), '0');
    for (int i = width - 1; i >= 0; --i, value /= 10)
      d[static_cast<size_t>(i)] = static_cast<char>('0' + value % 10);
    return d;
  }

  std::mt19937 rng_{20261209};
};

std::string three(char a, char s1, char b, char s2, char c) { return {'%', a, s1, '%', b, s2, '%', c}; }

// Lead bytes the host declares in turn: none (UTF-8), a byte no pattern
// holds, the separator "." and "%" itself, so that a "%" is measured as part
// of a longer character.
constexpr struct {
  uint8_t lead;
  int length;
} kLeads[][2] = {{{0, 0}, {0, 0}}, {{0x81, 2}, {0xC3, 3}}, {{'.', 2}, {0x81, 3}}, {{'%', 2}, {0, 0}}};

// The same for the datetimes: also the time's separator, the bytes that
// open the run after the year, and a digit.
constexpr struct {
  uint8_t lead;
  int length;
} kDatetimeLeads[][2] = {{{0, 0}, {0, 0}},     {{'%', 2}, {0, 0}},    {{'.', 2}, {0x81, 2}},
                         {{':', 2}, {0, 0}},   {{',', 2}, {0xC3, 3}}, {{' ', 2}, {0, 0}},
                         {{'T', 2}, {'-', 2}}, {{'6', 2}, {'1', 3}}};

void declare_leads(nlhost::Host &host, size_t which) {
  for (int b = 0; b < 256; ++b) host.set_multibyte_lead(static_cast<uint8_t>(b), 0);
  for (const auto &l : kLeads[which])
    if (l.length != 0) host.set_multibyte_lead(l.lead, l.length);
}

bool read_all(nlhost::Host &host, Diff &diff, int argc, char **argv) {
  auto locale = nlhost::make_builtin_english();
  locale->set_text(UWN_ITEM_DATE_2, "%Y-%m-%d");
  locale->set_text(UWN_ITEM_DATETIME_2, "%Y-%m-%d %H:%M:%S");
  host.set_locale(locale);
  Texts texts;
  const auto read_by = [&](const std::string &pattern, const std::vector<std::string> &inputs) {
    locale->set_text(UWN_ITEM_DATE_1, pattern);
    locale->set_text(UWN_ITEM_DATETIME_1, pattern);
    for (const std::string &text : inputs)
      if (!diff.read(pattern, text)) return false;
    return true;
  };
  // Day, month and year in every order, spelling and pair of separators,
  // under each declaration of lead bytes.
  for (size_t leads = 0; leads < std::size(kLeads); ++leads) {
    declare_leads(host, leads);
    for (const char *order : {"dmy", "dym", "mdy", "myd", "ydm", "ymd"})
      for (const char s1 : kSeparators)
        for (const char s2 : kSeparators)
          for (const char d : std::string_view(kDays))
            for (const char m : std::string_view(kMonths))
              for (const char y : std::string_view(kYears)) {
                char letter[3];
                for (int i = 0; i < 3; ++i) letter[i] = order[i] == 'd' ? d : order[i] == 'm' ? m : y;
                const std::string pattern = three(letter[0], s1, letter[1], s2, letter[2]);
                if (!read_by(pattern, leads == 0 ? texts.for_pattern(pattern)
                                                 : std::vector<std::string>{texts.for_pattern(pattern)[1]}))
                  return false;
              }
  }
  declare_leads(host, 0);
  // Shapes that end the numeric pattern's road: other letters in any place.
  const std::string all = std::string(kDays) + kMonths + kYears + kOtherLetters;
  for (const char a : all)
    for (const char b : all)
      for (const char c : std::string_view(kOtherLetters)) {
        for (const std::string &pattern :
             {three(a, '.', b, '.', c), three(c, '/', a, '/', b), three(b, '-', c, ' ', a)})
          if (!read_by(pattern, {texts.random_text(), texts.for_pattern(pattern)[1]})) return false;
      }
  // Datetimes: a date pattern and a time of day, blanks between and not.
  for (const char *date : {"%d.%m.%Y", "%Y-%m-%d", "%m/%d/%y"})
    for (const char *time : {" %H:%M:%S", " %H:%M", "%H%M%S", " %I:%M:%S %p", ", %H:%M:%S"}) {
      const std::string pattern = std::string(date) + time;
      for (int round = 0; round < 20; ++round)
        if (!read_by(pattern, texts.for_pattern(pattern))) return false;
    }
  // Numeric datetimes: the date shapes, a run of literal bytes and the time,
  // every byte of the text spoiled and every cut, under each declaration of
  // lead bytes ("%", the separators, the bytes of the run).
  for (size_t leads = 0; leads < std::size(kDatetimeLeads); ++leads) {
    for (int b = 0; b < 256; ++b) host.set_multibyte_lead(static_cast<uint8_t>(b), 0);
    for (const auto &l : kDatetimeLeads[leads])
      if (l.length != 0) host.set_multibyte_lead(l.lead, l.length);
    for (const char *date : {"%d.%m.%Y", "%Y-%m-%d", "%m/%d/%y", "%e.%o.%Y", "%d.%m.%"})
      for (const char *run : {", ", " ", "T", " ,", ",", "  ", "\x81", "%%", "%, ", ", %", " - ", ",\xC3"})
        for (const char *time :
             {"%H:%M:%S", "%H:%M", "%H.%M.%S", "%H:%M:%s", "%H\x81%M", "%I:%M:%S", "%H:%m:%S", "%H %M:%S",
              "%H:%M %S", "%H:%M:%S ", "%H:%M:", "%H:%M:%Y", "%H:%?M:%S"}) {
          const std::string pattern = std::string(date) + run + time;
          if (!read_by(pattern, texts.for_datetime(pattern))) return false;
        }
  }
  declare_leads(host, 0);
  // Items, null and empty arguments, negative lengths, with each wzsxglc
  // failed in turn; the locale's own items and the numeric datetime.
  locale->set_text(UWN_ITEM_DATE_1, "%d.%m.%Y");
  locale->set_text(UWN_ITEM_DATETIME_1, "%d.%m.%Y, %H:%M:%S");
  {
    const char *const kPatterns[] = {"%d.%m.%Y, %H:%M:%S", "%d.%m.%Y %H:%M", "%H:%M:%S", "%d.%m.%Y", ""};
    const char *const kTexts[] = {"07.12.2026, 13:45:30", "07.12.2026 13:45",    "13:45:30", "07.12.2026",
                                  "07.12.2026, 25:61:99", "7.12.2026, 13:45:30", ""};
    for (int fail = 0; fail <= 4; ++fail) {
      for (const int32_t item :
           std::initializer_list<int32_t>{UWN_ITEM_DATE_1, UWN_ITEM_DATE_2, UWN_ITEM_DATETIME_1,
                                          UWN_ITEM_DATETIME_2, UWN_ITEM_TIME_1, UWN_ITEM_TIME_2, 0, -1, 9999})
        for (const char *text : kTexts)
          for (const int32_t length : {static_cast<int32_t>(std::strlen(text)), -1, 0})
            if (!diff.read_raw(nullptr, item, text, length, fail)) return false;
      for (const char *pattern : kPatterns)
        for (const int32_t pattern_length : {static_cast<int32_t>(std::strlen(pattern)), -1, 0})
          for (const char *text : kTexts) {
            if (!diff.read_raw(pattern, pattern_length, text, static_cast<int32_t>(std::strlen(text)),
                               fail) ||
                !diff.read_raw(pattern, pattern_length, nullptr, 10, fail) ||
                !diff.read_raw(pattern, pattern_length, text, -5, fail))
              return false;
          }
    }
    // A pattern longer than the host's descriptor can hold.
    const std::string long_pattern = "%d.%m.%Y, %H:%M:%S" + std::string(40000, ' ');
    for (const char *text : kTexts)
      if (!diff.read_raw(long_pattern.c_str(), static_cast<int32_t>(long_pattern.size()), text,
                         static_cast<int32_t>(std::strlen(text)), 0))
        return false;
  }
  // The corpora: each file as a text for a few patterns, and as a pattern.
  for (int i = 3; i < argc; ++i)
    for (const std::string &path : corpus_files(argv[i])) {
      std::ifstream in(path, std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (bytes.size() > 64) bytes.resize(64);
      for (size_t leads = 0; leads < std::size(kLeads); ++leads) {
        declare_leads(host, leads);
        for (size_t skip = 0; skip < 3 && skip <= bytes.size(); ++skip) {
          const std::string text = bytes.substr(skip);
          for (const char *pattern : {"%d.%m.%Y", "%Y-%m-%d", "%m/%d/%y", "%d. %B %Y"})
            if (!read_by(pattern, {text})) return false;
          if (!read_by(text, {"07.12.2026", "2026-12-07", bytes})) return false;
        }
      }
    }
  declare_leads(host, 0);
  return true;
}

// The number readers' inputs.  A record's bytes, amounts written in its
// conventions, and those amounts spoiled and cut.
class NumberFields {
 public:
  explicit NumberFields(uint32_t seed) : rng_(seed) {}

  // The bytes a field of the record is made of, digits most often.
  std::string alphabet(const uwn_number_convention &r) const {
    std::string a = "0123456789012345678901234567890123456789";
    a += {r.grouping_separator, r.decimal_separator, r.negative_sign, r.positive_sign};
    a += "() Ee-+,.'%$";
    a += currency(r);
    return a;
  }

  static std::string currency(const uwn_number_convention &r) {
    size_t n = 0;
    while (n < sizeof r.currency && r.currency[n] != '\0') ++n;
    return std::string(r.currency, n);
  }

  // An amount as the record would have it written, in one of its shapes:
  // grouped or not, a fraction or not, negative by its sign before or after
  // or by parentheses, the currency before or after, an exponent, blanks.
  std::string amount(const uwn_number_convention &r) {
    std::string digits;
    const int whole = pick(13);
    for (int i = 0; i < whole; ++i) {
      if (i > 0 && (whole - i) % 3 == 0 && pick(6) != 0) digits += r.grouping_separator;
      digits += static_cast<char>('0' + pick(10));
    }
    if (pick(3) != 0) {
      digits += r.decimal_separator;
      for (int i = pick(5); i > 0; --i) digits += static_cast<char>('0' + pick(10));
    }
    if (pick(10) == 0) {
      digits += pick(2) != 0 ? 'E' : 'e';
      if (pick(2) != 0) digits += pick(2) != 0 ? r.negative_sign : r.positive_sign;
      for (int i = 1 + pick(3); i > 0; --i) digits += static_cast<char>('0' + pick(10));
    }
    const std::string cur = currency(r);
    if (!cur.empty() && pick(2) != 0) {
      const char *blank = pick(2) != 0 ? " " : "";
      digits = pick(2) != 0 ? cur + blank + digits : digits + blank + cur;
    }
    switch (pick(7)) {
      case 0: digits = std::string(1, r.negative_sign) + digits; break;
      case 1: digits += r.negative_sign; break;
      case 2: digits = "(" + digits + ")"; break;
      case 3: digits = std::string(1, r.positive_sign) + digits; break;
      case 4: digits = "-" + digits; break;
      default: break;
    }
    if (pick(6) == 0) digits = " " + digits;
    if (pick(6) == 0) digits += "  ";
    return digits;
  }

  // The field with each byte in turn replaced by each spoiler (every byte
  // when all, otherwise a few at random), and every cut of it.
  std::vector<std::string> spoiled(const std::string &field, const uwn_number_convention &r, bool all) {
    std::string spoilers = {' ',
                            r.grouping_separator,
                            r.decimal_separator,
                            r.negative_sign,
                            r.positive_sign,
                            '(',
                            ')',
                            'E',
                            '-',
                            '+',
                            '0',
                            '9',
                            '\'',
                            '\0',
                            '\xC3',
                            ','};
    const std::string cur = currency(r);
    if (!cur.empty()) spoilers += cur[0];
    std::vector<std::string> out;
    for (size_t i = 0; i < field.size(); ++i)
      for (const char spoiler : spoilers)
        if (all || pick(12) == 0) {
          std::string t = field;
          t[i] = spoiler;
          out.push_back(t);
        }
    for (size_t cut = 0; cut < field.size(); ++cut)
      if (all || pick(3) == 0) out.push_back(field.substr(0, cut));
    return out;
  }

  std::string random_field(const uwn_number_convention &r) {
    const std::string a = alphabet(r);
    std::string t(static_cast<size_t>(pick(41)), ' ');
    for (char &c : t) c = a[static_cast<size_t>(pick(static_cast<int>(a.size())))];
    return t;
  }

  int pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }

 private:
  std::mt19937 rng_;
};

std::string show_byte(char c) {
  char text[8];
  if (c >= 0x20 && c < 0x7F && c != '\\')
    std::snprintf(text, sizeof text, "'%c'", c);
  else
    std::snprintf(text, sizeof text, "\\x%02X", static_cast<unsigned char>(c));
  return text;
}

std::string show_record(const std::string &name, const uwn_number_convention &r) {
  std::string cur;
  for (const char c : NumberFields::currency(r)) cur += show_byte(c);
  return name + " {grouping " + show_byte(r.grouping_separator) + ", decimal " +
         show_byte(r.decimal_separator) + ", negative " + show_byte(r.negative_sign) + " style " +
         std::to_string(r.negative_style) + ", positive " + show_byte(r.positive_sign) + " style " +
         std::to_string(r.positive_style) + ", currency " + cur + "}";
}

struct NumberCall {
  NumberReader reader;
  int32_t item;
};

// Each field read by each of the calls: as long as its text with two
// decimals and the check flag, without both, and under one more width,
// decimals and flag of the grid, plus, for some, the lookup and the
// numeric reader failing.
bool read_numbers(Diff &diff, NumberFields &f, const std::string &record,
                  const std::vector<NumberCall> &calls, const std::vector<std::string> &fields,
                  bool failures) {
  static constexpr int32_t kDecimals[] = {-1, 0, 1, 2, 3, 5, 31, 32, 40};
  for (const std::string &field : fields) {
    const auto len = static_cast<int32_t>(field.size());
    const int32_t widths[] = {-1, 0, 1, len - 1, len + 1, len + 7, 32, 33, 40};
    const int32_t width = widths[f.pick(static_cast<int>(std::size(widths)))];
    const int32_t decimals = kDecimals[f.pick(static_cast<int>(std::size(kDecimals)))];
    const auto flags = static_cast<uint8_t>(f.pick(2));
    const int32_t text_length = f.pick(5) == 0 ? len - 1 - f.pick(3) : -2;
    for (const NumberCall &c : calls) {
      if (!diff.number(c.reader, c.item, field, len, 2, 1, record) ||
          !diff.number(c.reader, c.item, field, len, 0, 0, record) ||
          !diff.number(c.reader, c.item, field, width, decimals, flags, record, nullptr, 0, text_length))
        return false;
      if (failures && f.pick(4) == 0)
        for (const auto &[service, nth] : {std::pair{"wzsxglc", 1}, {"wzifmn", 1}, {"wzifmn", 2}})
          if (!diff.number(c.reader, c.item, field, len, 2, f.pick(2) != 0 ? 1 : 0, record, service, nth))
            return false;
    }
  }
  return true;
}

const std::vector<NumberCall> kEveryNumberCall = {{NumberReader::kZkifnum, UWN_ITEM_NUMBER},
                                                  {NumberReader::kZkifpct, UWN_ITEM_PERCENT},
                                                  {NumberReader::kZkifmny, UWN_ITEM_MONEY_LOCAL},
                                                  {NumberReader::kZkifmny, UWN_ITEM_MONEY_INTL},
                                                  {NumberReader::kZkifnum, UWN_ITEM_MONEY_LOCAL},
                                                  {NumberReader::kZkifpct, UWN_ITEM_MONEY_INTL},
                                                  {NumberReader::kZifmcma, 0},
                                                  {NumberReader::kZifmpct, 0}};

// Made-up records: the record's bytes drawn from a set in which digits,
// blanks, apostrophes, signs, separators, parentheses and the exponent
// letter stand in each other's places.
uwn_number_convention made_up_record(NumberFields &f) {
  static constexpr char kGrouping[] = {',', '.', ' ', '\'', '0', '5', '-', 'E', '(', '\0', '+', '\xA0', '$'};
  static constexpr char kDecimal[] = {'.', ',', '9', ' ', '-', 'e', '\'', '\0', ')', '%'};
  static constexpr char kNegative[] = {'-', '-', '-', ' ', '\'', '7', ',', '.', '\0', '(', 'E', '+', '$'};
  static constexpr char kPositive[] = {'+', '+', '\0', ' ', '-', '.', '3', '\'', ',', ')', 'e'};
  static const char *const kCurrencies[] = {
      "",  "",  "$", "EUR", "\xE2\x82\xAC", "1$", "R.", ",", "Fr. ", "kr-", "(",
      "E", "'", " ", "%",   "CHF",          "0.5"};
  uwn_number_convention r{};
  r.grouping_separator = kGrouping[f.pick(static_cast<int>(std::size(kGrouping)))];
  r.decimal_separator = kDecimal[f.pick(static_cast<int>(std::size(kDecimal)))];
  r.negative_sign = kNegative[f.pick(static_cast<int>(std::size(kNegative)))];
  r.positive_sign = kPositive[f.pick(static_cast<int>(std::size(kPositive)))];
  r.negative_style = f.pick(4) == 0 ? 0 : 1 + f.pick(3);
  r.positive_style = f.pick(4) == 0 ? 0 : 1 + f.pick(3);
  if (f.pick(20) == 0) {
    std::memset(r.currency, 'X', sizeof r.currency);  // no NUL in the field
  } else {
    const char *cur = kCurrencies[f.pick(static_cast<int>(std::size(kCurrencies)))];
    std::memcpy(r.currency, cur, std::strlen(cur));
  }
  return r;
}

bool numbers_all(nlhost::Host &host, Diff &diff, int argc, char **argv) {
  NumberFields f(20261210);
  // ICU's records for a spread of locales: amounts in every shape, every
  // byte spoiled, every cut; random fields; the grid of widths and decimals
  // on a few fields; the items that are not there.
  for (const char *name : {"de_DE", "en_US", "fr_FR", "de_CH", "hi_IN", "ar_EG", "fa_IR", "es_ES", "it_IT",
                           "nl_NL", "pt_BR", "sv_SE", "ja_JP", "en_IN", "bn_BD", "fr_CH", "pl_PL", "ru_RU"}) {
    std::string error;
    const std::shared_ptr<nlhost::Locale> locale = nlhost::load_icu_locale(name, &error);
    if (locale == nullptr) {
      std::fprintf(stderr, "nldat_module_diff: locale %s: %s\n", name, error.c_str());
      return false;
    }
    host.set_locale(locale);
    for (const int32_t item :
         {UWN_ITEM_NUMBER, UWN_ITEM_PERCENT, UWN_ITEM_MONEY_LOCAL, UWN_ITEM_MONEY_INTL}) {
      const uwn_number_convention *r = locale->convention(item);
      if (r == nullptr) continue;
      const std::string record = show_record(std::string(name) + " item " + std::to_string(item), *r);
      std::vector<std::string> fields;
      for (int i = 0; i < 40; ++i) {
        const std::string a = f.amount(*r);
        fields.push_back(a);
        for (std::string &t : f.spoiled(a, *r, i < 6)) fields.push_back(std::move(t));
      }
      for (int i = 0; i < 300; ++i) fields.push_back(f.random_field(*r));
      if (!read_numbers(diff, f, record, kEveryNumberCall, fields, true)) return false;
      for (const std::string &field : {f.amount(*r), f.amount(*r), std::string("-1.234,56"), std::string("")})
        for (int32_t width = 0; width <= 40; ++width)
          for (int32_t decimals = -1; decimals <= 40; ++decimals)
            for (const uint8_t flags : {uint8_t{0}, uint8_t{1}})
              for (const NumberCall &c : kEveryNumberCall)
                if (!diff.number(c.reader, c.item, field, width, decimals, flags, record)) return false;
    }
    for (const NumberCall c : {NumberCall{NumberReader::kZkifnum, 0},
                               {NumberReader::kZkifmny, -1},
                               {NumberReader::kZkifpct, 150},
                               {NumberReader::kZkifmny, UWN_ITEM_NUMBER},
                               {NumberReader::kZkifmny, UWN_ITEM_PERCENT}})
      for (const char *field : {"1.234,56", "-12", ""})
        if (!diff.number(c.reader, c.item, field, 8, 2, 1, name)) return false;
    for (const NumberCall &c : kEveryNumberCall)
      if (!diff.number(c.reader, c.item, "-1.234,56", 9, 2, 1, name, nullptr, 0, -2, true)) return false;
  }
  // Made-up records, set for all four items.
  auto locale = nlhost::make_builtin_english();
  host.set_locale(locale);
  for (int round = 0; round < 3000; ++round) {
    const uwn_number_convention r = made_up_record(f);
    for (const int32_t item : {UWN_ITEM_NUMBER, UWN_ITEM_PERCENT, UWN_ITEM_MONEY_LOCAL, UWN_ITEM_MONEY_INTL})
      locale->set_numeric(item, r);
    const std::string record = show_record("made up", r);
    std::vector<std::string> fields;
    for (int i = 0; i < 6; ++i) {
      const std::string a = f.amount(r);
      fields.push_back(a);
      for (std::string &t : f.spoiled(a, r, false)) fields.push_back(std::move(t));
    }
    for (int i = 0; i < 20; ++i) fields.push_back(f.random_field(r));
    const std::vector<NumberCall> calls = {{NumberReader::kZkifnum, UWN_ITEM_NUMBER},
                                           {NumberReader::kZkifpct, UWN_ITEM_PERCENT},
                                           {NumberReader::kZkifmny, UWN_ITEM_MONEY_LOCAL}};
    if (!read_numbers(diff, f, record, calls, fields, round % 8 == 0)) return false;
  }
  // The corpora: each file's first bytes as a record's, the rest as fields.
  for (int i = 3; i < argc; ++i)
    for (const std::string &path : corpus_files(argv[i])) {
      std::ifstream in(path, std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (bytes.size() > 64) bytes.resize(64);
      uwn_number_convention r = made_up_record(f);
      if (bytes.size() >= 4) {
        r.grouping_separator = bytes[0];
        r.decimal_separator = bytes[1];
        r.negative_sign = bytes[2];
        r.positive_sign = bytes[3];
      }
      for (const int32_t item :
           {UWN_ITEM_NUMBER, UWN_ITEM_PERCENT, UWN_ITEM_MONEY_LOCAL, UWN_ITEM_MONEY_INTL})
        locale->set_numeric(item, r);
      std::vector<std::string> fields;
      for (size_t skip = 0; skip < 4 && skip <= bytes.size(); ++skip)
        fields.push_back(bytes.substr(skip, 40));
      if (!read_numbers(diff, f, show_record(path, r), kEveryNumberCall, fields, true)) return false;
    }
  host.set_locale(nlhost::make_builtin_english());
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  // --numbers: the number readers only (the rest takes minutes).
  const bool numbers_only = argc > 1 && std::strcmp(argv[1], "--numbers") == 0;
  if (numbers_only) {
    --argc;
    ++argv;
  }
  const bool help = argc > 1 && std::strcmp(argv[1], "--help") == 0;
  if (help || argc < 3) {
    std::fprintf(help ? stdout : stderr,
                 "usage: nldat_module_diff [--numbers] OLD.so NEW.so [CORPUS_DIR ...]\n");
    return help ? 0 : 2;
  }
  nlhost::Host host;
  Build old_build, new_build;
  if (!load(host, argv[1], old_build) || !load(host, argv[2], new_build)) return 2;
  Diff diff(host, old_build, new_build);
  bool ok = numbers_only || run_all(diff, argc, argv);
  const long weeks = diff.cases();
  ok = ok && (numbers_only || write_all(host, diff));
  const long writes = diff.cases() - weeks;
  ok = ok && (numbers_only || read_all(host, diff, argc, argv));
  const long reads = diff.cases() - weeks - writes;
  ok = ok && numbers_all(host, diff, argc, argv);
  std::printf(
      "%ld cases (%ld of weeks, %ld of the date writer, %ld of the date reader, %ld of the number readers), "
      "%s\n",
      diff.cases(), weeks, writes, reads, diff.cases() - weeks - writes - reads,
      ok ? "no difference" : "a difference");
  return ok ? 0 : 1;
}
