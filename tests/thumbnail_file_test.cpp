// The reader and writer against files: what is read past the first read, and outputs that
// are already right.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "tests/test_helpers.h"
#include "thumbnail/dwg_thumbnail.h"

namespace {

constexpr std::uint8_t kDibCode = 2;

using ThumbnailFileTest = DrawingTest;

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// Each row meets what the row before left the object expecting (a re-run or new outputs):
// an output already right is never rewritten, any other is replaced by the exact bytes.
TEST_F(ThumbnailFileTest, SaveBmpLeavesRightOutputsAndReplacesOthers) {
    const Bytes dib = MakeInfoDib({.width = 3, .height = 2, .bitsPerPixel = 24});
    Load(DwgBuilder().Entry(kDibCode, dib));
    const std::string out = m_dir / "out.bmp";
    const struct {
        const char* before;  // "none", "right", "longer" (right, then more) or "wrong"
        bool unchanged;
    } rows[] = {{"none", false},  {"right", true}, {"right", true},  {"longer", false},
                {"wrong", false}, {"none", false}, {"wrong", false}, {"longer", false}};
    for (const auto& row : rows) {
        const std::string before = row.before;
        std::filesystem::remove(out);
        if (before != "none") {
            EXPECT_EQ(m_thumbnail.SaveBmp(out), 1);  // the right bytes, from the tool itself
            Bytes changed = ReadFile(out);
            if (before != "right") {
                changed.resize(before == "wrong" ? 10 : changed.size() + 1);
                WriteFile(out, changed);
            }
        }
        const ino_t inode = before == "none" ? 0 : InodeOf(out);
        EXPECT_EQ(m_thumbnail.SaveBmp(out), 1);
        EXPECT_EQ(m_thumbnail.m_outputUnchanged, row.unchanged) << before;
        EXPECT_EQ(InodeOf(out) == inode, row.unchanged) << before;
        const Bytes written = ReadFile(out);
        ASSERT_EQ(written.size(), dib.size() + 14) << before;
        EXPECT_TRUE(std::equal(dib.begin(), dib.end(), written.begin() + 14)) << before;
    }
}

// The first read takes the start of the file; previews that reach past it, and files that
// end before their previews do, are read whole or found damaged.
TEST_F(ThumbnailFileTest, PreviewsBeyondTheFirstReadAreReadWholeOrFoundDamaged) {
    const Bytes dib = MakeInfoDib({.width = 200, .height = 150, .bitsPerPixel = 24});  // 90 KB
    const struct {
        std::size_t truncateTo;
        LoadOutcome outcome;
    } rows[] = {{SIZE_MAX, LoadOutcome::kPreview},
                {80000, LoadOutcome::kDamagedPreview},
                {40000, LoadOutcome::kDamagedPreview}};
    for (const auto& row : rows) {
        Load(DwgBuilder().Entry(kDibCode, dib).TruncateTo(row.truncateTo));
        EXPECT_EQ(m_thumbnail.m_outcome, row.outcome) << row.truncateTo;
        if (row.outcome == LoadOutcome::kPreview) {
            ASSERT_TRUE(m_thumbnail.m_dib);
            EXPECT_TRUE(std::ranges::equal(*m_thumbnail.m_dib, dib));
        }
    }
}

}  // namespace
