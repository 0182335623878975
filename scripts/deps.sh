#!/usr/bin/env bash
# Installs the Debian packages the build needs, where they are missing.
set -euo pipefail
need=()
for pkg in cmake ninja-build g++ clang libgtest-dev libgmock-dev libbenchmark-dev libicu-dev libcli11-dev pkg-config locales \
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
