#pragma once
// The two pixel fonts of the artwork, kept as readable text grids:
// '#' is ink, '.' is background.
#include <string>
#include <vector>

using GlyphRows = std::vector<std::string>;

// Display font: capitals, digits and punctuation, 4 x 6 pixels of ink in a
// 5 x 6 cell (the fifth column stays blank to space the cells). Null if the
// character has no glyph.
const GlyphRows* LcdGlyph(char c);

// Button lettering: 9 rows (7 above the baseline, 2 for descenders),
// variable width. Null if the character has no glyph.
const GlyphRows* ButtonGlyph(char c);
