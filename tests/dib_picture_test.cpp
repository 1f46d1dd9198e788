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
        {"RLE8: delta to the row above",
         Header(2, 2, 8, 1, 8, GreyTable(8), {0, 2, 1, 1, 1, 7, 0, 1}),
         {0, 7, 0, 0}},
        {"RLE4: literal of 5, padded to a word, then a run",
         Header(6, 1, 4, 2, 16, GreyTable(16), {0, 5, 0x12, 0x34, 0x50, 0, 1, 0x60, 0, 1}),
         {1, 2, 3, 4, 5, 6}},
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
        {"16 bits, 5-6-5 fields, channels rounded",
         Header(1, 1, 16, 3, 0, {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0},
                {0x20, 0x80, 0, 0}),
         {132, 4, 0, 255}},
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

// Which headers hold an alpha mask: those of 56 bytes and more, and a 40-byte one followed by
// alpha bit fields. A 52-byte header has no room for one, whatever its compression says.
TEST(DibPictureTest, AlphaComesOnlyFromAMaskTheHeaderHolds) {
    const struct {
        std::uint32_t headerSize;
        std::uint32_t compression;
        bool alpha;
    } cases[] = {{40, 3, false}, {40, 6, true}, {52, 3, false}, {52, 6, false},
                 {56, 3, true},  {56, 6, true}, {108, 3, true}, {124, 6, true}};
    for (const auto& c : cases) {
        Bytes dib(c.headerSize, 0);
        PutLittleEndian(dib, 0, c.headerSize, 4);
        PutLittleEndian(dib, 4, 1, 4);
        PutLittleEndian(dib, 8, 1, 4);
        PutLittleEndian(dib, 12, 1, 2);
        PutLittleEndian(dib, 14, 32, 2);
        PutLittleEndian(dib, 16, c.compression, 4);
        if (c.headerSize == 40) {
            dib.resize(c.compression == 6 ? 56 : 52);  // the masks follow the header
        }
        const std::uint32_t masks[] = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF};
        for (std::size_t i = 0; i < 4 && 40 + 4 * i + 4 <= dib.size(); ++i) {
            PutLittleEndian(dib, 40 + 4 * i, masks[i], 4);
        }
        const Bytes pixel = {0x80, 0x10, 0x20, 0x30};
        dib.insert(dib.end(), pixel.begin(), pixel.end());
        const std::optional<DibPicture> picture = DibGetPicture(dib);
        ASSERT_TRUE(picture) << c.headerSize << "/" << c.compression;
        EXPECT_EQ(picture->alpha, c.alpha) << c.headerSize << "/" << c.compression;
        const Bytes expected = {0x10, 0x20, 0x30, c.alpha ? std::uint8_t{0x80} : std::uint8_t{255}};
        EXPECT_TRUE(std::ranges::equal(picture->pixels, expected))
            << c.headerSize << "/" << c.compression;
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
