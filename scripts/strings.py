#!/usr/bin/env python3
"""The program's texts in every language: from the English in the core to the
translators' .po files and from them to the program's string tables.

  strings.py pot    writes res/strings/tarnwell.pot from src/core/texts/texts.def,
                    its "//:" lines becoming the translators' notes
  strings.py check  checks every res/strings/*.po against the English
  strings.py rc OUT checks, then writes the string tables of every language
  strings.py cpp OUT  checks, then writes every language's texts as a C++
                    header, for the end-to-end tests to compare with the screen

The check fails on a text that is missing, empty or marked fuzzy; on one whose
English has changed since it was translated; on a translation whose {values},
switches, numbers, paths or port name differ from the English, or that breaks
its lines more or less often than the English; on a caption that would not fit
its control at 96 or 192 dpi; and on a template that no longer matches the
English (run `strings.py pot`).
"""
import re
import struct
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
TEXTS_DEF = ROOT / "src/core/texts/texts.def"
STRINGS_DIR = ROOT / "res/strings"
TEMPLATE = STRINGS_DIR / "tarnwell.pot"
# Metrically the same as Arial: the window's captions are Arial bold.
FONT = Path("/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf")

# File name -> (primary language id, name). Each table is tagged with the
# neutral sublanguage, so it serves every region of its language (de-AT,
# de-CH; pt-PT until Portugal has its own file).
LANGUAGES = {
    "de": (0x07, "German"),
    "fr": (0x0C, "French"),
    "es": (0x0A, "Spanish"),
    "it": (0x10, "Italian"),
    "nl": (0x13, "Dutch"),
    "pt_BR": (0x16, "Portuguese (Brazil)"),
    "pl": (0x15, "Polish"),
    "cs": (0x05, "Czech"),
    "ru": (0x19, "Russian"),
    "uk": (0x22, "Ukrainian"),
}
# English, the fallback, as English (United States): the language Windows
# tries last before any other table.
ENGLISH_LANGID = (0x09, 0x01)

# The captions and the room their controls leave them, as the window lays
# them out (src/win32/window/form1_layout.cpp): twips of width, point size,
# and what the control needs beside the text in pixels at 96 dpi.
TWIPS_PER_INCH = 1440
FRAME_TWIPS = 7800
CAPTIONS = {
    # The frame's caption, indented 7 pixels from each side.
    "Frame1Caption": (FRAME_TWIPS, 9.0, lambda dpi: 14),
    # Option buttons start 240 twips into the frame and may widen to 120
    # twips short of its right edge; the circle, a digit's width of gap and
    # two pixels come before the text.
    "Option1Caption": (FRAME_TWIPS - 240 - 120, 9.0, None),
    "Option2Caption": (FRAME_TWIPS - 240 - 120, 9.0, None),
    # Push buttons span the window less its margins; the focus inset and a
    # pixel of air on each side.
    "PushButton13Caption": (FRAME_TWIPS, 11.25, lambda dpi: 2 * (3 + 2)),
    "PushButton1Caption": (FRAME_TWIPS, 11.25, lambda dpi: 2 * (3 + 2)),
}


def fail(problems):
    for p in problems:
        print(f"strings: {p}", file=sys.stderr)
    print(f"strings: {len(problems)} problem(s)", file=sys.stderr)
    sys.exit(1)


# --- The English, from the core ---------------------------------------------

C_ESCAPES = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\", '"': '"', "'": "'"}


def c_literal(body):
    return re.sub(r"\\(.)", lambda m: C_ESCAPES[m.group(1)], body)


def english_texts():
    """[(name, id, text)] in the order of texts.def."""
    lines = [l for l in TEXTS_DEF.read_text(encoding="utf-8").splitlines()
             if not l.lstrip().startswith("//")]
    source = "\n".join(lines)
    entries = []
    for m in re.finditer(r"TARNWELL_TEXT\(\s*(\w+)\s*,\s*(\d+)\s*,((?:\s*L\"(?:[^\"\\]|\\.)*\")+)\s*\)",
                         source):
        parts = re.findall(r'L"((?:[^"\\]|\\.)*)"', m.group(3))
        entries.append((m.group(1), int(m.group(2)), "".join(c_literal(p) for p in parts)))
    if not entries or len(entries) != source.count("TARNWELL_TEXT("):
        fail([f"{TEXTS_DEF}: cannot read every TARNWELL_TEXT entry"])
    return entries


def translator_notes():
    """The "//:" notes of texts.def: ({text name: [line]}, [({value}, [line])]).

    A paragraph of notes right above an entry is that text's; one that starts
    with a {value} is for every text holding the value."""
    by_text, by_value, paragraph = {}, [], []
    for line in TEXTS_DEF.read_text(encoding="utf-8").splitlines():
        stripped = line.strip()
        if stripped.startswith("//:"):
            paragraph.append(stripped[3:].strip())
            continue
        if paragraph:
            value = re.match(r"\{[a-z_]+\}", paragraph[0])
            entry = re.match(r"TARNWELL_TEXT\(\s*(\w+)", stripped)
            if value:
                by_value.append((value.group(0), paragraph))
            elif entry:
                by_text[entry.group(1)] = paragraph
            else:
                fail([f"{TEXTS_DEF}: a note for translators neither above an entry nor "
                      f"starting with a {{value}}: {paragraph[0]!r}"])
            paragraph = []
    if paragraph:
        fail([f"{TEXTS_DEF}: a note for translators at the end, above no entry: {paragraph[0]!r}"])
    return by_text, by_value


# --- gettext files ------------------------------------------------------------

def po_quote(text):
    return (text.replace("\\", "\\\\").replace('"', '\\"').replace("\r", "\\r")
            .replace("\n", "\\n").replace("\t", "\\t"))


def po_string(keyword, text):
    pieces = re.findall(r"[^\n]*\n|[^\n]+$", text) or [""]
    if len(pieces) == 1:
        return f'{keyword} "{po_quote(text)}"\n'
    return f'{keyword} ""\n' + "".join(f'"{po_quote(p)}"\n' for p in pieces)


# The program breaks lines with CR LF; the .po files with LF alone, as gettext
# and translators' tools expect. A lone CR (the program has a few) stays.
def to_po(text):
    return text.replace("\r\n", "\n")


def from_po(text):
    return text.replace("\n", "\r\n")


def placeholders(text):
    return sorted(set(re.findall(r"\{[a-z_]+\}", text)))


def line_breaks(text):
    """A program text's line breaks: (CR LF pairs, lone CRs, lone LFs)."""
    pairs = text.count("\r\n")
    return pairs, text.count("\r") - pairs, text.count("\n") - pairs


def describe_breaks(counts):
    kinds = zip(counts, ("line break(s) \\n", "lone \\r", "lone LF"))
    return ", ".join(f"{n} {kind}" for n, kind in kinds if n) or "no line break"


def template_text(entries, notes):
    by_text, by_value = notes
    out = ['# The texts of Tarnwell PDF Printer Software, in English.\n',
           '# Made by scripts/strings.py pot from src/core/texts/texts.def: do not edit.\n',
           'msgid ""\n', 'msgstr ""\n',
           '"Project-Id-Version: Tarnwell PDF Printer Software\\n"\n',
           '"MIME-Version: 1.0\\n"\n',
           '"Content-Type: text/plain; charset=UTF-8\\n"\n',
           '"Content-Transfer-Encoding: 8bit\\n"\n']
    for name, ident, text in entries:
        out.append("\n")
        out.append(f"#. String table id {ident}.\n")
        values = placeholders(text)
        out += [f"#. {line}\n" for line in by_text.get(name, [])]
        for value, paragraph in by_value:
            if value in values:
                out += [f"#. {line}\n" for line in paragraph]
        if values:
            one = len(values) == 1
            out.append(f"#. Keep {', '.join(values)} as {'it is' if one else 'they are'}: "
                       f"the program fills {'it' if one else 'them'} in.\n")
        pairs, lone_crs, _ = line_breaks(text)
        if lone_crs:
            out.append("#. A message box breaks the line at each \\r as at each \\n: keep both "
                       "where the English\n#. has them (\\r\\r leaves an empty line).\n")
        if pairs or lone_crs:
            out.append("#. Break the lines as often as the English does: the check counts them.\n")
        if name in CAPTIONS:
            out.append("#. A caption: it must fit on one line of its control (the check measures it).\n")
        out.append(f'msgctxt "{name}"\n')
        out.append(po_string("msgid", to_po(text)))
        out.append('msgstr ""\n')
    return "".join(out)


def po_unquote(s):
    return re.sub(r"\\(.)", lambda m: C_ESCAPES.get(m.group(1), m.group(1)), s)


def read_po(path):
    """{context: (msgid, msgstr, fuzzy)} and the header's msgstr."""
    entries, header = {}, None
    current, field, fuzzy = {}, None, False

    def finish():
        nonlocal current, fuzzy, header
        if "msgid" in current:
            if current["msgid"] == "" and "msgctxt" not in current:
                header = current.get("msgstr", "")
            else:
                entries[current.get("msgctxt", "")] = (current["msgid"], current.get("msgstr", ""),
                                                       fuzzy)
        current, fuzzy = {}, False

    for raw in path.read_text(encoding="utf-8").splitlines():
        line = raw.strip()
        if not line:
            finish()
            field = None
            continue
        if line.startswith("#,") and "fuzzy" in line:
            fuzzy = True
            continue
        if line.startswith("#"):
            continue
        m = re.match(r'(msgctxt|msgid|msgstr)\s+"(.*)"$', line)
        if m:
            if m.group(1) == "msgctxt" or (m.group(1) == "msgid" and "msgctxt" not in current
                                           and "msgid" in current):
                finish()
            field = m.group(1)
            current[field] = po_unquote(m.group(2))
            continue
        m = re.match(r'"(.*)"$', line)
        if m and field:
            current[field] += po_unquote(m.group(1))
            continue
        raise ValueError(f"{path}: cannot read the line {raw!r}")
    finish()
    return entries, header


# --- Fitting captions ---------------------------------------------------------

class Font:
    """Advance widths of a TrueType font, read from its cmap and hmtx tables."""

    def __init__(self, path):
        data = path.read_bytes()
        count = struct.unpack(">H", data[4:6])[0]
        tables = {}
        for i in range(count):
            tag, _, offset, length = struct.unpack(">4sIII", data[12 + 16 * i: 28 + 16 * i])
            tables[tag.decode()] = (offset, length)
        head = tables["head"][0]
        self.units = struct.unpack(">H", data[head + 18: head + 20])[0]
        hhea = tables["hhea"][0]
        metrics = struct.unpack(">H", data[hhea + 34: hhea + 36])[0]
        hmtx = tables["hmtx"][0]
        self.advances = [struct.unpack(">H", data[hmtx + 4 * i: hmtx + 4 * i + 2])[0]
                         for i in range(metrics)]
        self.glyphs = self._unicode_map(data, tables["cmap"][0])

    @staticmethod
    def _unicode_map(data, cmap):
        count = struct.unpack(">H", data[cmap + 2: cmap + 4])[0]
        for i in range(count):
            platform, encoding, offset = struct.unpack(">HHI", data[cmap + 4 + 8 * i: cmap + 12 + 8 * i])
            table = cmap + offset
            if (platform, encoding) == (3, 1) and struct.unpack(">H", data[table: table + 2])[0] == 4:
                break
        else:
            raise ValueError("the font has no Unicode BMP map")
        segments = struct.unpack(">H", data[table + 6: table + 8])[0] // 2
        def array(n):
            start = table + 14 + n * 2 * segments + (2 if n else 0)
            return list(struct.unpack(f">{segments}H", data[start: start + 2 * segments]))
        ends, starts, deltas = array(0), array(1), array(2)
        range_base = table + 16 + 6 * segments
        ranges = list(struct.unpack(f">{segments}H", data[range_base: range_base + 2 * segments]))
        glyphs = {}
        for s in range(segments):
            for code in range(starts[s], ends[s] + 1):
                if code == 0xFFFF:
                    continue
                if ranges[s] == 0:
                    glyph = (code + deltas[s]) & 0xFFFF
                else:
                    at = range_base + 2 * s + ranges[s] + 2 * (code - starts[s])
                    glyph = struct.unpack(">H", data[at: at + 2])[0]
                    glyph = (glyph + deltas[s]) & 0xFFFF if glyph else 0
                glyphs[code] = glyph
        return glyphs

    def has(self, char):
        return self.glyphs.get(ord(char), 0) != 0

    def width(self, text, pixels):
        """Pixels, each glyph's advance rounded up as hinting may round it."""
        total = 0
        for char in text:
            glyph = self.glyphs.get(ord(char), 0)
            advance = self.advances[min(glyph, len(self.advances) - 1)]
            total += -(-advance * pixels // self.units)
        return total


def fit_problems(language, texts, font):
    problems = []
    for name, (twips, points, extra) in CAPTIONS.items():
        text = texts[name]
        missing = sorted({c for c in text if not font.has(c)})
        if missing:
            problems.append(f"{language}: {name} has characters Arial lacks: {''.join(missing)}")
        for dpi in (96, 192):
            pixels = round(points * dpi / 72)
            room = twips * dpi // TWIPS_PER_INCH
            if extra is None:  # an option button: its circle and a digit's gap
                need = 13 * dpi // 96 + font.width("0", pixels) + 2
            else:
                need = extra(dpi)
            width = font.width(text, pixels) + need
            if width > room:
                problems.append(f"{language}: {name} {text!r} needs {width} px at {dpi} dpi; "
                                f"its control leaves {room}")
    return problems


# --- The check ------------------------------------------------------------------

def kept_words(text):
    """What a translation must keep as it is: switches, numbers, paths, the port."""
    words = set(re.findall(r"(?<![\w/])/(?:[a-z]+|\?)", text))
    words |= set(re.findall(r"(?<![\w.])\d+(?!\w)", text))
    words |= {p.rstrip(".") for p in re.findall(r"(?:[A-Z]:|\\\\)[\w\\.]*", text)}
    words |= set(re.findall(r"CPW2:", text))
    return words


def check(entries):
    problems = []
    if not TEMPLATE.exists() or (TEMPLATE.read_text(encoding="utf-8")
                                 != template_text(entries, translator_notes())):
        problems.append(f"{TEMPLATE.name} does not match the English texts: "
                        "run scripts/strings.py pot, then update every .po")
    font = Font(FONT)
    english = {name: text for name, _, text in entries}
    files = {p.stem: p for p in STRINGS_DIR.glob("*.po")}
    for language in sorted(set(LANGUAGES) - set(files)):
        problems.append(f"{language}.po is missing")
    tables = {}
    for language, path in sorted(files.items()):
        if language not in LANGUAGES:
            problems.append(f"{path.name}: a language the build does not know (add it to LANGUAGES)")
            continue
        try:
            translated, _ = read_po(path)
        except ValueError as error:
            problems.append(str(error))
            continue
        texts = {}
        for name, source in english.items():
            if name not in translated:
                problems.append(f"{language}: {name} is missing")
                continue
            msgid, msgstr, fuzzy = translated[name]
            msgstr = from_po(msgstr)
            if msgid != to_po(source):
                problems.append(f"{language}: {name} was translated from another English text")
            elif fuzzy:
                problems.append(f"{language}: {name} is marked fuzzy")
            elif not msgstr.strip():
                problems.append(f"{language}: {name} is empty")
            elif placeholders(msgstr) != placeholders(source):
                problems.append(f"{language}: {name} has {placeholders(msgstr)}, "
                                f"the English {placeholders(source)}")
            elif kept_words(msgstr) != kept_words(source):
                problems.append(f"{language}: {name} must keep {sorted(kept_words(source))}, "
                                f"has {sorted(kept_words(msgstr))}")
            elif line_breaks(msgstr) != line_breaks(source):
                problems.append(f"{language}: {name} has {describe_breaks(line_breaks(msgstr))}, "
                                f"the English {describe_breaks(line_breaks(source))}")
            else:
                texts[name] = msgstr
        for name in sorted(set(translated) - set(english)):
            problems.append(f"{language}: {name} is no text of the program (remove it)")
        if len(texts) == len(english):
            problems += fit_problems(language, texts, font)
            tables[language] = texts
    problems += fit_problems("en", english, font)
    return problems, tables


# --- String tables --------------------------------------------------------------

def rc_quote(text):
    return (text.replace("\\", "\\\\").replace('"', '""').replace("\r", "\\r")
            .replace("\n", "\\n").replace("\t", "\\t"))


def rc_text(entries, tables):
    out = ["// Made by scripts/strings.py from res/strings: do not edit.\n",
           "#pragma code_page(65001)\n"]

    def table(langid, texts, title):
        out.append(f"\n// {title}\nLANGUAGE 0x{langid[0]:02X}, 0x{langid[1]:02X}\nSTRINGTABLE\nBEGIN\n")
        for name, ident, _ in entries:
            out.append(f'  {ident}, "{rc_quote(texts[name])}"\n')
        out.append("END\n")

    table(ENGLISH_LANGID, {name: text for name, _, text in entries}, "English")
    for language in sorted(tables):
        primary, title = LANGUAGES[language]
        table((primary, 0x00), tables[language], title)
    return "".join(out)


def cpp_quote(text):
    out = []
    for char in text:
        if char in '\\"':
            out.append("\\" + char)
        elif 32 <= ord(char) < 127:
            out.append(char)
        else:
            out.append(f"\\x{ord(char):04X}\" L\"")  # ends the hex escape
    return "".join(out)


def cpp_text(entries, tables):
    out = ["// Made by scripts/strings.py from res/strings: do not edit.\n",
           "#pragma once\n\n#include <map>\n#include <string>\n#include <vector>\n\n",
           "namespace e2e {\n\n",
           "// A language the program has (English as \"en\"): its files' name, its\n// primary language id\n",
           "// and its texts by name, {values} unfilled.\n",
           "struct Translation {\n  std::wstring name;\n  int primary_language;\n",
           "  std::map<std::wstring, std::wstring> texts;\n};\n\n",
           "inline const std::vector<Translation> kTranslations = {\n"]
    every = {"en": {name: text for name, _, text in entries}, **tables}
    for language in sorted(every):
        primary = LANGUAGES[language][0] if language in LANGUAGES else ENGLISH_LANGID[0]
        out.append(f'    {{L"{language}", 0x{primary:02X}, {{\n')
        for name, _, _ in entries:
            out.append(f'        {{L"{name}", L"{cpp_quote(every[language][name])}"}},\n')
        out.append("    }},\n")
    out.append("};\n\n}  // namespace e2e\n")
    return "".join(out)


def main(argv):
    entries = english_texts()
    if argv[:1] == ["pot"]:
        TEMPLATE.write_text(template_text(entries, translator_notes()), encoding="utf-8",
                            newline="\n")
        print(f"strings: wrote {TEMPLATE.relative_to(ROOT)}")
        return
    if argv[:1] not in (["check"], ["rc"], ["cpp"]) or (argv[0] != "check") != (len(argv) == 2):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    problems, tables = check(entries)
    if problems:
        fail(problems)
    if argv[0] in ("rc", "cpp"):
        out = Path(argv[1])
        text = (rc_text if argv[0] == "rc" else cpp_text)(entries, tables)
        if not out.exists() or out.read_text(encoding="utf-8") != text:
            out.write_text(text, encoding="utf-8", newline="\n")
    print(f"strings: English and {len(tables)} translations checked")


if __name__ == "__main__":
    main(sys.argv[1:])
