#include "tests/bmp_check.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr std::uint64_t kFileHeader = 14;

std::uint64_t Field(const Bytes& bytes, std::size_t offset, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;) {
        value = value << 8 | bytes[offset + i];
    }
    return value;
}

}  // namespace

std::string BmpProblem(const Bytes& bmp) {
    if (bmp.size() < kFileHeader + 12 || bmp[0] != 'B' || bmp[1] != 'M') {
        return "no BMP file header";
    }
    if (Field(bmp, 2, 4) != bmp.size()) {
        return "size field differs from the file length";
    }
    const std::uint64_t headerSize = Field(bmp, 14, 4);
    const bool core = headerSize == 12;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124) {
        return "unknown header size";
    }
    if (kFileHeader + headerSize > bmp.size()) {
        return "header cut short";
    }
    const std::int64_t width = core ? static_cast<std::int64_t>(Field(bmp, 18, 2))
                                    : static_cast<std::int32_t>(Field(bmp, 18, 4));
    const std::int64_t height = core ? static_cast<std::int64_t>(Field(bmp, 20, 2))
                                     : static_cast<std::int32_t>(Field(bmp, 22, 4));
    const std::uint64_t bits = Field(bmp, core ? 24 : 28, 2);
    const std::uint64_t compression = core ? 0 : Field(bmp, 30, 4);
    const std::uint64_t used = core ? 0 : Field(bmp, 46, 4);
    const bool indexed = bits == 1 || bits == 4 || bits == 8;
    const std::uint64_t colors = used != 0 ? used : indexed ? 1u << bits : 0;
    const std::uint64_t masks = headerSize == 40 && compression == 3   ? 12
                                : headerSize == 40 && compression == 6 ? 16
                                                                       : 0;
    const std::uint64_t pixelOffset = Field(bmp, 10, 4);
    if (pixelOffset < kFileHeader + headerSize + colors * (core ? 3 : 4) + masks) {
        return "pixels overlap the header or colour table";
    }
    const bool rowsStored = compression == 0 || compression == 3 || compression == 6;
    const std::uint64_t rows = static_cast<std::uint64_t>(std::llabs(height));
    const std::uint64_t pixelBytes =
        rowsStored ? (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4 * rows
                   : Field(bmp, 34, 4);
    if (width <= 0 || rows == 0 || pixelOffset + pixelBytes > bmp.size()) {
        return "pixels lie outside the file";
    }
    return "";
}
