#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/drawing_job.h"
#include "app/worker_growth.h"
#include "platform/console.h"

// Does drawings on worker threads, each with a thumbnail object of its own, and tells what
// became of them in the order they were given: the console text and the files of any number
// of workers are those of one.
class Scheduler {
public:
    // Called on the submitting thread, in submission order, as each drawing is told.
    using Completion = std::function<void(const DrawingJob&, DrawingResult)>;

    explicit Scheduler(Completion completion);
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;
    ~Scheduler();

    // Tells every drawing given so far, then works on with `count` workers; with one, each
    // drawing is done at once on the calling thread (the state of a new scheduler).
    // `grow`: start with `count` worker threads, and add more while they wait (WorkerGrowth).
    void SetWorkers(unsigned count, bool grow = false);
    void Submit(DrawingJob job);
    // Does the drawing on the calling thread once every earlier one is told: for a drawing
    // that depends on what an earlier one wrote.
    void RunInOrder(DrawingJob job);
    // Console text of the submitting thread, told in its place among the drawings.
    void Say(const std::function<void()>& print);
    // Tells every drawing given so far.
    void Drain();
    // Worker threads at work now (none while drawings are done on the calling thread).
    std::size_t Workers() const { return m_active; }

private:
    struct Slot {
        DrawingJob job;
        bool isDrawing = true;
        ConsoleRecording text;
        DrawingResult result;
        bool done = false;
    };

    void StartWorkers();
    void AddWorkers(unsigned count);
    // Adds workers as the growth rule says; called with the lock held.
    void LookAtGrowth();
    void StopWorkers();
    void WorkerLoop(std::size_t index);
    void Enqueue(std::unique_ptr<Slot> slot);
    void WaitUntilDone(std::unique_lock<std::mutex>& lock, Slot* slot);
    // Tells, in order, every drawing done before the first one that is not, once the one
    // at position `awaited` is done.
    void TellDone(std::size_t awaited);

    Completion m_completion;
    CMemoryBudget m_memory;     // the workers' large previews: before any thumbnail object
    CDwgThumbnail m_thumbnail;  // the calling thread's
    std::mutex m_mutex;
    std::condition_variable m_workReady;
    std::condition_variable m_slotDone;
    Slot* m_watched = nullptr;  // the slot whose end the submitting thread waits for
    std::deque<std::unique_ptr<Slot>> m_order;  // given, not yet told
    std::deque<Slot*> m_pending;                // given, not yet started
    bool m_stopping = false;
    std::uint64_t m_done = 0;  // drawings the workers have finished
    unsigned m_wanted = 0;     // workers to start with the next drawing
    std::optional<WorkerGrowth> m_growth;
    std::vector<std::jthread> m_workers;
    // Workers that take drawings: the first this many; more wait, as too many requests in
    // flight slow a server down. Changed on the submitting thread, with the lock held while
    // workers run.
    std::size_t m_active = 0;
};
