// What a drawing costs in memory: a large preview is never held twice, and freed memory is
// kept for the next drawing rather than given back and asked for again.
#include <gtest/gtest.h>

#include "tests/png_builder.h"
#include "tests/run_tool.h"
#include "tests/tool_test.h"

namespace {

constexpr long kMiB = 1024;  // in KiB, as peaks are counted

class MemoryTest : public ToolTest {};

// A drawing of 20 KB whose grey PNG preview decodes to 4096 x 4096 pixels: 48 MiB as a bitmap.
// Shrinking it, encoding it and making a thumbnail of it work a band at a time, so that none
// of them costs more than the bitmap itself and a few MiB.
TEST_F(MemoryTest, ALargePreviewIsHeldOnce) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine";
    }
    {
        const Bytes png = EncodePng({.width = 4096,
                                     .height = 4096,
                                     .colorType = 0,
                                     .rows = Bytes(std::size_t{4096} * 4096, 0x5A)});
        Put("large.dwg", DwgBuilder().Entry(6, png).Build());
    }
    Put("small.dwg", DwgBuilder().Entry(2, DarkPaletteDib()).Build());
    // The child's peak counts what the test process held when it forked: like with like.
    const long baseline = Run({"-q", "small.dwg"}).peakMemoryKib;
    const long bitmap = 48 * kMiB;
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"-s", "256"}, {"-f", "png"}, {"-f", "png", "-s", "256"}}) {
        std::vector<std::string> arguments = {"-q", "-o", "out"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back("large.dwg");
        const ToolRun run = Run(arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_LT(run.peakMemoryKib, baseline + bitmap + 8 * kMiB) << options.back();
    }
    const ToolRun thumbnail =
        RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"-s", "256", "large.dwg", "t.png"});
    EXPECT_EQ(thumbnail.status, 0) << thumbnail.err;
    EXPECT_LT(thumbnail.peakMemoryKib, baseline + bitmap + 8 * kMiB);
}

// Twenty-four such drawings read by 32 workers at once: each worker takes its share of one
// budget before it decodes, so the run holds a few of the bitmaps at a time, not all of them.
TEST_F(MemoryTest, ManyWorkersShareOneMemoryBudget) {
    if (kAddressSanitizer || kThreadSanitizer) {
        GTEST_SKIP() << "the sanitizers bring allocators of their own";
    }
    {
        const Bytes png = EncodePng({.width = 4096,
                                     .height = 4096,
                                     .colorType = 0,
                                     .rows = Bytes(std::size_t{4096} * 4096, 0x5A)});
        const Bytes drawing = DwgBuilder().Entry(6, png).Build();
        for (int i = 0; i < 24; ++i) {
            Put("bombs/b" + std::to_string(i) + ".dwg", drawing);
        }
    }
    const ToolRun walked = Run({"-q", "-n", "-j", "32", "-r", "bombs"});
    EXPECT_EQ(walked.status, 0) << walked.err;
    EXPECT_LT(walked.peakMemoryKib, 400 * kMiB);
}

// 200 previews of 360 KB, each read, held and written in turn: with freed memory kept, the
// batch costs about as many page faults as one drawing; given back, each drawing's blocks
// come as fresh pages again, some 160 faults apiece.
TEST_F(MemoryTest, FreedMemoryIsKeptForTheNextDrawing) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "AddressSanitizer brings an allocator of its own";
    }
    const Bytes drawing =
        DwgBuilder()
            .Entry(2, MakeInfoDib(
                          {.width = 400, .height = 300, .bitsPerPixel = 24, .tableEntries = 0}))
            .Build();
    std::vector<std::string> arguments = {"-q", "-j", "1", "-o", "out"};
    for (int i = 0; i < 200; ++i) {
        Put("d" + std::to_string(i) + ".dwg", drawing);
        arguments.push_back("d" + std::to_string(i) + ".dwg");
    }
    const ToolRun one = Run({"-q", "-j", "1", "-o", "one", "d0.dwg"});
    const ToolRun batch = Run(arguments);
    ASSERT_EQ(batch.status, 0) << batch.err;
    EXPECT_LT(batch.minorFaults - one.minorFaults, 200 * 10);
}

}  // namespace
