#include <gtest/gtest.h>

#include "dib/dib_from_png.h"
#include "tests/png_builder.h"
#include "tests/test_helpers.h"

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

TEST(PngTest, PaletteImagesOfEveryDepthBecomeEightBitDibs) {
    for (unsigned depth : {1u, 2u, 4u, 8u}) {
        const MemoryHandle dib = DibFromPng(EncodePng(PalettePng(depth)), kBlack);
        ASSERT_TRUE(dib) << depth;
        const std::uint32_t colors = 1u << depth;
        const std::size_t stride = 8;  // 5 bytes padded to 4
        EXPECT_EQ(dib->size(), 40 + 4 * colors + stride * kHeight);
        EXPECT_EQ(DibGetWidth(*dib), 5);
        EXPECT_EQ(DibGetHeight(*dib), 3);
        EXPECT_EQ(U16At(*dib, 12), 1u);  // planes
        EXPECT_EQ(U16At(*dib, 14), 8u);
        EXPECT_EQ(U32At(*dib, 16), 0u);  // no compression
        EXPECT_EQ(U32At(*dib, 20), stride * kHeight);
        EXPECT_EQ(U32At(*dib, 32), colors);
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

TEST(PngTest, InterlacedImagesGiveTheSameBitmap) {
    for (unsigned depth : {1u, 4u, 8u}) {
        PngSpec spec = PalettePng(depth);
        const MemoryHandle plain = DibFromPng(EncodePng(spec), kBlack);
        spec.interlaced = true;
        const MemoryHandle interlaced = DibFromPng(EncodePng(spec), kBlack);
        ASSERT_TRUE(plain && interlaced) << depth;
        EXPECT_EQ(*interlaced, *plain) << depth;
    }
    PngSpec rgba{.width = 9, .height = 7, .colorType = 6};
    for (std::size_t i = 0; i < 9 * 7 * 4; ++i) {
        rgba.rows.push_back(static_cast<std::uint8_t>(i * 37));
    }
    const MemoryHandle plain = DibFromPng(EncodePng(rgba), kWhite);
    rgba.interlaced = true;
    const MemoryHandle interlaced = DibFromPng(EncodePng(rgba), kWhite);
    ASSERT_TRUE(plain && interlaced);
    EXPECT_EQ(*interlaced, *plain);
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
        // (10 x 100 + 255 x 155) / 255 = 158.9, and (10 x 100) / 255 = 3.9: rounded, not cut.
        {"faint rgba on white",
         {.colorType = 6, .rows = {10, 10, 10, 100}},
         kWhite,
         {159, 159, 159}},
        {"faint rgba on black", {.colorType = 6, .rows = {10, 10, 10, 100}}, kBlack, {4, 4, 4}},
        {"colour key on white",
         {.colorType = 2, .rows = {10, 20, 30}, .colourKey = {10, 20, 30}},
         kWhite,
         {255, 255, 255}},
        {"other colour than the key",
         {.colorType = 2, .rows = {10, 20, 31}, .colourKey = {10, 20, 30}},
         kWhite,
         {31, 20, 10}},
        {"grey key", {.colorType = 0, .rows = {77}, .colourKey = {77}}, 0x00FF0000, {255, 0, 0}},
    };
    for (const auto& c : cases) {
        const MemoryHandle dib = DibFromPng(EncodePng(c.spec), c.background);
        ASSERT_TRUE(dib) << c.name;
        ASSERT_EQ(dib->size(), 40u + 4) << c.name;  // one pixel, row padded to 4 bytes
        EXPECT_EQ(U16At(*dib, 12), 1u) << c.name;   // planes
        EXPECT_EQ(U16At(*dib, 14), 24u) << c.name;
        EXPECT_EQ(U32At(*dib, 32), 0u) << c.name;
        EXPECT_EQ(Bytes(dib->begin() + 40, dib->begin() + 43), c.expectedBgr) << c.name;
    }
}

TEST(PngTest, DamagedImagesGiveNothing) {
    const Bytes good = EncodePng(PalettePng(8));
    Bytes corrupt = good;
    corrupt[corrupt.size() - 20] ^= 0xFF;  // inside the image data: its CRC no longer fits
    Bytes corruptRgb = EncodePng({.width = 2, .height = 2, .colorType = 2, .rows = Bytes(12, 7)});
    corruptRgb[corruptRgb.size() - 20] ^= 0xFF;
    const struct {
        const char* name;
        Bytes png;
    } cases[] = {{"corrupt", corrupt},
                 {"truncated", Bytes(good.begin(), good.begin() + good.size() / 2)},
                 {"empty", {}},
                 {"not a png", Bytes(100, 0x42)},
                 {"corrupt truecolour", corruptRgb}};
    for (const auto& c : cases) {
        EXPECT_FALSE(DibFromPng(c.png, kBlack)) << c.name;
    }
}

// Valid images on either side of each limit, so that nothing but the limit refuses them.
TEST(PngTest, EachSizeLimitHoldsOnItsOwn) {
    const auto grey = [](std::uint32_t width, std::uint32_t height) {
        return EncodePng({.width = width,
                          .height = height,
                          .colorType = 0,
                          .rows = Bytes(std::size_t{width} * height, 0x33)});
    };
    EXPECT_TRUE(DibFromPng(grey(4096, 1), kBlack));
    EXPECT_FALSE(DibFromPng(grey(4097, 1), kBlack));
    EXPECT_TRUE(DibFromPng(grey(1, 4096), kBlack));
    EXPECT_FALSE(DibFromPng(grey(1, 4097), kBlack));
    // A small PNG that claims the largest size: its data cannot hold the pixels it claims.
    Bytes bomb = EncodePng(PalettePng(8));
    PatchIhdr(bomb, 0, 4096);
    PatchIhdr(bomb, 4, 4096);
    EXPECT_FALSE(DibFromPng(bomb, kBlack));
}

class PngDrawingTest : public DrawingTest {
protected:
    PngDrawingTest() { m_thumbnail.SetBackground(kWhite); }
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

TEST_F(PngDrawingTest, BitmapEntryWinsOverPngUnlessItIsDamaged) {
    const Bytes cut(m_bitmap.begin(), m_bitmap.end() - 1);
    EXPECT_EQ(Load(DwgBuilder().Entry(2, m_bitmap).Entry(6, m_png)).m_width, 9);
    EXPECT_EQ(Load(DwgBuilder().Entry(6, m_png).Entry(2, m_bitmap)).m_width, 9);
    EXPECT_EQ(Load(DwgBuilder().Entry(2, cut).Entry(6, m_png)).m_width, 5);
    EXPECT_EQ(m_thumbnail.m_previewEntry, 1u);
    EXPECT_EQ(Load(DwgBuilder().Entry(6, m_png).RawEntry(2, -7, 100)).m_width, 5);
    EXPECT_EQ(m_thumbnail.m_outcome, LoadOutcome::kPreview);
}

TEST_F(PngDrawingTest, OnlyTheFirstPngIsTried) {
    const Bytes broken(m_png.begin(), m_png.begin() + 40);
    EXPECT_FALSE(Load(DwgBuilder().Entry(6, broken).Entry(6, m_png)).m_dib);
    EXPECT_EQ(m_thumbnail.m_outcome, LoadOutcome::kDamagedPreview);
    EXPECT_EQ(Load(DwgBuilder().Entry(6, m_png).Entry(6, broken)).m_width, 5);
}

TEST_F(PngDrawingTest, PngPastTheEndOrBeforeTheStartGivesNothing) {
    EXPECT_FALSE(Load(DwgBuilder().Entry(6, m_png).TruncateTo(200)).m_dib);
    EXPECT_EQ(m_thumbnail.m_outcome, LoadOutcome::kDamagedPreview);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Load(DwgBuilder().RawEntry(6, -1, 100)).m_dib);
    EXPECT_EQ(m_thumbnail.m_outcome, LoadOutcome::kDamagedPreview);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
