#include "platform/file.h"
#include "platform/output_file.h"
#include "platform/output_names.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "tests/dwg_builder.h"
#include "tests/temp_dir.h"

namespace {

Bytes Counting(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 256);
    }
    return bytes;
}

// Reads inside the first read of 64 KiB, across its end and past it, and past the file's end.
TEST(FileReadTest, ReadsWhatIsThereFromAnyPosition) {
    TempDir dir;
    const Bytes content = Counting(140000);
    WriteFile(dir / "f", content);
    CFile file;
    ASSERT_TRUE(file.OpenForReading(dir / "f"));
    const struct {
        std::int64_t position;
        std::size_t count;
        std::size_t expected;
    } reads[] = {{0, 7, 7},           {13, 4, 4},      {65530, 20, 20}, {100, 70000, 70000},
                 {131070, 4, 4},      {139995, 10, 5}, {140000, 4, 0},  {500000, 16, 0},
                 {65536, 4096, 4096}, {3, 0, 0}};
    for (const auto& r : reads) {
        file.Seek(r.position);
        Bytes buffer(r.count, 0xCC);
        ASSERT_EQ(file.Read(buffer.data(), r.count), r.expected) << r.position;
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + static_cast<long>(r.expected),
                               content.begin() + r.position))
            << r.position;
        EXPECT_EQ(file.GetPosition(), static_cast<std::uint64_t>(r.position) + r.expected);
    }
    EXPECT_THROW(file.Seek(-1), CFileException);
    file.Close();
}

// Blocks from the first read, across its end, beyond it and past the end of the file, each
// in a file opened afresh and after the first read has been made.
TEST(FileReadTest, BlocksAreWholeOrNone) {
    TempDir dir;
    const Bytes content = Counting(200000);
    WriteFile(dir / "f", content);
    const struct {
        std::uint64_t offset;
        std::size_t size;
        bool whole;
    } blocks[] = {{0, 100, true},     {65000, 2000, true}, {70000, 5000, true},
                  {199990, 10, true}, {0, 200000, true},   {199990, 11, false},
                  {300000, 1, false}, {200000, 0, true},   {0, 200001, false}};
    for (const bool afterFirstRead : {false, true}) {
        for (const auto& b : blocks) {
            CFile file;
            ASSERT_TRUE(file.OpenForReading(dir / "f", KindCheck::kListedRegular));
            std::uint8_t first = 0;
            if (afterFirstRead) {
                ASSERT_EQ(file.Read(&first, 1), 1u);
            }
            const MemoryHandle block = file.ReadBlock(b.offset, b.size);
            ASSERT_EQ(block != nullptr, b.whole) << b.offset << "+" << b.size;
            if (block) {
                EXPECT_TRUE(std::equal(block->begin(), block->end(),
                                       content.begin() + static_cast<long>(b.offset)))
                    << b.offset;
            }
        }
    }
}

TEST(FileReadTest, OnlyRegularFilesOpenAndFailuresSayWhy) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("loop", (dir / "loop").c_str()), 0);
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {{dir / "fifo", "not a regular file"},  // and opening it must not block
                 {dir / "loop", "Too many levels of symbolic links"},
                 {dir / "missing", "No such file or directory"},
                 {dir.Path(), "Is a directory"},
                 {"/dev/zero", "not a regular file"}};
    for (const auto& c : cases) {
        CFile file;
        EXPECT_FALSE(file.OpenForReading(c.path)) << c.path;
        EXPECT_EQ(std::string(file.OpenFailure().what()), c.path + ": " + c.reason);
    }
}

// A name listed as a regular file may be something else by the time it is opened: a link
// is then followed, and anything but a regular file fails at once, never read or waited for.
TEST(FileReadTest, WhatWasListedAsRegularIsCheckedWhenItIsNot) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir / "zero").c_str()), 0);
    WriteFile(dir / "f", Counting(100));
    ASSERT_EQ(::symlink("f", (dir / "link").c_str()), 0);
    const struct {
        std::string path;
        std::string failure;  // "" when it opens and reads
        bool atOpen;
    } cases[] = {{dir / "fifo", "not a regular file", true},
                 {dir.Path(), "Is a directory", true},
                 {"/dev/null", "not a regular file", true},
                 {dir / "zero", "not a regular file", true},
                 {dir / "link", "", false}};
    for (const auto& c : cases) {
        CFile file;
        const bool opened = file.OpenForReading(c.path, KindCheck::kListedRegular);
        ASSERT_EQ(opened, !c.atOpen) << c.path;
        if (!opened) {
            EXPECT_EQ(std::string(file.OpenFailure().what()), c.path + ": " + c.failure);
            continue;
        }
        std::uint8_t byte = 0;
        if (c.failure.empty()) {
            EXPECT_EQ(file.Read(&byte, 1), 1u);
            continue;
        }
        try {
            file.Read(&byte, 1);
            ADD_FAILURE() << c.path << " was read";
        } catch (const CFileException& error) {
            EXPECT_EQ(std::string(error.what()), c.path + ": " + c.failure);
        }
    }
}

TEST(FileWriteTest, OutputAppearsOnlyWhenClosed) {
    TempDir dir;
    const std::string target = dir / "out.bmp";
    WriteFile(target, {1, 2, 3});
    {
        COutputFile file;
        file.CreateForWriting(target);
        file.Write("abc", 3);
        EXPECT_EQ(ReadFile(target), (Bytes{1, 2, 3}));
    }  // dropped without Close: the old file stays and no temporary is left
    EXPECT_EQ(ReadFile(target), (Bytes{1, 2, 3}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    COutputFile file;
    file.CreateForWriting(target);
    file.Write("abcd", 4);
    file.Close();
    EXPECT_EQ(ReadFile(target), (Bytes{'a', 'b', 'c', 'd'}));
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST(FileWriteTest, FailuresNameTheTargetAndLeaveNothing) {
    TempDir dir;
    ::mkdir((dir / "taken").c_str(), 0755);
    const struct {
        std::string path;
        int cause;
    } cases[] = {{dir / "missing/out.bmp", ENOENT}, {dir / "taken", EISDIR}};
    for (const auto& c : cases) {
        try {
            COutputFile file;
            file.CreateForWriting(c.path);
            file.Write("x", 1);
            file.Close();
            ADD_FAILURE() << c.path << " was written";
        } catch (const CFileException& error) {
            EXPECT_EQ(error.Path(), c.path);
            EXPECT_EQ(error.Cause(), c.cause);
        }
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

// The direct link needs a privilege that ordinary users lack before Linux 6.10; /proc serves
// them. Both ways, a name already taken is refused, never replaced.
TEST(FileWriteTest, UnnamedFilesAreLinkedDirectlyOrThroughProc) {
    TempDir dir;
    for (const bool throughProc : {false, true}) {
        const UniqueFd fd(::open(dir.Path().c_str(), O_RDWR | O_TMPFILE | O_CLOEXEC, 0644));
        ASSERT_TRUE(fd.IsOpen());
        ASSERT_EQ(::write(fd.Get(), "ab", 2), 2);
        const std::string name = dir / (throughProc ? "proc" : "direct");
        WriteFile(dir / "taken", {'t'});
        EXPECT_EQ(LinkUnnamedFile(fd.Get(), dir / "taken", throughProc), EEXIST);
        EXPECT_EQ(LinkUnnamedFile(fd.Get(), name, throughProc), 0);
        EXPECT_EQ(ReadFile(name), (Bytes{'a', 'b'}));
        EXPECT_EQ(ReadFile(dir / "taken"), Bytes{'t'});
    }
}

}  // namespace
