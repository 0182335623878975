#!/usr/bin/env bash
# Fetches DuckDB's C API headers (duckdb.h, duckdb_extension.h) from the
# MIT-licensed `duckdb` package of the npm registry, checks the package's
# checksum and puts the two headers in DEST/include.  Nothing is written
# outside DEST; a second run with the headers in place does nothing.
# Usage: duckdb/fetch_headers.sh DEST
set -euo pipefail
version=1.4.4
sha256=5bb967dcbcd517670ba5f169f238fb9d6787e53752c60ebe24386169d76941ed
dest=${1:?usage: fetch_headers.sh DEST}
stamp="$dest/include/.duckdb-$version-$sha256"
[ -f "$stamp" ] && exit 0
command -v npm >/dev/null || { echo "fetch_headers.sh: npm not found (Debian: npm)" >&2; exit 1; }
mkdir -p "$dest"
work=$(mktemp -d "$dest/fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack "duckdb@$version" --silent --no-audit --no-fund >/dev/null)
tarball="$work/duckdb-$version.tgz"
echo "$sha256  $tarball" | sha256sum --check --quiet - || {
  echo "fetch_headers.sh: duckdb@$version does not have the expected checksum" >&2
  exit 1
}
tar -xzf "$tarball" -C "$work" package/src/duckdb/src/include/duckdb.h \
  package/src/duckdb/src/include/duckdb_extension.h
mkdir -p "$dest/include"
cp "$work/package/src/duckdb/src/include/duckdb.h" "$work/package/src/duckdb/src/include/duckdb_extension.h" \
  "$dest/include/"
rm -f "$dest"/include/.duckdb-*
touch "$stamp"
