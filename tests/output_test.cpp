// How BMP files are put in place: whole or not at all, keeping what a replaced file had.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/run_tool.h"
#include "tests/tool_test.h"

namespace {

Bytes Drawing(std::int32_t side = 8) {
    return DwgBuilder().Entry(2, MakeInfoDib({.width = side, .height = side})).Build();
}

struct stat StatOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

TEST(OutputTest, ReplacedBitmapKeepsItsModeAndOwner) {
    TempDir dir;
    WriteFile(dir / "a.dwg", Drawing());
    WriteFile(dir / "a.bmp", {'o', 'l', 'd'});
    ASSERT_EQ(::chmod((dir / "a.bmp").c_str(), 0600), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown((dir / "a.bmp").c_str(), kNobody, kNobody), 0);
    }
    ::umask(022);
    ASSERT_EQ(RunProgram(PICTAVEX_BINARY, dir.Path(), {"-q", "a.dwg"}).status, 0);
    const struct stat replaced = StatOf(dir / "a.bmp");
    EXPECT_EQ(ReadFile(dir / "a.bmp")[0], 'B');
    EXPECT_EQ(replaced.st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(replaced.st_uid, kNobody);
        EXPECT_EQ(replaced.st_gid, kNobody);
    }
    ASSERT_EQ(RunProgram(PICTAVEX_BINARY, dir.Path(), {"-q", "-o", "new", "a.dwg"}).status, 0);
    EXPECT_EQ(StatOf(dir / "new/a.bmp").st_mode & 07777, 0644u);
    EXPECT_EQ(StatOf(dir / "new/a.bmp").st_uid, ::geteuid());
}

// An ordinary user cannot give a file away, but can keep its group when a member of it, for
// another's file and for one of the user's own alike.
TEST(OutputTest, ReplacedBitmapKeepsAGroupTheUserBelongsTo) {
    if (!CanRunAsOrdinaryUser()) {
        GTEST_SKIP() << "cannot switch to an ordinary user here (needs root)";
    }
    constexpr unsigned kGroup = 4242;
    TempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
    for (const char* name : {"a", "b"}) {
        WriteFile(dir / name + ".dwg", Drawing());
        WriteFile(dir / name + ".bmp", {'o', 'l', 'd'});
        ASSERT_EQ(::chmod((dir / name + ".bmp").c_str(), 0664), 0);
    }
    ASSERT_EQ(::chown((dir / "a.bmp").c_str(), 0, kGroup), 0);
    ASSERT_EQ(::chown((dir / "b.bmp").c_str(), kNobody, kGroup), 0);
    const ToolRun run = RunProgram(PICTAVEX_BINARY, dir.Path(), {"-q", "a.dwg", "b.dwg"},
                                   {.asOrdinaryUser = true, .extraGroup = kGroup});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : {"a.bmp", "b.bmp"}) {
        const struct stat replaced = StatOf(dir / name);
        EXPECT_EQ(ReadFile(dir / name)[0], 'B') << name;
        EXPECT_EQ(replaced.st_uid, kNobody) << name;
        EXPECT_EQ(replaced.st_gid, kGroup) << name;
        EXPECT_EQ(replaced.st_mode & 07777, 0664u) << name;
    }
}

TEST(OutputTest, ABitmapAlreadyRightIsLeftAsItIs) {
    TempDir dir;
    WriteFile(dir / "a.dwg", Drawing(300));  // a bitmap larger than one comparison chunk
    ASSERT_EQ(RunProgram(PICTAVEX_BINARY, dir.Path(), {"-q", "a.dwg"}).status, 0);
    const Bytes right = ReadFile(dir / "a.bmp");
    Bytes changedLast = right;
    changedLast.back() ^= 1;
    Bytes longer = right;
    longer.push_back(0);
    const struct {
        const char* name;
        Bytes existing;
        bool keptAsItIs;
    } cases[] = {
        {"the same bytes", right, true},
        {"the last byte differs", changedLast, false},
        {"one byte more", longer, false},
        {"one byte less", Bytes(right.begin(), right.end() - 1), false},
    };
    for (const auto& c : cases) {
        WriteFile(dir / "a.bmp", c.existing);
        const timespec old[2] = {{1000, 0}, {1000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "a.bmp").c_str(), old, 0), 0);
        const ino_t inode = StatOf(dir / "a.bmp").st_ino;
        EXPECT_EQ(RunProgram(PICTAVEX_BINARY, dir.Path(), {"a.dwg"}).out,
                  Line("a.dwg", "a.bmp") + Summary(1, 0, 0, 0, 0, c.keptAsItIs ? 1 : 0))
            << c.name;
        EXPECT_EQ(ReadFile(dir / "a.bmp"), right) << c.name;
        const struct stat after = StatOf(dir / "a.bmp");
        EXPECT_EQ(after.st_ino == inode && after.st_mtime == 1000, c.keptAsItIs) << c.name;
    }
}

TEST(OutputTest, KilledRunsLeaveNoHiddenFiles) {
    TempDir dir;
    for (int i = 0; i < 40; ++i) {
        WriteFile(dir / ("d" + std::to_string(i) + ".dwg"), Drawing(2000));
    }
    for (int delay : {5, 20, 40, 80}) {
        std::filesystem::remove_all(dir / "out");
        const pid_t child = ::fork();
        if (child == 0) {
            ::execl(PICTAVEX_BINARY, PICTAVEX_BINARY, "-q", "-o", (dir / "out").c_str(),
                    (dir / "*.dwg").c_str(), nullptr);
            ::_exit(127);
        }
        ::usleep(static_cast<useconds_t>(delay) * 1000);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        if (std::filesystem::exists(dir / "out")) {
            for (const auto& entry : std::filesystem::directory_iterator(dir / "out")) {
                EXPECT_EQ(entry.path().extension(), ".bmp") << entry.path();
            }
        }
    }
}

TEST(OutputTest, OutputPathsUpToTheSystemLimitAreWritten) {
    TempDir dir;
    WriteFile(dir / "a.dwg", Drawing());
    std::string deep = dir.Path();
    const std::string level(200, 'd');
    while (deep.size() + level.size() + 1 < 4090 - 6) {
        deep += "/" + level;
        ASSERT_EQ(::mkdir(deep.c_str(), 0755), 0);
    }
    deep += "/" + std::string(4090 - 6 - deep.size() - 1, 'e');
    ASSERT_EQ(::mkdir(deep.c_str(), 0755), 0);
    const std::string output = deep + "/a.bmp";
    ASSERT_EQ(output.size(), 4090u);
    const ToolRun run = RunProgram(PICTAVEX_BINARY, dir.Path(), {"-q", "-o", deep, "a.dwg"});
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadFile(output)[0], 'B');
}

}  // namespace
