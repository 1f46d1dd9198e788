// When a run takes more workers than processors: only once they wait with drawings queued,
// and more while doubling them pays.
#include "app/worker_growth.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint64_t kMillisecond = 1000000;  // in nanoseconds

struct Step {
    int ms;           // since the first look
    int processorMs;  // processor time the process has used by then
    int done;         // drawings finished by then
    bool backlog;
    unsigned expected;  // workers to have after this look; 0: growth is over, no look is due
};

// Runs the looks in order, each with the workers the one before asked for.
void Expect(const char* story, unsigned processors, unsigned workers,
            const std::vector<Step>& steps) {
    WorkerGrowth growth(processors);
    const auto start = WorkerGrowth::Clock::now();
    for (const Step& step : steps) {
        const auto time = start + std::chrono::milliseconds(step.ms);
        ASSERT_EQ(growth.Due(time), step.expected != 0) << story << " at " << step.ms << " ms";
        if (step.expected == 0) {
            continue;
        }
        workers = growth.Look(workers, {time, step.processorMs * kMillisecond,
                                        static_cast<std::uint64_t>(step.done), step.backlog});
        EXPECT_EQ(workers, step.expected) << story << " at " << step.ms << " ms";
    }
}

// Looks on a share whose server does one drawing each `perDrawingMs` for every worker, up to
// `capacity` drawings a second: every look 10 ms after the one before, until the workers
// settle. Returns the workers they settled at.
unsigned SettleOnShare(unsigned processors, double perDrawingMs, double capacity) {
    WorkerGrowth growth(processors);
    unsigned workers = processors;
    const auto start = WorkerGrowth::Clock::now();
    double done = 0;
    for (int ms = 0; ms < 100000 && growth.MayGrow(); ms += 10) {
        const auto time = start + std::chrono::milliseconds(ms);
        EXPECT_TRUE(growth.Due(time));
        const auto processorNs = static_cast<std::uint64_t>(ms) * kMillisecond / 10;
        workers = growth.Look(workers, {time, processorNs, static_cast<std::uint64_t>(done), true});
        done += std::min(workers * 10 / perDrawingMs, capacity / 100);
    }
    EXPECT_FALSE(growth.Due(start + std::chrono::seconds(200))) << "looks on after settling";
    return workers;
}

TEST(WorkerGrowthTest, GrowsOnceWorkersWaitWithDrawingsQueued) {
    // Two workers keeping two processors busy, or one just over half: a local run.
    Expect("busy", 2, 2, {{0, 0, 0, true, 2}, {10, 19, 5, true, 2}, {60, 70, 30, true, 2}});
    // Workers that wait, but nothing queued: the listing is what holds the run back.
    Expect("no backlog", 2, 2, {{0, 0, 0, false, 2}, {10, 1, 1, false, 2}, {70, 3, 9, false, 2}});
    // Busy at first, then waiting with drawings queued, at two looks in a row: a share, or a
    // cold disk. Less than half of the processors in use is waiting; then four workers a
    // processor.
    Expect("share", 2, 2,
           {{0, 0, 0, true, 2}, {10, 12, 4, true, 2}, {20, 21, 6, true, 2}, {30, 28, 7, true, 8}});
    Expect("share, one processor", 1, 1,
           {{0, 0, 0, true, 1}, {15, 7, 2, true, 1}, {30, 14, 4, true, 4}});
    // Waiting at one look only, twice: another program's moment, not a share.
    Expect("a moment", 2, 2,
           {{0, 0, 0, true, 2},
            {10, 5, 2, true, 2},
            {20, 25, 6, true, 2},
            {30, 30, 8, true, 2},
            {40, 50, 10, true, 2}});
    // Waiting with drawings queued, but doing 40,000 a second: they wait for the run's own
    // locks, not for a server (a dry run over a warm local disk).
    Expect("fast", 2, 2,
           {{0, 0, 0, true, 2},
            {10, 5, 400, true, 2},
            {20, 10, 800, true, 2},
            {30, 15, 1200, true, 2}});
    // More workers than that asked for already: none taken away, none added.
    Expect("many", 2, 16, {{0, 0, 0, true, 16}, {10, 0, 0, true, 16}, {20, 0, 0, true, 0}});
}

TEST(WorkerGrowthTest, DoublesWhileItPays) {
    // Two do 50 drawings a second while they wait; grown to 8, the 8 warm up (8 drawings),
    // then are measured over 16 drawings at 200 a second: that paid, so 16, which do 400 a
    // second: that paid too, so 32, which do 440: that did not.
    Expect("doubling", 2, 2,
           {{0, 0, 0, true, 2},
            {10, 1, 0, true, 2},
            {20, 2, 1, true, 8},  // waiting twice: four a processor
            {30, 3, 9, true, 8},  // warm: 8 done since growing
            {40, 4, 11, true, 8},
            {120, 12, 27, true, 16},    // 18 in 90 ms: 200 a second
            {130, 13, 43, true, 16},    // warm
            {210, 21, 75, true, 32},    // 32 in 80 ms: 400 a second
            {220, 22, 107, true, 32},   // warm
            {370, 37, 173, true, 32},   // 66 in 150 ms: 440 a second
            {380, 38, 200, true, 0}});  // settled: no more looks
    // 16 doing fewer drawings a second than 8 did (160 against 200): back to 8, and settled.
    Expect("slower", 2, 2,
           {{0, 0, 0, true, 2},
            {10, 1, 0, true, 2},
            {20, 2, 1, true, 8},
            {30, 3, 9, true, 8},
            {120, 12, 27, true, 16},  // 18 in 90 ms: 200 a second
            {130, 13, 43, true, 16},  // warm
            {330, 33, 75, true, 8},   // 32 in 200 ms: 160 a second
            {340, 34, 80, true, 0}});
    // Two did 200 a second while they seemed to wait, and eight do 160: back to two.
    Expect("the first growth slower", 2, 2,
           {{0, 0, 0, true, 2},
            {10, 1, 2, true, 2},
            {20, 2, 4, true, 8},
            {30, 3, 12, true, 8},
            {130, 13, 28, true, 2},
            {140, 14, 30, true, 0}});
    // A measurement while nothing waits for a worker does not double them, nor settle.
    Expect("no backlog", 1, 1,
           {{0, 0, 0, true, 1},
            {10, 1, 0, true, 1},
            {20, 2, 0, true, 4},
            {30, 3, 4, true, 4},
            {70, 7, 12, false, 4},
            {110, 11, 20, true, 8}});
}

TEST(WorkerGrowthTest, SettlesWhereTheServerIsFull) {
    // 5 ms a drawing and room for 2000 a second: 5 ms x 2000 = 10 in flight keep it full,
    // so 16 (no 32: that adds nothing).
    EXPECT_EQ(SettleOnShare(2, 5, 2000), 16u);
    // A slower server with room for many more: doubling pays up to the most workers.
    EXPECT_EQ(SettleOnShare(2, 25, 100000), 64u);
    EXPECT_EQ(SettleOnShare(8, 25, 100000), 64u);
    // A server already full with the first workers: the trial of 32 does no better (counted
    // in whole drawings, a little worse) and is taken back.
    EXPECT_EQ(SettleOnShare(4, 2, 1000), 16u);
}

}  // namespace
