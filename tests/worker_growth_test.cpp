// When a run takes more workers than processors: only while they wait, and only while it pays.
#include "app/worker_growth.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint64_t kMillisecond = 1000000;  // in nanoseconds

struct Step {
    int ms;           // since the first look
    int processorMs;  // processor time the process has used by then
    std::size_t done;
    bool backlog;
    unsigned expected;  // workers to have after this look
};

// Runs the looks in order, each with the workers the one before asked for.
void Expect(const char* story, unsigned processors, unsigned workers,
            const std::vector<Step>& steps) {
    WorkerGrowth growth(processors);
    const auto start = WorkerGrowth::Clock::now();
    for (const Step& step : steps) {
        const auto time = start + std::chrono::milliseconds(step.ms);
        ASSERT_TRUE(growth.Due(time)) << story << " at " << step.ms << " ms";
        workers = growth.Look(
            workers, {time, step.processorMs * kMillisecond, step.done, step.backlog});
        EXPECT_EQ(workers, step.expected) << story << " at " << step.ms << " ms";
    }
}

TEST(WorkerGrowthTest, GrowsOnlyWhileWorkersWaitWithDrawingsQueued) {
    // Two workers keeping two processors busy: a local run on a warm cache.
    Expect("busy", 2, 2,
           {{0, 0, 0, true, 2}, {10, 19, 40, true, 2}, {60, 110, 240, true, 2},
            {200, 390, 800, true, 2}});
    // Workers that wait, but nothing queued: the listing is what holds the run back.
    Expect("no backlog", 2, 2, {{0, 0, 0, false, 2}, {10, 1, 4, false, 2}, {70, 3, 30, false, 2}});
    // Waiting with drawings queued: four workers a processor at once, then doublings kept
    // while drawings a second grow by a quarter, and the first that does not is undone.
    Expect("share", 2, 2,
           {{0, 0, 0, true, 2},
            {10, 1, 2, true, 8},         // waiting: 0.1 of 2 processors
            {30, 2, 12, true, 8},        // judged over 50 ms only
            {60, 3, 30, true, 16},       // 28 drawings in 50 ms, still waiting
            {110, 5, 90, true, 32},      // 60 in 50 ms: paid, and still waiting
            {160, 8, 160, true, 16}});   // 70 in 50 ms: not a quarter more, undone
    EXPECT_FALSE([] {
        WorkerGrowth settled(2);
        const auto start = WorkerGrowth::Clock::now();
        settled.Look(8, {start, 0, 0, true});
        settled.Look(8, {start + std::chrono::milliseconds(50), 0, 50, true});
        settled.Look(16, {start + std::chrono::milliseconds(100), 0, 60, true});
        return settled.Due(start + std::chrono::seconds(10));
    }()) << "once undone, the count stays";
    // Workers that become busy after growing: no further doubling.
    Expect("share, then busy", 1, 1,
           {{0, 0, 0, true, 1}, {10, 0, 1, true, 4}, {60, 45, 40, true, 4},
            {120, 100, 90, true, 4}});
}

}  // namespace
