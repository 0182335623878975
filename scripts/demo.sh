#!/usr/bin/env bash
# Builds the module and the CLI (nothing else) and shows what nldat does:
# telling what a file holds, reading dates, a field it refuses, converting a German bank statement,
# writing dates by a pattern and as week dates.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target nldat uwinldat >/dev/null
nldat=build/release/bin/nldat
show() {
  local words=() arg
  for arg in "$@"; do
    [[ $arg =~ ^[A-Za-z0-9_./=:@-]+$ ]] && words+=("$arg") || words+=("'$arg'")
  done
  echo
  echo "\$ nldat ${words[*]}"
  "$nldat" "$@" || echo "(exit status $?)"
}
show sniff examples/en_GB_statement.csv
show --locale de_DE read --echo NLDATE examples/de_DE_dates.txt
show --locale ja_JP read --echo NLDATM examples/ja_JP_datetimes.txt
echo
echo "\$ printf '07.12.2026\\n07.12.20026\\n' | nldat --locale de_DE read NLDATE"
printf '07.12.2026\n07.12.20026\n' | "$nldat" --locale de_DE read NLDATE 2>&1 || echo "(exit status $?)"
show --locale de_DE convert --column Buchungstag=NLDATE --column Valuta=NLDATE --column Betrag=MONEY \
  examples/de_DE_kontoauszug.csv
show --locale de_DE format date '%A, %d. %B %Y' 2026-12-07
show week V 2010-01-01 2026-12-07
