#include "app/worker_growth.h"

#include <algorithm>

namespace {

// Waiting shows within a few drawings, so that a run on a share is soon at full speed.
constexpr auto kLookInterval = std::chrono::milliseconds(10);
// Workers that use less than this share of the processors they could are mostly waiting,
// when they do so at this many looks in a row: one may be another program's moment.
constexpr double kWaitingShare = 0.5;
constexpr unsigned kWaitingLooks = 2;
// Drawings a second that one waiting worker does at most: a drawing that takes it longer
// than a millisecond waits for requests; faster ones wait only for the run's own locks.
constexpr double kWaitingRatePerWorker = 1000.0;
// Workers for each processor once they wait: enough to keep a share with a millisecond a
// request busy.
constexpr unsigned kWaitingWorkersPerProcessor = 4;
// A growth pays when drawings go this much faster; past a server's capacity they go no
// faster, its requests only queue.
constexpr double kWorthwhileGain = 1.3;
// Drawings each worker finishes in a measurement: enough for a steady rate.
constexpr std::uint64_t kMeasuredPerWorker = 2;
// Workers a run never goes beyond, as each may hold a large preview in memory.
constexpr unsigned kMostWorkers = 64;

double Seconds(WorkerGrowth::Clock::duration span) {
    return std::chrono::duration<double>(span).count();
}

}  // namespace

WorkerGrowth::WorkerGrowth(unsigned processors) : m_processors(std::max(processors, 1u)) {}

bool WorkerGrowth::Due(Clock::time_point now) const {
    return MayGrow() && (!m_started || now - m_last.time >= kLookInterval);
}

unsigned WorkerGrowth::Look(unsigned workers, const Mark& mark) {
    if (!m_started || mark.time <= m_last.time) {
        m_started = true;
        m_last = mark;
        return workers;
    }
    switch (m_phase) {
        case Phase::kWatching:
            return Watch(workers, mark);
        case Phase::kWarming:
            if (mark.done - m_last.done >= workers) {
                m_phase = Phase::kMeasuring;
                m_last = mark;
            }
            return workers;
        case Phase::kMeasuring:
            return Measure(workers, mark);
        case Phase::kSettled:
            break;
    }
    return workers;
}

unsigned WorkerGrowth::Watch(unsigned workers, const Mark& mark) {
    const Mark last = m_last;
    m_last = mark;
    const double seconds = Seconds(mark.time - last.time);
    const double processorsUsed =
        static_cast<double>(mark.processorTime - last.processorTime) / 1e9 / seconds;
    const double rate = static_cast<double>(mark.done - last.done) / seconds;
    const unsigned waitingWorkers =
        std::min(kWaitingWorkersPerProcessor * m_processors, kMostWorkers);
    if (workers >= waitingWorkers) {
        m_phase = Phase::kSettled;  // more than that asked for already
        return workers;
    }
    const bool waiting = mark.backlog &&
                         processorsUsed < kWaitingShare * std::min(workers, m_processors) &&
                         rate < kWaitingRatePerWorker * workers;
    if (!waiting) {
        m_waitingLooks = 0;
        return workers;
    }
    if (m_waitingLooks++ == 0) {
        m_waitStart = last;
    }
    if (m_waitingLooks < kWaitingLooks) {
        return workers;
    }
    // The rate while they waited is what the new workers must beat.
    m_rateBefore =
        static_cast<double>(mark.done - m_waitStart.done) / Seconds(mark.time - m_waitStart.time);
    m_before = workers;
    m_phase = Phase::kWarming;
    return waitingWorkers;
}

unsigned WorkerGrowth::Measure(unsigned workers, const Mark& mark) {
    const std::uint64_t done = mark.done - m_last.done;
    if (done < kMeasuredPerWorker * workers) {
        return workers;
    }
    const double rate = static_cast<double>(done) / Seconds(mark.time - m_last.time);
    m_last = mark;
    if (m_rateBefore > 0.0 && rate < kWorthwhileGain * m_rateBefore) {
        m_phase = Phase::kSettled;
        return rate < m_rateBefore ? m_before : workers;  // slower: back to as many as before
    }
    if (!mark.backlog) {
        return workers;  // the drawings come no faster than these workers do them: measure on
    }
    if (workers * 2 > kMostWorkers) {
        m_phase = Phase::kSettled;
        return workers;
    }
    m_rateBefore = rate;
    m_before = workers;
    m_phase = Phase::kWarming;
    return workers * 2;
}
