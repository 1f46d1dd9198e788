// The Windows build under Wine never destroys a file it was not asked to write: not the
// drawing it reads, not what a link among its hidden files leads to, not a file that only
// looks like a leftover. Its reasons are the true ones for names Windows cannot hold.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>
#include <string_view>

#include "tests/windows_tool.h"

namespace {

Bytes Drawing(std::int32_t width = 6) {
    return DwgBuilder().Entry(2, DarkPaletteDib({.width = width, .height = 3})).Build();
}

Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

class WindowsSafetyTest : public WindowsToolTest {};

// A path with Windows separators.
std::string Windows(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

TEST_F(WindowsSafetyTest, ADrawingNamedLikeItsOutputIsNeverReplaced) {
    Put("X.BMP", Drawing());
    Put("c.dwg", Drawing(4));
    Put("c.bmp", Drawing(5));
    const ToolRun run = RunWindows({"-q", "x.bmp", "c.dwg"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, Error("X.bmp", "a drawing, never replaced by a picture") +
                           Error("c.bmp", "a drawing, never replaced by a picture"));
    EXPECT_EQ(ReadFile(m_dir / "X.BMP"), Drawing());
    EXPECT_EQ(ReadFile(m_dir / "c.bmp"), Drawing(5));
}

TEST_F(WindowsSafetyTest, OnlyAbandonedPicturesOfTheRunAreRemoved) {
    const Bytes bmp = Text("BM\x36\x01\0\0 what a run left");
    Put("a.dwg", Drawing());
    Put("elsewhere/target", bmp);
    Put("out/.pictavex-00000000000000a1", bmp);
    Put("out/.pictavex-0123456789abcdef", Text("my notes"));
    Put("out/.pictavex-0123456789abcde", bmp);
    ASSERT_EQ(::symlink((m_dir / "elsewhere/target").c_str(),
                        (m_dir / "out/.pictavex-00000000cafef00d").c_str()),
              0);
    const ToolRun run = RunWindows({"-q", "-o", "out", "a.dwg"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(m_dir / "elsewhere/target"), bmp);
    const std::vector<std::string> left = HiddenFiles(m_dir / "out");
    EXPECT_EQ(std::set<std::string>(left.begin(), left.end()),
              (std::set<std::string>{".pictavex-00000000cafef00d", ".pictavex-0123456789abcdef",
                                     ".pictavex-0123456789abcde"}));
    EXPECT_EQ(ReadFile(m_dir / "out/.pictavex-0123456789abcdef"), Text("my notes"));
}

// Another run's hidden file, which that run holds locked while it writes, is never taken for
// a leftover: it is there, whole, after this run wrote into the same folder.
TEST_F(WindowsSafetyTest, AHiddenFileAnotherRunHoldsIsLeftAlone) {
    Put("a.dwg", Drawing());
    std::filesystem::create_directories(m_dir / "out");
    const std::string hidden = "out/.pictavex-00000000000000b2";
    ToolProcess holder("/usr/bin/wine", m_dir.Path(), {PICTAVEX_WINDOWS_HOLDER, Windows(hidden)},
                       {.killAfter = std::chrono::seconds(60)});
    for (int step = 0; step < 400 && !Exists(hidden + ".ready"); ++step) {
        ::usleep(50000);
    }
    ASSERT_TRUE(Exists(hidden + ".ready")) << "the holder did not start";
    const ToolRun run = RunWindows({"-q", "-o", "out", "a.dwg"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Exists(hidden)) << "another run's hidden file was removed";
    Put(hidden + ".release", {});
    EXPECT_EQ(holder.Wait().status, 0);
    EXPECT_TRUE(Exists("out/a.bmp"));
}

// A folder of a walk, swapped from the Windows side for another once the run works in it: the
// run holds it, Windows refuses to move it, and the other folder stays where and as it was.
TEST_F(WindowsSafetyTest, AWalkedFolderCannotBeSwappedWhileTheRunWorksInIt) {
    for (int i = 0; i < 150; ++i) {
        Put("plans/p1/d" + std::to_string(100 + i) + ".dwg", Drawing(3 + i % 5));
    }
    Put("victim/d140.dwg", Drawing(9));
    Put("victim/d140.bmp", Text("precious"));
    const std::map<std::string, Bytes> victim = FilesUnder(m_dir / "victim");
    ToolProcess swapper(
        "/usr/bin/wine", m_dir.Path(),
        {PICTAVEX_WINDOWS_SWAPPER, "plans\\p1", "victim", "plans\\p1\\d100.bmp", "stop"},
        {.killAfter = std::chrono::seconds(60)});
    const ToolRun run = RunWindows({"-q", "-j", "1", "-r", "plans"});
    Put("stop", {});
    const ToolRun swaps = swapper.Wait();
    EXPECT_EQ(run.status, 0) << run.err;
    // Refused while the run held it; once the run is over, the swap may go through.
    EXPECT_TRUE(swaps.out.starts_with("refused ") && !swaps.out.starts_with("refused 0,"))
        << swaps.out;
    const bool swapped = !Exists("victim");
    EXPECT_EQ(FilesUnder(m_dir / (swapped ? "plans/p1" : "victim")), victim);
    EXPECT_EQ(ReadFile(m_dir / (swapped ? "plans/p1.moved/d249.bmp" : "plans/p1/d249.bmp"))[0],
              'B');
}

// A mirror folder that is a link (a junction or symbolic link on Windows) is never written
// through: its drawings fail with the reason, and where it leads stays as it was.
TEST_F(WindowsSafetyTest, AMirroredFolderThatIsALinkIsNotWrittenThrough) {
    Put("plans/p1/a.dwg", Drawing(3));
    Put("plans/p2/b.dwg", Drawing(4));
    std::filesystem::create_directories(m_dir / "elsewhere");
    std::filesystem::create_directories(m_dir / "thumbs");
    ASSERT_EQ(::symlink("../elsewhere", (m_dir / "thumbs/p2").c_str()), 0);
    const ToolRun run = RunWindows({"-q", "-r", "-o", "thumbs", "plans"});
    EXPECT_EQ(run.err, Error("thumbs\\p2", "a link, never written through"));
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(FilesUnder(m_dir / "elsewhere").empty());
    EXPECT_TRUE(Exists("thumbs/p1/a.bmp"));
}

// A folder given with the \\?\ prefix is taken as it is, not by the rules of names.
TEST_F(WindowsSafetyTest, AnOutputFolderWithTheLongPrefixIsTakenAsItIs) {
    Put("a.dwg", Drawing());
    const std::string out = "\\\\?\\Z:" + Windows(m_dir / "deep/out");
    const ToolRun run = RunWindows({"-q", "-o", out, "a.dwg"});
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(ReadFile(m_dir / "deep/out/a.bmp"), [&] {
        EXPECT_EQ(Run({"-q", "-o", "linux", "a.dwg"}).status, 0);
        return ReadFile(m_dir / "linux/a.bmp");
    }());
}

// x\A.dwg and y\a.dwg name one output under one -o: the first drawing's is kept.
TEST_F(WindowsSafetyTest, OutputsThatDifferOnlyInCaseAreOne) {
    Put("x/A.dwg", Drawing(3));
    Put("y/a.dwg", Drawing(7));
    const ToolRun run = RunWindows({"-q", "-o", "out", "x\\A.dwg", "y\\a.dwg"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, Error("out\\a.bmp", "already written for x\\A.dwg"));
    EXPECT_EQ(FilesUnder(m_dir / "out").size(), 1u);
    EXPECT_EQ(U32At(ReadFile(m_dir / "out/A.bmp"), 18), 3u);
}

TEST_F(WindowsSafetyTest, NamesWindowsCannotHoldGiveTheTrueReason) {
    Put("a.dwg", Drawing());
    const ToolRun devices = RunWindows({"-q", "nul.dwg", "COM1.dwg", "lpt3.old.dwg", "a.dwg"});
    EXPECT_EQ(devices.err, Error("nul.dwg", "a device name that Windows reserves") +
                               Error("COM1.dwg", "a device name that Windows reserves") +
                               Error("lpt3.old.dwg", "a device name that Windows reserves"));
    EXPECT_TRUE(Exists("a.bmp"));
    const struct {
        std::string directory, reason;
    } outputs[] = {{"outs ", "not a valid file name on Windows"},
                   {"outs.", "not a valid file name on Windows"},
                   {"o|s", "not a valid file name on Windows"},
                   {"sub\\con\\x", "a device name that Windows reserves"},
                   // Windows' own text for the error, as FormatMessage gives it (Wine's wording).
                   {"q:y", "Path not found"}};
    for (const auto& output : outputs) {
        const ToolRun run = RunWindows({"-q", "-o", output.directory, "a.dwg"});
        EXPECT_EQ(run.status, 2) << output.directory;
        EXPECT_EQ(run.err, Error(output.directory, output.reason));
    }
    EXPECT_FALSE(Exists("outs"));
    EXPECT_FALSE(Exists("sub"));
}

}  // namespace
