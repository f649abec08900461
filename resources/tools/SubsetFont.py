#!/usr/bin/env python3
"""Cut the embedded font down to the characters the engine draws.

Keeps every character of every text of resources/EngineStrings.tsv in every language,
Latin-1, the basic arrows, and the box-drawing, block and triangle characters of the
firmware's text console, with the outlines, hinting and metrics of the source font as
they are (a kept glyph renders exactly as in the full font, and the font's metrics are the
full font's). Layout tables are left out:
the font host reads glyphs, metrics and hinting only. The name table is kept whole, so
the subset carries its copyright and licence. Fails when the source font has no glyph
for a character an engine text uses, so a new text cannot lose characters silently.

Needs fontTools (Debian's python3-fonttools).
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from GenerateEngineStrings import read_table  # noqa: E402

from fontTools import subset  # noqa: E402
from fontTools.ttLib import TTFont  # noqa: E402

# Printable Basic Latin and Latin-1; the arrows from left to the four diagonals; the Box
# Drawing and Block Elements blocks; the four triangles the text console draws.
FIXED_RANGES = [(0x20, 0x7E), (0xA0, 0xFF), (0x2190, 0x2199), (0x2500, 0x257F), (0x2580, 0x259F)]
FIXED_CHARACTERS = [0x25B2, 0x25BA, 0x25BC, 0x25C4]

DROPPED_TABLES = ["GSUB", "GPOS", "GDEF", "MATH", "FFTM"]


def engine_characters(table):
    _, rows = read_table(table)
    # Line breaks and tabs are layout, not glyphs.
    return {ord(ch) for _, texts in rows.values() for text in texts for ch in text if ord(ch) >= 0x20}


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("font", help="the full TrueType font")
    ap.add_argument("table", help="the engine's string table")
    ap.add_argument("output", help="the subset font to write")
    a = ap.parse_args()

    # The font-wide boxes and limits stay the full font's, so the font's metrics (its
    # top and bottom among them) and the hinting interpreter's limits are unchanged.
    font = TTFont(a.font, recalcBBoxes=False, recalcTimestamp=False)
    mapped = font.getBestCmap()
    wanted = engine_characters(a.table)
    missing = sorted(c for c in wanted if c not in mapped)
    if missing:
        sys.exit("%s has no glyph for U+%s, used by %s" % (a.font, ", U+".join("%04X" % c for c in missing), a.table))
    for first, last in FIXED_RANGES:
        wanted.update(range(first, last + 1))
    wanted.update(FIXED_CHARACTERS)
    # Characters of the ranges that the source font lacks are simply not there.
    wanted &= set(mapped)

    options = subset.Options()
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.notdef_outline = True
    options.drop_tables += DROPPED_TABLES
    options.layout_features = []
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=sorted(wanted))
    subsetter.subset(font)

    temporary = a.output + ".tmp"
    font.save(temporary)
    os.replace(temporary, a.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
