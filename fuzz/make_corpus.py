#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<family>/.

Seeds come from the tests' cases, plus long inputs: patterns and texts of
thousands of bytes, up to and past the 32767-byte limit of the host text
descriptor.  Run it again after changing the lists; the files are committed."""
import hashlib
import os

HERE = os.path.dirname(os.path.abspath(__file__))

SHORT = [
    b"07.12.2026", b"%d.%m.%Y", b"12/07/2026", b"%m/%d/%Y", b"Dec 07, 2026", b"%b %d, %Y",
    b"12/07/2026 11:30:15 PM", b"%m/%d/%Y %I:%M:%S %p", b"%Y\xe5\xb9\xb4%m\xe6\x9c\x88%d\xe6\x97\xa5",
    b"2026\xe5\xb9\xb412\xe6\x9c\x8807\xe6\x97\xa5", b"%%%d%?b%C%F%P%J%U%V%W%G%g%u%w%q%Q",
    b"Monday, December 07, 2026", b"%A, %B %d, %Y", b"07DEC2026", b"07DEC2026:14:30:00",
    b"2010-W09-05", b"2010W0905", b"10W0905", b"2010 W09 05", b"2010-W", b"W", b"5W09",
    b"(12,3)", b"-1,234,567.89", b"1.234,5", b"12,50 \xe2\x82\xac", b"$12.50", b"12.5%", b"--5", b"1-2",
    b"1'23", b"-(12)", b"%", b"-", b"(", b";", b"A;B", b";B", b"A;", b"%0?d", b"%?0d", b"%#J", b"%K",
]

LONG = [
    b"%d" * 17000,                    # a pattern past 32767 bytes
    b"a" * 32767, b"a" * 32768, b"a" * 40000,
    b"%Y-%m-%d " * 3000,
    b"07.12.2026 " * 4000,
    b"W" * 5000 + b"09",
    b"1" * 5000 + b"W09-05",
    b"9,999" * 2000,
    b"%%" * 20000,
    b" " * 33000,
]

FAMILIES = ["text", "parse", "informats", "format", "week", "number", "locale"]


def main():
    for family in FAMILIES:
        folder = os.path.join(HERE, "corpus", family)
        os.makedirs(folder, exist_ok=True)
        for seed in SHORT + LONG:
            # A control byte in front steers the target's first choices.
            for lead in (b"\x00", b"\x01\x02", b"\xff\x7f") if seed in SHORT else (b"\x01",):
                data = lead + seed
                name = hashlib.sha1(data).hexdigest()[:16]
                with open(os.path.join(folder, name), "wb") as out:
                    out.write(data)


if __name__ == "__main__":
    main()
