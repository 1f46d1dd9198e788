#pragma once
// The strokes text is drawn with: the Hershey simplex Roman glyphs of printable ASCII, in
// the font's own units (y down, the baseline at kBaseline, capitals kCapHeight high).

#include <array>
#include <string_view>
#include <vector>

#include "render/primitives.h"

struct Glyph {
    double left = 0;  // where the glyph's box begins and ends across
    double right = 0;
    std::vector<std::vector<Point>> strokes;
};

class CStrokeFont {
public:
    static constexpr double kBaseline = 9;
    static constexpr double kCapHeight = 21;
    static constexpr double kDescent = 7;  // below the baseline, at most

    // Reads the glyphs built in: a few thousand bytes, once for each drawing with text.
    CStrokeFont();
    // The glyph of a character; the font's question mark for one it lacks.
    const Glyph& Of(char32_t character) const;

private:
    static constexpr char32_t kFirst = 32;
    std::array<Glyph, 96> m_glyphs;
};
