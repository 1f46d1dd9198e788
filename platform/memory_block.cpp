#include "platform/memory_block.h"

#include <new>
#include <stdexcept>

namespace {

template <typename... Fill>
MemoryHandle Allocate(std::size_t size, Fill... fill) {
    try {
        return std::make_unique<MemoryBlock>(size, fill...);
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (const std::length_error&) {
        return nullptr;
    }
}

}  // namespace

MemoryHandle AllocateBlock(std::size_t size) {
    return Allocate(size, std::uint8_t{0});
}

MemoryHandle AllocateUnsetBlock(std::size_t size) {
    return Allocate(size);
}
