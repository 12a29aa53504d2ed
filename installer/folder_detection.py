#!/usr/bin/python3
"""Writes the application folder's detection script for one release: the
script after "<!-- script: folder-detection -->" in the guide's page of
scripts, with the version of the printer package that the release carries
in place of {PrinterPackageVersion}. That version is the file version of
the setup.exe in the application folder, which the printer package
registers as its DisplayVersion when it keeps one version scheme (the
guide's checklist). Fails when the page holds no such script, the script no
such place, or setup.exe no version.
  folder_detection.py PAGE SETUP_EXE OUTPUT"""
import sys

from file_version import version_and_language


def script_of(page, name):
    lines, found, inside = [], False, False
    with open(page, encoding="utf-8") as text:
        for line in text.read().splitlines():
            if line.strip() == f"<!-- script: {name} -->":
                found = True
            elif found and line.startswith("```"):
                if inside:
                    return "\n".join(lines) + "\n"
                inside = True
            elif inside:
                lines.append(line)
    return None


def main():
    page, setup, output = sys.argv[1:]
    script = script_of(page, "folder-detection")
    found = version_and_language(setup)
    if not script or "{PrinterPackageVersion}" not in script or not found:
        sys.exit(f"folder_detection.py: no detection script in {page}, or no version in {setup}")
    with open(output, "w", encoding="utf-8", newline="\r\n") as out:
        out.write(script.replace("{PrinterPackageVersion}", found[0]))


if __name__ == "__main__":
    main()
