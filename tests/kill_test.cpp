#include "tests/kill_test.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <random>

#include "tests/run_tool.h"

namespace {

TEST_F(KillTest, TerminatedBatchesLeaveWholeFilesAndNoHiddenOnes) {
    KillRandomly(SIGTERM);
}

TEST_F(KillTest, InterruptedBatchesDieByTheSignal) {
    KillRandomly(SIGINT, kTrials / 5);
}

TEST_F(KillTest, KilledBatchesLeaveWholeFilesAndTheNextRunCleansUp) {
    KillRandomly(SIGKILL);
}

// The thumbnailer writes into OUTPUT in place. A signal that arrives once the write has begun
// takes effect when OUTPUT is whole again: it is the old file or the new one, never the new
// bytes over the old ones' tail.
TEST(ThumbnailerKillTest, SignalsDuringTheWriteLeaveOutputWhole) {
    TempDir dir;
    // Noise, which compresses badly: a PNG of megabytes takes a while to write.
    constexpr std::int32_t kSide = 1500;
    Bytes noise =
        MakeInfoDib({.width = kSide, .height = kSide, .bitsPerPixel = 24, .tableEntries = 0});
    std::minstd_rand random(11);
    for (std::size_t i = kInfoHeaderSize; i < noise.size(); ++i) {
        noise[i] = static_cast<std::uint8_t>(random());
    }
    WriteFile(dir / "d.dwg", DwgBuilder().Entry(2, noise).Build());
    ASSERT_EQ(RunProgram(PICTAVEX_THUMBNAILER, dir.Path(), {"d.dwg", "new.png"}).status, 0);
    const Bytes picture = ReadFile(dir / "new.png");
    const Bytes old(40u << 20, 'o');  // long to cut short: the write takes a while
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        for (int trial = 0; trial < 2; ++trial) {
            WriteFile(dir / "t.png", old);
            const UniqueFd watch(::open((dir / "t.png").c_str(), O_RDONLY));
            ToolProcess tool(PICTAVEX_THUMBNAILER, dir.Path(), {"d.dwg", "t.png"});
            // The moment the first bytes change, the signal.
            std::array<std::uint8_t, 4> first{};
            while (::pread(watch.Get(), first.data(), first.size(), 0) == 4 && first[0] == 'o') {
            }
            ::kill(tool.Pid(), signalNumber);
            const ToolRun run = tool.Wait();
            EXPECT_TRUE(run.status == 0 || run.signal == signalNumber) << run.status;
            const Bytes now = ReadFile(dir / "t.png");
            EXPECT_TRUE(now == picture || now == old)
                << "signal " << signalNumber << ", " << now.size() << " bytes";
        }
    }
}

}  // namespace
