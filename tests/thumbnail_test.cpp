#include "thumbnail/dwg_thumbnail.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/error_text.h"
#include "tests/test_helpers.h"

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

using ThumbnailTest = DrawingTest;

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
    EXPECT_EQ(m_thumbnail.m_outcome, LoadOutcome::kPreview);
}

TEST_F(ThumbnailTest, ReadsOnlyAsManyEntriesAsTheCountSays) {
    Load(DwgBuilder()
             .EntryCount(1)
             .Entry(kHeaderCode, Text("one"))
             .Entry(kDibCode, MakeInfoDib({})));
    EXPECT_EQ(m_thumbnail.m_headerData, "one");
    EXPECT_FALSE(m_thumbnail.m_dib);
    EXPECT_EQ(m_thumbnail.m_outcome, LoadOutcome::kNoPreview);
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
    Load(DwgBuilder()
             .Entry(kHeaderCode, Text("first"))
             .Entry(kMetaFileCode, MetaFile({1}))
             .Entry(kDibCode, MakeInfoDib({})));
    ASSERT_TRUE(m_thumbnail.m_dib);
    ASSERT_TRUE(m_thumbnail.m_metaFile);
    Load(DwgBuilder().Entry(7, {}));
    EXPECT_FALSE(m_thumbnail.m_metaFile);
    EXPECT_FALSE(m_thumbnail.m_dib);
    Load(DwgBuilder().Entry(kDibCode, MakeInfoDib({})));
    const std::string path = Drawing();
    Load(DwgBuilder().Entry(kMetaFileCode, MetaFile({1})));
    EXPECT_FALSE(m_thumbnail.m_dib);
    EXPECT_EQ(m_thumbnail.m_outcome, LoadOutcome::kNoPreview);
    EXPECT_EQ(m_thumbnail.m_headerData, "");
    EXPECT_EQ(m_thumbnail.m_width, 0);
    EXPECT_EQ(m_thumbnail.m_fileName, path);
    EXPECT_EQ(m_thumbnail.SaveBmp(m_dir / "none.bmp"), 0);
    EXPECT_NE(access((m_dir / "none.bmp").c_str(), F_OK), 0);
}

TEST_F(ThumbnailTest, BrokenDirectoriesYieldNoImages) {
    const Bytes dib = MakeInfoDib({});
    const Bytes wrongSentinel(16, 0x1F);
    constexpr auto kNone = LoadOutcome::kNoPreview;
    constexpr auto kDamaged = LoadOutcome::kDamagedPreview;
    const struct {
        const char* name;
        DwgBuilder builder;
        LoadOutcome outcome;
    } cases[] = {
        {"wrong sentinel", DwgBuilder().Sentinel(wrongSentinel).Entry(kDibCode, dib), kNone},
        {"negative count", DwgBuilder().EntryCount(-128).Entry(kDibCode, dib), kNone},
        {"address past the end", DwgBuilder().ImageAddress(1 << 20).Entry(kDibCode, dib), kNone},
        {"bitmap past the end", DwgBuilder().Entry(kDibCode, dib).TruncateTo(0x40 + 30 + 100),
         kDamaged},
        {"empty bitmap", DwgBuilder().Entry(kDibCode, {}), kDamaged},
        {"huge bitmap", DwgBuilder().RawEntry(kDibCode, 0, 0xFFFFFFFFu), kDamaged},
        {"file ends in the directory", DwgBuilder().Entry(kDibCode, dib).TruncateTo(0x40 + 25),
         kNone},
        {"count larger than the directory",
         DwgBuilder().EntryCount(3).Entry(kDibCode, dib).TruncateTo(0x40 + 30), kDamaged},
        {"address field cut", DwgBuilder().TruncateTo(15), kNone},
        {"file ends in the block size", DwgBuilder().Entry(kDibCode, dib).TruncateTo(0x40 + 18),
         kNone},
        {"bitmap cut in its pixels",
         DwgBuilder().Entry(kDibCode, Bytes(dib.begin(), dib.end() - 1)), kDamaged},
    };
    for (const auto& c : cases) {
        Load(c.builder);
        EXPECT_FALSE(m_thumbnail.m_dib) << c.name;
        EXPECT_EQ(m_thumbnail.m_width, 0) << c.name;
        EXPECT_EQ(m_thumbnail.m_version, "AC1015") << c.name;
        EXPECT_EQ(m_thumbnail.m_outcome, c.outcome) << c.name;
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

// An entry that starts before the file is damaged: it is passed over, and only when it is the
// preview itself is the preview damaged. Nothing is reported: the drawing was read.
TEST_F(ThumbnailTest, EntriesBeforeTheStartOfTheFileAreSkipped) {
    testing::internal::CaptureStderr();
    Load(DwgBuilder()
             .Entry(kHeaderCode, Text("kept"))
             .RawEntry(kHeaderCode, -25, 4)
             .RawEntry(kMetaFileCode, -25, 40)
             .Entry(kDibCode, MakeInfoDib({})));
    EXPECT_EQ(m_thumbnail.m_headerData, "kept");
    EXPECT_EQ(m_thumbnail.m_outcome, LoadOutcome::kPreview);
    EXPECT_EQ(m_thumbnail.m_width, 4);
    Load(DwgBuilder().RawEntry(kDibCode, -5, 100));
    EXPECT_EQ(m_thumbnail.m_outcome, LoadOutcome::kDamagedPreview);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// The reader prints nothing: what went wrong is the caller's to tell, in its own words.
TEST_F(ThumbnailTest, FilesThatCannotBeOpenedSayWhyWithoutAWord) {
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {{m_dir / "missing.dwg", SystemErrorText(ENOENT)},  // in the system's words
                 {m_dir.Path(), SystemErrorText(EISDIR)},
                 {"/dev/null", "not a regular file"}};
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        m_thumbnail.Load(c.path);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(m_thumbnail.m_error, c.path + ": " + c.reason);
        EXPECT_EQ(m_thumbnail.m_fileName, c.path);
        EXPECT_EQ(m_thumbnail.m_version, "");
        EXPECT_EQ(m_thumbnail.m_outcome, LoadOutcome::kFailed);
    }
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
        const Bytes original = DarkPaletteDib();
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
        Load(DwgBuilder().Entry(kDibCode, DarkPaletteDib()));
        m_thumbnail.SetBackground(c.background);
        EXPECT_EQ(DibGetPaletteColor(m_thumbnail.m_dib.get(), 0), c.background);
        EXPECT_EQ(DibGetPaletteColor(m_thumbnail.m_dib.get(), 225), c.contrast);
        EXPECT_EQ(DibGetPaletteColor(m_thumbnail.m_dib.get(), 245), c.contrast);
    }
}

TEST_F(ThumbnailTest, SixteenColourTableChangesOnlyEntryZero) {
    Bytes dib = DarkPaletteDib({.colorsUsed = 16});
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

TEST(CheckSentinelTest, ComparesAllSixteenBytes) {
    Bytes bytes = {0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28,
                   0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10, 0x2B};
    EXPECT_EQ(CDwgThumbnail::CheckSentinel(bytes.data()), 1);
    bytes[15] ^= 1;
    EXPECT_EQ(CDwgThumbnail::CheckSentinel(bytes.data()), 0);
    EXPECT_EQ(CDwgThumbnail::CheckSentinel(nullptr), 0);
}

}  // namespace
