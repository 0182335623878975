#!/usr/bin/env bash
# nl_date(s, 'NLDATE', 'de_DE') against to_date(s, 'DD.MM.YYYY') over the same
# German dates, in one session of a server of its own (the extension and the
# module of a build tree), serial plans only; and nl_date by two alternatives
# (NLDATE@de_DE|NLDATE@en_US) and by a form (form:%d.%m.%Y).  Each query runs RUNS times;
# the best time is reported, with the bare scan (count(s)) for the floor.
#
#   bench/postgres_bench.sh [BUILD_DIR] [ROWS] [RUNS]
#
# BUILD_DIR defaults to build/release, ROWS to 1000000, RUNS to 5.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/release}
rows=${2:-1000000}
runs=${3:-5}
module=$(find "$build" -name uwinldat.so -path '*/bin/*' | head -1)
[ -n "$module" ] || { echo "postgres_bench: no uwinldat.so under $build (build it first)" >&2; exit 2; }

private_server_unavailable() {
  echo "postgres_bench: no server: $*" >&2
  exit 2
}
. "$here/postgres/test/private_server.sh"
private_server_start "$build" "$module" "$(command -v pg_config)"

queries=(
  "count(s)"
  "count(to_date(s, 'DD.MM.YYYY'))"
  "count(nl_date(s, 'NLDATE', 'de_DE'))"
  "count(nl_date(s, 'NLDATE@de_DE|NLDATE@en_US', 'de_DE'))"
  "count(nl_date(s, 'form:%d.%m.%Y', 'de_DE'))"
)
{
  cat <<EOF
CREATE EXTENSION nldat;
CREATE TABLE bench AS
SELECT to_char(date '1950-01-01' + i % 36500, 'DD.MM.YYYY') AS s FROM generate_series(1, $rows) AS i;
VACUUM ANALYZE bench;
SET max_parallel_workers_per_gather = 0;
-- Loads the module and the locale, and reads the table into the cache.
SELECT count(nl_date(s, 'NLDATE', 'de_DE')), count(to_date(s, 'DD.MM.YYYY')) FROM bench;
\timing on
EOF
  for ((r = 0; r < runs; ++r)); do
    for ((q = 0; q < ${#queries[@]}; ++q)); do
      echo "\\echo QUERY $q"
      echo "SELECT ${queries[q]} FROM bench;"
    done
  done
} | "$pg_bindir/psql" -X -q -At -h "$pg_host" -U postgres -d postgres -v ON_ERROR_STOP=1 >"$pg_work/timings.txt"

# The best time of each query, and its cost per row above the bare scan.
names=$(printf '%s\t' "${queries[@]}")
awk -v rows="$rows" -v runs="$runs" -v names="$names" '
  /^QUERY / { q = $2; next }
  /^Time: / { t = $2; if (!(q in best) || t < best[q]) best[q] = t }
  END {
    n = split(names, name, "\t") - 1
    printf "%d rows, best of %d runs, one session, serial plan\n", rows, runs
    printf "%-62s %10s %14s\n", "query", "ms", "ns/row (net)"
    for (i = 0; i < n; ++i)
      printf "%-62s %10.1f %14.1f\n", name[i + 1], best[i], (best[i] - best[0]) * 1e6 / rows
    printf "nl_date / to_date (net of the scan): %.2f\n", (best[2] - best[0]) / (best[1] - best[0])
  }' "$pg_work/timings.txt"
