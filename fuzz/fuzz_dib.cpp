// Runs every DIB function on arbitrary blocks with arbitrary indexes and colours, and checks
// that every block taken as whole, and every bitmap made from a PNG, writes a BMP file that
// a careful reader finds whole. Input: a 16-bit signed index, a 32-bit colour, the block.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "dib/dib.h"
#include "dib/dib_from_png.h"
#include "dib/dib_picture.h"
#include "dib/dib_scale.h"
#include "tests/bmp_check.h"
#include "tests/dwg_builder.h"

namespace {

constexpr std::size_t kPrefixSize = 6;

const std::string& OutputPath() {
    static const std::string path = [] {
        std::string pattern = "/tmp/pictavex-fuzz-dib-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return pattern + "/out.bmp";
    }();
    return path;
}

void CheckWritten(const MemoryBlock& dib) {
    COutputFile file;
    file.CreateForWriting(OutputPath());
    DibWriteBmpFile(dib, file);
    file.Close();
    if (!BmpProblem(ReadFile(OutputPath())).empty()) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kPrefixSize) {
        return 0;
    }
    std::int16_t index = 0;
    std::uint32_t color = 0;
    std::memcpy(&index, data, sizeof index);
    std::memcpy(&color, data + 2, sizeof color);
    MemoryBlock block(data + kPrefixSize, data + size);

    (void)DibGetWidth(block);
    (void)DibGetHeight(block);
    const std::uint16_t count = DibGetColorCount(block);
    const MemoryBlock before = block;
    const int written = DibSetPaletteColor(&block, index, color);
    if (written == 1) {
        if (index < 0 || index >= count ||
            DibGetPaletteColor(&block, index) != (color & 0xFFFFFF)) {
            std::abort();
        }
    } else if (block != before) {
        std::abort();  // a refused write must change nothing
    }
    (void)DibGetPaletteColor(&block, index);

    if (DibIsComplete(block)) {
        CheckWritten(block);
        const std::optional<DibPicture> picture = DibGetPicture(block);
        if (!picture || picture->pixels.size() != std::size_t{picture->width} * picture->height *
                                                      (picture->palette.empty() ? 4 : 1)) {
            std::abort();
        }
        if (MemoryHandle shrunk = DibShrinkToFit(block, 1 + index % 64, color & 0xFFFFFF)) {
            if (!DibIsComplete(*shrunk)) {
                std::abort();
            }
        }
    }

    // The same bytes as a PNG preview.
    if (MemoryHandle dib = DibFromPng(block, color & 0xFFFFFF)) {
        if (!DibIsComplete(*dib)) {
            std::abort();
        }
        CheckWritten(*dib);
    }
    return 0;
}
