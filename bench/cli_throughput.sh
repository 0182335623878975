#!/bin/sh
# Fields per second of `nldat read NLDATE` over a file of German dates, against
# `date -f FILE +%s` over the same days written the way date reads them.
#
#   bench/cli_throughput.sh [NLDAT] [LINES]
#
# NLDAT defaults to build/release/bin/nldat, LINES to 1000000.  date(1) gets
# at most 100000 of the lines (it is slow); both rates are per field.
set -eu

nldat=${1:-build/release/bin/nldat}
lines=${2:-1000000}
date_lines=$((lines < 100000 ? lines : 100000))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

# Days spread over 1582-01-01 .. 2100-12-31, a fixed sequence; the same day
# as dd.mm.yyyy (German) and yyyy-mm-dd (for date -f).
awk -v n="$lines" -v de="$work/de.txt" -v iso="$work/iso.txt" '
function civil(z,   era, doe, yoe, doy, mp) {
  z += 719468 - 3653
  era = int((z >= 0 ? z : z - 146096) / 146097)
  doe = z - era * 146097
  yoe = int((doe - int(doe / 1460) + int(doe / 36524) - int(doe / 146096)) / 365)
  doy = doe - (365 * yoe + int(yoe / 4) - int(yoe / 100))
  mp = int((5 * doy + 2) / 153)
  D = doy - int((153 * mp + 2) / 5) + 1
  M = mp < 10 ? mp + 3 : mp - 9
  Y = yoe + era * 400 + (M <= 2)
}
BEGIN {
  x = 12345
  for (i = 0; i < n; i++) {
    x = (x * 1103515245 + 12345) % 2147483648
    civil(-138061 + x % 189561)
    printf "%02d.%02d.%04d\n", D, M, Y > de
    printf "%04d-%02d-%02d\n", Y, M, D > iso
  }
}'
head -n "$date_lines" "$work/iso.txt" > "$work/iso_head.txt"

now() { date +%s.%N; }
rate() { awk -v n="$1" -v s="$2" -v e="$3" 'BEGIN { t = e - s; printf "%.0f fields/s (%.3f s, %.1f ns/field)", n / t, t, t * 1e9 / n }'; }

# A warm-up run puts the file and the binary in the page cache.
"$nldat" --locale de_DE read NLDATE "$work/de.txt" > /dev/null 2>&1 || true
start=$(now)
status=0
"$nldat" --locale de_DE read NLDATE "$work/de.txt" > "$work/out.txt" 2>"$work/err" || status=$?
end=$(now)
if [ "$status" -ne 0 ]; then
  echo "nldat read NLDATE: exit status $status: $(head -c 200 "$work/err")"
elif [ "$(wc -l < "$work/out.txt")" -lt "$lines" ]; then
  echo "nldat read NLDATE: $(wc -l < "$work/out.txt") lines of output for $lines fields; no read command?"
else
  nldat_rate=$(rate "$lines" "$start" "$end")
  echo "nldat --locale de_DE read NLDATE ($lines lines): $nldat_rate"
fi

start=$(now)
date -u -f "$work/iso_head.txt" +%s > /dev/null
end=$(now)
echo "date -u -f FILE +%s ($date_lines lines): $(rate "$date_lines" "$start" "$end")"
