#!/usr/bin/env python3
"""Turns the benchmarks' JSON into the tables and charts of docs/PERFORMANCE.md.

    build/release/bin/nldat_bench --benchmark_repetitions=5 \
        --benchmark_report_aggregates_only=true --benchmark_min_time=0.1 \
        --benchmark_out=bench.json --benchmark_out_format=json
    bench/peers/run.py --out peers.json
    bench/report.py bench.json --peers peers.json --svg docs

The per-field table lists for each job ours first, then the peers with
peer/ours (above 1: we are faster), then the limit with ours/limit; times are
medians of CPU time.  The whole-file table gives each tool's median wall time.
With --svg, the charts docs/PERFORMANCE.md shows are written as SVG into that
folder (perf_per_field.svg from bench.json, perf_whole_file.svg from peers.json).
"""
import argparse
import json
import math
import os
from xml.sax.saxutils import escape

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


def medians(path):
    data = json.load(open(path))
    median, label = {}, {}
    for b in data["benchmarks"]:
        name = b.get("run_name", b["name"])
        if b.get("aggregate_name") == "median":
            median[name] = b["cpu_time"]
        if b.get("label"):
            label[name] = b["label"]
    return median, label


def per_field_table(median, label):
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


WHOLE_FILE_JOBS = {
    "dates": "German dates dd.mm.yyyy -> days and ISO date",
    "csv": "CSV: date, datetime, amount, 3 texts -> ISO, plain numbers",
}


def whole_file_table(peers):
    print("| job | tool | median s | M rows/s | peak MiB | faster peer / tool |")
    print("|---|---|---:|---:|---:|---:|")
    for job, result in peers["jobs"].items():
        tools = result["tools"]
        faster = min(tools[t]["median"] for t in tools if t != "nldat")
        for i, (tool, r) in enumerate(tools.items()):
            m = r["median"]
            print(f"| {WHOLE_FILE_JOBS.get(job, job) if i == 0 else ''} | {tool} | {m:.3f} | "
                  f"{peers['lines'] / m / 1e6:.2f} | {r['max_rss_kib'] / 1024:.1f} | {faster / m:.2f} |")


# Charts: horizontal bars in groups, one group a job, drawn as plain SVG.
FONT = 'font-family="DejaVu Sans, Arial, sans-serif" font-size="12"'
COLOURS = ["#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd", "#8c564b"]


def bar_chart(title, groups, axis, log=False, reference=None, note=""):
    """groups: [(job, [(label, value, text, colour, goal or None)])]; axis: the x axis' caption.
    A log axis suits ratios that span 0.5 to 50; reference draws a line (at 1: as fast); a goal
    is a red tick across its bar."""
    longest = max(len(name) for _, bars in groups for name, *_ in bars)
    label_w, plot_w, bar_h, gap, top = max(100, 16 + int(6.8 * longest)), 420, 16, 10, 44
    values = [v for _, bars in groups for _, v, *_ in bars if v > 0]
    values += [g for _, bars in groups for *_, g in bars if g]
    if log:
        low = 10 ** math.floor(math.log10(min(values + [reference or 1])))
        high = 10 ** math.ceil(math.log10(max(values + [reference or 1])))
        scale = lambda v: plot_w * (math.log10(v) - math.log10(low)) / (math.log10(high) - math.log10(low))
        ticks = [low * 10 ** k for k in range(round(math.log10(high / low)) + 1)]
    else:
        high = max(values) * 1.15
        step = 10 ** math.floor(math.log10(high / 2))
        ticks = [k * step for k in range(int(high / step) + 1)]
        scale = lambda v: plot_w * v / high
    rows = sum(len(bars) for _, bars in groups) * (bar_h + 2) + len(groups) * (gap + 16)
    height = top + rows + 44
    width = label_w + plot_w + 200
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
           f'viewBox="0 0 {width} {height}" {FONT}>',
           f'<rect width="{width}" height="{height}" fill="white"/>',
           f'<text x="10" y="20" font-size="15" font-weight="bold">{escape(title)}</text>']
    if note:
        out.append(f'<text x="10" y="36" fill="#555">{escape(note)}</text>')
    plot_bottom = top + rows
    for t in ticks:
        x = label_w + scale(t)
        out.append(f'<line x1="{x:.1f}" y1="{top}" x2="{x:.1f}" y2="{plot_bottom}" stroke="#ddd"/>')
        out.append(f'<text x="{x:.1f}" y="{plot_bottom + 14}" text-anchor="middle">{t:g}</text>')
    out.append(f'<text x="{label_w + plot_w / 2}" y="{plot_bottom + 32}" text-anchor="middle">'
               f'{escape(axis)}</text>')
    y = top
    for job, bars in groups:
        out.append(f'<text x="10" y="{y + 12}" font-weight="bold">{escape(job)}</text>')
        y += 16
        for name, value, text, colour, goal in bars:
            w = max(scale(value), 1) if value > 0 else 0
            out.append(f'<text x="{label_w - 6}" y="{y + 12}" text-anchor="end">{escape(name)}</text>')
            out.append(f'<rect x="{label_w}" y="{y}" width="{w:.1f}" height="{bar_h}" fill="{colour}"/>')
            out.append(f'<text x="{label_w + w + 4:.1f}" y="{y + 12}">{escape(text)}</text>')
            if goal:
                gx = label_w + scale(goal)
                out.append(f'<line x1="{gx:.1f}" y1="{y - 2}" x2="{gx:.1f}" y2="{y + bar_h + 2}" stroke="#d00" '
                           f'stroke-width="3"><title>goal {goal:g}</title></line>')
            y += bar_h + 2
        y += gap
    if reference is not None:
        x = label_w + scale(reference)
        out.append(f'<line x1="{x:.1f}" y1="{top}" x2="{x:.1f}" y2="{plot_bottom}" stroke="black" '
                   f'stroke-dasharray="4,3"/>')
    out.append("</svg>")
    return "\n".join(out) + "\n"


# The goals against one peer each: peer time / our time at least this.
GOALS = {
    "BM_Strptime_ReadNumeric": 1.0,
    "BM_Strftime_Write/long:0": 1.0,
    "BM_Strftime_Write/long:1": 1.0,
    "BM_Strftime_WriteIso": 1.0,
    "BM_Sscanf_Read/job:3": 2.0,
    "BM_Icu_ReadMoney": 15.0,
}


def peer_colour(name):
    """The C library blue, ICU orange, our own other entries and the C++ library grey."""
    if name.startswith("BM_Icu"):
        return COLOURS[1]
    if name.startswith(("BM_Zk", "BM_Zi", "BM_FromChars")):
        return "#888"
    return COLOURS[0]


def per_field_chart(median, label):
    groups = []
    for job, ours, peers, _ in JOBS:
        o = median.get(ours)
        bars = [(label.get(p, p), median[p] / o, f"{median[p] / o:.2f}", peer_colour(p), GOALS.get(p))
                for p in peers if o and p in median]
        if bars:
            groups.append((f"{job}: {label.get(ours, ours)}", bars))
    return bar_chart("Per field: peer time / our time (right of the dashed line: we are faster)", groups,
                     "peer / ours (log scale)", log=True, reference=1,
                     note="nldat_bench, median CPU time per field over 5 repetitions; C library blue, ICU orange, "
                          "red tick: goal")


def whole_file_chart(peers):
    groups = []
    colour = {"nldat": COLOURS[0], "polars": COLOURS[1], "duckdb": COLOURS[2]}
    for job, result in peers["jobs"].items():
        bars = [(tool, r["median"], f"{r['median']:.3f} s, {peers['lines'] / r['median'] / 1e6:.2f} M rows/s",
                 colour.get(tool, COLOURS[3]), None) for tool, r in result["tools"].items()]
        groups.append((WHOLE_FILE_JOBS.get(job, job), bars))
    return bar_chart("Whole file: median wall time (shorter is faster)", groups, "seconds",
                     note=f"bench/peers/run.py: {peers['lines']:,} rows, median of {peers['runs']} alternating runs; "
                          f"{peers['machine']}")


def main():
    ap = argparse.ArgumentParser(description="Tables and charts of docs/PERFORMANCE.md.")
    ap.add_argument("bench", nargs="?", help="nldat_bench's JSON output")
    ap.add_argument("--peers", help="bench/peers/run.py's JSON output")
    ap.add_argument("--svg", metavar="DIR", help="write the charts into DIR")
    args = ap.parse_args()
    if not args.bench and not args.peers:
        ap.error("give nldat_bench's JSON, --peers, or both")
    charts = {}
    if args.bench:
        median, label = medians(args.bench)
        per_field_table(median, label)
        charts["perf_per_field.svg"] = per_field_chart(median, label)
    if args.peers:
        peers = json.load(open(args.peers))
        print()
        whole_file_table(peers)
        charts["perf_whole_file.svg"] = whole_file_chart(peers)
    if args.svg:
        for name, svg in charts.items():
            with open(os.path.join(args.svg, name), "w") as f:
                f.write(svg)


if __name__ == "__main__":
    main()
