#!/usr/bin/env bash
# Runs the extension's regression suite (sql/*.sql against expected/*.out,
# through pg_regress) on a server of its own:
#   - a private copy of the PostgreSQL installation in a temporary directory:
#     the server binaries copied, every other file of its lib and share
#     directories linked.  The server finds those directories relative to its
#     own binary, so the extension is installed into the copy with
#     `DESTDIR=... cmake --install --component postgres` and the system's
#     directories are never written;
#   - a cluster in that directory, reached through a Unix socket there only;
#   - as root, the server runs as the "postgres" user (or "nobody").
# Exits 77 (CTest: skipped) with the reason when no server can be started.
#
#   regress.sh --build DIR --source DIR --module PATH --pg-config PATH [--cmake PATH] [--sanitize LIST]
#              [--keep]
set -euo pipefail

build="" source="" module="" pg_config="" sanitize="" cmake=cmake keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --source) source=$2; shift 2 ;;
    --module) module=$2; shift 2 ;;
    --pg-config) pg_config=$2; shift 2 ;;
    --sanitize) sanitize=$2; shift 2 ;;
    --cmake) cmake=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    -h | --help) sed -n '2,16p' "$0"; exit 0 ;;
    *) echo "regress.sh: unknown argument $1 (--help)" >&2; exit 2 ;;
  esac
done
[ -n "$build" ] && [ -n "$source" ] && [ -n "$module" ] && [ -n "$pg_config" ] ||
  { echo "regress.sh: --build, --source, --module and --pg-config are needed" >&2; exit 2; }
build=$(cd "$build" && pwd) source=$(cd "$source" && pwd) module=$(realpath "$module")

skip() {
  echo "postgres.regress: SKIPPED: $*"
  exit 77
}

if [ -n "$sanitize" ]; then
  skip "this build instruments the extension with -fsanitize=$sanitize, which a stock server cannot load;" \
    "the release build runs this suite"
fi
bindir=$("$pg_config" --bindir)
pkglibdir=$("$pg_config" --pkglibdir)
sharedir=$("$pg_config" --sharedir)
pg_regress=$(dirname "$("$pg_config" --pgxs)")/../test/regress/pg_regress
for program in postgres initdb pg_ctl psql; do
  [ -x "$bindir/$program" ] || skip "no $bindir/$program (Debian: postgresql-15)"
done
[ -x "$pg_regress" ] || skip "no pg_regress (Debian: postgresql-server-dev-15)"

# The server refuses to run as root: run it as another user.
as_server=()
if [ "$(id -u)" -eq 0 ]; then
  user=postgres
  id "$user" >/dev/null 2>&1 || user=nobody
  as_server=(setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups --)
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/nldat-regress.XXXXXX")
chmod 755 "$work"
root=$work/root data=$work/data run=$work/run
cleanup() {
  if [ -f "$data/postmaster.pid" ]; then
    "${as_server[@]}" "$root$bindir/pg_ctl" -D "$data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  if [ "$keep" -eq 1 ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

# The private installation.
mkdir -p "$root$bindir" "$root$pkglibdir" "$root$sharedir/extension" "$work/module"
cp "$bindir/postgres" "$bindir/initdb" "$bindir/pg_ctl" "$root$bindir/"
link_entries() {  # link_entries FROM TO: each entry of FROM, except nldat's own files
  local entry
  for entry in "$1"/*; do
    case "$(basename "$entry")" in nldat.* | nldat--*) continue ;; esac
    [ -e "$2/$(basename "$entry")" ] || ln -s "$entry" "$2/"
  done
}
link_entries "$pkglibdir" "$root$pkglibdir"
link_entries "$sharedir/extension" "$root$sharedir/extension"
link_entries "$sharedir" "$root$sharedir"
DESTDIR=$root "$cmake" --install "$build" --component postgres >"$work/install.log" ||
  { cat "$work/install.log" >&2; echo "postgres.regress: cmake --install failed" >&2; exit 1; }
[ -f "$root$pkglibdir/nldat.so" ] && [ -f "$root$sharedir/extension/nldat.control" ] ||
  { echo "postgres.regress: the install did not put the extension where pg_config says" >&2; exit 1; }
cp "$module" "$work/module/uwinldat.so"

# The cluster.
mkdir -p "$data" "$run"
[ ${#as_server[@]} -eq 0 ] || chown "$user" "$data" "$run"
if ! "${as_server[@]}" "$root$bindir/initdb" -D "$data" -U postgres -A trust -E UTF8 --locale=C \
  >"$work/initdb.log" 2>&1; then
  tail -5 "$work/initdb.log"
  skip "initdb failed"
fi
cat >>"$data/postgresql.conf" <<EOF
listen_addresses = ''
unix_socket_directories = '$run'
fsync = off
nldat.module = '$work/module/uwinldat.so'
EOF
if ! "${as_server[@]}" "$root$bindir/pg_ctl" -D "$data" -l "$run/server.log" -w -t 60 start >/dev/null; then
  tail -20 "$run/server.log"
  skip "the server did not start"
fi

cd "$work"
if ! "$pg_regress" --bindir="$bindir" --host="$run" --port=5432 --user=postgres \
  --dbname=nldat_regress --inputdir="$source/postgres/test" --outputdir="$work/out" \
  nldat security parallel; then
  cat "$work/out/regression.diffs" 2>/dev/null || true
  echo "--- server log (last 30 lines)"
  tail -30 "$run/server.log"
  exit 1
fi
