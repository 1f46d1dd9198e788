#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

// When a run takes more workers than processors: once the workers are seen to wait for a disk
// or a network (a share, a cold cache) rather than use the processors, with drawings queued
// for them. Then it takes several for each processor, so that requests overlap their waits,
// and doubles them while each doubling pays: a slower server wants more requests in flight.
// A growth that made the drawings slower is taken back.
class WorkerGrowth {
public:
    using Clock = std::chrono::steady_clock;
    struct Mark {
        Clock::time_point time;
        std::uint64_t processorTime = 0;  // nanoseconds the process has used
        std::uint64_t done = 0;           // drawings the workers have finished
        bool backlog = false;             // drawings are waiting for a worker
    };

    explicit WorkerGrowth(unsigned processors);

    // Whether it is time for another look: one every few milliseconds until growth ends.
    bool Due(Clock::time_point now) const;
    bool MayGrow() const { return m_phase != Phase::kSettled; }
    // How many workers to have, given how many there are and the run so far.
    unsigned Look(unsigned workers, const Mark& mark);

private:
    enum class Phase {
        kWatching,   // workers as many as processors, looking whether they wait
        kWarming,    // workers just added, each on its first drawing
        kMeasuring,  // drawings a second with this many workers
        kSettled,    // growing no longer pays
    };

    unsigned Watch(unsigned workers, const Mark& mark);
    unsigned Measure(unsigned workers, const Mark& mark);

    unsigned m_processors;
    Phase m_phase = Phase::kWatching;
    bool m_started = false;
    Mark m_last;                  // the previous look, or where the phase began
    Mark m_waitStart;             // where the workers began to wait
    unsigned m_waitingLooks = 0;  // looks in a row that saw them wait
    unsigned m_before = 0;        // workers before the last growth
    double m_rateBefore = 0.0;    // drawings a second with those; 0 when not known
};
