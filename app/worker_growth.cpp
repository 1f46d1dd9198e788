#include "app/worker_growth.h"

#include <algorithm>

namespace {

// Waiting shows at once, so that a run on a share is soon at full speed.
constexpr auto kLookInterval = std::chrono::milliseconds(10);
// Whether a doubling pays shows only over dozens of drawings.
constexpr auto kWindow = std::chrono::milliseconds(50);
// Workers that use less than this share of the processors they could are mostly waiting.
constexpr double kWaitingShare = 0.5;
// Workers for each processor that waiting workers get straight away.
constexpr unsigned kWaitingWorkersPerProcessor = 4;
// A doubling that brings less than this gain in drawings a second is undone.
constexpr double kWorthwhileGain = 1.25;
// Past this, a server only queues the requests.
constexpr unsigned kMaxGrownWorkers = 64;

double Seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

}  // namespace

WorkerGrowth::WorkerGrowth(unsigned processors) : m_processors(std::max(processors, 1u)) {}

bool WorkerGrowth::Due(Clock::time_point now) const {
    return !m_settled && (!m_started || now - m_look.time >= kLookInterval);
}

unsigned WorkerGrowth::Look(unsigned workers, const Mark& mark) {
    const Clock::time_point now = mark.time;
    const std::size_t done = mark.done;
    if (!m_started || now <= m_look.time) {
        m_started = true;
        m_look = m_window = mark;
        return workers;
    }
    const double processorsUsed =
        static_cast<double>(mark.processorTime - m_look.processorTime) / 1e9 /
        Seconds(now - m_look.time);
    const bool waiting =
        mark.backlog && processorsUsed < kWaitingShare * std::min(workers, m_processors);
    m_look = mark;
    const unsigned atOnce = kWaitingWorkersPerProcessor * m_processors;
    if (workers < atOnce) {
        if (waiting) {
            m_window = mark;
            return atOnce;
        }
        return workers;
    }
    if (now - m_window.time < kWindow) {
        return workers;
    }
    const double rate = static_cast<double>(done - m_window.done) / Seconds(now - m_window.time);
    m_window = mark;
    if (m_rateBefore > 0 && rate < m_rateBefore * kWorthwhileGain) {
        m_settled = true;  // the share or the disk is as busy as it gets: undo the doubling
        return workers / 2;
    }
    m_rateBefore = 0;
    if (!waiting || workers >= kMaxGrownWorkers) {
        return workers;
    }
    m_rateBefore = rate;
    return std::min(workers * 2, kMaxGrownWorkers);
}
