#pragma once
// The display's own font: eleven glyphs in cells of 5 columns by 7 rows.
// A glyph is a dot list: two-digit pairs separated by commas, each naming one
// lit dot by its column (1 to 5 from the left) and its row (1 to 7 from the
// top). Every other dot of the cell stays unlit.
#include "platform/rtl/AnsiString.h"
#include <array>

struct DigiGlyph {
    const char* key;
    const char* dots;
};

// In the order the lookup tests the keys.
extern const std::array<DigiGlyph, 11> DigiGlyphTable;

// The dot list of a one-character text; anything that is not exactly one of
// the keys gets the empty list, which draws a cell of unlit dots.
AnsiString DigiGlyphDots(const AnsiString& ch);
