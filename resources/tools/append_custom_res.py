#!/usr/bin/env python3
"""Appends custom resources, whose type is a name, to a compiled .res file.

windres reads an unquoted ICON as the system's icon type and rejects a quoted type name, so the
resources of the types "PNG", "ICON" and "UPDATE" are written here as raw .res entries.

usage: append_custom_res.py IN.res OUT.res TYPE:ID:FILE [TYPE:ID:FILE ...]
"""
import struct
import sys


def pad4(data: bytes) -> bytes:
    return data + b"\0" * (-len(data) % 4)


def name_or_id(value: str) -> bytes:
    if value.isdigit():
        return struct.pack("<HH", 0xFFFF, int(value))
    return value.upper().encode("utf-16-le") + b"\0\0"


def entry(res_type: str, res_id: str, data: bytes) -> bytes:
    names = pad4(name_or_id(res_type) + name_or_id(res_id))
    # DataVersion, MemoryFlags (moveable | pure), LanguageId (neutral), Version, Characteristics
    tail = struct.pack("<IHHII", 0, 0x0030, 0, 0, 0)
    header_size = 8 + len(names) + len(tail)
    header = struct.pack("<II", len(data), header_size) + names + tail
    return header + pad4(data)


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[1], "rb") as f:
        out = f.read()
    if not out:
        # An empty .res still needs its 32-byte leading null entry.
        out = struct.pack("<IIHHHHIHHII", 0, 32, 0xFFFF, 0, 0xFFFF, 0, 0, 0, 0, 0, 0)
    out = pad4(out)
    for spec in argv[3:]:
        res_type, res_id, path = spec.split(":", 2)
        with open(path, "rb") as f:
            out += entry(res_type, res_id, f.read())
    with open(argv[2], "wb") as f:
        f.write(out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
