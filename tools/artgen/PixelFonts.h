// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The two pixel fonts of the artwork, kept as readable text grids:
// '#' is ink, '.' is background.
#include <string>
#include <vector>

using GlyphRows = std::vector<std::string>;

// Display font: capitals (the accented ones of German, French and Spanish
// too), digits and punctuation, 4 x 6 pixels of ink in a 5 x 6 cell (the
// fifth column stays blank to space the cells). Null if the character has no
// glyph.
const GlyphRows* LcdGlyph(char32_t c);

// Button lettering: 9 rows (7 above the baseline, 2 for descenders),
// variable width; the accented letters have up to 3 more rows on top, above
// row 0, for their marks. Null if the character has no glyph.
const GlyphRows* ButtonGlyph(char32_t c);

// Every character ButtonGlyph draws, in code point order.
std::u32string ButtonGlyphChars();
