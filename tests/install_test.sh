#!/usr/bin/env bash
# Installs the build into a temporary prefix, builds a consumer project
# against the installed package, reads a German date with the installed
# module through examples/minimal_host.c, and runs the installed nldat, which
# must find the installed module by itself.
#   install_test.sh BUILD_DIR SOURCE_DIR [C/CXX FLAGS]
set -euo pipefail
build=$(cd "$1" && pwd) source=$(cd "$2" && pwd) flags=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Runs a step quietly; on failure shows what it printed.
step() { "$@" >"$work/log" 2>&1 || { cat "$work/log" >&2; echo "install test: failed: $*" >&2; exit 1; }; }
step cmake --install "$build" --prefix "$work/prefix"
test -f "$work/prefix/lib/uwinldat.so" || test -f "$work/prefix/lib64/uwinldat.so"
test -f "$work/prefix/include/uwinldat.h" && test -f "$work/prefix/include/uwinldat_services.def"
test -x "$work/prefix/bin/nldat"
PKG_CONFIG_PATH=$(dirname "$(find "$work/prefix" -name uwinldat.pc)") pkg-config --cflags uwinldat | grep -q -- "-I.*/include"
step cmake -S "$source/tests/consumer" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" \
  -DMINIMAL_HOST_SOURCE="$source/examples/minimal_host.c" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags"
step cmake --build "$work/consumer"
module=$(find "$work/prefix" -name uwinldat.so)
"$work/consumer/consumer"
out=$("$work/consumer/minimal_host" "$module" 07.12.2026)
echo "$out"
[ "$out" = "07.12.2026 -> 24447" ]
# The installed nldat, run from elsewhere, loads the installed module.
cd "$work"
"$work/prefix/bin/nldat" info >"$work/info" || { cat "$work/info" >&2; echo "install test: nldat info failed" >&2; exit 1; }
grep -q "^module *$work/prefix/.*uwinldat.so$" "$work/info" || { cat "$work/info" >&2; exit 1; }
read_out=$(echo 07.12.2026 | "$work/prefix/bin/nldat" --locale de_DE read NLDATE)
echo "$read_out"
[ "$read_out" = "$(printf '24447\t2026-12-07')" ]
