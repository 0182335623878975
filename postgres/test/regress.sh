#!/usr/bin/env bash
# Runs the extension's regression suite (sql/*.sql against expected/*.out,
# through pg_regress) on a server of its own (private_server.sh).  Exits 77
# (CTest: skipped) with the reason when no server can be started.
#
#   regress.sh --build DIR --source DIR --module PATH --pg-config PATH [--cmake PATH] [--sanitize LIST]
#   NLDAT_KEEP=1 keeps the server's directory (and the results) for a look.
set -euo pipefail

build="" source="" module="" pg_config="" sanitize="" cmake=cmake
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --source) source=$2; shift 2 ;;
    --module) module=$2; shift 2 ;;
    --pg-config) pg_config=$2; shift 2 ;;
    --cmake) cmake=$2; shift 2 ;;
    --sanitize) sanitize=$2; shift 2 ;;
    -h | --help) sed -n '2,7p' "$0"; exit 0 ;;
    *) echo "regress.sh: unknown argument $1 (--help)" >&2; exit 2 ;;
  esac
done
[ -n "$build" ] && [ -n "$source" ] && [ -n "$module" ] && [ -n "$pg_config" ] ||
  { echo "regress.sh: --build, --source, --module and --pg-config are needed" >&2; exit 2; }
source=$(cd "$source" && pwd)

private_server_unavailable() {
  echo "postgres.regress: SKIPPED: $*"
  exit 77
}
if [ -n "$sanitize" ]; then
  private_server_unavailable "this build instruments the extension with -fsanitize=$sanitize, which a stock" \
    "server cannot load; the release build runs this suite"
fi
pg_regress=$(dirname "$("$pg_config" --pgxs)")/../test/regress/pg_regress
[ -x "$pg_regress" ] || private_server_unavailable "no pg_regress (Debian: postgresql-server-dev-15)"

. "$source/postgres/test/private_server.sh"
private_server_start "$build" "$module" "$pg_config" "$cmake"

cd "$pg_work"
if ! "$pg_regress" --bindir="$pg_bindir" --host="$pg_host" --port=5432 --user=postgres --dbname=nldat_regress \
  --inputdir="$source/postgres/test" --outputdir="$pg_work/out" nldat readers security parallel faults pushdown upgrade; then
  cat "$pg_work/out/regression.diffs" 2>/dev/null || true
  echo "--- server log"
  private_server_log 30
  exit 1
fi
