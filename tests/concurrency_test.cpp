// Every exported routine from 8 threads at once over one host and one locale:
// each thread's answers must equal the single-threaded ones.  Built and run
// under ThreadSanitizer by the tsan preset, it also proves the reference
// host's services free of data races.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "host_fixture.h"
#include "nlhost/icu_locale.h"

namespace {

// A job runs one routine on fixed inputs and renders everything it wrote.
using Job = std::function<std::string()>;

std::string render(int32_t status, const void *out, size_t size) {
  std::string s = std::to_string(status) + ":";
  s.append(static_cast<const char *>(out), size);
  return s;
}

class Concurrency : public nldat_test::ModuleTest {
 protected:
  // Adds the job when the module exports the routine.
  template <class F>
  void add(const char *name, std::function<std::string(F)> body) {
    if (F f = module().function<F>(name)) jobs_.push_back([f, body] { return body(f); });
  }

  template <class F>
  void parse(const char *name, std::string text, std::string pattern, int32_t item = 0) {
    add<F>(name, [text, pattern, item](F f) {
      double v = -7;
      const int32_t rc =
          pattern.empty() ? f(text.data(), int32_t(text.size()), nullptr, item, &v)
                          : f(text.data(), int32_t(text.size()), pattern.data(), int32_t(pattern.size()), &v);
      return render(rc, &v, sizeof v);
    });
  }

  template <class F>
  void format(const char *name, std::string pattern, double value, int32_t width) {
    add<F>(name, [pattern, value, width](F f) {
      char out[64];
      std::memset(out, '#', sizeof out);
      int32_t w = width;
      const int32_t rc = f(out, &w, pattern.data(), int32_t(pattern.size()), value);
      return render(rc, out, sizeof out) + std::to_string(w);
    });
  }

  void informat(const char *name, std::string text) {
    const uwn_informat_fn f = module().informat(name);
    ASSERT_NE(f, nullptr) << name;
    jobs_.push_back([f, text] {
      double v = -7;
      uwn_informat_block b{};
      b.width = int32_t(text.size());
      b.text = text.data();
      b.text_length = int32_t(text.size());
      b.result = &v;
      const int32_t rc = f(&b);
      return render(rc, &v, sizeof v) + std::to_string(b.reported_length);
    });
  }

  template <class F>
  void number(const char *name, std::string text, int32_t item) {
    add<F>(name, [text, item](F f) {
      double v = -7;
      uwn_informat_block b{};
      b.width = int32_t(text.size());
      b.decimals = 2;
      b.text = text.data();
      b.text_length = int32_t(text.size());
      b.result = &v;
      const int32_t rc = f(0, 0, nullptr, item, &b);
      return render(rc, &v, sizeof v) + std::to_string(b.decimals) + (b.text == text.data() ? "=" : "!");
    });
  }

  std::vector<Job> jobs_;
};

TEST_F(Concurrency, EveryRoutineFromEightThreads) {
  using P = decltype(&zkpdate);
  parse<P>("zkpdate", "12/07/2026", "%m/%d/%Y");
  parse<P>("zkpdate", "Dec 07, 2026", "", UWN_ITEM_DATE_2);
  parse<P>("zkpdttm", "12/07/2026 11:30:15 PM", "", UWN_ITEM_DATETIME_AP);
  parse<P>("zkptime", "23:59:58", "", UWN_ITEM_TIME_1);
  informat("NLDATE", "12/07/2026");
  informat("NLDATE", "07DEC2026");  // the host's DATE informat
  informat("NLDATM", "12/07/2026 10:11:12");
  informat("NLDATEW", "Monday, December 07, 2026");
  informat("NLDATMW", "Monday, December 07, 2026 10:11:12");
  informat("NLDATMAP", "12/07/2026 01:02:03 AM");

  using F = decltype(&zkfdate);
  format<F>("zkfdate", "%A, %d %B %Y (%j) %U %V %W %G %q %Q", 24447, 60);
  format<F>("zkfdate", "%d.%m.%Y", 18326, -20);
  format<F>("zkfdttm", "%Y-%m-%d %I:%M:%S %P", 24447.0 * 86400 + 45296, 40);
  format<F>("zkftime", "%H:%M:%S", 360000, 12);
  add<decltype(&zkrfdttm)>("zkrfdttm", [](decltype(&zkrfdttm) f) {
    char out[32];
    int32_t w = 32;
    const int32_t rc = f(nullptr, out, &w, nullptr, UWN_ITEM_DATETIME_1, 86400.0 * 18326 + 3600);
    return render(rc, out, sizeof out);
  });
  add<decltype(&zkfweek)>("zkfweek", [](decltype(&zkfweek) f) {
    std::string all;
    for (char rule : {'U', 'V', 'W'}) {
      char out[11];
      int32_t w = 11;
      all += render(f(out, &w, &rule, 1, 18263), out, sizeof out);
    }
    return all;
  });
  add<decltype(&zkweek)>("zkweek", [](decltype(&zkweek) f) {
    double week = -7;
    return render(f(&week, nullptr, "V", 1, 18263), &week, sizeof week);
  });
  add<decltype(&zkifweek)>("zkifweek", [](decltype(&zkifweek) f) {
    double v = 1920;
    return render(f("10W0905", 7, "V", 1, &v), &v, sizeof v);
  });

  using N = decltype(&zkifnum);
  number<N>("zkifnum", "-1,234.5", UWN_ITEM_NUMBER);
  number<N>("zkifmny", "$12.50", UWN_ITEM_MONEY_LOCAL);
  number<N>("zkifpct", "12.5%", UWN_ITEM_PERCENT);
  for (const char *name : {"zifmcma", "zifmpct"}) {
    add<decltype(&zifmcma)>(name, [](decltype(&zifmcma) f) {
      double v = -7;
      const char text[] = "(12,345.25)";
      uwn_informat_block b{};
      b.width = 11;
      b.text = text;
      b.text_length = 11;
      b.result = &v;
      return render(f(&b), &v, sizeof v);
    });
  }
  add<decltype(&zkgetloc)>("zkgetloc", [](decltype(&zkgetloc) f) {
    char out[40];
    int32_t n = 40;
    const int32_t rc = f(UWN_ITEM_MONTH + 8, out, &n, "none", 4);
    return render(rc, out, size_t(n > 0 ? n : 0));
  });
  add<decltype(&zkmove)>("zkmove", [](decltype(&zkmove) f) {
    char out[7];
    f("abcdefghij", 10, out, 7);
    return std::string(out, 7);
  });
  add<decltype(&wzstrip)>("wzstrip", [](decltype(&wzstrip) f) {
    return std::to_string(f("abc                              ", 33));
  });

  ASSERT_GE(jobs_.size(), 10u);
  std::vector<std::string> expected;
  for (auto &job : jobs_) expected.push_back(job());

  std::atomic<int> mismatches{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      while (!go.load()) std::this_thread::yield();
      for (int round = 0; round < 200; ++round) {
        for (size_t j = 0; j < jobs_.size(); ++j) {
          const size_t k = (j + size_t(t)) % jobs_.size();  // threads start at different jobs
          if (jobs_[k]() != expected[k]) ++mismatches;
        }
      }
    });
  }
  go = true;
  for (auto &thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
}

// The host's standard informats build a locale's lenient forms on first use:
// eight threads meeting a cold locale at once must all read alike, the
// locale's own forms read and the other locales' forms refused.
TEST_F(Concurrency, LenientFormsBuiltOnceFromEightThreads) {
  struct Case {
    const char *locale, *text;
    double value;
  };
  static const Case kCases[] = {
      {"nb_NO", "7. des. 2026", 24447},
      {"pt_PT", "7 de dezembro de 2026", 24447},
      {"sk_SK", "7. decembra 2026", 24447},
      {"hr_HR", "7. prosinca 2026.", 24447},
  };
  std::vector<std::shared_ptr<nlhost::Locale>> locales;
  for (const Case &c : kCases) {
    std::string error;
    locales.push_back(nlhost::load_icu_locale(c.locale, &error));
    ASSERT_NE(locales.back(), nullptr) << error;
  }
  const auto *date = host().find_informat("DATE");
  ASSERT_NE(date, nullptr);
  std::atomic<int> wrong{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  host().set_locale(locales[0]);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      while (!go.load()) std::this_thread::yield();
      for (int round = 0; round < 50; ++round) {
        const Case &c = kCases[size_t(t + round) % std::size(kCases)];
        double v = -7;
        uwn_informat_block b{};
        b.text = c.text;
        b.text_length = int32_t(std::strlen(c.text));
        b.result = &v;
        const bool read = (*date)(&b) == 0 && v == c.value;
        if (read != (&c == &kCases[0])) ++wrong;
      }
    });
  }
  go = true;
  for (auto &thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
