"""nldat.read against pandas.to_datetime on a Series of 1 M German dates, and
German long dates ("7. Dezember 2026"), which pandas cannot read; the same
dates by two alternatives (read twice, then agreed on) and by a form.  Each job
runs RUNS times; the best time is reported.

    PYTHONPATH=build/release/python /usr/bin/python3 bench/python_bench.py [ROWS] [RUNS]
"""

import sys
import time

import numpy as np
import pandas as pd

import nldat

MONTHS = ["Januar", "Februar", "März", "April", "Mai", "Juni", "Juli", "August", "September", "Oktober",
          "November", "Dezember"]


def best(job, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        result = job()
        times.append(time.perf_counter() - start)
    return min(times), result


def main():
    rows = int(sys.argv[1]) if len(sys.argv) > 1 else 1_000_000
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    days = np.datetime64("1950-01-01") + np.arange(rows) % 36500
    short = pd.Series(pd.to_datetime(days).strftime("%d.%m.%Y"), dtype=object)
    ymd = pd.DatetimeIndex(days)
    long = pd.Series([f"{d}. {MONTHS[m - 1]} {y}" for y, m, d in zip(ymd.year, ymd.month, ymd.day)], dtype=object)
    nldat.read(short[:10], locale="de_DE")  # loads the module and the locale

    print(f"{rows} rows, best of {runs} runs; pandas {pd.__version__}, numpy {np.__version__}, "
          f"{nldat._nldat.default_threads()} threads by default")
    print(f"{'job':62} {'ms':>9} {'M rows/s':>9}")
    results = {}
    jobs = [
        ("pandas.to_datetime(s, format='%d.%m.%Y')", lambda: pd.to_datetime(short, format="%d.%m.%Y")),
        ("nldat.read(s, 'NLDATE', 'de_DE')", lambda: nldat.read(short, "NLDATE", "de_DE")),
        ("nldat.read(s, 'NLDATE', 'de_DE', threads=1)", lambda: nldat.read(short, "NLDATE", "de_DE", threads=1)),
        ("long dates: nldat.read(s, 'NLDATE', 'de_DE')", lambda: nldat.read(long, "NLDATE", "de_DE")),
        ("long dates: nldat.read(..., threads=1)", lambda: nldat.read(long, "NLDATE", "de_DE", threads=1)),
        ("alternatives: nldat.read(s, 'NLDATE@de_DE|NLDATE@en_US')",
         lambda: nldat.read(short, "NLDATE@de_DE|NLDATE@en_US")),
        ("form: nldat.read(s, 'form:%d.%m.%Y', 'de_DE')", lambda: nldat.read(short, "form:%d.%m.%Y", "de_DE")),
    ]
    for name, job in jobs:
        seconds, result = best(job, runs)
        results[name] = (seconds, result)
        print(f"{name:62} {seconds * 1e3:9.1f} {rows / seconds / 1e6:9.2f}")
    try:
        pd.to_datetime(long[:1000], format="%d. %B %Y")
        print("long dates: pandas.to_datetime(s, format='%d. %B %Y') read them")
    except ValueError as e:
        print(f"long dates: pandas.to_datetime(s, format='%d. %B %Y'): {type(e).__name__}: {str(e)[:60]}")

    pandas_s, pandas_out = results[jobs[0][0]]
    nldat_s, nldat_out = results[jobs[1][0]]
    assert (pandas_out.to_numpy().astype("datetime64[D]") == nldat_out.to_numpy().astype("datetime64[D]")).all()
    assert (results[jobs[3][0]][1].to_numpy() == nldat_out.to_numpy()).all()
    print(f"pandas / nldat: {pandas_s / nldat_s:.2f} (one thread: {pandas_s / results[jobs[2][0]][0]:.2f})")


if __name__ == "__main__":
    main()
