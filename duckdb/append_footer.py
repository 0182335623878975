#!/usr/bin/env python3
"""Writes OUT: the shared object IN followed by DuckDB's extension metadata.

DuckDB reads the last 534 bytes of an extension before it loads it: a
WebAssembly custom section named "duckdb_signature" whose payload is eight
32-byte fields, stored last first (1: the magic "4", 2: the platform, 3: the
C API version the extension needs, 4: the extension's version, 5: the ABI
type), then a 256-byte signature, all zero for an unsigned extension.

Usage: append_footer.py IN OUT PLATFORM API_VERSION EXTENSION_VERSION
"""
import os
import sys


def field(text):
    data = text.encode("ascii")
    if len(data) > 32:
        sys.exit(f"append_footer.py: {text!r} is longer than a 32-byte field")
    return data.ljust(32, b"\0")


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__.strip().splitlines()[-1])
    source, target, platform, api_version, version = sys.argv[1:]
    fields = [field("4"), field(platform), field(api_version), field(version), field("C_STRUCT")]
    fields += [field("")] * (8 - len(fields))
    name = b"duckdb_signature"
    payload = b"".join(reversed(fields)) + bytes(256)
    # Section 0 (custom), its size (531, LEB128), the name's length and the
    # name, the payload's size (512, LEB128).
    footer = b"\0" + bytes([0x93, 0x04, len(name)]) + name + bytes([0x80, 0x04]) + payload
    assert len(footer) == 534
    with open(source, "rb") as f:
        image = f.read()
    partial = target + ".part"
    with open(partial, "wb") as f:
        f.write(image + footer)
    os.chmod(partial, 0o755)
    os.replace(partial, target)


if __name__ == "__main__":
    main()
