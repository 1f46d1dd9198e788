#include "platform/processors.h"

#include <sched.h>
#include <time.h>
#include <unistd.h>

unsigned UsableProcessors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) {
        return static_cast<unsigned>(CPU_COUNT(&set));
    }
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<unsigned>(online) : 1;
}

std::uint64_t ProcessorTimeUsed() {
    timespec used{};
    if (::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used) != 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(used.tv_sec) * 1000000000u +
           static_cast<std::uint64_t>(used.tv_nsec);
}
