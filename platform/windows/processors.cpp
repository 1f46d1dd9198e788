#include "platform/processors.h"

#include <windows.h>

unsigned UsableProcessors() {
    const DWORD count = ::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
    return count == 0 ? 1 : count;
}

std::uint64_t ProcessorTimeUsed() {
    FILETIME created{}, ended{}, kernel{}, user{};
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user)) {
        return 0;
    }
    const auto ticks = [](const FILETIME& time) {
        return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    };
    return (ticks(kernel) + ticks(user)) * 100;  // in units of 100 ns
}
