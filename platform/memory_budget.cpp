#include "platform/memory_budget.h"

#include <algorithm>
#include <utility>

CMemoryBudget::Grant::Grant(Grant&& other) noexcept
    : m_budget(std::exchange(other.m_budget, nullptr)), m_bytes(std::exchange(other.m_bytes, 0)) {}

CMemoryBudget::Grant& CMemoryBudget::Grant::operator=(Grant&& other) noexcept {
    if (this != &other) {
        Release();
        m_budget = std::exchange(other.m_budget, nullptr);
        m_bytes = std::exchange(other.m_bytes, 0);
    }
    return *this;
}

void CMemoryBudget::Grant::Release() {
    if (m_budget != nullptr) {
        std::exchange(m_budget, nullptr)->Give(std::exchange(m_bytes, 0));
    }
}

CMemoryBudget::Grant CMemoryBudget::Take(std::uint64_t bytes) {
    bytes = std::min(bytes, m_total);
    std::unique_lock lock(m_mutex);
    m_freed.wait(lock, [&] { return m_free >= bytes; });
    m_free -= bytes;
    Grant grant;
    grant.m_budget = this;
    grant.m_bytes = bytes;
    return grant;
}

void CMemoryBudget::Give(std::uint64_t bytes) {
    {
        const std::lock_guard lock(m_mutex);
        m_free += bytes;
    }
    m_freed.notify_all();
}
