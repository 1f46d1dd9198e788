// Outputs are written whole wherever the system refuses what the fastest way needs: naming a
// file by its descriptor, files without a name, or a name that vanishes and comes back.
#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/run_tool.h"
#include "tests/tool_test.h"

namespace {

Bytes Drawing(std::int32_t width) {
    return DwgBuilder().Entry(2, DarkPaletteDib({.width = width, .height = 3})).Build();
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
        const std::string mark = m_dir / "shim loaded";
        const ToolRun run =
            Run(arguments, {.environment = {{"LD_PRELOAD", REFUSAL_SHIM},
                                            {"PICTAVEX_REFUSE", what},
                                            {"PICTAVEX_SHIM_MARK", mark},
                                            {"ASAN_OPTIONS", "verify_asan_link_order=0"}}});
        EXPECT_EQ(::unlink(mark.c_str()), 0) << "the shim was not loaded";
        return run;
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

}  // namespace
