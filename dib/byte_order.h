#pragma once

#include <cstddef>
#include <cstdint>

// Stores the low `width` bytes of a value, least significant first, as DIB and BMP
// headers keep them.
inline void StoreLittleEndian(std::uint8_t* out, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}
