#include "explorer/stream_source.h"

#include <algorithm>
#include <cerrno>
#include <climits>

HRESULT StreamSize(IStream* stream, std::uint64_t& size) {
    STATSTG status{};
    const HRESULT result = stream->Stat(&status, STATFLAG_NONAME);
    size = status.cbSize.QuadPart;
    return result;
}

int ReadFromStream(void* user, std::uint64_t offset, void* buffer, std::size_t length,
                   std::size_t* got) {
    StreamSource& source = *static_cast<StreamSource*>(user);
    *got = 0;
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    HRESULT result = source.stream->Seek(position, STREAM_SEEK_SET, nullptr);
    while (SUCCEEDED(result) && *got < length) {
        const ULONG asked = static_cast<ULONG>(std::min<std::size_t>(length - *got, ULONG_MAX));
        ULONG read = 0;
        result = source.stream->Read(static_cast<BYTE*>(buffer) + *got, asked, &read);
        *got += std::min<ULONG>(read, asked);
        if (read == 0) {
            break;  // the end of the stream
        }
    }
    if (FAILED(result)) {
        source.failure = result;
        return EIO;
    }
    return 0;
}
