#include "platform/memory_reuse.h"

#include <malloc.h>

// glibc gives freed memory back to the system as soon as a few hundred KiB are free, and
// serves blocks over 128 KiB straight from the system: either way every drawing's blocks come
// as fresh pages, each one a page fault, which costs more than reading the drawing.
void ReuseFreedMemory() {
#ifdef __GLIBC__
    constexpr int kKeptFreeBytes = 256 << 20;
    constexpr int kFromSystemAbove = 32 << 20;  // the most glibc allows
    ::mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes);
    ::mallopt(M_MMAP_THRESHOLD, kFromSystemAbove);
#endif
}
