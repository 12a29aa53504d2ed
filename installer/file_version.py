#!/usr/bin/env python3
"""Prints a Windows program's file version and language as Windows Installer's
File table wants them ("7.0.0.0<TAB>1033"), or nothing when the file carries
no version block. Reads the version block's fixed part and its first
translation straight from the file's bytes."""
import struct
import sys

FIXED_SIGNATURE = struct.pack("<I", 0xFEEF04BD)
TRANSLATION = "Translation\0".encode("utf-16-le")


def version_and_language(data):
    fixed = data.find(FIXED_SIGNATURE)
    if fixed < 0:
        return None
    most, least = struct.unpack_from("<II", data, fixed + 8)
    version = "%d.%d.%d.%d" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)
    language = ""
    name = data.find(TRANSLATION, fixed)
    if name >= 0:
        value = (name + len(TRANSLATION) + 3) & ~3
        language = str(struct.unpack_from("<H", data, value)[0])
    return version, language


def main():
    with open(sys.argv[1], "rb") as program:
        found = version_and_language(program.read())
    if found:
        print("%s\t%s" % found)


if __name__ == "__main__":
    main()
