"""A large column: read on several threads, the same answer as on one and as
the CLI's; calls from several Python threads at once, each in its locale."""

import os
import random
import shutil
import subprocess
import threading

import numpy as np
import pytest

import nldat

MONTHS = ["Januar", "Februar", "März", "April", "Mai", "Juni", "Juli", "August", "September", "Oktober",
          "November", "Dezember"]


def german_fields(n, seed=25):
    """n fields as a German file has them: mostly 07.12.2026, some long
    forms, some days that do not exist and some that are no dates at all."""
    rng = random.Random(seed)
    fields = []
    for _ in range(n):
        y, m, d = rng.randint(1583, 2400), rng.randint(1, 12), rng.randint(1, 31)
        roll = rng.random()
        if roll < 0.85:
            fields.append(f"{d:02}.{m:02}.{y}")
        elif roll < 0.95:
            fields.append(f"{d}. {MONTHS[m - 1]} {y}")
        elif roll < 0.98:
            fields.append(f"{d:02}.{m:02}.{y} Uhr")
        else:
            fields.append(rng.choice(["", "n/a", "2026-13-01", "31.04.2026", "7.12.26"]))
    return fields


def cli():
    return os.environ.get("NLDAT_CLI") or shutil.which("nldat")


def test_a_million_fields_read_as_the_cli_reads_them(tmp_path):
    program = cli()
    if program is None:
        pytest.skip("the nldat CLI is not found (NLDAT_CLI)")
    fields = german_fields(1_000_000)
    path = tmp_path / "dates.txt"
    path.write_text("\n".join(fields) + "\n", encoding="utf-8")
    run = subprocess.run([program, "--locale", "de_DE", "read", "NLDATE", str(path)], capture_output=True,
                         text=True, check=False)
    assert run.returncode == 1  # some fields are not read
    cli_answers = ["NaT" if line == "." else line.split("\t")[1] for line in run.stdout.splitlines()]
    out = nldat.read(np.array(fields, dtype=object), "NLDATE", locale="de_DE")
    assert len(cli_answers) == len(out)
    ours = np.datetime_as_string(out).tolist()
    assert ours == cli_answers
    assert 0.01 < np.isnat(out).mean() < 0.1


@pytest.mark.parametrize("reader", ["NLDATE", "NUMBER"])
def test_threads_give_the_answer_of_one(reader):
    fields = german_fields(200_003, seed=7)
    if reader == "NUMBER":
        fields = [f.replace(".", ",", 1) for f in fields]
    one, not_read_one = nldat.read(fields, reader, locale="de_DE", threads=1, errors="report")
    for threads in (2, 3, 8):
        many, not_read = nldat.read(fields, reader, locale="de_DE", threads=threads, errors="report")
        np.testing.assert_array_equal(many, one)
        np.testing.assert_array_equal(not_read, not_read_one)


def test_python_threads_read_at_once_each_in_its_locale():
    jobs = {
        "de_DE": (["07.12.2026", "7. Dezember 2026"] * 20000, "2026-12-07"),
        "en_US": (["12/07/2026", "Dec 7, 2026"] * 20000, "2026-12-07"),
        "fr_FR": (["07/12/2026", "7 déc. 2026"] * 20000, "2026-12-07"),
    }
    failures = []

    def work(locale, fields, want):
        try:
            for _ in range(5):
                out = nldat.read(fields, locale=locale, errors="raise")
                if not (np.datetime_as_string(out) == want).all():
                    failures.append(locale)
        except Exception as e:  # reported below, on the test's own thread
            failures.append(f"{locale}: {e}")

    threads = [threading.Thread(target=work, args=(locale, *job)) for locale, job in jobs.items()]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert failures == []


def test_the_interpreter_runs_while_a_column_is_read():
    fields = german_fields(300_000, seed=3)
    ticks = []
    done = threading.Event()

    def tick():
        while not done.is_set():
            ticks.append(1)
            done.wait(0.001)

    ticker = threading.Thread(target=tick)
    ticker.start()
    try:
        before = len(ticks)
        for _ in range(3):
            nldat.read(fields, locale="de_DE", threads=1)
        during = len(ticks) - before
    finally:
        done.set()
        ticker.join()
    assert during > 0
