#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

// How many workers end a run soonest. More than processors only while the workers wait for a
// disk or a network (a share, a cold cache) rather than use the processors: then there are
// soon several for each processor, and each doubling past that is kept only if it pays.
class WorkerGrowth {
public:
    using Clock = std::chrono::steady_clock;
    struct Mark {
        Clock::time_point time;
        std::uint64_t processorTime = 0;  // nanoseconds the process has used
        std::size_t done = 0;             // drawings the workers have done
        bool backlog = false;             // drawings are waiting for a worker
    };

    explicit WorkerGrowth(unsigned processors);

    // Whether it is time for another look: one is taken every few milliseconds.
    bool Due(Clock::time_point now) const;
    // How many workers to have, given how many there are and the run so far.
    unsigned Look(unsigned workers, const Mark& mark);

private:

    unsigned m_processors;
    bool m_started = false;
    bool m_settled = false;
    Mark m_look;    // the last look
    Mark m_window;  // the start of the window over which the present count is judged
    double m_rateBefore = 0;  // drawings a second before the last doubling, or 0
};
