#!/usr/bin/env python3
"""Turns nldat_bench's JSON output into the tables of docs/PERFORMANCE.md.

    build/release/bin/nldat_bench --benchmark_repetitions=5 \
        --benchmark_report_aggregates_only=true --benchmark_min_time=0.1 \
        --benchmark_out=bench.json --benchmark_out_format=json
    bench/report.py bench.json

Each job lists ours first, then the peers with peer/ours (above 1: we are
faster), then the limit with ours/limit.  Times are medians of CPU time.
"""
import json
import sys

# (job, ours, [peers], limit)
JOBS = [
    ("numeric date \"07.12.2026\" (de_DE)", "BM_Nldate_ReadNumeric",
     ["BM_Zkpdate_ReadNumeric", "BM_Strptime_ReadNumeric", "BM_StrptimeTimegm_ReadNumeric", "BM_Icu_ReadNumeric"],
     "BM_Limit_ReadNumeric"),
    ("month name \"07 December 2026\"", "BM_Zkpdate_ReadMonthName/german:0",
     ["BM_Strptime_ReadMonthName/german:0", "BM_Icu_ReadMonthName/german:0"], "BM_Limit_ReadMonthName/german:0"),
    ("month name \"07. Dezember 2026\"", "BM_Zkpdate_ReadMonthName/german:1",
     ["BM_Strptime_ReadMonthName/german:1", "BM_Icu_ReadMonthName/german:1"], "BM_Limit_ReadMonthName/german:1"),
    ("datetime with AM/PM", "BM_Nldatmap_ReadAmPm", ["BM_Strptime_ReadAmPm", "BM_Icu_ReadAmPm"],
     "BM_Limit_ReadAmPm"),
    ("write \"%d.%m.%Y\"", "BM_Zkfdate_Write/long:0", ["BM_Strftime_Write/long:0", "BM_Icu_Write/long:0"],
     "BM_Limit_Write/long:0"),
    ("write \"%A, %d %B %Y\" (de_DE)", "BM_Zkfdate_Write/long:1",
     ["BM_Strftime_Write/long:1", "BM_Icu_Write/long:1"], "BM_Limit_Write/long:1"),
    ("write ISO week date", "BM_Zkfweek_WriteIso", ["BM_Strftime_WriteIso", "BM_Icu_WriteIso"],
     "BM_Limit_WriteIso"),
    ("read ISO week date", "BM_Zkifweek_ReadIso", ["BM_Icu_ReadIso"], "BM_Limit_ReadIso"),
    ("plain number \"-1234.5\"", "BM_Zifmcma_Read/job:0",
     ["BM_Strtod_Read", "BM_FromChars_Read", "BM_Icu_Read/job:0"], "BM_Limit_Read/job:0"),
    ("grouped number \"-1,234,567.89\"", "BM_Zifmcma_Read/job:1", ["BM_Sscanf_Read/job:1", "BM_Icu_Read/job:1"],
     "BM_Limit_Read/job:1"),
    ("accounting \"(1,234.5)\"", "BM_Zifmcma_Read/job:2", [], "BM_Limit_Read/job:2"),
    ("German number \"-1.234,5\"", "BM_Zkifnum_Read", ["BM_Sscanf_Read/job:3", "BM_Icu_Read/job:3"],
     "BM_Limit_Read/job:3"),
    ("money \"-1.234,5 €\" (de_DE)", "BM_Zkifmny_Read", ["BM_Icu_ReadMoney"], "BM_Limit_Read/job:4"),
]


def main():
    data = json.load(open(sys.argv[1]))
    median, label = {}, {}
    for b in data["benchmarks"]:
        name = b.get("run_name", b["name"])
        if b.get("aggregate_name") == "median":
            median[name] = b["cpu_time"]
        if b.get("label"):
            label[name] = b["label"]
    print("| job | routine | median ns | peer / ours | ours / limit |")
    print("|---|---|---:|---:|---:|")
    for job, ours, peers, limit in JOBS:
        o = median.get(ours)
        if o is None:
            continue
        lim = median.get(limit)
        ratio = f"{o / lim:.1f}" if lim else ""
        print(f"| {job} | **{label.get(ours, ours)}** | {o:.1f} | | {ratio} |")
        for p in peers:
            if p in median:
                print(f"| | {label.get(p, p)} | {median[p]:.1f} | {median[p] / o:.2f} | |")
        if lim:
            print(f"| | limit: {label.get(limit, limit)} | {lim:.1f} | | |")


if __name__ == "__main__":
    main()
