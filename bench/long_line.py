#!/usr/bin/env python3
"""What one line too long costs: every command that reads lines or records,
on a file of one line of N MB without a line end (past the 64 MiB record
limit, so each must refuse it), with its wall time and peak memory.

    bench/long_line.py [--nldat build/release/bin/nldat] [--mb 300]

Each job must end with exit status 2 and say the line is too long; its peak
resident memory should stay near the limit (64 MiB) and the program's own
(about 11 MB), not grow with the line or hold its bytes twice.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

JOBS = [
    ["read", "NUMBER"],
    ["read", "--threads", "1", "NUMBER"],
    ["format", "date", "%d", "--input"],
    ["week", "V", "--input"],
    ["convert", "--column", "1=NUMBER"],
    ["sniff"],
]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--nldat", default=os.path.join(ROOT, "build/release/bin/nldat"))
    parser.add_argument("--mb", type=int, default=300)
    args = parser.parse_args()
    env = dict(os.environ, LC_ALL="C.UTF-8")
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "line.txt")
        with open(path, "wb") as out:
            block = b"a" * (1 << 20)
            for _ in range(args.mb):
                out.write(block)
        print(f"one line of {args.mb} MB without a line end")
        print(f"{'job':40} {'status':>6} {'seconds':>8} {'peak MB':>8}")
        failed = False
        for job in JOBS:
            # Each job in a child of its own, so that its peak is its own.
            start = time.monotonic()
            child = subprocess.Popen([args.nldat, *job, path], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.PIPE, env=env)
            err = child.stderr.read().decode(errors="replace")
            _, status, usage = os.wait4(child.pid, 0)
            seconds = time.monotonic() - start
            code = os.waitstatus_to_exitcode(status)
            peak = usage.ru_maxrss / 1024
            said = "longer than 64 MiB" in err
            failed = failed or code != 2 or not said
            print(f"{' '.join(job):40} {code:>6} {seconds:>8.2f} {peak:>8.0f}" + ("" if said else "  (not said)"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
