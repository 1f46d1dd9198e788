#include "app/scheduler.h"
#include "platform/processors.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <string>
#include <system_error>

namespace {

// Enough drawings in flight to keep every worker busy past an uneven one, few enough that
// their held-back text stays small.
constexpr std::size_t kSlotsPerWorker = 64;
// The memory that a run's large previews may hold at once, however many workers read them:
// four of the largest bitmaps a drawing may hold.
constexpr std::uint64_t kRunPreviewBytes = 4 * kMaxDibBytes;

// How often a submitting thread that waits looks whether more workers would help.
constexpr auto kGrowthLookInterval = std::chrono::milliseconds(10);

// A worker must never take the process down: anything a drawing raises fails that drawing.
DrawingResult RunGuarded(const DrawingJob& job, CDwgThumbnail& thumbnail) {
    DrawingResult result;
    try {
        result = RunDrawing(job, thumbnail);
    } catch (const std::exception& error) {
        ConsoleError(std::string(ProgramName()) + ": " + job.input + ": " + error.what() + "\n");
    }
    thumbnail.ReleasePreview();  // another worker may need the memory meanwhile
    return result;
}

}  // namespace

Scheduler::Scheduler(Completion completion)
    : m_completion(std::move(completion)), m_memory(kRunPreviewBytes), m_thumbnail(kBlack) {
    m_thumbnail.m_budget = &m_memory;
}

Scheduler::~Scheduler() {
    Drain();
    StopWorkers();
}

void Scheduler::SetWorkers(unsigned count, bool grow) {
    Drain();
    StopWorkers();
    m_wanted = count;
    m_growth.reset();
    if (grow) {
        m_growth.emplace(count);
    }
}

// Workers start with the first drawing, so that a run of none (or a usage error) costs none.
void Scheduler::StartWorkers() {
    m_stopping = false;
    if (m_wanted > 1 || m_growth) {
        AddWorkers(m_wanted);
        const std::lock_guard lock(m_mutex);
        m_active = m_workers.size();
    }
    m_wanted = 0;
}

void Scheduler::AddWorkers(unsigned count) {
    try {
        for (unsigned i = 0; i < count; ++i) {
            const std::size_t index = m_workers.size();
            m_workers.emplace_back([this, index] { WorkerLoop(index); });
        }
    } catch (const std::system_error&) {
        m_growth.reset();  // the system allows no more threads: those that started will do
    }
}

void Scheduler::LookAtGrowth() {
    if (!m_growth || m_workers.empty()) {
        return;
    }
    const auto now = WorkerGrowth::Clock::now();  // cheap: no system call
    if (!m_growth->Due(now)) {
        return;
    }
    const auto workers = static_cast<unsigned>(m_active);
    const unsigned wanted =
        m_growth->Look(workers, {now, ProcessorTimeUsed(), m_done, !m_pending.empty()});
    if (wanted > m_workers.size()) {
        AddWorkers(wanted - static_cast<unsigned>(m_workers.size()));
    }
    if (const std::size_t active = std::min<std::size_t>(wanted, m_workers.size());
        active != m_active) {
        m_active = active;  // past it, workers finish their drawing, then wait
        m_workReady.notify_all();
    }
}

void Scheduler::StopWorkers() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_workReady.notify_all();
    m_workers.clear();  // joins
    m_active = 0;
}

void Scheduler::WorkerLoop(std::size_t index) {
    CDwgThumbnail thumbnail(kBlack);
    thumbnail.m_budget = &m_memory;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_workReady.wait(lock,
                         [&] { return m_stopping || (index < m_active && !m_pending.empty()); });
        if (index >= m_active || m_pending.empty()) {
            return;  // stopping
        }
        Slot* slot = m_pending.front();
        m_pending.pop_front();
        lock.unlock();
        {
            const ConsoleCapture capture(slot->text);
            slot->result = RunGuarded(slot->job, thumbnail);
        }
        lock.lock();
        slot->done = true;
        ++m_done;
        if (slot == m_watched) {
            m_slotDone.notify_one();
        }
    }
}

void Scheduler::Submit(DrawingJob job) {
    if (m_wanted != 0) {
        StartWorkers();
    }
    if (m_workers.empty()) {
        m_completion(job, RunGuarded(job, m_thumbnail));
        return;
    }
    auto slot = std::make_unique<Slot>();
    slot->job = std::move(job);
    {
        const std::lock_guard lock(m_mutex);
        m_pending.push_back(slot.get());
    }
    // One wake-up could go to a worker past the active count, which waits on: then all.
    if (m_active < m_workers.size()) {
        m_workReady.notify_all();
    } else {
        m_workReady.notify_one();
    }
    Enqueue(std::move(slot));
}

void Scheduler::RunInOrder(DrawingJob job) {
    Drain();
    m_completion(job, RunGuarded(job, m_thumbnail));
}

void Scheduler::Say(const std::function<void()>& print) {
    if (m_workers.empty()) {
        print();
        return;
    }
    auto slot = std::make_unique<Slot>();
    slot->isDrawing = false;
    slot->done = true;
    {
        const ConsoleCapture capture(slot->text);
        print();
    }
    Enqueue(std::move(slot));
}

void Scheduler::Enqueue(std::unique_ptr<Slot> slot) {
    std::size_t inFlight = 0;
    std::size_t window = 0;
    {
        const std::lock_guard lock(m_mutex);
        m_order.push_back(std::move(slot));
        inFlight = m_order.size();
        LookAtGrowth();
        window = kSlotsPerWorker * m_active;
    }
    if (inFlight > window) {
        // Waking for every drawing would cost more than many drawings do: wait until half
        // the window is done, then tell all that are.
        TellDone(inFlight / 2);
    }
}

void Scheduler::WaitUntilDone(std::unique_lock<std::mutex>& lock, Slot* slot) {
    m_watched = slot;
    const auto done = [slot] { return slot->done; };
    // While the workers may still grow, wake now and then to look whether they should.
    while (m_growth && m_growth->MayGrow() &&
           !m_slotDone.wait_for(lock, kGrowthLookInterval, done)) {
        LookAtGrowth();
    }
    m_slotDone.wait(lock, done);
    m_watched = nullptr;
}

void Scheduler::TellDone(std::size_t awaited) {
    std::vector<std::unique_ptr<Slot>> done;
    {
        std::unique_lock lock(m_mutex);
        if (m_order.empty()) {
            return;
        }
        WaitUntilDone(lock, m_order[std::min(awaited, m_order.size() - 1)].get());
        WaitUntilDone(lock, m_order.front().get());  // workers may finish out of order
        while (!m_order.empty() && m_order.front()->done) {
            done.push_back(std::move(m_order.front()));
            m_order.pop_front();
        }
    }
    for (const std::unique_ptr<Slot>& slot : done) {
        slot->text.Replay();
        if (slot->isDrawing) {
            m_completion(slot->job, slot->result);
        }
    }
}

void Scheduler::Drain() {
    for (;;) {
        {
            const std::lock_guard lock(m_mutex);
            if (m_order.empty()) {
                return;
            }
        }
        TellDone(0);
    }
}
