#pragma once
// The preview a DXF drawing may keep: its THUMBNAILIMAGE section, with the count of the
// preview's bytes (group 90) and the bytes themselves (groups 310: hexadecimal text, or
// binary chunks in binary DXF), a packed bitmap with a 40-byte header.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "platform/file.h"
#include "platform/memory_block.h"
#include "thumbnail/drawing_start.h"

enum class DxfPreviewState {
    kNone,       // no section, or an empty one
    kWhole,      // `bitmap` holds the bytes the count gives
    kDamaged,    // a count the bytes disagree with, bytes that are not hexadecimal, a cut section
    kRefused,    // a count the caller did not allow: nothing allocated for it
    kScanLimit,  // not found within the bytes the caller allows a search to read
};

struct DxfPreview {
    DxfPreviewState state = DxfPreviewState::kNone;
    MemoryHandle bitmap;
};

// The value of $ACADVER in the header at the start of the file, or "".
std::string DxfVersion(std::span<const std::uint8_t> start, DxfKind kind);

// Finds the section, in the last MiB of the file first and then from its start, reading at
// most `maxScanBytes` bytes in all to find it, and reads it. `allowed` is asked the byte count
// before anything is allocated for it. Read errors are raised as CFileException.
DxfPreview ReadDxfPreview(CFile& file, DxfKind kind,
                          const std::function<bool(std::uint64_t count)>& allowed,
                          std::uint64_t maxScanBytes);
