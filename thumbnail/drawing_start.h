#pragma once
// How a file begins when it is a drawing: what an output must never replace.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// The bytes at a drawing's start that hold its version text, up to a zero byte.
inline constexpr std::size_t kDwgVersionBytes = 7;

// A version text that DWG drawings begin with: "AC" and the release in three or four digits
// and dots, as in AC1015, AC1.50 or AC1.2.
bool IsDwgVersion(std::string_view version);

// Whether a file whose first bytes are `start` is a DWG or DXF drawing (text DXF: its first
// group, a section or a comment; binary DXF: its sentinel).
bool BeginsAsDrawing(std::span<const std::uint8_t> start);
