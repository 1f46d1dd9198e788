// When a run takes more workers than processors: only once they wait with drawings queued.
#include "app/worker_growth.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint64_t kMillisecond = 1000000;  // in nanoseconds

struct Step {
    int ms;           // since the first look
    int processorMs;  // processor time the process has used by then
    bool backlog;
    unsigned expected;  // workers to have after this look
};

// Runs the looks in order, each with the workers the one before asked for.
void Expect(const char* story, unsigned processors, unsigned workers,
            const std::vector<Step>& steps) {
    WorkerGrowth growth(processors);
    const unsigned first = workers;
    const auto start = WorkerGrowth::Clock::now();
    for (const Step& step : steps) {
        const auto time = start + std::chrono::milliseconds(step.ms);
        ASSERT_TRUE(growth.Due(time)) << story << " at " << step.ms << " ms";
        workers = growth.Look(workers, {time, step.processorMs * kMillisecond, step.backlog});
        EXPECT_EQ(workers, step.expected) << story << " at " << step.ms << " ms";
    }
    const auto later = start + std::chrono::seconds(10);
    EXPECT_EQ(growth.Due(later), workers == first) << story << ": looks on after growing";
}

TEST(WorkerGrowthTest, GrowsOnceWorkersWaitWithDrawingsQueued) {
    // Two workers keeping two processors busy, or one just over half: a local run.
    Expect("busy", 2, 2, {{0, 0, true, 2}, {10, 19, true, 2}, {60, 70, true, 2}});
    // Workers that wait, but nothing queued: the listing is what holds the run back.
    Expect("no backlog", 2, 2, {{0, 0, false, 2}, {10, 1, false, 2}, {70, 3, false, 2}});
    // Busy at first, then waiting with drawings queued: a share, or a cold disk. Less than
    // half of the processors in use is waiting; then four workers a processor, once.
    Expect("share", 2, 2, {{0, 0, true, 2}, {10, 12, true, 2}, {20, 21, true, 8}});
    Expect("share, one processor", 1, 1, {{0, 0, true, 1}, {15, 7, true, 4}});
    // More workers than that asked for already: none taken away, none added.
    Expect("many", 2, 16, {{0, 0, true, 16}, {10, 0, true, 16}});
}

}  // namespace
