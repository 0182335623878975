#!/usr/bin/env bash
# Builds and runs every test: the release build, then the AddressSanitizer +
# UndefinedBehaviorSanitizer build.  Usage: scripts/test.sh [preset...]; the
# tsan preset runs the concurrency test under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(release asan)
# Warnings are errors in CI (which sets CI), warnings elsewhere.
werror=OFF
[ -n "${CI:-}" ] && werror=ON
for preset in "${presets[@]}"; do
  echo "=== $preset ==="
  cmake --preset "$preset" -DNLDAT_WERROR="$werror" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
