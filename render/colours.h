#pragma once
// A drawing's colours: the 256 of its colour index, and the rules by which an entity takes
// its layer's or its block's colour.

#include <cstdint>
#include <optional>

#include "render/primitives.h"

inline constexpr int kColourByBlock = 0;
inline constexpr int kColourByLayer = 256;
inline constexpr int kContrastingIndex = 7;

// The colour of index 1 to 255; index 7 contrasts with the background.
InkColour IndexColour(int index);

// What an entity says of its colour: an index (BYBLOCK, BYLAYER or one of the 255), and a
// true colour that overrides it.
struct EntityColour {
    int index = kColourByLayer;
    std::optional<std::uint32_t> trueColour;  // 0xRRGGBB
};

// Its ink, given the colour of its layer and of the block it lies in (for BYBLOCK).
InkColour ResolveColour(const EntityColour& colour, InkColour layer, InkColour block);
