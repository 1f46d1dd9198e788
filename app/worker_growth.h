#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

// When a run takes more workers than processors: once the workers are seen to wait for a disk
// or a network (a share, a cold cache) rather than use the processors, with drawings queued
// for them. Then it takes several for each processor, so that requests overlap their waits.
class WorkerGrowth {
public:
    using Clock = std::chrono::steady_clock;
    struct Mark {
        Clock::time_point time;
        std::uint64_t processorTime = 0;  // nanoseconds the process has used
        bool backlog = false;             // drawings are waiting for a worker
    };

    explicit WorkerGrowth(unsigned processors);

    // Whether it is time for another look: one every few milliseconds until the run grows.
    bool Due(Clock::time_point now) const;
    bool MayGrow() const { return !m_grown; }
    // How many workers to have, given how many there are and the run so far.
    unsigned Look(unsigned workers, const Mark& mark);

private:
    unsigned m_processors;
    bool m_started = false;
    bool m_grown = false;
    Mark m_last;
};
