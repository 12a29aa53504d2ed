#!/usr/bin/python3
"""Sets the dates of a Windows Installer package's summary (created, last
saved, last printed) to one moment, in place:
    summary_dates.py PACKAGE SECONDS-SINCE-1970
wixl and msibuild write the time of the build there, so two builds of the
same sources would differ. The summary stream keeps its size: only the
FILETIME values change. Needs Debian's python3-olefile."""
import struct
import sys

import olefile

STREAM = "\x05SummaryInformation"
VT_FILETIME = 64
DATE_PROPERTIES = (11, 12, 13)  # last printed, created, last saved
FILETIME_1970 = 116444736000000000  # 100-ns intervals from 1601 to 1970


def with_dates(stream, filetime):
    data = bytearray(stream)
    section = struct.unpack_from("<I", data, 44)[0]
    count = struct.unpack_from("<I", data, section + 4)[0]
    changed = 0
    for index in range(count):
        pid, offset = struct.unpack_from("<II", data, section + 8 + 8 * index)
        value = section + offset
        if pid in DATE_PROPERTIES and struct.unpack_from("<I", data, value)[0] == VT_FILETIME:
            struct.pack_into("<Q", data, value + 4, filetime)
            changed += 1
    if changed == 0:
        raise ValueError("the summary holds no dates")
    return bytes(data)


def main():
    package, seconds = sys.argv[1], int(sys.argv[2])
    ole = olefile.OleFileIO(package, write_mode=True)
    try:
        stream = ole.openstream(STREAM).read()
        ole.write_stream(STREAM, with_dates(stream, FILETIME_1970 + seconds * 10000000))
    finally:
        ole.close()


if __name__ == "__main__":
    main()
