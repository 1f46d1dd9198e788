#pragma once
// Memory that the workers of one run share for their largest blocks: a worker takes what a
// large preview will need before it allocates it, waiting while others hold too much, so
// that the run's peak stays near the budget whatever the number of workers.

#include <condition_variable>
#include <cstdint>
#include <mutex>

class CMemoryBudget {
public:
    // What a taker holds until it gives it back (or is destroyed).
    class Grant {
    public:
        Grant() = default;
        Grant(Grant&& other) noexcept;
        Grant& operator=(Grant&& other) noexcept;
        Grant(const Grant&) = delete;
        Grant& operator=(const Grant&) = delete;
        ~Grant() { Release(); }
        void Release();

    private:
        friend class CMemoryBudget;
        CMemoryBudget* m_budget = nullptr;
        std::uint64_t m_bytes = 0;
    };

    explicit CMemoryBudget(std::uint64_t bytes) : m_free(bytes), m_total(bytes) {}
    CMemoryBudget(const CMemoryBudget&) = delete;
    CMemoryBudget& operator=(const CMemoryBudget&) = delete;

    // Waits until `bytes` are free and takes them; more than the whole budget takes all of
    // it, so that one taker always gets on alone.
    Grant Take(std::uint64_t bytes);

private:
    void Give(std::uint64_t bytes);

    std::mutex m_mutex;
    std::condition_variable m_freed;
    std::uint64_t m_free;
    const std::uint64_t m_total;
};
