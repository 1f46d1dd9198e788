// A folder swapped for a link while a run works in it: a walk reads and writes in the folders
// it opened, never where the link leads, whether the swap comes once the folder was listed or
// just before its first picture is written, and however the swaps fall.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "tests/run_tool.h"
#include "tests/tool_test.h"

namespace {

Bytes Drawing(std::int32_t width) {
    return DwgBuilder().Entry(2, DarkPaletteDib({.width = width, .height = 3})).Build();
}

const Bytes kPrecious = {'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'};

class SwapTest : public ToolTest {
protected:
    void SetUp() override {
        Put("plans/p1/a.dwg", Drawing(3));
        Put("plans/p1/v.dwg", Drawing(4));
        Put("plans/p2/b.dwg", Drawing(5));
        // A folder of the user's that a link could lead to: drawings of the same names, and a
        // picture that must never be replaced.
        Put("victim/a.dwg", Drawing(6));
        Put("victim/v.dwg", Drawing(7));
        Put("victim/v.bmp", kPrecious);
        std::filesystem::create_directories(m_dir / "elsewhere");
        m_victim = FilesUnder(m_dir / "victim");
    }
    ToolRun RunSwapping(const std::string& when, const std::string& folder,
                        const std::string& target, const std::vector<std::string>& arguments) {
        const ToolRun run =
            Run(arguments, {.environment = {{"LD_PRELOAD", REFUSAL_SHIM},
                                            {"PICTAVEX_SHIM", when},
                                            {"PICTAVEX_SHIM_SWAP", m_dir / folder},
                                            {"PICTAVEX_SHIM_SWAP_TO", m_dir / target},
                                            {"ASAN_OPTIONS", "verify_asan_link_order=0"}}});
        EXPECT_TRUE(std::filesystem::is_symlink(m_dir / folder)) << "no swap in " << when;
        return run;
    }
    void ExpectUntouched() {
        EXPECT_EQ(FilesUnder(m_dir / "victim"), m_victim);
        EXPECT_TRUE(FilesUnder(m_dir / "elsewhere").empty());
    }
    std::map<std::string, Bytes> m_victim;
};

// Pictures beside the drawings: the folder swapped once listed, or before its first picture.
TEST_F(SwapTest, AWalkedFolderSwappedForALinkIsNeverFollowed) {
    for (const std::string when : {"swap-listed", "swap-written"}) {
        for (const std::string workers : {"1", "4"}) {
            const ToolRun run =
                RunSwapping(when, "plans/p1", "victim", {"-q", "-j", workers, "-r", "plans"});
            EXPECT_EQ(run.status, 0) << when << run.err;
            ExpectUntouched();
            // The drawings listed were read, and their pictures written, where they are.
            EXPECT_EQ(U32At(ReadFile(m_dir / "plans/p1.moved/a.bmp"), 18), 3u) << when;
            EXPECT_EQ(U32At(ReadFile(m_dir / "plans/p1.moved/v.bmp"), 18), 4u) << when;
            EXPECT_TRUE(Exists("plans/p2/b.bmp"));
            std::filesystem::remove(m_dir / "plans/p1");
            std::filesystem::rename(m_dir / "plans/p1.moved", m_dir / "plans/p1");
        }
    }
}

// Pictures mirrored under -o: a mirror folder swapped after it was made and opened.
TEST_F(SwapTest, AMirrorFolderSwappedForALinkIsNeverWrittenThrough) {
    for (const std::string workers : {"1", "4"}) {
        std::filesystem::remove_all(m_dir / "thumbs");
        const ToolRun run = RunSwapping("swap-written", "thumbs/p1", "elsewhere",
                                        {"-q", "-j", workers, "-r", "-o", "thumbs", "plans"});
        EXPECT_EQ(run.status, 0) << run.err;
        ExpectUntouched();
        EXPECT_EQ(U32At(ReadFile(m_dir / "thumbs/p1.moved/a.bmp"), 18), 3u);
        EXPECT_TRUE(Exists("thumbs/p2/b.bmp"));
    }
}

// renameat2(RENAME_EXCHANGE): the folder and a link to the victim trade places.
bool Exchange(const std::string& a, const std::string& b) {
    return ::syscall(SYS_renameat2, AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

// Swaps back and forth as fast as they come, through many runs: whatever the moment, nothing
// is written where the link leads.
TEST_F(SwapTest, RandomSwapsNeverReachWhereTheLinkLeads) {
    constexpr int kRuns = 20;
    for (int i = 0; i < 30; ++i) {
        Put("plans/p1/d" + std::to_string(i) + ".dwg", Drawing(3 + i % 5));
    }
    const std::string folder = m_dir / "plans/p1";
    const std::string link = m_dir / "plans/p1-link";
    ASSERT_EQ(::symlink((m_dir / "victim").c_str(), link.c_str()), 0);
    if (!Exchange(folder, link) || !Exchange(folder, link)) {
        GTEST_SKIP() << "this file system cannot exchange names";
    }
    std::atomic<bool> done = false;
    std::thread swapper([&] {
        while (!done) {
            Exchange(folder, link);
        }
    });
    for (int run = 0; run < kRuns; ++run) {
        Run(run % 2 ? std::vector<std::string>{"-q", "-r", "-o", "thumbs", "plans"}
                    : std::vector<std::string>{"-q", "-r", "-j", "1", "plans"});
    }
    done = true;
    swapper.join();
    if (std::filesystem::is_symlink(folder)) {
        ASSERT_TRUE(Exchange(folder, link));
    }
    ExpectUntouched();
}

}  // namespace
