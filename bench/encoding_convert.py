#!/usr/bin/env python3
"""What decoding costs: `nldat convert` over the bank-statement CSV of the
peers' benchmark in UTF-8, against the same rows in Windows-1252 read with
--encoding windows-1252 (decoded on a thread of its own into the pipe the
converter reads).

    bench/encoding_convert.py [--nldat PATH] [--rows N] [--runs R]

Prints the median wall time of each and their ratio; the outputs are
compared byte for byte (both must be the same UTF-8 text)."""
import argparse
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "peers"))
import run as peers  # noqa: E402  (the row generator of the peers' benchmark)


def timed(argv, out_path):
    start = time.perf_counter()
    with open(out_path, "wb") as out:
        status = subprocess.run(argv, stdout=out, stderr=subprocess.PIPE).returncode
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{' '.join(argv)}: exit status {status}")
    return elapsed


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--nldat", default="build/release/bin/nldat")
    parser.add_argument("--rows", type=int, default=1_000_000)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        utf8 = os.path.join(work, "utf8.csv")
        peers.write_csv(utf8, os.path.join(work, "expected.csv"), args.rows, random.Random(7))
        latin = os.path.join(work, "cp1252.csv")
        with open(utf8, encoding="utf-8") as f, open(latin, "w", encoding="cp1252", newline="") as g:
            g.write(f.read())
        columns = ["--column", "Buchungstag=NLDATE", "--column", "Zeitstempel=NLDATM", "--column", "Betrag=NUMBER"]
        jobs = {
            "UTF-8": [args.nldat, "--locale", "de_DE", "convert", "--delimiter", ";", *columns, utf8],
            "windows-1252": [args.nldat, "--locale", "de_DE", "--encoding", "windows-1252", "convert",
                             "--delimiter", ";", *columns, latin],
        }
        times = {name: [] for name in jobs}
        outputs = {name: os.path.join(work, name + ".out") for name in jobs}
        for name, argv in jobs.items():  # a warm-up each: files and binary in the page cache
            timed(argv, outputs[name])
        for _ in range(args.runs):
            for name, argv in jobs.items():
                times[name].append(timed(argv, outputs[name]))
        with open(outputs["UTF-8"], "rb") as a, open(outputs["windows-1252"], "rb") as b:
            if a.read() != b.read():
                sys.exit("the two outputs differ")
        medians = {name: statistics.median(t) for name, t in times.items()}
        for name, median in medians.items():
            print(f"{name:>13}: {median:.3f} s median of {args.runs} ({args.rows} rows)")
        print(f"windows-1252 / UTF-8: {medians['windows-1252'] / medians['UTF-8']:.2f}x")


if __name__ == "__main__":
    main()
