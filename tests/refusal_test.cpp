// Outputs are written whole wherever the system refuses what the fastest way needs: naming a
// file by its descriptor, files without a name, or a name that vanishes and comes back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>

#include "tests/run_tool.h"
#include "tests/tool_test.h"

namespace {

Bytes Drawing(std::int32_t width) {
    return DwgBuilder().Entry(2, DarkPaletteDib({.width = width, .height = 3})).Build();
}

// Whether a child has not ended yet (an ended one stays a zombie until it is waited for).
bool IsRunning(pid_t pid) {
    const Bytes stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const std::string text(stat.begin(), stat.end());
    const std::size_t state = text.rfind(") ");
    return state != std::string::npos && state + 2 < text.size() && text[state + 2] != 'Z';
}

class RefusalTest : public ToolTest {
protected:
    void SetUp() override {
        Put("a.dwg", Drawing(3));
        Put("b.dwg", Drawing(5));
        ASSERT_EQ(Run({"-q", "-o", "expected", "a.dwg", "b.dwg"}).status, 0);
    }
    // The tool with the system refusing `what`; checks that the refusals were in force.
    ToolRun RunRefusing(const std::string& what, const std::vector<std::string>& arguments) {
        const ToolRun run = Run(arguments, Refusing(what));
        ExpectShimLoaded();
        return run;
    }
    RunOptions Refusing(const std::string& what) const {
        return {.environment = {{"LD_PRELOAD", REFUSAL_SHIM},
                                {"PICTAVEX_SHIM", what},
                                {"PICTAVEX_SHIM_MARK", m_dir / "shim loaded"},
                                {"PICTAVEX_SHIM_READERS", m_dir / "readers"},
                                {"ASAN_OPTIONS", "verify_asan_link_order=0"}}};
    }
    void ExpectShimLoaded() const {
        EXPECT_EQ(::unlink((m_dir / "shim loaded").c_str()), 0) << "the shim was not loaded";
    }
    // The most threads a run on one processor has at once.
    long MostThreadsOnOneProcessor(const std::string& what,
                                   const std::vector<std::string>& drawings = {"d*.dwg"}) {
        std::vector<std::string> arguments = {"-c", "0", PICTAVEX_BINARY, "-q", "-n"};
        arguments.insert(arguments.end(), drawings.begin(), drawings.end());
        ToolProcess tool("/usr/bin/taskset", m_dir.Path(), arguments, Refusing(what));
        const std::string tasks = "/proc/" + std::to_string(tool.Pid()) + "/task";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        long most = 0;
        while (IsRunning(tool.Pid())) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "the run hangs";
                ::kill(tool.Pid(), SIGKILL);
                break;
            }
            std::error_code error;
            std::filesystem::directory_iterator listing(tasks, error);
            most = std::max<long>(most, std::distance(listing, {}));
        }
        EXPECT_EQ(tool.Wait().status, 0);
        ExpectShimLoaded();
        return most;
    }
    // New outputs and replaced ones, as a normal run writes them, and no file left hidden.
    void ExpectOutputs() {
        EXPECT_EQ(ReadFile(m_dir / "a.bmp"), ReadFile(m_dir / "expected/a.bmp"));
        EXPECT_EQ(ReadFile(m_dir / "b.bmp"), ReadFile(m_dir / "expected/b.bmp"));
        EXPECT_EQ(HiddenFiles(m_dir.Path()), std::vector<std::string>{});
    }
};

TEST_F(RefusalTest, WithoutLinkingADescriptorOutputsAreLinkedThroughProc) {
    Put("b.bmp", {'o', 'l', 'd'});
    const ToolRun run = RunRefusing("link-descriptor", {"-q", "a.dwg", "b.dwg"});
    EXPECT_EQ(run.status, 0) << run.err;
    ExpectOutputs();
}

TEST_F(RefusalTest, WithoutUnnamedFilesOutputsWaitUnderAHiddenName) {
    Put("b.bmp", {'o', 'l', 'd'});
    const ToolRun run = RunRefusing("unnamed-files", {"-q", "a.dwg", "b.dwg"});
    EXPECT_EQ(run.status, 0) << run.err;
    ExpectOutputs();
}

// Two runs replacing the same outputs on a FUSE share: the one whose output vanished between
// its look and its replacement has nothing to replace, and puts its output there.
TEST_F(RefusalTest, AnOutputThatVanishedBeforeItsReplacementIsNoFailure) {
    Put("a.bmp", {'o', 'l', 'd'});
    Put("b.bmp", {'o', 'l', 'd'});
    const ToolRun run = RunRefusing("bmp-vanishes", {"-q", "a.dwg", "b.dwg"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ExpectOutputs();
}

// A run started on one processor has one worker; once its reads are seen to wait, as on a
// share, four: with the main thread and the one that takes signals, six threads. On a server
// that does one read at a time, no more pay: four do no better than one, unless the run's
// own work (slow under a sanitizer) overlaps the reads, and then eight on trial do no better
// than four. So six threads, or ten, never more. (Whether a fast run stays at one, and how
// far doubling goes where it pays, are the growth rule's own tests.)
TEST_F(RefusalTest, OnOneProcessorWorkersGrowUntilTheServerIsFull) {
    for (int i = 0; i < 200; ++i) {
        Put("d" + std::to_string(i) + ".dwg", Drawing(3 + i % 7));
    }
    const long threads = MostThreadsOnOneProcessor("full-server");
    EXPECT_TRUE(threads == 6 || threads == 10) << threads;
}

// On a server that slows down under more requests, four are slower than one, and three are
// taken back: they wait while one works. Drawings that then come one at a time, each to idle
// workers, are all done: none waits on a worker that is itself waiting.
TEST_F(RefusalTest, ASlowerGrowthIsTakenBack) {
    std::string list;
    for (int i = 0; i < 200; ++i) {
        Put("d" + std::to_string(i) + ".dwg", Drawing(3 + i % 7));
        list += "d" + std::to_string(i) + ".dwg\n";
    }
    for (int i = 0; i < 10; ++i) {
        Put("late" + std::to_string(i) + ".dwg", Drawing(3));
        list += "late" + std::to_string(i) + ".dwg\n";
    }
    Put("list", Bytes(list.begin(), list.end()));
    EXPECT_EQ(MostThreadsOnOneProcessor("crowded-server,slow-late-names", {"--files-from", "list"}),
              6);
    // Threads taken back exist still: what shows the take-back is that they no longer read.
    // Among the last hundred reads, one at a time. (Under a sanitizer the run's own work is
    // slow enough to overlap the reads, and four may pay.)
    if (!kAddressSanitizer && !kThreadSanitizer) {
        EXPECT_EQ(ReadFile(m_dir / "readers"), (Bytes{'1', '\n'}));
    }
}

}  // namespace
