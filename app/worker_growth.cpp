#include "app/worker_growth.h"

#include <algorithm>

namespace {

// Waiting shows within a few drawings, so that a run on a share is soon at full speed.
constexpr auto kLookInterval = std::chrono::milliseconds(10);
// Workers that use less than this share of the processors they could are mostly waiting.
constexpr double kWaitingShare = 0.5;
// Workers for each processor once they wait: enough to keep a share with a millisecond a
// request busy, and no more, since past its capacity a server only queues the requests.
// (Growing further while each doubling paid lost more to the trials than it won.)
constexpr unsigned kWaitingWorkersPerProcessor = 4;

}  // namespace

WorkerGrowth::WorkerGrowth(unsigned processors) : m_processors(std::max(processors, 1u)) {}

bool WorkerGrowth::Due(Clock::time_point now) const {
    return !m_grown && (!m_started || now - m_last.time >= kLookInterval);
}

unsigned WorkerGrowth::Look(unsigned workers, const Mark& mark) {
    const Mark last = m_last;
    const bool started = m_started;
    m_started = true;
    m_last = mark;
    if (!started || mark.time <= last.time || m_grown) {
        return workers;
    }
    const double seconds = std::chrono::duration<double>(mark.time - last.time).count();
    const double processorsUsed =
        static_cast<double>(mark.processorTime - last.processorTime) / 1e9 / seconds;
    const unsigned waitingWorkers = kWaitingWorkersPerProcessor * m_processors;
    if (!mark.backlog || workers >= waitingWorkers ||
        processorsUsed >= kWaitingShare * std::min(workers, m_processors)) {
        return workers;
    }
    m_grown = true;
    return waitingWorkers;
}
