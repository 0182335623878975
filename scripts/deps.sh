#!/usr/bin/env bash
# Installs the Debian packages the build needs, where they are missing, and
# the DuckDB library the DuckDB extension's tests load (npm, duckdb/npm's
# lockfile).
set -euo pipefail
need=()
for pkg in cmake ninja-build g++ clang libgtest-dev libgmock-dev libbenchmark-dev libicu-dev libcli11-dev pkg-config locales python3 \
  postgresql-15 postgresql-server-dev-15 postgresql-common \
  python3-dev pybind11-dev python3-pybind11 python3-numpy python3-pandas python3-pytest python3-setuptools python3-wheel; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}" >&2
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi

# The DuckDB library: npm ci when node_modules is missing or older than the
# lockfile.  Without npm the extension is neither built nor tested.
duckdb_npm="$(cd "$(dirname "$0")/.." && pwd)/duckdb/npm"
if command -v npm >/dev/null; then
  lock_sum=$(sha256sum "$duckdb_npm/package-lock.json" | cut -d' ' -f1)
  stamp="$duckdb_npm/node_modules/.nldat-lock-sha256"
  if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$lock_sum" ]; then
    echo "npm ci in duckdb/npm" >&2
    (cd "$duckdb_npm" && npm ci --no-audit --no-fund --silent)
    echo "$lock_sum" >"$stamp"
  fi
else
  echo "deps.sh: npm not found: the DuckDB extension will be skipped" >&2
fi
