#!/usr/bin/env python3
"""Inclusive instructions per call of chosen routines, from a callgrind profile.

    valgrind --tool=callgrind --callgrind-out-file=cg.out build/prof/bin/nldat_bench \\
        --benchmark_filter='BM_(Nldate|Zkfdate|Zkfweek|Zifmcma|Zkifnum|Zkifmny)_' --benchmark_min_time=0.0001
    bench/callgrind_calls.py cg.out nldate zkfdate nlhost_svc_zmdy ...

Reads callgrind_annotate's caller tree: a routine's inclusive count over the
calls its callers made (lines "< caller (N x)").  A routine whose code was
inlined from several files is added up over them.  Without names, the module's
entry points and the host's services are listed.
"""
import collections
import re
import subprocess
import sys

DEFAULT = ["nldate", "nldatmap", "zkpdate", "zkfdate", "zkfweek", "zkifweek", "zifmcma", "zkifnum", "zkifmny",
           "nlhost_svc_wzsxglc", "nlhost_svc_wzsxoff", "nlhost_svc_zmdy", "nlhost_svc_zjuldat",
           "nlhost_svc_zymdjul", "nlhost_svc_zwekday", "nlhost_svc_wzifmn"]

LINE = re.compile(r"^\s*([\d,]+) \(\s*[\d.]+%\)\s+([<*>])\s+(.*?)(?: \((\d[\d,]*)x\))?(?: \[.*\])?$")


def name_of(location):
    """The routine of "file:routine" without its parameter list."""
    routine = location.split(":", 1)[1] if ":" in location and not location.startswith("???") else location
    routine = routine.split(":", 1)[-1] if location.startswith("???") else routine
    return routine.split("(", 1)[0].strip()


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    names = sys.argv[2:] or DEFAULT
    text = subprocess.run(["callgrind_annotate", "--inclusive=yes", "--tree=caller", sys.argv[1]],
                          capture_output=True, text=True, check=True).stdout
    inclusive, calls = collections.Counter(), collections.Counter()
    pending = 0
    for line in text.splitlines():
        m = LINE.match(line)
        if not m:
            pending = 0
            continue
        count, kind, location, n = m.groups()
        if kind == "<":
            pending += int(n.replace(",", "")) if n else 0
        elif kind == "*" and pending:
            # Entries without callers are the parts inlined from other files:
            # already inside the entry with callers.
            routine = name_of(location)
            inclusive[routine] += int(count.replace(",", ""))
            calls[routine] += pending
            pending = 0
    print(f"{'routine':28s} {'calls':>9s} {'instructions per call':>22s}")
    for name in names:
        if calls[name]:
            print(f"{name:28s} {calls[name]:9d} {inclusive[name] / calls[name]:22.0f}")
        else:
            print(f"{name:28s} {'-':>9s} {'not called':>22s}")


if __name__ == "__main__":
    main()
