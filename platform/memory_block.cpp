#include "platform/memory_block.h"

#include <new>

MemoryHandle AllocateBlock(std::size_t size) {
    try {
        return std::make_unique<MemoryBlock>(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (const std::length_error&) {
        return nullptr;
    }
}
