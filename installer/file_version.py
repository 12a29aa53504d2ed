#!/usr/bin/python3
"""Prints a Windows program's file version and language as Windows Installer's
File table wants them ("7.0.0.0<TAB>1033"), or nothing when the program has
no version resource or is no program at all (a data file). Reads the fixed part (VS_FIXEDFILEINFO) and the first
translation of the program's RT_VERSION resource through Debian's
python3-pefile, so a version signature anywhere else in the file (data,
another resource) is never taken for the program's."""
import sys

import pefile


def version_and_language(path):
    with open(path, "rb") as file:
        if file.read(2) != b"MZ":
            return None  # not a program: a data file has no version
    program = pefile.PE(path, fast_load=True)
    try:
        # Parsing the resource directory reads the version resource, if any.
        program.parse_data_directories(
            directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
        fixed = getattr(program, "VS_FIXEDFILEINFO", None)
        if not fixed:
            return None
        most, least = fixed[0].FileVersionMS, fixed[0].FileVersionLS
        language = ""
        for block in getattr(program, "FileInfo", []):
            for entry in block:
                for var in getattr(entry, "Var", []):
                    translation = var.entry.get(b"Translation")
                    if translation and not language:
                        language = str(int(translation.split()[0], 16))
    finally:
        program.close()
    version = "%d.%d.%d.%d" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)
    return version, language


def main():
    found = version_and_language(sys.argv[1])
    if found:
        print("%s\t%s" % found)


if __name__ == "__main__":
    main()
