#!/usr/bin/env python3
"""What is in a file: nldat sniff and convert --auto on a generated 1 M-row,
6-column bank statement, beside DuckDB's sniff_csv on the same file.

    bench/sniff.py [--nldat build/release/bin/nldat] [--lines 1000000] [--runs 5]

Reports each job's median wall time and CPU time (user + system, which does
not depend on what else the machine runs), and convert --auto's ratio to the
explicit convert its plan amounts to.  Checks first that sniff finds the
plan the file was written with: day-first dates, point-decimal amounts.
"""
import argparse
import datetime
import os
import random
import resource
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(HERE, "peers"))
import run as peers  # noqa: E402  (install_peers: npm ci from the lockfile)

COLUMNS = ["Transaction Date", "Posted Date", "Description", "Amount", "Balance", "Reference"]
PLAN = ["--column", "Transaction Date=NLDATE", "--column", "Posted Date=NLDATE", "--column", "Amount=NUMBER",
        "--column", "Balance=NUMBER"]


def write_statement(path, lines):
    rng = random.Random(7)
    first = datetime.date(2020, 1, 1)
    with open(path, "w") as f:
        f.write(",".join(COLUMNS) + "\n")
        for _ in range(lines):
            d = first + datetime.timedelta(days=rng.randint(0, 2500))
            p = d + datetime.timedelta(days=rng.randint(0, 3))
            balance = f"{rng.randint(0, 9999):,}.{rng.randint(0, 99):02d}"
            f.write(f"{d:%d/%m/%Y},{p:%d/%m/%Y},Shop {rng.randint(1, 5000)},"
                    f"{rng.randint(-99999, 99999) / 100:.2f},\"{balance}\",REF{rng.randint(0, 10**8)}\n")


def timed(command, **kwargs):
    """Wall and CPU seconds of one run of command (its children's usage)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kwargs)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        sys.exit(f"{' '.join(command)} failed ({done.returncode}): {done.stderr.decode()[-2000:]}")
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu, done.stdout.decode()


def median_of(runs, command, **kwargs):
    results = [timed(command, **kwargs) for _ in range(runs)]
    return statistics.median(r[0] for r in results), statistics.median(r[1] for r in results), results[0][2]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--nldat", default=os.path.join(ROOT, "build", "release", "bin", "nldat"))
    parser.add_argument("--lines", type=int, default=1000000)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--no-peers", action="store_true", help="skip DuckDB")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as scratch:
        path = os.path.join(scratch, "statement.csv")
        write_statement(path, args.lines)
        env = dict(os.environ, LANG="C.UTF-8")
        env.pop("LC_ALL", None)
        env.pop("LC_TIME", None)
        sniff = median_of(args.runs, [args.nldat, "sniff", path], env=env)
        command = " ".join(PLAN[1::2])
        if "--locale en_GB convert" not in sniff[2] or "Transaction Date=NLDATE" not in sniff[2]:
            sys.exit("sniff did not find the plan the file was written with:\n" + sniff[2])
        explicit = median_of(args.runs, [args.nldat, "--locale", "en_GB", "convert", path] + PLAN, env=env)
        auto = median_of(args.runs, [args.nldat, "convert", "--auto", path], env=env)
        rows = [("nldat sniff", sniff), ("nldat convert (explicit)", explicit), ("nldat convert --auto", auto)]
        if not args.no_peers:
            peers.install_peers()
            out = os.path.join(scratch, "sniffed.csv")
            walls = []
            for _ in range(args.runs):
                done = subprocess.run(["node", os.path.join(HERE, "peers", "peers.mjs"), "duckdb", "sniff", path, out],
                                      stdout=subprocess.PIPE, check=True)
                walls.append(float(done.stdout))
            rows.append(("DuckDB sniff_csv (in process)", (statistics.median(walls), float("nan"), "")))
        print(f"{args.lines} rows, 6 columns, {os.path.getsize(path) / 1e6:.0f} MB; median of {args.runs} runs")
        print(f"{'job':34} {'wall s':>8} {'cpu s':>8}")
        for name, (wall, cpu, _) in rows:
            print(f"{name:34} {wall:8.3f} {cpu:8.3f}")
        print(f"convert --auto / convert: {auto[0] / explicit[0]:.2f} (wall), {auto[1] / explicit[1]:.2f} (cpu)"
              f"; plan: {command}")


if __name__ == "__main__":
    main()
