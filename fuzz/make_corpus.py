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
    encoding_seeds()


# Texts in the encodings fuzz_encoding decodes, in its list's order; the
# target takes its choices from the input's last bytes.
ENCODINGS = ["cp1252", "iso8859_15", "cp1253", "shift_jis", "cp932", "euc_jp", "gb18030", "big5",
             "euc_kr", "utf_16_le", "utf_16_be", "utf_16", "utf_32_le", "utf_8"]
TEXTS = ["Buchungstag;Betrag\n05.03.2020;-1.234,56 \u20ac M\u00fcller\r\n",
         "\u65e5\u4ed8,\u91d1\u984d\n2026\u5e7412\u67087\u65e5,\uffe51,234\n",
         "\u03b7\u03bc\u03b5\u03c1\u03bf\u03bc\u03b7\u03bd\u03af\u03b1\n"]


def encoding_seeds():
    folder = os.path.join(HERE, "corpus", "encoding")
    os.makedirs(folder, exist_ok=True)
    for index, codec in enumerate(ENCODINGS):
        for text in TEXTS:
            try:
                body = (text * 20).encode(codec)
            except UnicodeEncodeError:
                continue
            for block in (1, 7, 64):
                data = body + bytes([block - 1, index])
                name = hashlib.sha1(data).hexdigest()[:16]
                with open(os.path.join(folder, name), "wb") as out:
                    out.write(data)


if __name__ == "__main__":
    main()
