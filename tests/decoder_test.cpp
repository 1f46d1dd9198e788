// The BMP files the tool writes, read back by a real decoder (netpbm's bmptopnm).
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "tests/bmp_check.h"
#include "tests/png_builder.h"
#include "tests/run_tool.h"
#include "tests/tool_test.h"

namespace {

constexpr char kDecoder[] = "/usr/bin/bmptopnm";

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0xRRGGBB, top row first
};

// Decodes a BMP file with the real decoder; an empty picture when it refuses the file.
Picture Decode(const std::string& directory, const std::string& bmp) {
    const ToolRun run = RunProgram(kDecoder, directory, {bmp});
    Picture picture;
    std::istringstream ppm(run.out);
    std::string magic;
    int maxval = 0;
    ppm >> magic >> picture.width >> picture.height >> maxval;
    ppm.get();
    const bool grey = magic == "P5";  // what it writes for an all-grey colour table
    if (run.status != 0 || (!grey && magic != "P6") || maxval != 255) {
        return {};
    }
    const std::string samples((std::istreambuf_iterator<char>(ppm)), {});
    const std::size_t step = grey ? 1 : 3;
    for (std::size_t i = 0; i + step <= samples.size(); i += step) {
        const auto sample = [&](std::size_t k) {
            return std::uint8_t(samples[i + (grey ? 0 : k)]);
        };
        picture.pixels.push_back(std::uint32_t{sample(0)} << 16 | std::uint32_t{sample(1)} << 8 |
                                 sample(2));
    }
    return picture;
}

// Each channel within what scaling 5 or 6 bits to 8 may round away.
bool Near(std::uint32_t actual, std::uint32_t expected) {
    for (int shift : {0, 8, 16}) {
        const int a = actual >> shift & 0xFF;
        const int e = expected >> shift & 0xFF;
        if (a - e > 10 || e - a > 10) {
            return false;
        }
    }
    return true;
}

// A 2 x 1 bitmap of 16-bit pixels with 5-6-5 masks after the 40-byte header: red, then blue.
Bytes BitFieldsDib() {
    Bytes dib = MakeInfoDib({.width = 2, .height = 1, .bitsPerPixel = 16, .tableEntries = 0});
    dib.resize(40);
    PutLittleEndian(dib, 16, 3, 4);  // bit fields
    for (std::uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu}) {
        AppendLittleEndian(dib, mask, 4);
    }
    AppendLittleEndian(dib, 0xF800, 2);
    AppendLittleEndian(dib, 0x001F, 2);
    return dib;
}

TEST(DecoderTest, EveryKindOfPreviewDecodesToItsPicture) {
    if (::access(kDecoder, X_OK) != 0) {
        GTEST_SKIP() << kDecoder << " is missing (apt-get install netpbm)";
    }
    TempDir dir;
    const Bytes palette = MakeInfoDib({.width = 3, .height = 2});
    const Bytes rgba = EncodePng(
        {.width = 2, .height = 1, .colorType = 6, .rows = {255, 0, 0, 255, 0, 0, 255, 0}});
    const struct {
        const char* name;
        Bytes drawing;
        int width, height;
        std::uint32_t firstPixel, lastPixel;
    } cases[] = {
        // Rows run bottom-up: indexes 0, 7, 14 (and padding), then 28, 35, 42; entry i is grey i.
        {"palette", DwgBuilder().Entry(2, palette).Build(), 3, 2, 0x1C1C1C, 0x0E0E0E},
        {"core header", DwgBuilder().Entry(2, MakeCoreDib(2, 2, 8)).Build(), 2, 2, 0x5C5B5A,
         0x5C5B5A},
        {"bit fields", DwgBuilder().Entry(2, BitFieldsDib()).Build(), 2, 1, 0xFF0000, 0x0000FF},
        {"png over black", DwgBuilder().Entry(6, rgba).Build(), 2, 1, 0xFF0000, 0x000000},
    };
    for (const auto& c : cases) {
        WriteFile(dir / "d.dwg", c.drawing);
        ASSERT_EQ(RunProgram(PICTAVEX_BINARY, dir.Path(), {"-q", "d.dwg"}).status, 0) << c.name;
        const Bytes bmp = ReadFile(dir / "d.bmp");
        EXPECT_EQ(BmpProblem(bmp), "") << c.name;
        const Picture picture = Decode(dir.Path(), "d.bmp");
        EXPECT_EQ(picture.width, c.width) << c.name;
        EXPECT_EQ(picture.height, c.height) << c.name;
        ASSERT_EQ(picture.pixels.size(), std::size_t(c.width * c.height)) << c.name;
        EXPECT_PRED2(Near, picture.pixels.front(), c.firstPixel) << c.name;
        EXPECT_PRED2(Near, picture.pixels.back(), c.lastPixel) << c.name;
    }
}

}  // namespace
