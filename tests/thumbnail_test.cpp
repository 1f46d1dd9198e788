#include "thumbnail/dwg_thumbnail.h"

#include <gtest/gtest.h>

#include "tests/dwg_builder.h"
#include "tests/temp_dir.h"

namespace {

constexpr std::uint8_t kHeaderCode = 1;
constexpr std::uint8_t kDibCode = 2;
constexpr std::uint8_t kMetaFileCode = 3;

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// A metafile entry: 22 bytes of placeable header, then the bits.
Bytes MetaFile(const Bytes& bits) {
    Bytes entry(22 + bits.size(), 0xEE);
    std::copy(bits.begin(), bits.end(), entry.begin() + 22);
    return entry;
}

class ThumbnailTest : public testing::Test {
protected:
    // Loads a drawing into the object under test and returns its path.
    std::string Load(const DwgBuilder& builder) {
        const std::string path = m_dir / "drawing.dwg";
        WriteFile(path, builder.Build());
        m_thumbnail.Load(path);
        return path;
    }

    TempDir m_dir;
    CDwgThumbnail m_thumbnail{kBlack};
};

TEST_F(ThumbnailTest, ReadsHeaderTextAndBitmapThenStops) {
    const Bytes dib = MakeInfoDib({.width = 5, .height = 3});
    Load(DwgBuilder()
             .Version("AC1018")
             .Entry(kHeaderCode, Text("header"))
             .Entry(kDibCode, dib)
             .Entry(kMetaFileCode, MetaFile({1, 2, 3})));
    EXPECT_EQ(m_thumbnail.m_version, "AC1018");
    EXPECT_EQ(m_thumbnail.m_headerData, "header");
    ASSERT_TRUE(m_thumbnail.m_dib);
    EXPECT_EQ(*m_thumbnail.m_dib, dib);  // entry 0 is already black
    EXPECT_EQ(m_thumbnail.m_width, 5);
    EXPECT_EQ(m_thumbnail.m_height, 3);
    EXPECT_FALSE(m_thumbnail.m_metaFile);
}

TEST_F(ThumbnailTest, KeepsTheLastMetaFileListedBeforeTheBitmap) {
    Load(DwgBuilder()
             .Entry(kMetaFileCode, MetaFile({1, 2}))
             .Entry(7, Text("skipped"))
             .Entry(kMetaFileCode, MetaFile({3, 4, 5}))
             .Entry(kDibCode, MakeInfoDib({})));
    ASSERT_TRUE(m_thumbnail.m_metaFile);
    EXPECT_EQ(*m_thumbnail.m_metaFile, (Bytes{3, 4, 5}));
    EXPECT_TRUE(m_thumbnail.m_dib);
}

TEST_F(ThumbnailTest, SkipsMetaFilesTooShortForTheirHeaderOrFile) {
    Load(DwgBuilder()
             .Entry(kMetaFileCode, MetaFile({9}))
             .Entry(kMetaFileCode, Bytes(21, 0))
             .RawEntry(kMetaFileCode, DwgBuilder::kDefaultImageAddress, 0xFFFFFFF0u));
    ASSERT_TRUE(m_thumbnail.m_metaFile);
    EXPECT_EQ(*m_thumbnail.m_metaFile, Bytes{9});
}

TEST_F(ThumbnailTest, LoadStartsFromAnEmptyObject) {
    Load(DwgBuilder().Entry(kHeaderCode, Text("first")).Entry(kDibCode, MakeInfoDib({})));
    ASSERT_TRUE(m_thumbnail.m_dib);
    const std::string path = Load(DwgBuilder().Entry(kMetaFileCode, MetaFile({1})));
    EXPECT_FALSE(m_thumbnail.m_dib);
    EXPECT_EQ(m_thumbnail.m_headerData, "");
    EXPECT_EQ(m_thumbnail.m_width, 0);
    EXPECT_EQ(m_thumbnail.m_fileName, path);
    EXPECT_EQ(m_thumbnail.SaveBmp(m_dir / "none.bmp"), 0);
    EXPECT_NE(access((m_dir / "none.bmp").c_str(), F_OK), 0);
}

TEST_F(ThumbnailTest, BrokenDirectoriesYieldNoImages) {
    const Bytes dib = MakeInfoDib({});
    const Bytes wrongSentinel(16, 0x1F);
    const struct {
        const char* name;
        DwgBuilder builder;
    } cases[] = {
        {"wrong sentinel", DwgBuilder().Sentinel(wrongSentinel).Entry(kDibCode, dib)},
        {"negative count", DwgBuilder().EntryCount(-128).Entry(kDibCode, dib)},
        {"address past the end", DwgBuilder().ImageAddress(1 << 20).Entry(kDibCode, dib)},
        {"bitmap past the end", DwgBuilder().Entry(kDibCode, dib).TruncateTo(0x40 + 30 + 100)},
        {"empty bitmap", DwgBuilder().Entry(kDibCode, {})},
        {"huge bitmap", DwgBuilder().RawEntry(kDibCode, 0, 0xFFFFFFFFu)},
        {"file ends in the directory", DwgBuilder().Entry(kDibCode, dib).TruncateTo(0x40 + 25)},
        {"count larger than the directory",
         DwgBuilder().EntryCount(3).Entry(kDibCode, dib).TruncateTo(0x40 + 30)},
        {"address field cut", DwgBuilder().TruncateTo(15)},
        {"file ends in the block size", DwgBuilder().Entry(kDibCode, dib).TruncateTo(0x40 + 18)},
    };
    for (const auto& c : cases) {
        Load(c.builder);
        EXPECT_FALSE(m_thumbnail.m_dib) << c.name;
        EXPECT_EQ(m_thumbnail.m_width, 0) << c.name;
        EXPECT_EQ(m_thumbnail.m_version, "AC1015") << c.name;
    }
}

TEST_F(ThumbnailTest, VersionTextIsCutAtZeroOrSevenBytes) {
    const struct {
        std::string stored;
        std::size_t fileSize;
        std::string expected;
    } cases[] = {{"AC1015", 100, "AC1015"},
                 {"ABCDEFGHIJ", 100, "ABCDEFG"},
                 {"AC1015", 3, "AC1"},
                 {"", 0, ""}};
    for (const auto& c : cases) {
        Load(DwgBuilder().Version(c.stored).TruncateTo(c.fileSize));
        EXPECT_EQ(m_thumbnail.m_version, c.expected);
    }
}

TEST_F(ThumbnailTest, HeaderTextStopsAtZeroAndKeepsAtMost255Bytes) {
    Load(DwgBuilder().Entry(kHeaderCode, Text(std::string("ab\0cd", 5))));
    EXPECT_EQ(m_thumbnail.m_headerData, "ab");
    Load(DwgBuilder()
             .Entry(kHeaderCode, Text(std::string(300, 'x')))
             .Entry(kDibCode, MakeInfoDib({})));
    EXPECT_EQ(m_thumbnail.m_headerData, std::string(255, 'x'));
    EXPECT_TRUE(m_thumbnail.m_dib);  // the reader went back to the directory
}

TEST_F(ThumbnailTest, NegativeStartIsAFileErrorThatKeepsWhatWasRead) {
    testing::internal::CaptureStderr();
    const std::string path = Load(DwgBuilder()
                                      .Entry(kHeaderCode, Text("kept"))
                                      .RawEntry(kHeaderCode, -5, 4)
                                      .Entry(kDibCode, MakeInfoDib({})));
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(report, "pictavex: " + path + ": Invalid argument\n");
    EXPECT_EQ(m_thumbnail.m_headerData, "kept");
    EXPECT_FALSE(m_thumbnail.m_dib);
}

TEST_F(ThumbnailTest, MissingFileAndDirectoryFailSilently) {
    for (const std::string& path : {m_dir / "missing.dwg", m_dir.Path()}) {
        testing::internal::CaptureStderr();
        m_thumbnail.Load(path);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(m_thumbnail.m_fileName, path);
        EXPECT_EQ(m_thumbnail.m_version, "");
    }
}

Bytes PaletteDib(std::uint32_t colorsUsed = 0) {
    Bytes dib = MakeInfoDib({.colorsUsed = colorsUsed});
    SetQuad(dib, 0, 0x30, 0x28, 0x21);  // dark, but not black
    return dib;
}

Bytes Entry(const MemoryBlock& dib, int index) {
    const auto at = dib.begin() + 40 + 4 * index;
    return Bytes(at, at + 4);
}

TEST_F(ThumbnailTest, LoadRecoloursBackgroundAndContrastEntries) {
    const Bytes white = {0xFF, 0xFF, 0xFF, 0};
    const Bytes black = {0, 0, 0, 0};
    for (const COLORREF background : {kBlack, kWhite}) {
        m_thumbnail.SetBackground(background);
        const Bytes original = PaletteDib();
        Load(DwgBuilder().Entry(kDibCode, original));
        ASSERT_TRUE(m_thumbnail.m_dib);
        const MemoryBlock& dib = *m_thumbnail.m_dib;
        const Bytes& back = background == kWhite ? white : black;
        const Bytes& contrast = background == kWhite ? black : white;
        EXPECT_EQ(Entry(dib, 0), back);
        EXPECT_EQ(Entry(dib, 226), back);
        EXPECT_EQ(Entry(dib, 225), contrast);
        EXPECT_EQ(Entry(dib, 245), contrast);
        Bytes expected = original;
        for (int i : {0, 225, 226, 245}) {
            std::copy_n(dib.begin() + 40 + 4 * i, 4, expected.begin() + 40 + 4 * i);
        }
        EXPECT_EQ(dib, expected);  // nothing else changed
    }
}

TEST_F(ThumbnailTest, EntryZeroEqualToBackgroundLeavesTheTableAlone) {
    Bytes dib = MakeInfoDib({});  // entry 0 black, 225 and 245 grey
    Load(DwgBuilder().Entry(kDibCode, dib));
    ASSERT_TRUE(m_thumbnail.m_dib);
    EXPECT_EQ(*m_thumbnail.m_dib, dib);
}

TEST_F(ThumbnailTest, SetBackgroundPicksContrastByWholeValue) {
    const struct {
        COLORREF background;
        COLORREF contrast;
    } cases[] = {{0x00800000, kWhite},
                 {0x00808080, kBlack},
                 {0x00FF0000, kBlack},
                 {0x000000FF, kWhite},
                 {0x0080807F, kWhite}};
    for (const auto& c : cases) {
        Load(DwgBuilder().Entry(kDibCode, PaletteDib()));
        m_thumbnail.SetBackground(c.background);
        EXPECT_EQ(DibGetPaletteColor(m_thumbnail.m_dib.get(), 0), c.background);
        EXPECT_EQ(DibGetPaletteColor(m_thumbnail.m_dib.get(), 225), c.contrast);
        EXPECT_EQ(DibGetPaletteColor(m_thumbnail.m_dib.get(), 245), c.contrast);
    }
}

TEST_F(ThumbnailTest, SixteenColourTableChangesOnlyEntryZero) {
    Bytes dib = PaletteDib(16);
    Load(DwgBuilder().Entry(kDibCode, dib));
    SetQuad(dib, 0, 0, 0, 0);
    EXPECT_EQ(*m_thumbnail.m_dib, dib);
}

TEST_F(ThumbnailTest, TrueColourBitmapIsNeverChanged) {
    const Bytes dib = MakeInfoDib({.bitsPerPixel = 24, .tableEntries = 0});
    m_thumbnail.SetBackground(kWhite);
    Load(DwgBuilder().Entry(kDibCode, dib));
    EXPECT_EQ(*m_thumbnail.m_dib, dib);
}

TEST_F(ThumbnailTest, ShortTableIsRecolouredOnlyWhereItHoldsEntries) {
    Bytes dib = PaletteDib();
    dib.resize(40 + 4 * 200);  // claims 256 entries, holds 200
    Load(DwgBuilder().Entry(kDibCode, dib));
    ASSERT_TRUE(m_thumbnail.m_dib);
    EXPECT_EQ(m_thumbnail.m_dib->size(), dib.size());
    EXPECT_EQ(DibGetPaletteColor(m_thumbnail.m_dib.get(), 0), kBlack);
}

TEST_F(ThumbnailTest, FreshObjectHoldsNothing) {
    CDwgThumbnail fresh(kWhite);
    EXPECT_EQ(fresh.GetDimensions().cx, 0);
    EXPECT_EQ(fresh.GetDimensions().cy, 0);
    EXPECT_EQ(fresh.SaveBmp(m_dir / "x.bmp"), 0);
    fresh.SetBackground(kBlack);
    EXPECT_EQ(fresh.m_background, kBlack);
}

TEST_F(ThumbnailTest, SaveBmpReplacesAnExistingFile) {
    const Bytes dib = MakeInfoDib({});
    Load(DwgBuilder().Entry(kDibCode, dib));
    const std::string out = m_dir / "out.bmp";
    WriteFile(out, Bytes(100000, 1));
    EXPECT_EQ(m_thumbnail.SaveBmp(out), 1);
    const Bytes written = ReadFile(out);
    ASSERT_EQ(written.size(), dib.size() + 14);
    EXPECT_TRUE(std::equal(dib.begin(), dib.end(), written.begin() + 14));
}

TEST(CheckSentinelTest, ComparesAllSixteenBytes) {
    Bytes bytes(kImageDataSentinel.begin(), kImageDataSentinel.end());
    EXPECT_EQ(CDwgThumbnail::CheckSentinel(bytes.data()), 1);
    bytes[15] ^= 1;
    EXPECT_EQ(CDwgThumbnail::CheckSentinel(bytes.data()), 0);
    EXPECT_EQ(CDwgThumbnail::CheckSentinel(nullptr), 0);
}

}  // namespace
