#pragma once
// How a file begins when it is a drawing: what an output must never replace.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// The bytes at a drawing's start that hold its version text, up to a zero byte.
inline constexpr std::size_t kDwgVersionBytes = 7;

// What a DXF file is, by its first bytes: text, or binary with group codes of one byte (before
// AC1012) or two.
enum class DxfKind { kNone, kText, kBinary8, kBinary16 };
DxfKind DxfKindOf(std::span<const std::uint8_t> start);

// The sentinel binary DXF files begin with.
inline constexpr std::string_view kBinaryDxfSentinel{"AutoCAD Binary DXF\r\n\x1a", 22};

// A version text that DWG drawings begin with: "AC" and the release in three or four digits
// and dots, as in AC1015, AC1.50 or AC1.2.
bool IsDwgVersion(std::string_view version);

// Whether a file whose first bytes are `start` is a DWG or DXF drawing (text DXF: its first
// group, a section or a comment; binary DXF: its sentinel).
bool BeginsAsDrawing(std::span<const std::uint8_t> start);
