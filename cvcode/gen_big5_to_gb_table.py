#!/usr/bin/python3
"""Writes big5_to_gb_table.cpp: the Big5 -> GB2312 table, one entry per Big5 position.

Run from anywhere with Debian's python3 and these Debian packages installed: opencc (with
libopencc-data), python3-icu, unicode-data, cconv, zh-autoconvert.

    /usr/bin/python3 cvcode/gen_big5_to_gb_table.py [output.cpp]

The rules, applied to every position (lead 0xA1..0xFE x trail 0x40..0x7E, 0xA1..0xFE):

1. Only the standard Big5 areas are decoded: A140-A3BF (symbols), A440-C67E (frequent
   characters), C940-F9D5 (less frequent characters). Every other position, and every position
   the rules below leave unmapped, holds 0x2020 (two blanks).
2. A1 40, the ideographic space, holds 0x2020: the conversion shows it as two blanks.
3. Symbols: decoded as code page 950, encoded as GB2312. A symbol GB2312 lacks that is the
   vertical presentation form of another character (Unicode decomposition <vertical>) takes
   the GB2312 code of that character: vertical brackets become the horizontal brackets.
4. Characters: six independent sources each name at most one GB2312 character for a Big5
   character; a source "maps" the position when it names one. In priority order:
   a. OpenCC's Traditional to Simplified character table (TSCharacters): its first candidate
      that GB2312 has, else the character itself when GB2312 has it.
   b. ICU's Traditional to Simplified transform (Hant-Hans), when its result is one character
      that GB2312 has.
   c. Unihan's kSimplifiedVariant, read like OpenCC's table; a character without the field is
      its own simplified form.
   d. GB 12345 (Unihan kGB1): that standard puts a traditional character at the code of its
      simplified form in GB2312 (Unihan kGB0).
   e. cconv, converting the Big5 bytes to UTF8-CN.
   f. autogb, converting the Big5 bytes to GB; it writes A1F5 (a white square) for a character
      it does not know, and a symbol is never a character's simplified form, so A1F5 maps nothing.
5. A character's entry is the code most sources name; a tie goes to the source first in the
   priority order. Its support, compared in this order: how many sources map it, how many name
   its entry, then the priority of the first source naming its entry.
6. The mapped count of each lead-byte range is fixed (RANGES). In a character range
   the positions with the highest support are mapped, equal support going to the lower Big5
   code; the others hold 0x2020. The symbol rules must give the symbol range's count exactly.

Python's cp950 and gb2312 codecs agree with glibc iconv's CP950 and GB2312 over the areas
decoded here. Per range, how many positions were mapped at each number of mapping sources goes
to standard error.
"""

import bz2
import collections
import os
import subprocess
import sys
import tempfile
import unicodedata

import icu

TABLE_SIZE = 94 * 157
TRAILS = list(range(0x40, 0x7F)) + list(range(0xA1, 0xFF))
BLANKS = 0x2020
TS_CHARACTERS = "/usr/share/opencc/TSCharacters.ocd2"
UNIHAN = "/usr/share/unicode"
AUTOGB_UNKNOWN = 0xA1F5

# (first lead byte, last lead byte, name, mapped entries)
RANGES = [
    (0xA1, 0xA3, "symbols", 273),
    (0xA4, 0xC6, "frequent characters", 5241),
    (0xC7, 0xC8, "unused", 0),
    (0xC9, 0xF9, "less frequent characters", 1597),
    (0xFA, 0xFE, "user-defined", 0),
]

SOURCES = ["OpenCC", "ICU", "Unihan simplified variants", "GB 12345", "cconv", "autogb"]


def in_standard_area(code):
    return (0xA140 <= code <= 0xA3BF or 0xA440 <= code <= 0xC67E
            or 0xC940 <= code <= 0xF9D5)


def gb_code(ch):
    """The GB2312 code of one character, or None when GB2312 has no double-byte code for it."""
    if len(ch) != 1:
        return None
    try:
        b = ch.encode("gb2312")
    except UnicodeEncodeError:
        return None
    return (b[0] << 8) | b[1] if len(b) == 2 else None


def first_gb_code(candidates, ch):
    for candidate in candidates:
        code = gb_code(candidate)
        if code is not None:
            return code
    return gb_code(ch)


def decoded_positions():
    """{Big5 code: character} over the standard areas, A1 40 left out."""
    positions = {}
    for lead in range(0xA1, 0xFF):
        for trail in TRAILS:
            code = (lead << 8) | trail
            if not in_standard_area(code) or code == 0xA140:
                continue
            try:
                ch = bytes([lead, trail]).decode("cp950")
            except UnicodeDecodeError:
                continue
            if len(ch) == 1:
                positions[code] = ch
    return positions


def symbol_entry(ch):
    code = gb_code(ch)
    if code is None:
        decomposition = unicodedata.decomposition(ch).split()
        if len(decomposition) == 2 and decomposition[0] == "<vertical>":
            code = gb_code(chr(int(decomposition[1], 16)))
    return code


def load_opencc_characters():
    """TSCharacters as {traditional: [simplified candidates in OpenCC's order]}."""
    with tempfile.TemporaryDirectory() as tmp:
        text = os.path.join(tmp, "TSCharacters.txt")
        subprocess.run(["opencc_dict", "-i", TS_CHARACTERS, "-o", text, "-f", "ocd2",
                        "-t", "text"], check=True)
        table = {}
        with open(text, encoding="utf-8") as f:
            for line in f:
                key, values = line.rstrip("\n").split("\t")
                table[key] = values.split(" ")
        return table


def load_unihan(file_name, field):
    """{character: value} of one Unihan field."""
    values = {}
    with bz2.open(os.path.join(UNIHAN, file_name), "rt", encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            codepoint, name, value = line.rstrip("\n").split("\t")
            if name == field:
                values[chr(int(codepoint[2:], 16))] = value
    return values


def convert_lines(command, codes):
    """Runs a converter over the Big5 codes, one character a line; its output lines as bytes."""
    data = b"".join(bytes([c >> 8, c & 0xFF, 0x0A]) for c in codes)
    out = subprocess.run(command, input=data, capture_output=True, check=True).stdout
    lines = out.split(b"\n")
    if len(lines) != len(codes) + 1 or lines[-1]:
        sys.exit(f"{command[0]}: {len(lines) - 1} lines out for {len(codes)} in")
    return lines[:-1]


def source_votes(codes, characters):
    """For each source, the GB2312 code (or None) it names for each character, in order."""
    opencc = load_opencc_characters()
    icu_simplify = icu.Transliterator.createInstance("Hant-Hans")
    variants = load_unihan("Unihan_Variants.txt.bz2", "kSimplifiedVariant")
    gb12345 = load_unihan("Unihan_OtherMappings.txt.bz2", "kGB1")
    gb2312_at = {pos: ch for ch, pos in
                 load_unihan("Unihan_OtherMappings.txt.bz2", "kGB0").items()}

    def from_cconv(line):
        try:
            return gb_code(line.decode("utf-8"))
        except UnicodeDecodeError:
            return None

    def from_autogb(line):
        if len(line) != 2 or line[0] < 0xA1 or line[1] < 0xA1:
            return None
        code = (line[0] << 8) | line[1]
        return None if code == AUTOGB_UNKNOWN else code

    return [
        [first_gb_code(opencc.get(ch, []), ch) for ch in characters],
        [gb_code(icu_simplify.transliterate(ch)) for ch in characters],
        [first_gb_code([chr(int(v[2:], 16)) for v in variants.get(ch, "").split()], ch)
         for ch in characters],
        [gb_code(gb2312_at.get(gb12345.get(ch), "")) for ch in characters],
        [from_cconv(line)
         for line in convert_lines(["cconv", "-f", "BIG5", "-t", "UTF8-CN"], codes)],
        [from_autogb(line)
         for line in convert_lines(["autogb", "-i", "big5", "-o", "gb"], codes)],
    ]


def character_candidates(positions):
    """{Big5 code: (support key, entry, sources mapping)} for every character position."""
    codes = [c for c in positions if c >> 8 >= 0xA4]
    votes = source_votes(codes, [positions[c] for c in codes])
    candidates = {}
    for i, code in enumerate(codes):
        named = [source[i] for source in votes]
        counts = collections.Counter(v for v in named if v is not None)
        if not counts:
            continue
        top = max(counts.values())
        first = next(s for s, v in enumerate(named) if v is not None and counts[v] == top)
        mapping = sum(counts.values())
        candidates[code] = ((-mapping, -top, first), named[first], mapping)
    return candidates


def fill_character_range(in_range, candidates, wanted, name):
    """The best-supported positions of one range, {Big5 code: entry}, and how they were chosen."""
    ranked = sorted((c for c in in_range if c in candidates), key=lambda c: (candidates[c][0], c))
    if len(ranked) < wanted:
        sys.exit(f"{name}: {len(ranked)} candidates for {wanted} entries")
    chosen = {c: candidates[c][1] for c in ranked[:wanted]}
    offered = collections.Counter(candidates[c][2] for c in ranked)
    taken = collections.Counter(candidates[c][2] for c in chosen)
    levels = ", ".join(f"{n}: {taken[n]} of {offered[n]}" for n in sorted(offered, reverse=True))
    return chosen, f" (by sources mapping them: {levels})" if levels else ""


def build_table():
    positions = decoded_positions()
    candidates = character_candidates(positions)
    table = [BLANKS] * TABLE_SIZE
    report = []
    for lo, hi, name, wanted in RANGES:
        in_range = [c for c in positions if lo <= c >> 8 <= hi]
        if hi <= 0xA3:
            entries = {c: symbol_entry(positions[c]) for c in in_range}
            chosen = {c: e for c, e in entries.items() if e is not None}
            how = ""
        else:
            chosen, how = fill_character_range(in_range, candidates, wanted, name)
        if len(chosen) != wanted:
            sys.exit(f"{name}: {len(chosen)} entries mapped, {wanted} wanted")
        for code, entry in chosen.items():
            table[((code >> 8) - 0xA1) * 157 + TRAILS.index(code & 0xFF)] = entry
        report.append(f"{lo:02X}-{hi:02X} {name}: {wanted} of {(hi - lo + 1) * 157}{how}")
    return table, report


def versions():
    packages = ["libopencc-data", "unicode-data", "cconv", "zh-autoconvert"]
    out = subprocess.run(["dpkg-query", "-W", "-f=${Package} ${Version}\\n"] + packages,
                         capture_output=True, text=True).stdout.split("\n")
    found = dict(line.split(" ", 1) for line in out if line)
    listed = ", ".join(f"{p} {found.get(p, 'unknown')}" for p in packages)
    return [f"{listed},", f"ICU {icu.ICU_VERSION}, Python {sys.version.split()[0]}"]


def write_source(table, path):
    package_versions, tool_versions = versions()
    lines = [
        "// Generated by gen_big5_to_gb_table.py; do not edit. Regenerate with",
        "//   /usr/bin/python3 cvcode/gen_big5_to_gb_table.py",
        f"// from {package_versions}",
        f"// {tool_versions}.",
        "",
        '#include "cvcode/cvcode.h"',
        "",
        "namespace cvcode {",
        "",
        "// clang-format off",
        "const std::uint16_t Big5ToGBTable[kBig5TableSize] = {",
    ]
    for row in range(94):
        entries = table[row * 157:(row + 1) * 157]
        lines.append(f"    // lead byte {0xA1 + row:02X}")
        for i in range(0, 157, 10):
            lines.append("    " + " ".join(f"0x{e:04X}," for e in entries[i:i + 10]))
    lines += ["};", "// clang-format on", "", "}  // namespace cvcode", ""]
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "big5_to_gb_table.cpp")
    table, report = build_table()
    write_source(table, out)
    for line in report:
        print(line, file=sys.stderr)
    mapped = sum(1 for e in table if e != BLANKS)
    print(f"mapped {mapped}, blank {TABLE_SIZE - mapped}", file=sys.stderr)


if __name__ == "__main__":
    main()
