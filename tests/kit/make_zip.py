#!/usr/bin/env python3
"""Zips a folder the same way every time: names sorted, one time stamp
(SOURCE_DATE_EPOCH, at least 1980, which zip cannot go below), fixed
permissions and compression.
   make_zip.py OUT.zip FOLDER EPOCH"""
import os
import sys
import time
import zipfile


def main(out, folder, epoch):
    stamp = time.gmtime(max(int(epoch), 315532800))[:6]
    names = []
    for parent, folders, files in os.walk(folder):
        folders.sort()
        names += [os.path.join(parent, name) for name in files]
    partial = out + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for path in sorted(names, key=lambda p: os.path.relpath(p, folder).replace(os.sep, "/")):
            entry = zipfile.ZipInfo(os.path.relpath(path, folder).replace(os.sep, "/"), stamp)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 0
            entry.external_attr = 0
            with open(path, "rb") as data:
                archive.writestr(entry, data.read(), compresslevel=9)
    os.replace(partial, out)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
