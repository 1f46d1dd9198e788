#include "dib/dib.h"

#include <gtest/gtest.h>

#include "tests/test_helpers.h"

namespace {

struct ColorCountCase {
    std::uint16_t bits;
    std::uint32_t colorsUsed;
    std::uint16_t expected;
};

// Without it, gtest prints the padding bytes too: names change from build to build.
void PrintTo(const ColorCountCase& c, std::ostream* out) {
    *out << c.bits << " bits, " << c.colorsUsed << " used";
}

class ColorCountTest : public testing::TestWithParam<ColorCountCase> {};

TEST_P(ColorCountTest, FollowsColorsUsedThenBitCount) {
    const ColorCountCase& c = GetParam();
    const Bytes dib = MakeInfoDib({.bitsPerPixel = c.bits, .colorsUsed = c.colorsUsed});
    EXPECT_EQ(DibGetColorCount(dib), c.expected);
}

INSTANTIATE_TEST_SUITE_P(InfoHeader, ColorCountTest,
                         testing::Values(ColorCountCase{1, 0, 2}, ColorCountCase{4, 0, 16},
                                         ColorCountCase{8, 0, 256}, ColorCountCase{8, 16, 16},
                                         ColorCountCase{16, 0, 0}, ColorCountCase{24, 0, 0},
                                         ColorCountCase{32, 0, 0},
                                         ColorCountCase{8, 0x10005, 5}),  // low 16 bits
                         [](const testing::TestParamInfo<ColorCountCase>& param) {
                             return "Bits" + std::to_string(param.param.bits) + "Used" +
                                    std::to_string(param.param.colorsUsed);
                         });

TEST(DibHeaderTest, InfoHeaderFieldsAreSigned) {
    const Bytes dib = MakeInfoDib({.width = 3, .height = -7, .tableEntries = 0});
    EXPECT_EQ(DibGetWidth(dib), 3);
    EXPECT_EQ(DibGetHeight(dib), -7);
}

// Width and height are 16 bits only in the 12-byte header; every larger one (40, 52, 56, 108,
// 124) keeps them as signed 32 bits at 4 and 8, as BMP readers read them.
TEST(DibHeaderTest, OnlyTheCoreHeaderHasSixteenBitSizes) {
    Bytes core = MakeCoreDib(0xFFFE, 300, 8);
    EXPECT_EQ(DibGetWidth(core), 0xFFFE);  // widened without sign
    EXPECT_EQ(DibGetHeight(core), 300);
    EXPECT_EQ(DibGetColorCount(core), 256);
    for (std::uint32_t headerSize : {40u, 52u, 56u, 108u, 124u}) {
        Bytes dib(headerSize, 0);
        PutLittleEndian(dib, 0, headerSize, 4);
        PutLittleEndian(dib, 4, 70000, 4);
        PutLittleEndian(dib, 8, static_cast<std::uint32_t>(-3), 4);
        EXPECT_EQ(DibGetWidth(dib), 70000) << headerSize;
        EXPECT_EQ(DibGetHeight(dib), -3) << headerSize;
    }
}

TEST(DibHeaderTest, FieldsOutsideAShortBlockReadAsZero) {
    Bytes dib = MakeInfoDib({.width = 9, .height = 9, .tableEntries = 0});
    dib.resize(10);  // the height field is cut in half
    EXPECT_EQ(DibGetWidth(dib), 9);
    EXPECT_EQ(DibGetHeight(dib), 0);
    EXPECT_EQ(DibGetColorCount(dib), 0);
    EXPECT_EQ(DibGetWidth(std::span<const std::uint8_t>()), 0);
}

TEST(DibHeaderTest, FieldEndingAtTheLastByteIsRead) {
    Bytes dib = MakeInfoDib({.colorsUsed = 7, .tableEntries = 0});
    dib.resize(36);  // colours used is the last field
    EXPECT_EQ(DibGetColorCount(dib), 7);
    dib.resize(35);
    EXPECT_EQ(DibGetColorCount(dib), 256);  // cut: the bit count decides
}

TEST(DibPaletteTest, EntryEndingAtTheLastByteIsReadAndWritten) {
    Bytes dib = MakeInfoDib({.colorsUsed = 2, .tableEntries = 2});
    dib.resize(40 + 4 + 3);  // entry 1 without its reserved byte
    SetQuad(dib, 1, 1, 2, 3);
    EXPECT_EQ(DibGetPaletteColor(&dib, 1), 0x00010203u);
    EXPECT_EQ(DibSetPaletteColor(&dib, 1, kWhite), 1);
    dib.pop_back();
    EXPECT_EQ(DibGetPaletteColor(&dib, 1), 0u);
    EXPECT_EQ(DibSetPaletteColor(&dib, 1, kBlack), 0);
}

TEST(DibPaletteTest, ReadsAndWritesEntriesInsideTheTable) {
    Bytes dib = MakeInfoDib({});
    EXPECT_EQ(DibSetPaletteColor(&dib, 0, 0x00123456), 1);
    EXPECT_EQ(dib[40], 0x12);
    EXPECT_EQ(dib[41], 0x34);
    EXPECT_EQ(dib[42], 0x56);
    EXPECT_EQ(dib[43], 0);  // the reserved byte is left alone
    EXPECT_EQ(DibGetPaletteColor(&dib, 0), 0x00123456u);
    EXPECT_EQ(DibSetPaletteColor(&dib, 255, kWhite), 1);
    EXPECT_EQ(DibGetPaletteColor(&dib, 255), kWhite);
}

TEST(DibPaletteTest, RefusesIndexesOutsideTheTable) {
    struct Case {
        DibSpec spec;
        int index;
    };
    const Case cases[] = {
        {{}, 256},
        {{}, -1},
        {{.colorsUsed = 16}, 225},
        {{.bitsPerPixel = 24, .tableEntries = 0}, 0},
        {{.bitsPerPixel = 32, .tableEntries = 0}, 0},
        {{.tableEntries = 200}, 226},  // claimed by the header, not held by the block
    };
    for (const Case& c : cases) {
        Bytes dib = MakeInfoDib(c.spec);
        dib.resize(std::min<std::size_t>(dib.size(), 40 + 4 * c.spec.tableEntries));
        const Bytes before = dib;
        EXPECT_EQ(DibGetPaletteColor(&dib, c.index), 0u) << c.index;
        EXPECT_EQ(DibSetPaletteColor(&dib, c.index, 0x00ABCDEF), 0) << c.index;
        EXPECT_EQ(dib, before) << c.index;
    }
    EXPECT_EQ(DibGetPaletteColor(nullptr, 0), 0u);
    EXPECT_EQ(DibSetPaletteColor(nullptr, 0, kWhite), 0);
}

TEST(DibPaletteTest, CoreHeaderEntriesAreThreeBytes) {
    Bytes dib = MakeCoreDib(2, 2, 8);
    EXPECT_EQ(DibGetPaletteColor(&dib, 1), 0x00010203u);  // bytes 15, 16, 17: blue, green, red
    EXPECT_EQ(DibSetPaletteColor(&dib, 1, 0x00AABBCC), 1);
    EXPECT_EQ(dib[15], 0xAA);
    EXPECT_EQ(dib[16], 0xBB);
    EXPECT_EQ(dib[17], 0xCC);
}

TEST(DibPaletteTest, LargerHeadersAreReadButNeverWritten) {
    Bytes dib = MakeCoreDib(2, 2, 8);
    PutLittleEndian(dib, 0, 108, 4);
    const Bytes before = dib;
    EXPECT_EQ(DibGetPaletteColor(&dib, 0), 0x00000102u);
    EXPECT_EQ(DibSetPaletteColor(&dib, 0, kWhite), 0);
    EXPECT_EQ(dib, before);
}

// An info-family header of any size, with compression and the fields after it as given.
Bytes HeaderOfSize(std::uint32_t headerSize, DibSpec spec, std::uint32_t compression,
                   std::size_t extraBytes) {
    spec.tableEntries = 0;
    Bytes dib = MakeInfoDib(spec);
    dib.erase(dib.begin() + 40, dib.end());
    PutLittleEndian(dib, 0, headerSize, 4);
    PutLittleEndian(dib, 16, compression, 4);
    dib.resize(headerSize + extraBytes, 0);
    return dib;
}

// After a 40-byte header, bit fields put their masks before the colour table: recolouring
// writes the table's own entries and leaves the masks alone.
TEST(DibPaletteTest, MasksOfBitFieldsComeBeforeTheTable) {
    const struct {
        std::uint32_t compression;
        std::size_t tableStart;
    } cases[] = {{0, 40}, {3, 52}, {6, 56}};
    for (const auto& c : cases) {
        Bytes dib = HeaderOfSize(40, {.width = 1, .height = 1, .bitsPerPixel = 16, .colorsUsed = 2},
                                 c.compression, 16 + 8 + 4);
        for (std::size_t i = 40; i < c.tableStart; ++i) {
            dib[i] = static_cast<std::uint8_t>(0xA0 + i);  // masks
        }
        dib[c.tableStart] = 0x11;  // entry 0: blue 11, green 22, red 33
        dib[c.tableStart + 1] = 0x22;
        dib[c.tableStart + 2] = 0x33;
        Bytes expected = dib;
        expected[c.tableStart + 4] = 0x12;  // entry 1 becomes 0x123456: blue, green, red
        expected[c.tableStart + 5] = 0x34;
        expected[c.tableStart + 6] = 0x56;
        EXPECT_EQ(DibGetPaletteColor(&dib, 0), 0x00112233u) << c.compression;
        EXPECT_EQ(DibSetPaletteColor(&dib, 1, 0x00123456), 1) << c.compression;
        EXPECT_EQ(dib, expected) << c.compression;
    }
}

TEST(DibCompleteTest, OnlyWholeBitmapsOfKnownLayoutsAreComplete) {
    const Bytes eightBit = MakeInfoDib({});
    Bytes rle = MakeInfoDib({.colorsUsed = 2, .tableEntries = 2});
    PutLittleEndian(rle, 16, 1, 4);
    PutLittleEndian(rle, 20, 10, 4);  // image size
    rle.resize(40 + 8 + 10);
    Bytes topDown = MakeInfoDib({.height = -2});
    Bytes twoPlanesOfColours = MakeInfoDib({.colorsUsed = 257, .tableEntries = 0});
    const struct {
        const char* name;
        Bytes dib;
        bool complete;
    } cases[] = {
        {"8-bit", eightBit, true},
        {"8-bit less a byte", Bytes(eightBit.begin(), eightBit.end() - 1), false},
        {"12-byte header", MakeCoreDib(3, 2, 8), true},
        {"12-byte header, 24 bits", MakeCoreDib(3, 2, 24), true},
        {"12-byte header less a byte",
         [] {
             Bytes d = MakeCoreDib(3, 2, 8);
             d.pop_back();
             return d;
         }(),
         false},
        {"top-down", topDown, true},
        {"first byte of a header", Bytes{40}, false},
        {"header only", Bytes(eightBit.begin(), eightBit.begin() + 40), false},
        {"16-bit bit fields",
         HeaderOfSize(40, {.width = 2, .height = 2, .bitsPerPixel = 16}, 3, 12 + 8), true},
        {"bit fields without masks",
         HeaderOfSize(40, {.width = 2, .height = 2, .bitsPerPixel = 16}, 3, 8), false},
        {"alpha bit fields",
         HeaderOfSize(40, {.width = 1, .height = 1, .bitsPerPixel = 32}, 6, 16 + 4), true},
        {"alpha bit fields, 12 mask bytes",
         HeaderOfSize(40, {.width = 1, .height = 1, .bitsPerPixel = 32}, 6, 12 + 4), false},
        {"bit fields at 24 bits",
         HeaderOfSize(40, {.width = 1, .height = 1, .bitsPerPixel = 24}, 3, 16), false},
        {"124-byte header, 32 bits",
         HeaderOfSize(124, {.width = 2, .height = 2, .bitsPerPixel = 32}, 3, 16), true},
        {"108-byte header, 24 bits",
         HeaderOfSize(108, {.width = 1, .height = 1, .bitsPerPixel = 24}, 0, 4), true},
        {"full 256-entry table", MakeInfoDib({.colorsUsed = 256}), true},
        {"12-byte header, 16 bits", MakeCoreDib(2, 2, 16), false},
        {"top-down RLE8",
         [&] {
             Bytes d = rle;
             PutLittleEndian(d, 8, static_cast<std::uint32_t>(-2), 4);
             return d;
         }(),
         false},
        {"RLE8 with image size 0",
         [&] {
             Bytes d = rle;
             PutLittleEndian(d, 20, 0, 4);
             return d;
         }(),
         false},
        {"52-byte header, 24 bits",
         HeaderOfSize(52, {.width = 1, .height = 3, .bitsPerPixel = 24}, 0, 12), true},
        {"RLE8 by its image size", rle, true},
        {"RLE8 cut", Bytes(rle.begin(), rle.end() - 1), false},
        {"unknown header size",
         HeaderOfSize(64, {.width = 1, .height = 1, .bitsPerPixel = 24}, 0, 4), false},
        {"JPEG inside", HeaderOfSize(40, {.width = 1, .height = 1, .bitsPerPixel = 0}, 4, 4),
         false},
        {"unknown compression",
         HeaderOfSize(40, {.width = 1, .height = 1, .bitsPerPixel = 24}, 9, 4), false},
        {"bit count 7", HeaderOfSize(40, {.width = 1, .height = 1, .bitsPerPixel = 7}, 0, 4),
         false},
        {"zero width", MakeInfoDib({.width = 0}), false},
        {"zero height", MakeInfoDib({.height = 0}), false},
        {"wider than any preview", MakeInfoDib({.width = 4097, .height = 1}), false},
        {"widest preview", MakeInfoDib({.width = 4096, .height = 1}), true},
        {"more colours than the bit count allows", twoPlanesOfColours, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DibIsComplete(c.dib), c.complete) << c.name;
    }
}

TEST(DibWriteTest, WritesFileHeaderThenTheBlockUnchanged) {
    struct Case {
        Bytes dib;
        std::uint32_t pixelOffset;
    };
    Bytes v5 = MakeInfoDib({.colorsUsed = 2, .tableEntries = 0});
    PutLittleEndian(v5, 0, 124, 4);
    v5.resize(124 + 8, 0);
    const Case cases[] = {
        {MakeInfoDib({}), 14 + 40 + 1024},
        {MakeInfoDib({.colorsUsed = 16, .tableEntries = 16}), 118},
        {MakeInfoDib({.bitsPerPixel = 24, .tableEntries = 0}), 54},
        {MakeCoreDib(4, 4, 8), 794},
        {v5, 14 + 124 + 8},
        {HeaderOfSize(40, {.width = 2, .height = 2, .bitsPerPixel = 16}, 3, 12 + 8), 66},
        {HeaderOfSize(40, {.width = 1, .height = 1, .bitsPerPixel = 32}, 6, 16 + 4), 70},
        {HeaderOfSize(56, {.width = 1, .height = 1, .bitsPerPixel = 32}, 6, 4), 14 + 56},
    };
    TempDir dir;
    for (const Case& c : cases) {
        COutputFile file;
        file.CreateForWriting(dir / "out.bmp");
        EXPECT_EQ(DibWriteBmpFile(c.dib, file), 1);
        file.Close();
        const Bytes written = ReadFile(dir / "out.bmp");
        ASSERT_EQ(written.size(), c.dib.size() + 14);
        EXPECT_EQ(written[0], 'B');
        EXPECT_EQ(written[1], 'M');
        EXPECT_EQ(U32At(written, 2), written.size());
        EXPECT_EQ(U32At(written, 6), 0u);
        EXPECT_EQ(U32At(written, 10), c.pixelOffset);
        EXPECT_TRUE(std::equal(c.dib.begin(), c.dib.end(), written.begin() + 14));
    }
}

}  // namespace
