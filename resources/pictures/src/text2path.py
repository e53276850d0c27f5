#!/usr/bin/python3
"""Prints the outline of a text as an SVG path (the d attribute), so that the SVG sources do not
depend on installed fonts. Arguments: font file, text, size in px, x and y of the baseline,
extra spacing per letter in px. Needs python3-fonttools. No kerning is applied."""
import sys

from fontTools.pens.svgPathPen import SVGPathPen
from fontTools.pens.transformPen import TransformPen
from fontTools.ttLib import TTFont

font_file, text = sys.argv[1], sys.argv[2]
size, x, y, tracking = (float(a) for a in sys.argv[3:7])
font = TTFont(font_file)
glyphs = font.getGlyphSet()
cmap = font.getBestCmap()
scale = size / font["head"].unitsPerEm
pen = SVGPathPen(glyphs)
pos = x
for ch in text:
    name = cmap[ord(ch)]
    glyphs[name].draw(TransformPen(pen, (scale, 0, 0, -scale, pos, y)))
    pos += font["hmtx"][name][0] * scale + tracking
print(pen.getCommands())
print("width", pos - tracking - x, file=sys.stderr)
