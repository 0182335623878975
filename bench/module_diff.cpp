// Old against new: two builds of the module loaded on one host and called
// with the same arguments must answer alike: the same status, the same bytes
// in and around the output field, the same values, and the same host calls
// (service and argument, in order).  A change made for speed lands only when
// this finds no difference.
//
//   nldat_module_diff OLD.so NEW.so [CORPUS_DIR ...]
//
// Inputs: every day from 1582 to 2100 under every week rule, a grid of
// widths, dates that are not whole days or not dates at all, and each file of
// the corpus directories read as (rule, width, date) the way the week fuzzer
// reads its bytes.  Exit status 0 when nothing differs, 1 at the first
// difference (described on stderr), 2 for bad usage or a module that does
// not load.
#include <dirent.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "nlhost/civil.h"
#include "nlhost/host.h"
#include "nlhost/testing.h"

namespace {

using Zkfweek = int32_t (*)(char *, int32_t *, const char *, int32_t, double);
using Zkweek = int32_t (*)(double *, void *, const char *, int32_t, double);
using Zkfdate = int32_t (*)(char *, int32_t *, const char *, int32_t, double);

struct Build {
  std::unique_ptr<nlhost::Module> module;
  Zkfweek zkfweek = nullptr;
  Zkweek zkweek = nullptr;
  Zkfdate zkfdate = nullptr;
};

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
    return compare("zkfdate", pattern + ", width " + std::to_string(width) + ", " + show(date),
                   [&](const Build &m, Answer &out) {
                     field(out, width, [&](char *dest, int32_t *w) {
                       return m.zkfdate(dest, w, pattern.data(), static_cast<int32_t>(pattern.size()), date);
                     });
                   });
  }

  long cases() const { return cases_; }

 private:
  static std::string show(double x) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", x);
    return text;
  }

  // A field of |width| bytes between guard bytes, written by write.
  template <class Write>
  static void field(Answer &out, int32_t width, Write write) {
    constexpr size_t kGuard = 8;
    const size_t room = static_cast<size_t>(width < 0 ? -static_cast<int64_t>(width) : width);
    std::string buffer(room + 2 * kGuard, '#');
    int32_t w = width;
    out.status = write(buffer.data() + kGuard, &w);
    out.width = w;
    out.bytes = buffer;
  }

  template <class Call>
  Answer run(const Build &m, Call call) {
    watch_.clear_calls();
    Answer out;
    call(m, out);
    out.calls = watch_.calls();
    return out;
  }

  nlhost::ServiceWatch watch_;
  Build &old_;
  Build &new_;
  long cases_ = 0;
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
  if (b.zkfweek == nullptr || b.zkweek == nullptr || b.zkfdate == nullptr) {
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

}  // namespace

int main(int argc, char **argv) {
  if (argc < 3 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(argc < 3 ? stderr : stdout, "usage: nldat_module_diff OLD.so NEW.so [CORPUS_DIR ...]\n");
    return argc < 3 ? 2 : 0;
  }
  nlhost::Host host;
  Build old_build, new_build;
  if (!load(host, argv[1], old_build) || !load(host, argv[2], new_build)) return 2;
  Diff diff(host, old_build, new_build);
  const bool ok = run_all(diff, argc, argv);
  std::printf("%ld cases, %s\n", diff.cases(), ok ? "no difference" : "a difference");
  return ok ? 0 : 1;
}
