#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each for SECONDS
# (default 30) from its seed corpus.  New inputs go to a scratch folder, not
# into the repository; a finding stops the run with the crashing input saved
# as crash-* in the current folder.
#   scripts/fuzz.sh [SECONDS] [FAMILY...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
families=("$@")
[ ${#families[@]} -eq 0 ] && families=(text parse informats format week number locale csv lenient reading sniff encoding)
bash scripts/deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for family in "${families[@]}"; do
  mkdir -p "$scratch/$family"
  echo "=== fuzz_$family: ${seconds}s ==="
  status=0
  build/fuzz/bin/fuzz_"$family" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -print_final_stats=1 "$scratch/$family" fuzz/corpus/"$family" >"$scratch/$family.log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|Done|SUMMARY)' "$scratch/$family.log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$scratch/$family.log" >&2
    echo "fuzz_$family found a fault" >&2
    exit 1
  fi
done
