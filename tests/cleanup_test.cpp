// The cleanup of hidden files that killed runs left behind removes only what it can show is
// a run's own, and nothing else, whatever its name.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string_view>

#include "tests/run_tool.h"
#include "tests/tool_test.h"

namespace {

Bytes Drawing() {
    return DwgBuilder().Entry(2, DarkPaletteDib({.width = 5, .height = 3})).Build();
}

Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

const Bytes kBmp = Text("BM\x36\x01\0\0 what a run left");
const Bytes kPng = Text("\x89PNG\r\n\x1a\n what a run left");

class CleanupTest : public ToolTest {
protected:
    std::set<std::string> Hidden() const {
        const std::vector<std::string> left = HiddenFiles(m_dir.Path());
        return {left.begin(), left.end()};
    }
};

TEST_F(CleanupTest, OnlyAbandonedPicturesOfTheUsersOwnAreRemoved) {
    Put("a.dwg", Drawing());
    Put("elsewhere/target", kBmp);
    const struct {
        std::string name;
        Bytes bytes;
        bool removed;
    } files[] = {
        {".pictavex-0123456789abcdef", kBmp, true},
        {".pictavex-00000000000000a1", kPng, true},
        {".pictavex-00000000000000a2", Text("my notes"), false},
        {".pictavex-00000000000000a3", {}, false},
        {".pictavex-00000000000000a4", Text("B"), false},
        {".pictavex-00000000000000a5", Text("\x89PNG\r\n\x1a"), false},
        {".pictavex-fedcba9876543210", kBmp, false},  // held by a run at work
        {".pictavex-00000000000000a6", kBmp, false},  // another user's
        {".pictavex-0123456789abcde", kBmp, false},
        {".pictavex-0123456789abcdef0", kBmp, false},
        {".pictavex-0123456789ABCDEF", kBmp, false},
        {".pictavex-0123456789abcdeg", kBmp, false},
        {".pictavex_0123456789abcdef", kBmp, false},
        {".Pictavex-0123456789abcdef", kBmp, false},
        {".pictavex-notours", kBmp, false},
    };
    for (const auto& file : files) {
        Put(file.name, file.bytes);
    }
    ASSERT_EQ(::chown((m_dir / ".pictavex-00000000000000a6").c_str(), kNobody, kNobody), 0);
    const UniqueFd lock(::open((m_dir / ".pictavex-fedcba9876543210").c_str(), O_RDONLY));
    ASSERT_EQ(::flock(lock.Get(), LOCK_EX), 0);
    // Names that lead elsewhere, and what is no regular file, are never opened to be removed.
    ASSERT_EQ(::symlink((m_dir / "elsewhere/target").c_str(),
                        (m_dir / ".pictavex-00000000cafef00d").c_str()),
              0);
    ASSERT_EQ(::mkfifo((m_dir / ".pictavex-00000000000000f1").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir((m_dir / ".pictavex-00000000000000d1").c_str(), 0700), 0);
    Put(".pictavex-00000000000000d1/.pictavex-0123456789abcdef", kBmp);

    const ToolRun run = Run({"-q", "a.dwg"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::set<std::string> expected = {".pictavex-00000000cafef00d", ".pictavex-00000000000000f1",
                                      ".pictavex-00000000000000d1"};
    for (const auto& file : files) {
        if (!file.removed) {
            expected.insert(file.name);
            EXPECT_EQ(ReadFile(m_dir / file.name), file.bytes) << file.name;
        }
    }
    EXPECT_EQ(Hidden(), expected);
    EXPECT_EQ(ReadFile(m_dir / "elsewhere/target"), kBmp);
    EXPECT_TRUE(Exists(".pictavex-00000000000000d1/.pictavex-0123456789abcdef"));
}

// A drawing with a hidden file's name is the run's input, not its leftover: read and kept,
// even when it holds a picture and so fails as no drawing.
TEST_F(CleanupTest, DrawingsOfTheRunAreNeverRemoved) {
    const std::string drawing = ".pictavex-00000000000000aa";
    const std::string picture = ".pictavex-00000000000000bb";
    Put(drawing, Drawing());
    Put(picture, kBmp);
    Put("a.dwg", Drawing());
    const ToolRun run = Run({"-q", "-j", "1", picture, drawing, "a.dwg"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, Error(picture, "not a DWG or DXF drawing"));
    EXPECT_EQ(ReadFile(m_dir / drawing), Drawing());
    EXPECT_EQ(ReadFile(m_dir / picture), kBmp);
    EXPECT_TRUE(Exists(drawing + ".bmp"));
    EXPECT_TRUE(Exists("a.bmp"));
}

// Run as an ordinary user in a folder that everybody may write to, as a shared output
// folder is: root's files are not the run's to remove.
TEST_F(CleanupTest, AnotherUsersFilesStayInASharedFolder) {
    if (!CanRunAsOrdinaryUser()) {
        GTEST_SKIP() << "cannot switch to an ordinary user here (needs root)";
    }
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 01777), 0);
    Put("a.dwg", Drawing());
    Put(".pictavex-0123456789abcdef", kBmp);
    Put(".pictavex-00000000000000a1", kBmp);
    ASSERT_EQ(::chmod((m_dir / ".pictavex-00000000000000a1").c_str(), 0666), 0);
    const ToolRun run = Run({"-q", "a.dwg"}, {.asOrdinaryUser = true});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Exists("a.bmp"));
    EXPECT_EQ(Hidden(),
              (std::set<std::string>{".pictavex-0123456789abcdef", ".pictavex-00000000000000a1"}));
}

}  // namespace
