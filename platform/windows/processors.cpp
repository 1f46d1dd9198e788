#include "platform/processors.h"

#include <windows.h>

unsigned UsableProcessors() {
    const DWORD count = ::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
    return count == 0 ? 1 : count;
}
