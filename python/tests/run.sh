#!/usr/bin/env bash
# Runs the package's tests with pytest: run.sh PYTHON TESTS_DIR.  Exit 77
# (skipped, with the reason) where pytest is missing or collects nothing.
set -uo pipefail
python=$1
tests=$2
if ! "$python" -c "import pytest" 2>/dev/null; then
  echo "python tests skipped: $python has no pytest (Debian: python3-pytest)"
  exit 77
fi
"$python" -m pytest -q -p no:cacheprovider "$tests"
status=$?
if [ $status -eq 5 ]; then
  echo "python tests skipped: pytest collected no tests in $tests"
  exit 77
fi
exit $status
