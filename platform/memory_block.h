#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// One owned, zero-filled block of bytes; a null handle means no block.
using MemoryBlock = std::vector<std::uint8_t>;
using MemoryHandle = std::unique_ptr<MemoryBlock>;

// A zero-filled block of exactly `size` bytes, or null when memory is short.
MemoryHandle AllocateBlock(std::size_t size);
