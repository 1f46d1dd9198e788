#include <gtest/gtest.h>

#include "dib/dib_from_png.h"
#include "tests/dwg_builder.h"
#include "tests/png_builder.h"
#include "tests/temp_dir.h"
#include "thumbnail/dwg_thumbnail.h"

namespace {

constexpr std::uint32_t kWidth = 5;
constexpr std::uint32_t kHeight = 3;

std::uint8_t IndexAt(std::uint32_t x, std::uint32_t y, unsigned depth) {
    return static_cast<std::uint8_t>((x * 3 + y * 5 + 1) % (1u << depth));
}

// A 5 x 3 palette PNG of the given depth; palette entry i is (i, 2i, 255 - i).
PngSpec PalettePng(unsigned depth) {
    PngSpec spec{.width = kWidth,
                 .height = kHeight,
                 .colorType = 3,
                 .bitDepth = static_cast<std::uint8_t>(depth)};
    const std::size_t stride = (kWidth * depth + 7) / 8;
    spec.rows.assign(stride * kHeight, 0);
    for (std::uint32_t y = 0; y < kHeight; ++y) {
        for (std::uint32_t x = 0; x < kWidth; ++x) {
            const std::size_t bit = x * depth;
            spec.rows[stride * y + bit / 8] |=
                static_cast<std::uint8_t>(IndexAt(x, y, depth) << (8 - depth - bit % 8));
        }
    }
    for (unsigned i = 0; i < (1u << depth); ++i) {
        spec.palette.insert(spec.palette.end(),
                            {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(2 * i),
                             static_cast<std::uint8_t>(255 - i)});
    }
    return spec;
}

std::uint32_t U32(const MemoryBlock& dib, std::size_t offset) {
    return dib[offset] | dib[offset + 1] << 8 | dib[offset + 2] << 16 |
           static_cast<std::uint32_t>(dib[offset + 3]) << 24;
}

TEST(PngTest, PaletteImagesOfEveryDepthBecomeEightBitDibs) {
    for (unsigned depth : {1u, 2u, 4u, 8u}) {
        const MemoryHandle dib = DibFromPng(EncodePng(PalettePng(depth)), kBlack);
        ASSERT_TRUE(dib) << depth;
        const std::uint32_t colors = 1u << depth;
        const std::size_t stride = 8;  // 5 bytes padded to 4
        EXPECT_EQ(dib->size(), 40 + 4 * colors + stride * kHeight);
        EXPECT_EQ(DibGetWidth(*dib), 5);
        EXPECT_EQ(DibGetHeight(*dib), 3);
        EXPECT_EQ(U32(*dib, 14) & 0xFFFF, 8u);
        EXPECT_EQ(U32(*dib, 16), 0u);  // no compression
        EXPECT_EQ(U32(*dib, 20), stride * kHeight);
        EXPECT_EQ(U32(*dib, 32), colors);
        EXPECT_EQ(DibGetPaletteColor(dib.get(), 1), 0x00FE0201u) << depth;
        const std::size_t bits = 40 + 4 * colors;
        for (std::uint32_t y = 0; y < kHeight; ++y) {
            const std::size_t row = bits + stride * (kHeight - 1 - y);  // bottom-up
            for (std::uint32_t x = 0; x < kWidth; ++x) {
                EXPECT_EQ((*dib)[row + x], IndexAt(x, y, depth)) << depth << " " << x << "," << y;
            }
            EXPECT_EQ((*dib)[row + 5], 0);  // padding
        }
    }
}

TEST(PngTest, OtherImagesBecomeTwentyFourBitDibsOverTheBackground) {
    const struct {
        const char* name;
        PngSpec spec;
        COLORREF background;
        Bytes expectedBgr;  // the one pixel, as blue, green, red
    } cases[] = {
        {"rgb", {.colorType = 2, .rows = {10, 20, 30}}, kWhite, {30, 20, 10}},
        {"grey", {.colorType = 0, .rows = {77}}, kBlack, {77, 77, 77}},
        {"opaque rgba", {.colorType = 6, .rows = {10, 20, 30, 255}}, kWhite, {30, 20, 10}},
        {"clear rgba on white", {.colorType = 6, .rows = {10, 20, 30, 0}}, kWhite, {255, 255, 255}},
        {"clear rgba on blue", {.colorType = 6, .rows = {10, 20, 30, 0}}, 0x00FF0000, {255, 0, 0}},
        {"half grey+alpha", {.colorType = 4, .rows = {200, 128}}, kBlack, {100, 100, 100}},
    };
    for (const auto& c : cases) {
        const MemoryHandle dib = DibFromPng(EncodePng(c.spec), c.background);
        ASSERT_TRUE(dib) << c.name;
        ASSERT_EQ(dib->size(), 40u + 4) << c.name;  // one pixel, row padded to 4 bytes
        EXPECT_EQ(U32(*dib, 14) & 0xFFFF, 24u) << c.name;
        EXPECT_EQ(U32(*dib, 32), 0u) << c.name;
        EXPECT_EQ(Bytes(dib->begin() + 40, dib->begin() + 43), c.expectedBgr) << c.name;
    }
}

TEST(PngTest, DamagedOrHugeImagesGiveNothing) {
    const Bytes good = EncodePng(PalettePng(8));
    Bytes corrupt = good;
    corrupt[corrupt.size() - 20] ^= 0xFF;  // inside the image data: its CRC no longer fits
    Bytes corruptRgb = EncodePng({.width = 2, .height = 2, .colorType = 2, .rows = Bytes(12, 7)});
    corruptRgb[corruptRgb.size() - 20] ^= 0xFF;
    Bytes wide = good;
    PatchIhdr(wide, 0, 100000);
    Bytes bomb = good;
    PatchIhdr(bomb, 0, 16384);
    PatchIhdr(bomb, 4, 16384);
    Bytes padded = bomb;  // enough bytes to hold that many pixels, over the size limit
    padded.resize(padded.size() + 300000, 0);
    Bytes truecolour = EncodePng({.colorType = 2, .rows = {1, 2, 3}});
    PatchIhdr(truecolour, 0, 9000);  // its DIB fits the limit, its decoded RGBA does not
    PatchIhdr(truecolour, 4, 9000);
    truecolour.resize(truecolour.size() + 300000, 0);
    const struct {
        const char* name;
        Bytes png;
    } cases[] = {{"corrupt", corrupt},
                 {"truncated", Bytes(good.begin(), good.begin() + good.size() / 2)},
                 {"absurd width", wide},
                 {"more pixels than its data can hold", bomb},
                 {"empty", {}},
                 {"not a png", Bytes(100, 0x42)},
                 {"corrupt truecolour", corruptRgb},
                 {"over the size limit", padded},
                 {"decoded image over the size limit", truecolour}};
    for (const auto& c : cases) {
        EXPECT_FALSE(DibFromPng(c.png, kBlack)) << c.name;
    }
}

class PngDrawingTest : public testing::Test {
protected:
    CDwgThumbnail& Load(const DwgBuilder& builder) {
        WriteFile(m_dir / "d.dwg", builder.Build());
        m_thumbnail.Load(m_dir / "d.dwg");
        return m_thumbnail;
    }
    TempDir m_dir;
    CDwgThumbnail m_thumbnail{kWhite};
    Bytes m_png = EncodePng(PalettePng(8));
    Bytes m_bitmap = MakeInfoDib({.width = 9, .height = 9});
};

TEST_F(PngDrawingTest, PngPreviewIsReadWhereverItIsListed) {
    for (const bool headerFirst : {true, false}) {
        DwgBuilder builder;
        if (headerFirst) {
            builder.Entry(1, {'h'}).Entry(6, m_png);
        } else {
            builder.Entry(6, m_png).Entry(1, {'h'});
        }
        const CDwgThumbnail& thumbnail = Load(builder);
        EXPECT_EQ(thumbnail.m_headerData, "h");
        EXPECT_EQ(thumbnail.m_width, 5);
        EXPECT_EQ(thumbnail.m_height, 3);
        // Entry 0 (0, 0, 255) is not white: the palette was recoloured for the background.
        EXPECT_EQ(DibGetPaletteColor(thumbnail.m_dib.get(), 0), kWhite);
        EXPECT_EQ(DibGetPaletteColor(thumbnail.m_dib.get(), 225), kBlack);
    }
}

TEST_F(PngDrawingTest, BitmapEntryWinsOverPng) {
    EXPECT_EQ(Load(DwgBuilder().Entry(2, m_bitmap).Entry(6, m_png)).m_width, 9);
    EXPECT_EQ(Load(DwgBuilder().Entry(6, m_png).Entry(2, m_bitmap)).m_width, 9);
}

TEST_F(PngDrawingTest, OnlyTheFirstPngIsTried) {
    const Bytes broken(m_png.begin(), m_png.begin() + 40);
    EXPECT_FALSE(Load(DwgBuilder().Entry(6, broken).Entry(6, m_png)).m_dib);
    EXPECT_EQ(Load(DwgBuilder().Entry(6, m_png).Entry(6, broken)).m_width, 5);
}

TEST_F(PngDrawingTest, PngPastTheEndOrBeforeTheStartGivesNothing) {
    EXPECT_FALSE(Load(DwgBuilder().Entry(6, m_png).TruncateTo(200)).m_dib);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Load(DwgBuilder().RawEntry(6, -1, 100)).m_dib);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "pictavex: " + (m_dir / "d.dwg") + ": Invalid argument\n");
}

}  // namespace
