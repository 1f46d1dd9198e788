#include "dib/dib_picture.h"

#include <gtest/gtest.h>
#include <algorithm>

#include "tests/test_helpers.h"

namespace {

// An info header of the given kind followed by its colour table or masks, then its pixels.
Bytes Header(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t compression,
             std::uint32_t colorsUsed, const Bytes& table, const Bytes& pixels) {
    Bytes dib = MakeInfoDib({.width = width,
                             .height = height,
                             .bitsPerPixel = bits,
                             .colorsUsed = colorsUsed,
                             .tableEntries = 0});
    dib.resize(40);
    PutLittleEndian(dib, 16, compression, 4);
    PutLittleEndian(dib, 20, static_cast<std::uint32_t>(pixels.size()), 4);
    dib.insert(dib.end(), table.begin(), table.end());
    dib.insert(dib.end(), pixels.begin(), pixels.end());
    return dib;
}

Bytes GreyTable(int entries) {
    Bytes table;
    for (int i = 0; i < entries; ++i) {
        const auto grey = static_cast<std::uint8_t>(i);
        table.insert(table.end(), {grey, grey, grey, 0});
    }
    return table;
}

TEST(DibPictureTest, EveryStoredFormIsReadTopRowFirst) {
    const struct {
        const char* name;
        Bytes dib;
        Bytes pixels;  // indexes, or red, green, blue, alpha
    } cases[] = {
        {"RLE8: run, end of line, literal, end",
         Header(4, 2, 8, 1, 8, GreyTable(8), {2, 5, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1}),
         {1, 2, 3, 0, 5, 5, 0, 0}},
        {"RLE8: delta",
         Header(4, 1, 8, 1, 8, GreyTable(8), {0, 2, 2, 0, 1, 7, 0, 1}),
         {0, 0, 7, 0}},
        {"RLE4: alternating run",
         Header(4, 1, 4, 2, 4, GreyTable(4), {4, 0x12, 0, 1}),
         {1, 2, 1, 2}},
        {"top-down 8-bit",
         Header(2, -2, 8, 0, 4, GreyTable(4), {1, 2, 0, 0, 3, 0, 0, 0}),
         {1, 2, 3, 0}},
        {"index past the table", Header(2, 1, 8, 0, 2, GreyTable(2), {1, 5, 0, 0}), {1, 0}},
        {"16 bits, 5-5-5", Header(1, 1, 16, 0, 0, {}, {0x00, 0x7C, 0, 0}), {255, 0, 0, 255}},
        {"16 bits, 5-6-5 fields",
         Header(1, 1, 16, 3, 0, {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0},
                {0xE0, 0x07, 0, 0}),
         {0, 255, 0, 255}},
        {"32 bits, alpha fields",
         Header(1, 1, 32, 6, 0, {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF},
                {0x10, 0x20, 0x30, 0x80}),
         {0x30, 0x20, 0x10, 0x80}},
        {"32 bits without fields: opaque",
         Header(1, 1, 32, 0, 0, {}, {0x10, 0x20, 0x30, 0x00}),
         {0x30, 0x20, 0x10, 255}},
    };
    for (const auto& c : cases) {
        const std::optional<DibPicture> picture = DibGetPicture(c.dib);
        ASSERT_TRUE(picture) << c.name;
        EXPECT_TRUE(std::ranges::equal(picture->pixels, c.pixels)) << c.name;
    }
}

TEST(DibPictureTest, PaletteComesFromEitherTableLayout) {
    const std::optional<DibPicture> core = DibGetPicture(MakeCoreDib(1, 1, 8));
    ASSERT_TRUE(core);
    EXPECT_EQ(Bytes(core->palette.begin() + 3, core->palette.begin() + 6), (Bytes{3, 2, 1}));
    EXPECT_FALSE(core->alpha);
    EXPECT_FALSE(DibGetPicture(Bytes(40, 0)));
}

}  // namespace
