#!/usr/bin/env bash
# Runs `nldat read` and `nldat convert` of two builds over the same inputs
# (edge cases written here, and any files given) and compares standard
# output, standard error and exit status byte for byte.  For a change meant
# to leave every output as it was.
#
#   bench/cli_compare.sh REFERENCE_NLDAT CANDIDATE_NLDAT [DATES_FILE CSV_FILE]
#
# DATES_FILE holds German dates one a line, CSV_FILE a file with the columns
# Buchungstag, Zeitstempel and Betrag (bench/peers/run.py writes both).
# Prints the number of runs compared; exits 1 on the first difference.
set -u
ref=$1 new=$2 dates=${3:-} csv=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=0

compare() {  # compare INPUT ARGS...: from the file, then from standard input
  local input=$1
  shift
  for from in file stdin; do
    if [ "$from" = file ]; then
      "$ref" "$@" "$input" >"$work/r.out" 2>"$work/r.err"
      echo $? >"$work/r.rc"
      "$new" "$@" "$input" >"$work/n.out" 2>"$work/n.err"
      echo $? >"$work/n.rc"
    else
      "$ref" "$@" <"$input" >"$work/r.out" 2>"$work/r.err"
      echo $? >"$work/r.rc"
      "$new" "$@" <"$input" >"$work/n.out" 2>"$work/n.err"
      echo $? >"$work/n.rc"
    fi
    sed -i "s#$work/##g" "$work/r.err" "$work/n.err"
    for part in out err rc; do
      if ! cmp -s "$work/r.$part" "$work/n.$part"; then
        echo "differs ($part, from $from): $* $input" >&2
        diff <(head -c 2000 "$work/r.$part") <(head -c 2000 "$work/n.$part") | head -20 >&2
        exit 1
      fi
    done
    runs=$((runs + 1))
  done
}

# Lines of dates, one a line: every kind of line end and damage.
d=$work/dates
mkdir -p "$d"
printf '08.06.1678\n14.07.1990\n' >"$d/plain.txt"
printf '08.06.1678\r\n14.07.1990\r\n01.02.2003' >"$d/crlf_last.txt"
printf '08.06.1678\r14.07.1990\r\r\n\n' >"$d/lone_cr.txt"
printf '\xEF\xBB\xBF08.06.1678\n14.07.1990\n' >"$d/bom.txt"
printf '08.06.1678\n\n  \n 08.06.1678 \n\t14.07.1990\t\n' >"$d/blank.txt"
printf '08.06.1678\n31.04.2020\n29.02.2021\n29.02.2020\n00.01.2000\n32.01.2000\n01.13.2000\n' >"$d/ranges.txt"
printf '8.6.1678\n08.06.78\n08-06-1678\n1678-06-08\n08.06.1678x\n08.06.16789\n0a.06.1678\n' >"$d/shapes.txt"
printf '08.06.1678\n14. Juli 1990\n3. März 2001\n08.06.\xFC1678\n' >"$d/names.txt"
printf '05.06.2026\n01.02.2003\n11.12.2010\n' >"$d/swapped.txt"
printf '05.06.2026\n01.02.2003\n13.12.2010\n' >"$d/not_swapped.txt"
printf '08.06.1678\n14.07.1990\n\xC3\x28bad\n' >"$d/bad_utf8.txt"
printf 'Datum,Betrag\n08.06.1678,"1.234,5"\n"14.07.1990",-7\n,\n"a,b",3\n' >"$d/columns.csv"
printf '1.234,56\n-1.234.567,89\n1234,5\n12,\n,5\n-0,00\n1.23,4\n 42 \n1e5\n99.999.999.999.999,99\n(5)\n5-\n+5\n' >"$d/numbers.txt"
printf '24.12.2026, 18:30:00\n24.12.2026, 18:30\n24.12.2026 18:30:00\n31.12.9999, 23:59:59\n' >"$d/datetimes.txt"
python3 - "$d" <<'EOF'
import random, sys
d = sys.argv[1]
random.seed(27)
with open(f"{d}/random.txt", "w", encoding="utf-8", newline="") as f:
    for i in range(30000):
        day, month, year = random.randint(0, 32), random.randint(0, 13), random.randint(1, 9999)
        form = random.choice(["%02d.%02d.%04d", "%d.%d.%04d", "%02d.%02d.%02d", "%02d/%02d/%04d"])
        text = form % (day, month, year % 100 if form.endswith("%02d") else year)
        if random.random() < 0.02:
            text = text[: random.randint(0, len(text))]
        f.write(text + random.choice(["\n", "\r\n", "\r"]))
with open(f"{d}/long.txt", "w") as f:
    f.write("08.06.1678\n" + "1" * 300000 + "\n14.07.1990\n")
EOF

for input in "$d"/*.txt "$d"/*.csv; do
  for threads in 1 2 3; do
    compare "$input" --locale de_DE read --threads "$threads" NLDATE
  done
  compare "$input" --locale de_DE read --threads 1 --echo NLDATE
  compare "$input" --locale de_DE read --threads 2 --strict-order NLDATE
  compare "$input" --locale de_DE read --threads 1 --lenient NLDATE
  compare "$input" --locale de_DE read --threads 1 NUMBER
  compare "$input" --locale de_DE read --threads 2 --echo NUMBER
  compare "$input" --locale de_DE read --threads 1 NLDATM
  compare "$input" --locale de_DE read --threads 1 'NLDATE|NLDATE@en_US'
  compare "$input" --locale de_DE read --threads 1 --column 1 NLDATE
  compare "$input" --locale de_DE read --threads 1 --column 2 --header NUMBER
  compare "$input" --locale en_US read --threads 1 NLDATE
done

# Delimited records: quotes, line ends, counts of fields, number shapes.
c=$work/csv
mkdir -p "$c"
head='Buchungstag;Zeitstempel;Betrag;Name'
{
  echo "$head"
  echo '08.06.1678;14.07.1990, 02:17:51;-4.522.434,26;Stadtwerke Köln'
  echo '"12.03.2048";"03.08.1970, 00:20:06";"8.924.353,08";"a;b"'
  printf '"06.10.1668";14.10.1820, 18:14:00;"-935.321,16";"zwei\nZeilen"\n'
  echo '"06.10.""1668";x;"1""2";"q""q"'
  echo ';;;'
  echo ''
  echo '01.01.2000;01.01.2000, 00:00:00;0,00'
  echo '01.01.2000;01.01.2000, 00:00:00;0,00;x;y;z'
  echo '31.04.2000;31.12.1999, 24:00:00;1.2345;'
  echo ' 01.01.2000 ; 01.01.2000, 00:00:00 ; 1,5 ;'
  printf '02.02.2002;02.02.2002, 02:02:02;2,5;\xC3\xA4\n'
  printf '02.02.2002;02.02.2002, 02:02:02;2,5;\xC3\x28\n'
  printf '01.01.2000;01.01.2000, 00:00:00;\xE2\x88\x921,5;\xC3\xA4\n'
  printf '\xC2\xA001.01.2000;01.01.2000,\xE2\x80\xAF00:00:00;1\xC2\xA0234,5;\xF0\x9F\x98\x80\n'
  printf '\xF0\x9F\x98\x80;01.01.2000\xE2\x80\x8E;"\xE2\x80\x8F1,5";\xE0\x80\x80\n'
  printf '01.01.2000;01.01.2000, 00:00:00;1,5;\xC3'
} >"$c/mixed.csv"
{
  echo "$head"
  printf '08.06.1678;14.07.1990, 02:17:51;-4.522.434,26;x\r\n'
  printf '12.03.2048;03.08.1970, 00:20:06;8.924.353,08;y\r'
  printf '06.10.1668;14.10.1820, 18:14:00;-935.321,16;z'
} >"$c/line_ends.csv"
printf '\xEF\xBB\xBF%s\n01.01.2000;01.01.2000, 00:00:00;1;\n' "$head" >"$c/bom.csv"
{
  echo "$head"
  echo '05.06.2026;05.06.2026, 01:00:00;1;a'
  echo '01.02.2003;01.02.2003, 01:00:00;1;a'
} >"$c/swapped.csv"
{
  echo "$head"
  echo '01.01.2000;01.01.2000, 00:00:00;1;"never closed'
  echo '02.01.2000;02.01.2000, 00:00:00;1;x'
} >"$c/unclosed.csv"
python3 - "$c" "$head" <<'EOF'
import random, sys
c, head = sys.argv[1], sys.argv[2]
random.seed(4)
numbers = ["1.234,56", "-1.234.567,89", "1234,5", "12,", ",5", "-0,00", "1.23,4", "42", "1e5",
           "99.999.999.999.999,99", "999.999.999.999.999,99", "(5)", "5-", "+5", "1.234", "1,234",
           "1 234,5", "1.234.5", "0", "-0", "00,10", "1.000.000", "12.34.567", "-", ",", "1,2,3",
           "1.234,567", "123456789012345,6", "1234567890123456", "€ 5", "5 €", "--5", "1..2",
           "١٢٣", "0,000000000000001", "9007199254740993", "1.2e3", " 7", "7 "]
with open(f"{c}/numbers.csv", "w", encoding="utf-8", newline="") as f:
    f.write(head + "\n")
    for n in numbers:
        f.write(f"01.01.2000;01.01.2000, 00:00:00;{n};x\n")
        f.write(f'01.01.2000;01.01.2000, 00:00:00;"{n}";x\n')
with open(f"{c}/random.csv", "w", encoding="utf-8", newline="") as f:
    f.write(head + "\n")
    for i in range(20000):
        day, month, year = random.randint(0, 32), random.randint(0, 13), random.randint(1, 9999)
        date = "%02d.%02d.%04d" % (day, month, year)
        stamp = "%02d.%02d.%04d, %02d:%02d:%02d" % (random.randint(1, 28), random.randint(1, 12),
                                                   random.randint(1, 9999), random.randint(0, 24),
                                                   random.randint(0, 60), random.randint(0, 59))
        amount = random.choice(numbers) if random.random() < 0.2 else "%d,%02d" % (
            random.randint(-10**7, 10**7), random.randint(0, 99))
        fields = [date, stamp, amount, random.choice(["x", "a;b", 'q"q', "zw\nei", "Köln", ""])]
        if random.random() < 0.02:
            fields = fields[: random.randint(1, 3)]
        if random.random() < 0.02:
            fields.append("extra")
        out = []
        for v in fields:
            if any(ch in v for ch in ';"\n') or random.random() < 0.1:
                v = '"' + v.replace('"', '""') + '"'
            out.append(v)
        f.write(";".join(out) + random.choice(["\n", "\n", "\r\n"]))
with open(f"{c}/long.csv", "w") as f:
    f.write(head + "\n01.01.2000;01.01.2000, 00:00:00;1;" + "x" * 300000 + "\n")
    f.write("01.01.2000;01.01.2000, 00:00:00;" + "1" * 300000 + ";x\n")
EOF

columns=(--delimiter ';' --column Buchungstag=NLDATE --column Zeitstempel=NLDATM --column Betrag=NUMBER)
for input in "$c"/*.csv; do
  for threads in 1 2 3; do
    compare "$input" --locale de_DE convert --threads "$threads" "${columns[@]}"
  done
  compare "$input" --locale de_DE convert --threads 1 --keep --form both "${columns[@]}"
  compare "$input" --locale de_DE convert --threads 2 --form value "${columns[@]}"
  compare "$input" --locale de_DE convert --threads 1 --strict-order "${columns[@]}"
  compare "$input" --locale de_DE convert --threads 1 --lenient "${columns[@]}"
  compare "$input" --locale de_DE convert --threads 1 --delimiter ';' --column 3=MONEY --column 1='NLDATE|NLDATE@en_US'
  compare "$input" --locale de_DE convert --threads 1 --delimiter ';' --no-header --column 1=NLDATE --column 3=NUMBER
done

# The whole files, given.
if [ -n "$dates" ]; then
  for threads in 1 2; do compare "$dates" --locale de_DE read --threads "$threads" NLDATE; done
fi
if [ -n "$csv" ]; then
  for threads in 1 2; do compare "$csv" --locale de_DE convert --threads "$threads" "${columns[@]}"; done
  compare "$csv" --locale de_DE convert --threads 2 --keep --form both "${columns[@]}"
fi
echo "$runs runs, no difference"
