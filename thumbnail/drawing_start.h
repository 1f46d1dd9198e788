#pragma once
// How a file begins when it is a drawing: what an output must never replace.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/output_file.h"
#include "render/dxf_groups.h"

// The bytes at a drawing's start that hold its version text, up to a zero byte.
inline constexpr std::size_t kDwgVersionBytes = 7;
// The bytes of a file's start that tell whether it is a drawing: text DXF may open with blank
// lines. The reader and the guard that keeps outputs off drawings look at the same bytes.
inline constexpr std::size_t kDrawingStartBytes = 64 * 1024;

// What a DXF file is, by its first bytes.
DxfKind DxfKindOf(std::span<const std::uint8_t> start);

// The words that make a file a binary DXF drawing even when the rest of its sentinel is
// damaged.
inline constexpr std::string_view kBinaryDxfWords = kBinaryDxfSentinel.substr(0, 18);

// A version text that DWG drawings begin with: "AC" and the release in three or four digits
// and dots, as in AC1015, AC1.50 or AC1.2.
bool IsDwgVersion(std::string_view version);

// Whether a file whose first kDrawingStartBytes bytes (or all, when shorter) are `start` is a
// DWG or DXF drawing (text DXF: its first group, a section or a comment; binary DXF: its
// sentinel's words): the one answer that the reader and every writer's guard give.
bool BeginsAsDrawing(std::span<const std::uint8_t> start);

// What an output made from the drawing at `source` must never replace: that drawing, under any
// name, and every file that begins as a drawing or cannot be read to tell.
OutputGuard DrawingGuard(FileName source);
