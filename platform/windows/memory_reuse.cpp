#include "platform/memory_reuse.h"

// The Windows heap keeps freed blocks for reuse by itself.
void ReuseFreedMemory() {}
