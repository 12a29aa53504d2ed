#!/usr/bin/env python3
"""The translations check against a copy of res/strings with line breaks
planted wrong: a lost line break, lost lone CRs and an added line break are
each reported, naming the language and the text, and nothing else is."""
import shutil
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "scripts"))
import strings  # noqa: E402

PLANTED = {  # file: (as written, planted), the problem the check must name
    "de.po": ("entfernt den Drucker\\n", "entfernt den Drucker ", "de: Usage has"),
    "fr.po": ("{line}\\r\\rVeuillez", "{line} Veuillez", "fr: ErrorReport has"),
    "pl.po": ("Nie można ustawić drukarki", "Nie można\\nustawić drukarki", "pl: CannotSetPrinter has"),
}


def main():
    entries = strings.english_texts()
    with tempfile.TemporaryDirectory() as scratch:
        copy = Path(scratch) / "strings"
        shutil.copytree(strings.STRINGS_DIR, copy)
        strings.STRINGS_DIR, strings.TEMPLATE = copy, copy / strings.TEMPLATE.name
        problems, _ = strings.check(entries)
        if problems:
            sys.exit(f"the unplanted copy already fails: {problems}")
        for name, (written, planted, _) in PLANTED.items():
            path = copy / name
            text = path.read_text(encoding="utf-8")
            if text.count(written) != 1:
                sys.exit(f"{name}: cannot plant the fault, {written!r} is not there once")
            path.write_text(text.replace(written, planted), encoding="utf-8")
        problems, _ = strings.check(entries)
    expected = [problem for _, _, problem in PLANTED.values()]
    named = [e for e in expected if sum(p.startswith(e) for p in problems) == 1]
    if named != expected or len(problems) != len(expected):
        sys.exit("expected exactly\n  " + "\n  ".join(expected) + "\ngot\n  " + "\n  ".join(problems))
    for problem in problems:
        print(f"caught: {problem}")


if __name__ == "__main__":
    main()
