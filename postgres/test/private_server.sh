# A PostgreSQL server of one's own, with the nldat extension installed, for
# the regression suite and the bench (sourced, not run):
#   - a private copy of the PostgreSQL installation in a temporary directory:
#     the server binaries copied, every other file of its lib and share
#     directories linked.  The server finds those directories relative to its
#     own binary, so the extension is installed into the copy with
#     `DESTDIR=... cmake --install --component postgres`, and the system's
#     directories are never written;
#   - a cluster in that directory, reached through a Unix socket there only,
#     with nldat.module naming a copy of the module;
#   - as root, the server runs as the "postgres" user (or "nobody").
#
#   private_server_start BUILD_DIR MODULE PG_CONFIG [CMAKE]
# sets pg_host (the socket directory), pg_bindir and pg_work, and stops the
# server and removes the directory at exit (NLDAT_KEEP=1 keeps it).  When no
# server can be started it calls private_server_unavailable REASON, which the
# caller defines (and which must not return).

private_server_start() {
  local build=$1 module=$2 pg_config=$3 cmake=${4:-cmake}
  local pkglibdir sharedir program
  build=$(cd "$build" && pwd) module=$(realpath "$module")
  pg_bindir=$("$pg_config" --bindir)
  pkglibdir=$("$pg_config" --pkglibdir)
  sharedir=$("$pg_config" --sharedir)
  for program in postgres initdb pg_ctl psql; do
    [ -x "$pg_bindir/$program" ] || private_server_unavailable "no $pg_bindir/$program (Debian: postgresql-15)"
  done

  # The server refuses to run as root: run it as another user.
  private_server_as=() private_server_user=""
  if [ "$(id -u)" -eq 0 ]; then
    private_server_user=postgres
    id "$private_server_user" >/dev/null 2>&1 || private_server_user=nobody
    private_server_as=(setpriv --reuid="$private_server_user" --regid="$(id -g "$private_server_user")"
      --clear-groups --)
  fi

  pg_work=$(mktemp -d "${TMPDIR:-/tmp}/nldat-pg.XXXXXX")
  chmod 755 "$pg_work"
  private_server_root=$pg_work/root
  private_server_data=$pg_work/data
  pg_host=$pg_work/run
  trap private_server_stop EXIT

  local root=$private_server_root
  mkdir -p "$root$pg_bindir" "$root$pkglibdir" "$root$sharedir/extension" "$pg_work/module"
  cp "$pg_bindir/postgres" "$pg_bindir/initdb" "$pg_bindir/pg_ctl" "$root$pg_bindir/"
  private_server_link "$pkglibdir" "$root$pkglibdir"
  private_server_link "$sharedir/extension" "$root$sharedir/extension"
  private_server_link "$sharedir" "$root$sharedir"
  if ! DESTDIR=$root "$cmake" --install "$build" --component postgres >"$pg_work/install.log" 2>&1; then
    cat "$pg_work/install.log" >&2
    echo "cmake --install --component postgres failed" >&2
    exit 1
  fi
  if [ ! -f "$root$pkglibdir/nldat.so" ] || [ ! -f "$root$sharedir/extension/nldat.control" ]; then
    echo "the install did not put the extension where pg_config says" >&2
    exit 1
  fi
  cp "$module" "$pg_work/module/uwinldat.so"

  mkdir -p "$private_server_data" "$pg_host"
  [ -z "$private_server_user" ] || chown "$private_server_user" "$private_server_data" "$pg_host"
  if ! "${private_server_as[@]}" "$root$pg_bindir/initdb" -D "$private_server_data" -U postgres -A trust -E UTF8 \
    --locale=C >"$pg_work/initdb.log" 2>&1; then
    tail -5 "$pg_work/initdb.log"
    private_server_unavailable "initdb failed"
  fi
  cat >>"$private_server_data/postgresql.conf" <<EOF
listen_addresses = ''
unix_socket_directories = '$pg_host'
fsync = off
nldat.module = '$pg_work/module/uwinldat.so'
EOF
  if ! "${private_server_as[@]}" "$root$pg_bindir/pg_ctl" -D "$private_server_data" -l "$pg_host/server.log" \
    -w -t 60 start >/dev/null; then
    tail -20 "$pg_host/server.log"
    private_server_unavailable "the server did not start"
  fi
}

# Links each entry of directory $1 into directory $2, except nldat's own files
# (the install writes those; it must not write through a link).
private_server_link() {
  local entry
  for entry in "$1"/*; do
    case "$(basename "$entry")" in nldat.* | nldat--*) continue ;; esac
    [ -e "$2/$(basename "$entry")" ] || ln -s "$entry" "$2/"
  done
}

private_server_stop() {
  if [ -f "$private_server_data/postmaster.pid" ]; then
    "${private_server_as[@]}" "$private_server_root$pg_bindir/pg_ctl" -D "$private_server_data" -m immediate -w \
      stop >/dev/null 2>&1 || true
  fi
  if [ "${NLDAT_KEEP:-0}" = 1 ]; then echo "kept $pg_work"; else rm -rf "$pg_work"; fi
}

# The server's log, for a failure report.
private_server_log() { tail -"${1:-30}" "$pg_host/server.log"; }
