// What the tool must never do to a user's files: replace what is not a regular file, leave a
// partial or hidden file behind, take one output for two, or read a name that holds a NUL.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <thread>

#include "tests/run_tool.h"
#include "tests/tool_test.h"

namespace {

Bytes Drawing(std::int32_t side = 8) {
    return DwgBuilder().Entry(2, DarkPaletteDib({.width = side, .height = side})).Build();
}

// Waits up to five seconds for a file to appear.
bool Appears(const std::string& path) {
    for (int i = 0; i < 500 && ::access(path.c_str(), F_OK) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ::access(path.c_str(), F_OK) == 0;
}

class SafetyTest : public ToolTest {
protected:
    ToolRun Thumbnail(const std::string& drawing, const std::string& output) {
        return RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"-s", "64", drawing, output});
    }
    mode_t TypeOf(const std::string& name) {
        struct stat info {};
        EXPECT_EQ(::lstat((m_dir / name).c_str(), &info), 0) << name;
        return info.st_mode & S_IFMT;
    }
};

TEST_F(SafetyTest, OnlyRegularFilesAreEverReplaced) {
    Put("x.dwg", Drawing());
    Put("target", {'k', 'e', 'e', 'p'});
    const bool root = ::geteuid() == 0;
    const struct {
        const char* what;
        std::function<int(const std::string&)> make;
    } cases[] = {
        {"a FIFO", [](const std::string& path) { return ::mkfifo(path.c_str(), 0600); }},
        {"a link to a file",
         [&](const std::string& path) {
             return ::symlink((m_dir / "target").c_str(), path.c_str());
         }},
        {"a dangling link",
         [](const std::string& path) { return ::symlink("nowhere", path.c_str()); }},
        {"a link to stdout",
         [](const std::string& path) { return ::symlink("/proc/self/fd/1", path.c_str()); }},
        {"a character device",
         [](const std::string& path) {
             return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3));  // like /dev/null
         }},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(m_dir / "out");
        std::filesystem::create_directory(m_dir / "out");
        if (c.make(m_dir / "out/x.bmp") != 0 || c.make(m_dir / "out/t.png") != 0) {
            EXPECT_FALSE(root) << c.what;  // only devices need root
            continue;
        }
        const mode_t type = TypeOf("out/x.bmp");
        const ToolRun run = Run({"-q", "-o", "out", "x.dwg"});
        EXPECT_EQ(run.err, Error("out/x.bmp", "not a regular file")) << c.what;
        EXPECT_EQ(run.status, 2) << c.what;
        const ToolRun thumbnail = Thumbnail("x.dwg", "out/t.png");
        EXPECT_EQ(thumbnail.err, "pictavex-thumbnailer: out/t.png: not a regular file\n") << c.what;
        EXPECT_EQ(thumbnail.status, 2) << c.what;
        EXPECT_EQ(TypeOf("out/x.bmp"), type) << c.what;
        EXPECT_EQ(TypeOf("out/t.png"), type) << c.what;
        EXPECT_EQ(HiddenFiles(m_dir / "out"), std::vector<std::string>{}) << c.what;
    }
    EXPECT_EQ(ReadFile(m_dir / "target"), (Bytes{'k', 'e', 'e', 'p'}));
}

// The thumbnailer writes into the file it is handed, as tumbler wants, but whole or not at
// all: the bytes of `pictavex -w -f png`, the old contents cut away, or on failure kept.
TEST_F(SafetyTest, ThumbnailerWritesInPlaceWholeOrNotAtAll) {
    Bytes noisy = MakeInfoDib({.width = 48, .height = 48, .bitsPerPixel = 24, .tableEntries = 0});
    std::minstd_rand random(7);
    for (std::size_t i = 40; i < noisy.size(); ++i) {
        noisy[i] = static_cast<std::uint8_t>(random());  // compresses badly
    }
    Put("d.dwg", DwgBuilder().Entry(2, noisy).Build());
    ASSERT_EQ(Run({"-q", "-w", "-f", "png", "-s", "64", "d.dwg"}).status, 0);
    const Bytes expected = ReadFile(m_dir / "d.png");
    ASSERT_GT(expected.size(), 4096u);
    for (const Bytes& old : {Bytes{}, Bytes{'o', 'l', 'd'}, Bytes(3 * expected.size(), 'x')}) {
        Put("t.png", old);
        const ino_t inode = [&] {
            struct stat info {};
            ::stat((m_dir / "t.png").c_str(), &info);
            return info.st_ino;
        }();
        const ToolRun limited =
            RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"-s", "64", "d.dwg", "t.png"},
                       {.limits = {{RLIMIT_FSIZE, 4096}}});
        EXPECT_EQ(limited.status, 2) << old.size();
        EXPECT_EQ(limited.err, "pictavex-thumbnailer: t.png: File too large\n") << old.size();
        EXPECT_EQ(ReadFile(m_dir / "t.png"), old) << old.size();
        ASSERT_EQ(Thumbnail("d.dwg", "t.png").status, 0);
        EXPECT_EQ(ReadFile(m_dir / "t.png"), expected) << old.size();
        struct stat after {};
        ::stat((m_dir / "t.png").c_str(), &after);
        EXPECT_EQ(after.st_ino, inode);  // tumbler reads it through the descriptor it holds
    }
}

TEST_F(SafetyTest, OneOutputFileIsWrittenOnceWhateverItsSpelling) {
    Put("d1/x.dwg", Drawing(3));
    Put("d2/x.dwg", Drawing(5));
    std::filesystem::create_directories(m_dir / "out");
    std::filesystem::create_directories(m_dir / "elsewhere/out");
    std::filesystem::create_directories(m_dir / "x");
    ASSERT_EQ(::symlink("out", (m_dir / "link").c_str()), 0);
    ASSERT_EQ(::symlink("elsewhere/out", (m_dir / "sub").c_str()), 0);
    const std::string absolute = m_dir / "out";
    const ToolRun run =
        Run({"-q", "-o", "out", "d1/x.dwg", "-o", "link", "d2/x.dwg", "-o", absolute, "d2/x.dwg",
             "-o", "x/../out", "d2/x.dwg", "-o", "sub/../out", "d2/x.dwg"});
    EXPECT_EQ(run.err, Error("link/x.bmp", "already written for d1/x.dwg") +
                           Error(absolute + "/x.bmp", "already written for d1/x.dwg") +
                           Error("x/../out/x.bmp", "already written for d1/x.dwg"));
    EXPECT_EQ(U32At(ReadFile(m_dir / "out/x.bmp"), 18), 3u);
    EXPECT_EQ(U32At(ReadFile(m_dir / "elsewhere/out/x.bmp"), 18), 5u);  // sub/.. is elsewhere
}

// However slowly the list arrives, a name never holds a NUL: `a.dwg` is never taken for
// the output of `a.dwg\0b.dwg`.
TEST_F(SafetyTest, NameListsNeverGiveANameWithANul) {
    Put("a.dwg", Drawing(3));
    Put("b.dwg", Drawing(5));
    const Bytes drawing = ReadFile(m_dir / "a.dwg");
    const std::string slow = "(printf 'a.dwg'; sleep 0.3; printf '\\0b.dwg\\0') | " +
                             std::string(PICTAVEX_BINARY) + " --files-from -";
    const ToolRun run = RunProgram("/bin/sh", m_dir.Path(), {"-c", slow});
    EXPECT_EQ(run.out, Line("a.dwg", "a.bmp") + Line("b.dwg", "b.bmp") + Summary(2));
    EXPECT_EQ(ReadFile(m_dir / "a.dwg"), drawing);
    EXPECT_EQ(U32At(ReadFile(m_dir / "b.bmp"), 18), 5u);

    // Read as it comes with -0: a name across the 64 KiB read is whole.
    std::string list;
    while (list.size() < 65536 - 10) {
        list += std::string("b.dwg", 6);
    }
    list += std::string("./././a.dwg\0", 12);
    for (const char* option : {"-0", "--null"}) {
        WriteFile(m_dir / "list", Bytes(list.begin(), list.end()));
        const ToolRun streamed =
            Run({"-q", "-n", option, "--files-from", "-"}, {.stdinPath = m_dir / "list"});
        EXPECT_EQ(streamed.err, "") << option;
        EXPECT_EQ(streamed.status, 0) << option;
    }
}

// A caller that ignores a signal (nohup) keeps it ignored; -j N starts N workers, where -j 1
// starts none.
TEST_F(SafetyTest, IgnoredSignalsStayIgnoredAndWorkersStart) {
    Put("a.dwg", Drawing());
    std::vector<long> threads;
    for (const unsigned workers : {1u, 3u}) {
        int pipe[2];
        ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
        ::unlink((m_dir / "a.bmp").c_str());
        ToolProcess tool(PICTAVEX_BINARY, m_dir.Path(),
                         {"-q", "-j", std::to_string(workers), "-0", "--files-from", "-"},
                         {.stdinFd = pipe[0], .ignoredSignals = {SIGTERM, SIGHUP}});
        ::close(pipe[0]);
        ASSERT_EQ(::write(pipe[1], "a.dwg", 6), 6);
        ASSERT_TRUE(Appears(m_dir / "a.bmp"));  // the run waits for more names now
        threads.push_back(std::distance(
            std::filesystem::directory_iterator("/proc/" + std::to_string(tool.Pid()) + "/task"),
            std::filesystem::directory_iterator()));
        ::kill(tool.Pid(), SIGTERM);
        ::kill(tool.Pid(), SIGHUP);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::close(pipe[1]);
        const ToolRun run = tool.Wait();
        EXPECT_EQ(run.signal, 0);
        EXPECT_EQ(run.status, 0);
    }
    EXPECT_EQ(threads[1] - threads[0], 3);
}

}  // namespace
