#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Leaves bytes unset where a size alone is given, so that a block about to be filled by a
// read is not first cleared for nothing.
template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    using std::allocator<T>::allocator;
    template <typename U>
    void construct(U* place) {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Args>
    void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

// One owned block of bytes; a null handle means no block.
using MemoryBlock = std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>>;
using MemoryHandle = std::unique_ptr<MemoryBlock>;

// A zero-filled block of exactly `size` bytes, or null when memory is short.
MemoryHandle AllocateBlock(std::size_t size);
// The same, its bytes unset: for a block that is filled whole before it is read.
MemoryHandle AllocateUnsetBlock(std::size_t size);
