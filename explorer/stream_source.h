#pragma once

#include <windows.h>

#include <objidl.h>

#include <cstddef>
#include <cstdint>

// A drawing read through a COM stream, for the library's read function.
struct StreamSource {
    IStream* stream = nullptr;
    HRESULT failure = S_OK;  // the stream's own, when a read failed
};

// The stream's size in bytes.
HRESULT StreamSize(IStream* stream, std::uint64_t& size);
// The library's read function over a StreamSource: seeks and reads, fewer bytes only at the
// stream's end.
int ReadFromStream(void* source, std::uint64_t offset, void* buffer, std::size_t length,
                   std::size_t* got);
