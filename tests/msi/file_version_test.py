#!/usr/bin/python3
"""installer/file_version.py reads the program's version resource, not the
first version signature in the file: a copy of a program with a planted
fixed-version block (9.9.9.9) in its DOS stub, ahead of every resource,
still gives its own version and language.
    file_version_test.py FILE_VERSION_PY PROGRAM EXPECTED"""
import os
import struct
import subprocess
import sys
import tempfile

SIGNATURE = struct.pack("<I", 0xFEEF04BD)


def main():
    script, program, expected = sys.argv[1:4]
    with open(program, "rb") as file:
        data = bytearray(file.read())
    planted = struct.pack("<IIII", 0xFEEF04BD, 0x00010000, 0x00090009, 0x00090009)
    data[0x4E:0x4E + len(planted)] = planted  # the DOS stub's message
    assert data.find(SIGNATURE) == 0x4E
    with tempfile.TemporaryDirectory() as work:
        copy = os.path.join(work, "program.exe")
        with open(copy, "wb") as file:
            file.write(data)
        seen = subprocess.run([sys.executable, script, copy], check=True, capture_output=True,
                              text=True).stdout.strip()
    print("file_version.py on a program with a planted signature: %r" % seen)
    if seen != expected:
        print("FAILED: expected %r" % expected)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
