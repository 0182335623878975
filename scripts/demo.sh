#!/usr/bin/env bash
# Builds the release preset and reads the example files through the module's
# informats: German and Russian dates, Japanese dates and datetimes, a French
# CSV column and English datetimes with AM/PM.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
nldat=build/release/bin/nldat
show() {
  echo
  echo "\$ nldat $*"
  "$nldat" "$@"
}
show --locale de_DE read --echo NLDATE examples/de_DE_dates.txt
show --locale ja_JP read --echo NLDATE examples/ja_JP_dates.txt
show --locale ja_JP read --echo NLDATM examples/ja_JP_datetimes.txt
show --locale ru_RU read --echo NLDATE examples/ru_RU_dates.txt
show --locale fr_FR read --echo --header --column 2 NLDATM examples/fr_FR_datetimes.csv
show --locale en_US read --echo NLDATM examples/en_US_datetimes.txt
