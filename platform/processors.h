#pragma once

#include <cstdint>

// The processors this process may run on (its affinity mask, as nproc counts), at least 1.
unsigned UsableProcessors();

// The processor time the whole process has used so far, in nanoseconds.
std::uint64_t ProcessorTimeUsed();
