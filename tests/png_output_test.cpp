// PNG output (-f png), shrinking (-s N) and the desktop thumbnailer, end to end.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "tests/png_builder.h"
#include "tests/run_tool.h"
#include "tests/tool_test.h"

namespace {

class PngOutputTest : public testing::Test {
protected:
    // Writes a drawing with this bitmap, runs the tool on it and decodes what it wrote.
    DecodedPng Convert(const Bytes& dib, const std::vector<std::string>& options) {
        WriteFile(m_dir / "d.dwg", DwgBuilder().Entry(2, dib).Build());
        std::vector<std::string> arguments = {"-q"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back("d.dwg");
        EXPECT_EQ(RunProgram(PICTAVEX_BINARY, m_dir.Path(), arguments).status, 0);
        return DecodePng(ReadFile(m_dir / "d.png"));
    }
    TempDir m_dir;
};

// A black picture of `width` x 8 with one-pixel white vertical lines at the given columns.
Bytes Lines(std::int32_t width, std::initializer_list<std::int32_t> columns) {
    Bytes dib = MakeInfoDib({.width = width, .height = 8, .bitsPerPixel = 24, .tableEntries = 0});
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    std::fill(dib.begin() + 40, dib.end(), 0);
    for (std::size_t y = 0; y < 8; ++y) {
        for (std::int32_t x : columns) {
            std::fill_n(dib.begin() + 40 + static_cast<long>(stride * y + 3 * x), 3, 0xFF);
        }
    }
    return dib;
}

TEST_F(PngOutputTest, PaletteBitmapBecomesAnIndexedPngWithTheRecolouredPalette) {
    Bytes dib = DarkPaletteDib({.width = 5, .height = 3});
    SetQuad(dib, 7, 1, 2, 3);  // blue, green, red
    for (const bool white : {false, true}) {
        const DecodedPng png = Convert(dib, white ? std::vector<std::string>{"-w", "-f", "png"}
                                                  : std::vector<std::string>{"-f", "PNG"});
        ASSERT_EQ(png.colorType, 3);
        ASSERT_EQ(png.palette.size(), 256u * 3);
        const std::uint8_t back = white ? 0xFF : 0;
        EXPECT_EQ(Bytes(png.palette.begin(), png.palette.begin() + 3), Bytes(3, back));
        EXPECT_EQ(Bytes(png.palette.begin() + 3 * 225, png.palette.begin() + 3 * 226),
                  Bytes(3, static_cast<std::uint8_t>(0xFF - back)));
        EXPECT_EQ(Bytes(png.palette.begin() + 3 * 7, png.palette.begin() + 3 * 8),
                  (Bytes{3, 2, 1}));  // red, green, blue
        // The bitmap's rows of 8 bytes (5 indexes, then padding) run bottom-up.
        EXPECT_EQ(png.pixels[2 * 5 + 1], 7);
        EXPECT_EQ(png.pixels[0], 16 * 7);
    }
}

// A re-run leaves a PNG that is right already as it is, as it does a BMP, and replaces one
// that is not.
TEST_F(PngOutputTest, ARerunLeavesARightPngAlone) {
    WriteFile(m_dir / "d.dwg",
              DwgBuilder().Entry(2, DarkPaletteDib({.width = 5, .height = 3})).Build());
    WriteFile(m_dir / "e.dwg",
              DwgBuilder().Entry(2, DarkPaletteDib({.width = 6, .height = 2})).Build());
    const std::vector<std::string> run = {"-f", "png", "-s", "4", "d.dwg", "e.dwg"};
    ASSERT_EQ(RunProgram(PICTAVEX_BINARY, m_dir.Path(), run).status, 0);
    struct stat first {};
    ASSERT_EQ(::stat((m_dir / "d.png").c_str(), &first), 0);
    const Bytes right = ReadFile(m_dir / "e.png");
    WriteFile(m_dir / "e.png", Bytes{'o', 'l', 'd'});
    const ToolRun again = RunProgram(PICTAVEX_BINARY, m_dir.Path(), run);
    EXPECT_TRUE(again.out.ends_with("\n2 drawings: 2 written, 1 of them already up to date\n"))
        << again.out;
    struct stat second {};
    ASSERT_EQ(::stat((m_dir / "d.png").c_str(), &second), 0);
    EXPECT_EQ(second.st_ino, first.st_ino) << "a right PNG was replaced";
    EXPECT_EQ(ReadFile(m_dir / "e.png"), right);
}

TEST_F(PngOutputTest, TrueColourBitmapBecomesRgb) {
    const DecodedPng png = Convert(Lines(4, {1}), {"-f", "png"});
    EXPECT_EQ(png.colorType, 2);
    EXPECT_EQ(png.width, 4u);
    EXPECT_EQ(Bytes(png.pixels.begin() + 4, png.pixels.begin() + 8), (Bytes{255, 255, 255, 255}));
    EXPECT_EQ(Bytes(png.pixels.begin(), png.pixels.begin() + 4), (Bytes{0, 0, 0, 255}));
}

TEST_F(PngOutputTest, AlphaBitFieldsBecomeRgba) {
    Bytes dib = MakeInfoDib({.width = 1, .height = 1, .bitsPerPixel = 32, .tableEntries = 0});
    dib.resize(40);
    PutLittleEndian(dib, 16, 6, 4);  // alpha bit fields
    for (const std::uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) {
        AppendLittleEndian(dib, mask, 4);
    }
    dib.insert(dib.end(), {0x10, 0x20, 0x30, 0x80});
    const DecodedPng png = Convert(dib, {"-f", "png"});
    EXPECT_EQ(png.colorType, 6);
    EXPECT_EQ(png.pixels, (Bytes{0x30, 0x20, 0x10, 0x80}));
}

// Every header size BMP readers know gives the same picture: a 3 x 2 bitmap of 32 bits, its
// masks in the header (52 bytes and more) or after it (40), each pixel its own colour.
TEST_F(PngOutputTest, EveryHeaderSizeBecomesThePictureItHolds) {
    for (const std::uint32_t headerSize : {40u, 52u, 56u, 108u, 124u}) {
        Bytes dib(headerSize, 0);
        PutLittleEndian(dib, 0, headerSize, 4);
        PutLittleEndian(dib, 4, 3, 4);
        PutLittleEndian(dib, 8, 2, 4);
        PutLittleEndian(dib, 12, 1, 2);
        PutLittleEndian(dib, 14, 32, 2);
        PutLittleEndian(dib, 16, 3, 4);  // bit fields
        dib.resize(std::max<std::size_t>(headerSize, 52));
        for (std::size_t i = 0; i < 3; ++i) {
            PutLittleEndian(dib, 40 + 4 * i, 0x00FF0000u >> (8 * i), 4);
        }
        for (std::uint8_t value = 1; value <= 18; value += 3) {  // bottom row first
            dib.insert(dib.end(), {value, std::uint8_t(value + 1), std::uint8_t(value + 2), 0});
        }
        const DecodedPng png = Convert(dib, {"-f", "png"});
        EXPECT_EQ(png.colorType, 2) << headerSize;
        EXPECT_EQ(png.width, 3u) << headerSize;
        EXPECT_EQ(png.height, 2u) << headerSize;
        EXPECT_EQ(png.pixels, (Bytes{12, 11, 10, 255, 15, 14, 13, 255, 18, 17, 16, 255,  //
                                     3,  2,  1,  255, 6,  5,  4,  255, 9,  8,  7,  255}))
            << headerSize;
        const ToolRun json = RunProgram(PICTAVEX_BINARY, m_dir.Path(), {"--json", "-n", "d.dwg"});
        EXPECT_NE(json.out.find(R"("width":3,"height":2,"bit_depth":32)"), std::string::npos)
            << headerSize << json.out;
    }
}

// A clear pixel of a PNG preview shows the background asked for, in the BMP's own bytes.
TEST_F(PngOutputTest, ClearPartsOfPngPreviewsShowTheBackground) {
    const Bytes png = EncodePng(
        {.width = 2, .height = 1, .colorType = 6, .rows = {255, 0, 0, 0, 0, 0, 255, 255}});
    WriteFile(m_dir / "d.dwg", DwgBuilder().Entry(6, png).Build());
    for (const bool white : {false, true}) {
        const std::vector<std::string> arguments =
            white ? std::vector<std::string>{"-q", "-w", "d.dwg"}
                  : std::vector<std::string>{"-q", "d.dwg"};
        ASSERT_EQ(RunProgram(PICTAVEX_BINARY, m_dir.Path(), arguments).status, 0);
        const Bytes bmp = ReadFile(m_dir / "d.bmp");
        const std::uint8_t back = white ? 0xFF : 0;
        EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.end()), (Bytes{back, back, back, 255, 0, 0, 0, 0}));
    }
}

// Shrinking rounds each side, copes with a single row, leaves a picture that fits as it is,
// and keeps the top at the top.
TEST_F(PngOutputTest, ShrinkingRoundsAndKeepsTheTopAtTheTop) {
    const DecodedPng rounded =
        Convert(DarkPaletteDib({.width = 10, .height = 7}), {"-f", "png", "-s", "5"});
    EXPECT_EQ(rounded.width, 5u);
    EXPECT_EQ(rounded.height, 4u);  // 3.5
    const DecodedPng row =
        Convert(DarkPaletteDib({.width = 20, .height = 1}), {"-f", "png", "-s", "10"});
    EXPECT_EQ(row.width, 10u);
    EXPECT_EQ(row.height, 1u);
    for (const auto& [width, height] : {std::pair{200, 1}, std::pair{1, 200}}) {
        const DecodedPng thin =  // a side that would round to none keeps one pixel
            Convert(DarkPaletteDib({.width = width, .height = height}), {"-f", "png", "-s", "64"});
        EXPECT_EQ(thin.width, width == 1 ? 1u : 64u);
        EXPECT_EQ(thin.height, height == 1 ? 1u : 64u);
    }
    const DecodedPng fits =
        Convert(DarkPaletteDib({.width = 8, .height = 4}), {"-f", "png", "-s", "8"});
    EXPECT_EQ(fits.colorType, 3);  // as stored: not resampled
    Bytes topLit = MakeInfoDib({.width = 4, .height = 4, .bitsPerPixel = 24, .tableEntries = 0});
    std::fill(topLit.begin() + 40, topLit.end(), 0);
    std::fill_n(topLit.begin() + 40 + 3 * 12, 12, 0xFF);  // rows run bottom-up: the last is the top
    const DecodedPng top = Convert(topLit, {"-f", "png", "-s", "2"});
    ASSERT_EQ(top.pixels.size(), 2u * 2 * 4);
    EXPECT_GT(top.pixels[0], 100);        // the top row, half lit
    EXPECT_EQ(top.pixels[2 * 4 * 1], 0);  // the bottom row, dark
}

TEST_F(PngOutputTest, ShrinkingAveragesAndKeepsTheAspectWithoutEnlarging) {
    // 2:1: each output column covers two input columns, one of them lit.
    const DecodedPng half = Convert(Lines(16, {1, 6, 9, 14}), {"-f", "png", "-s", "8"});
    ASSERT_EQ(half.width, 8u);
    ASSERT_EQ(half.height, 4u);
    for (std::uint32_t x = 0; x < 8; ++x) {
        const std::uint8_t level = half.pixels[4 * (8 * 2 + x)];
        const bool lit = x == 0 || x == 3 || x == 4 || x == 7;
        if (lit) {  // a mix of line and ground: point sampling gives 0 or 255 instead
            EXPECT_GT(level, 64) << x;
            EXPECT_LT(level, 192) << x;
        } else {
            EXPECT_EQ(level, 0) << x;
        }
    }
    const DecodedPng wide = Convert(Lines(40, {}), {"-f", "png", "-s", "20"});
    EXPECT_EQ(wide.width, 20u);
    EXPECT_EQ(wide.height, 4u);
    const DecodedPng small =
        Convert(DarkPaletteDib({.width = 5, .height = 3}), {"-f", "png", "-s", "64"});
    EXPECT_EQ(small.width, 5u);
    EXPECT_EQ(small.colorType, 3);  // not shrunk: as stored
    const DecodedPng shrunk =
        Convert(DarkPaletteDib({.width = 10, .height = 6}), {"-f", "png", "-s", "5"});
    EXPECT_EQ(shrunk.colorType, 2);  // a shrunk palette picture is RGB
    EXPECT_EQ(shrunk.height, 3u);
}

// A picture of 64 blocks of 64 rows, each block of its own colour, top first.
Bytes Blocks(std::int32_t width) {
    constexpr std::int32_t kBlock = 64;
    Bytes dib = MakeInfoDib({.width = width, .height = kBlock * kBlock});
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) / 4 * 4;
    for (int block = 0; block < kBlock; ++block) {
        // Entry 0 takes the background; rows run bottom-up.
        SetQuad(dib, block + 1, static_cast<std::uint8_t>(block * 37),
                static_cast<std::uint8_t>(255 - block * 3), static_cast<std::uint8_t>(block * 4));
        const std::size_t first =
            kInfoHeaderSize + 256 * 4 + stride * kBlock * (kBlock - 1 - block);
        std::fill_n(dib.begin() + static_cast<long>(first), stride * kBlock, block + 1);
    }
    return dib;
}

// A large picture is shrunk a band of rows at a time, each band sampled exactly where the
// whole picture would be: where each thumbnail row covers one block, it has the block's very
// colour.
TEST_F(PngOutputTest, ALargePictureShrinksBandByBandWithoutASeam) {
    const DecodedPng aligned = Convert(Blocks(2048), {"-f", "png", "-s", "64"});
    ASSERT_EQ(aligned.width, 32u);
    ASSERT_EQ(aligned.height, 64u);
    for (std::uint32_t y = 0; y < aligned.height; ++y) {
        const Bytes colour{static_cast<std::uint8_t>(y * 4), static_cast<std::uint8_t>(255 - y * 3),
                           static_cast<std::uint8_t>(y * 37)};
        for (std::uint32_t x = 0; x < aligned.width; ++x) {
            const std::uint8_t* pixel = &aligned.pixels[4 * (aligned.width * y + x)];
            ASSERT_EQ(Bytes(pixel, pixel + 3), colour) << x << ", " << y;
        }
    }
}

TEST_F(PngOutputTest, ShrunkBmpIsTwentyFourBits) {
    WriteFile(m_dir / "d.dwg",
              DwgBuilder().Entry(2, DarkPaletteDib({.width = 10, .height = 6})).Build());
    ASSERT_EQ(RunProgram(PICTAVEX_BINARY, m_dir.Path(), {"-q", "-s", "5", "d.dwg"}).status, 0);
    const Bytes bmp = ReadFile(m_dir / "d.bmp");
    EXPECT_EQ(U32At(bmp, 18), 5u);
    EXPECT_EQ(U32At(bmp, 22), 3u);
    EXPECT_EQ(U16At(bmp, 28), 24u);
}

TEST_F(PngOutputTest, BadFormatOrSizeIsAUsageError) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-f", "gif", "x.dwg"},
          {"-s", "-3", "x.dwg"},
          {"/S", "12px"},
          {"-f"}}) {
        const ToolRun run = RunProgram(PICTAVEX_BINARY, m_dir.Path(), arguments);
        EXPECT_EQ(run.status, 1) << arguments[0];
        EXPECT_TRUE(run.err.starts_with("pictavex: " + arguments[0] + ": ")) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

class ThumbnailerTest : public PngOutputTest {
protected:
    ToolRun Thumbnail(const Bytes& drawing, const std::string& size) {
        WriteFile(m_dir / "d.dwg", drawing);
        return RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"-s", size, "d.dwg", "t.png"});
    }
};

TEST_F(ThumbnailerTest, WritesAWhiteBackedPngThatFitsTheSize) {
    const ToolRun run =
        Thumbnail(DwgBuilder().Entry(2, DarkPaletteDib({.width = 40, .height = 20})).Build(), "10");
    ASSERT_EQ(run.status, 0) << run.err;
    const DecodedPng png = DecodePng(ReadFile(m_dir / "t.png"));
    EXPECT_EQ(png.width, 10u);
    EXPECT_EQ(png.height, 5u);
    const DecodedPng asStored = (Thumbnail(DwgBuilder().Entry(2, DarkPaletteDib()).Build(), "0"),
                                 DecodePng(ReadFile(m_dir / "t.png")));
    EXPECT_EQ(Bytes(asStored.palette.begin(), asStored.palette.begin() + 3), Bytes(3, 0xFF));
}

TEST_F(ThumbnailerTest, NoUsablePreviewFailsAndWritesNothing) {
    const Bytes damaged = DwgBuilder().Entry(2, Bytes(41, 40)).Build();
    for (const Bytes& drawing : {DwgBuilder().Build(), damaged}) {
        const ToolRun run = Thumbnail(drawing, "128");
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err, "");
        EXPECT_NE(::access((m_dir / "t.png").c_str(), F_OK), 0);
    }
    EXPECT_EQ(RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"d.dwg"}).status, 1);
    WriteFile(m_dir / "d.dwg", DwgBuilder().Entry(2, DarkPaletteDib()).Build());
    EXPECT_EQ(RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"d.dwg", "t.png", "more"}).status, 1);
    EXPECT_NE(::access((m_dir / "t.png").c_str(), F_OK), 0);
}

TEST_F(ThumbnailerTest, AnExistingOutputIsWrittenInPlace) {
    WriteFile(m_dir / "t.png", {});
    struct stat before {};
    ASSERT_EQ(::stat((m_dir / "t.png").c_str(), &before), 0);
    ASSERT_EQ(Thumbnail(DwgBuilder().Entry(2, DarkPaletteDib()).Build(), "128").status, 0);
    struct stat after {};
    ASSERT_EQ(::stat((m_dir / "t.png").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // tumbler reads it through the descriptor it holds
    EXPECT_EQ(DecodePng(ReadFile(m_dir / "t.png")).width, 4u);
}

}  // namespace
