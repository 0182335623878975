// Runs a check on every day of a span, the span split over the machine's
// cores (the module's routines and the host's calendar services are
// reentrant).  The check returns an empty string for a good day, else what
// went wrong; the first few failures of each worker are kept.
#ifndef NLDAT_TESTS_DAY_SWEEP_H
#define NLDAT_TESTS_DAY_SWEEP_H

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace nldat_test {

template <class Check>
std::vector<std::string> sweep_days(int64_t first, int64_t last, Check check) {
  const int64_t workers = std::clamp<int64_t>(std::thread::hardware_concurrency(), 1, 8);
  const int64_t chunk = (last - first + workers) / workers;
  std::vector<std::vector<std::string>> found(static_cast<size_t>(workers));
  std::vector<std::thread> threads;
  for (int64_t i = 0; i < workers; ++i) {
    threads.emplace_back([&, i] {
      std::vector<std::string> &mine = found[static_cast<size_t>(i)];
      const int64_t end = std::min(last, first + (i + 1) * chunk - 1);
      for (int64_t z = first + i * chunk; z <= end && mine.size() < 5; ++z) {
        std::string failure = check(z);
        if (!failure.empty()) mine.push_back(std::move(failure));
      }
    });
  }
  for (std::thread &t : threads) t.join();
  std::vector<std::string> all;
  for (auto &f : found) all.insert(all.end(), f.begin(), f.end());
  return all;
}

}  // namespace nldat_test

#endif  // NLDAT_TESTS_DAY_SWEEP_H
