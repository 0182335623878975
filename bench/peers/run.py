#!/usr/bin/env python3
"""Whole-file jobs: nldat against DuckDB and Polars on the same generated files.

    bench/peers/run.py [--nldat build/release/bin/nldat] [--lines 1000000] [--runs 5] [--out build/peers.json]

Installs the peers the lockfile pins (bench/peers/package-lock.json) when they are
missing, writes the inputs, then runs every tool once per round, the order
rotating from round to round, and reports each tool's median.  nldat is timed
as a whole process (start-up included); the peers time themselves inside their
process after the engine is loaded (peers.mjs).  Every tool's output of the
first round is checked value by value against what the generator knows.

Jobs:
  dates  one German date dd.mm.yyyy a line -> "days<TAB>yyyy-mm-dd"
  csv    ';' CSV with a date, a datetime, an amount -1.234,56 and three text
         columns -> the same CSV with ISO dates and datetimes and plain numbers
         (nldat convert; skipped while the nldat given has no convert command)
"""
import argparse
import csv
import datetime
import hashlib
import itertools
import json
import os
import platform
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
EPOCH = datetime.date(1960, 1, 1).toordinal()
FIRST_DAY = datetime.date(1582, 1, 1).toordinal()
LAST_DAY = datetime.date(2100, 12, 31).toordinal()
NAMES = ["Müller GmbH", "Stadtwerke Köln", "Bäckerei Schäfer", "Deutsche Bahn", "Miete Oktober", "Lidl Filiale 42",
         "Finanzamt Süd", "Allianz Versicherung"]


def install_peers():
    """Install the locked peers when node_modules is missing or older than the lockfile.

    Not `npm ci`: nodejs-polars 0.26.1 names native packages for platforms it
    never published, which the lockfile cannot hold and `npm ci` then refuses.
    `npm install --no-save` installs what the lockfile pins and changes neither
    file; every package the lockfile pins is checked against what landed."""
    lock = os.path.join(HERE, "package-lock.json")
    digest = hashlib.sha256(open(lock, "rb").read()).hexdigest()
    stamp = os.path.join(HERE, "node_modules", ".nldat-lock-sha256")
    if os.path.exists(stamp) and open(stamp).read().strip() == digest:
        return
    print("npm install (locked) in bench/peers ...", file=sys.stderr)
    subprocess.run(["npm", "install", "--no-save", "--no-audit", "--no-fund"], cwd=HERE, check=True,
                   stdout=subprocess.DEVNULL)
    pinned = json.load(open(lock))["packages"]
    for path, entry in pinned.items():
        manifest = os.path.join(HERE, path, "package.json")
        if not path or entry.get("optional") and not os.path.exists(manifest):
            continue
        got = json.load(open(manifest))["version"] if os.path.exists(manifest) else "nothing"
        if got != entry["version"]:
            sys.exit(f"bench/peers: {path} is {got}, the lockfile pins {entry['version']}")
    with open(stamp, "w") as f:
        f.write(digest + "\n")


PEER_PACKAGES = {"polars": "nodejs-polars", "duckdb": "@duckdb/node-api"}


def peer_versions():
    """The installed version of each peer's package, as npm put it in node_modules."""
    versions = {}
    for tool, package in PEER_PACKAGES.items():
        manifest = os.path.join(HERE, "node_modules", package, "package.json")
        versions[tool] = json.load(open(manifest))["version"] if os.path.exists(manifest) else "missing"
    return versions


def german(d):
    return f"{d.day:02d}.{d.month:02d}.{d.year:04d}"


def german_amount(cents):
    whole, frac = divmod(abs(cents), 100)
    grouped = f"{whole:,}".replace(",", ".")
    return f"{'-' if cents < 0 else ''}{grouped},{frac:02d}"


def write_dates(path, expected_path, lines, rng):
    """The dates file and the output expected from it."""
    with open(path, "w") as f, open(expected_path, "w") as e:
        for _ in range(lines):
            d = datetime.date.fromordinal(rng.randint(FIRST_DAY, LAST_DAY))
            f.write(german(d) + "\n")
            e.write(f"{d.toordinal() - EPOCH}\t{d.isoformat()}\n")


def write_csv(path, expected_path, lines, rng):
    """The CSV file and the output expected from it (the amount as Python writes the double)."""
    header = "Buchungstag;Zeitstempel;Betrag;Name;Zweck;Konto\n"
    with open(path, "w") as f, open(expected_path, "w") as e:
        f.write(header)
        e.write(header)
        for _ in range(lines):
            d = datetime.date.fromordinal(rng.randint(FIRST_DAY, LAST_DAY))
            t = datetime.datetime.fromordinal(rng.randint(FIRST_DAY, LAST_DAY)) + datetime.timedelta(
                seconds=rng.randrange(86400))
            cents = rng.randint(-10**9, 10**9)
            name = NAMES[rng.randrange(len(NAMES))]
            purpose = f"Rechnung {rng.randrange(10**6):06d} vom {german(d)}"
            account = "DE" + "".join(str(rng.randrange(10)) for _ in range(20))
            f.write(f"{german(d)};{german(t.date())}, {t:%H:%M:%S};{german_amount(cents)};{name};{purpose};"
                    f"{account}\n")
            e.write(f"{d.isoformat()};{t:%Y-%m-%dT%H:%M:%S};{cents / 100!r};{name};{purpose};{account}\n")


def same_csv_row(got, expected):
    """Equal fields, the amount compared as a number (peers write 5.0 where nldat writes 5)."""
    if len(got) != len(expected) or got[:2] != expected[:2] or got[3:] != expected[3:]:
        return False
    try:
        return float(got[2]) == float(expected[2])
    except ValueError:
        return got[2] == expected[2]


def check(path, expected_path, job):
    """None when the output holds the expected values, else the first difference."""
    with open(path, newline="") as f, open(expected_path, newline="") as e:
        if job == "csv":
            got, want = csv.reader(f, delimiter=";"), csv.reader(e, delimiter=";")
            same = same_csv_row
        else:
            got, want = (line.rstrip("\n") for line in f), (line.rstrip("\n") for line in e)
            same = str.__eq__
        n = 0
        for n, (g, w) in enumerate(itertools.zip_longest(got, want), 1):
            if g is None or w is None:
                return f"line {n}: {'missing' if g is None else 'one line too many'}"
            if not same(g, w):
                return f"line {n}: {g!r}, expected {w!r}"
    return None


# GNU time reports the peak of the program alone; a child forked straight from
# this script would count the script's own pages in its peak.
TIME = shutil.which("time", path="/usr/bin:/bin")


def run_measured(argv, stdout_path, cwd=None):
    """Wall seconds of the whole process, its peak resident size in KiB (0 when
    unknown), its exit status and its standard error."""
    rss_file = stdout_path + ".rss"
    if TIME:
        argv = [TIME, "-f", "%M", "-o", rss_file] + argv
    with open(stdout_path, "wb") as out:
        start = time.perf_counter()
        p = subprocess.run(argv, stdout=out, stderr=subprocess.PIPE, cwd=cwd)
        seconds = time.perf_counter() - start
    kib = 0
    if TIME and os.path.exists(rss_file):
        text = open(rss_file).read().split()
        kib = int(text[-1]) if text and text[-1].isdigit() else 0
        os.unlink(rss_file)
    return seconds, kib, p.returncode, p.stderr.decode(errors="replace")


def run_peer(engine, job, src, dst):
    """The peer's own timing of the job and its peak resident size in KiB."""
    report = dst + ".time"
    _, kib, status, err = run_measured(["node", os.path.join(HERE, "peers.mjs"), engine, job, src, dst], report,
                                       cwd=HERE)
    if status != 0:
        sys.exit(f"{engine} {job}: failed: {err[:500]}")
    seconds = float(open(report).read().strip())
    os.unlink(report)
    return seconds, kib


def has_command(nldat, command):
    """Whether nldat lists command in its help (an unknown command may still exit 0 with the help)."""
    p = subprocess.run([nldat, "--help"], capture_output=True, text=True)
    return any(line.split()[:1] == [command] for line in (p.stdout + p.stderr).splitlines())


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--nldat", default=os.path.join(ROOT, "build/release/bin/nldat"))
    ap.add_argument("--lines", type=int, default=1_000_000)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--jobs", default="dates,csv")
    ap.add_argument("--out", default=os.path.join(ROOT, "build", "peers.json"), help="results as JSON, for bench/report.py")
    ap.add_argument("--nldat-arg", action="append", default=[],
                    help="an extra argument for nldat's command (e.g. a thread count)")
    args = ap.parse_args()
    if not os.access(args.nldat, os.X_OK):
        sys.exit(f"{args.nldat}: not built (cmake --build --preset release --target nldat)")
    install_peers()

    work = tempfile.mkdtemp(prefix="nldat-peers-")
    try:
        results = {"lines": args.lines, "runs": args.runs, "date": datetime.datetime.utcnow().isoformat() + "Z",
                   "machine": f"{os.cpu_count()} CPUs, {platform.machine()}, load {os.getloadavg()[0]:.1f}",
                   "versions": peer_versions(), "jobs": {}}
        print("peers: " + ", ".join(f"{PEER_PACKAGES[t]} {v}" for t, v in results["versions"].items()),
              file=sys.stderr)
        rng = random.Random(20261208)
        for job in args.jobs.split(","):
            src = os.path.join(work, f"{job}.in")
            expected = os.path.join(work, f"{job}.expected")
            if job == "dates":
                write_dates(src, expected, args.lines, rng)
                nldat_argv = [args.nldat, "--locale", "de_DE", "read", *args.nldat_arg, "NLDATE", src]
            elif job == "csv":
                if not has_command(args.nldat, "convert"):
                    print("csv: skipped: this nldat has no convert command", file=sys.stderr)
                    continue
                write_csv(src, expected, args.lines, rng)
                nldat_argv = [args.nldat, "--locale", "de_DE", "convert", *args.nldat_arg, "--delimiter", ";",
                              "--column", "Buchungstag=NLDATE", "--column", "Zeitstempel=NLDATM",
                              "--column", "Betrag=NUMBER", src]
            else:
                sys.exit(f"unknown job {job}")

            tools = ["nldat", "polars", "duckdb"]
            times = {t: [] for t in tools}
            rss = {t: 0 for t in tools}
            for r in range(args.runs):
                for tool in tools[r % 3:] + tools[:r % 3]:
                    dst = os.path.join(work, f"{job}.{tool}.out")
                    if tool == "nldat":
                        seconds, kib, status, err = run_measured(nldat_argv, dst)
                        if status != 0:
                            sys.exit(f"nldat {job}: exit status {status}: {err[:500]}")
                    else:
                        seconds, kib = run_peer(tool, job, src, dst)
                    times[tool].append(seconds)
                    rss[tool] = max(rss[tool], kib)
                    if r == 0:
                        problem = check(dst, expected, job)
                        if problem:
                            sys.exit(f"{tool} {job}: wrong output: {problem}")
                    os.unlink(dst)
            size = os.path.getsize(src)
            results["jobs"][job] = {
                "input_bytes": size,
                "tools": {t: {"times": times[t], "median": statistics.median(times[t]), "max_rss_kib": rss[t]}
                          for t in tools},
            }
            faster_peer = min(statistics.median(times["polars"]), statistics.median(times["duckdb"]))
            print(f"{job}: {args.lines} lines, {size / 1e6:.1f} MB, median of {args.runs}")
            for t in tools:
                m = statistics.median(times[t])
                print(f"  {t:7s} {m:7.3f} s  {args.lines / m / 1e6:5.2f} M rows/s  peak {rss[t] / 1024:6.1f} MiB"
                      f"  faster peer / this {faster_peer / m:5.2f}")
            os.unlink(src)
            os.unlink(expected)
        with open(args.out, "w") as f:
            json.dump(results, f, indent=1)
            f.write("\n")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
