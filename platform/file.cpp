// CFile: reading through the cache, and closing, as every system does them.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <new>

#include <unistd.h>

#include "platform/file.h"

namespace {

// Most drawings keep their image data and preview within their first 64 KiB: one read.
constexpr std::size_t kReadAheadSize = 64 * 1024;

}  // namespace

void CFile::Discard() {
    m_fd.Reset();
    m_source = nullptr;
    m_cache.clear();
    m_end.reset();
}

void CFile::Fail(int cause) const {
    throw CFileException(m_path, cause);
}

CFileException CFile::OpenFailure() const {
    return CFileException(m_path, m_openError);
}

std::size_t CFile::ReadThroughCache(std::uint8_t* buffer, std::size_t count) {
    const bool hit = m_position >= m_cacheStart && m_position - m_cacheStart < m_cache.size();
    if (!hit) {
        m_cache.resize(kReadAheadSize);
        m_cache.resize(ReadAt(m_position, m_cache.data(), kReadAheadSize));
        m_cacheStart = m_position;
    }
    const std::size_t offset = static_cast<std::size_t>(m_position - m_cacheStart);
    const std::size_t available = m_cache.size() - std::min(offset, m_cache.size());
    const std::size_t got = std::min(count, available);
    std::memcpy(buffer, m_cache.data() + offset, got);
    if (got < count && offset + got == kReadAheadSize) {
        // The cache ended before the file did: fetch the rest directly.
        return got + ReadAt(m_position + got, buffer + got, count - got);
    }
    return got;
}

void CFile::OpenSource(const std::string& name, ReadSource source, std::uint64_t size) {
    Discard();
    m_path = name;
    m_position = 0;
    m_openError = 0;
    m_source = std::move(source);
    m_size = size;
}

std::size_t CFile::ReadSourceAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count) {
    count =
        static_cast<std::size_t>(std::min<std::uint64_t>(count, m_size - std::min(offset, m_size)));
    int cause = 0;
    const std::int64_t got = count == 0 ? 0 : m_source(offset, buffer, count, cause);
    if (got < 0 || static_cast<std::uint64_t>(got) > count) {
        Fail(got < 0 && cause != 0 ? cause : EIO);
    }
    if (static_cast<std::size_t>(got) < count || count == 0) {
        m_end = std::min(offset + static_cast<std::uint64_t>(got), m_size);
    }
    return static_cast<std::size_t>(got);
}

std::size_t CFile::Read(void* buffer, std::size_t count) {
    if (!IsOpen()) {
        Fail(EBADF);
    }
    if (count == 0 || (m_end && m_position >= *m_end)) {
        return 0;
    }
    const std::size_t got = ReadThroughCache(static_cast<std::uint8_t*>(buffer), count);
    m_position += got;
    return got;
}

MemoryHandle CFile::ReadBlock(std::uint64_t offset, std::size_t size) {
    if (!IsOpen()) {
        Fail(EBADF);
    }
    const std::uint64_t end = offset + size;
    const bool cached = offset >= m_cacheStart && offset - m_cacheStart < m_cache.size();
    const std::size_t fromCache =
        cached ? std::min<std::size_t>(size, m_cache.size() - (offset - m_cacheStart)) : 0;
    // Only bytes the file has are ever allocated.
    if (end > m_size || (m_end && end > *m_end)) {
        return nullptr;
    }
    MemoryHandle block = AllocateUnsetBlock(size);
    if (!block) {
        throw std::bad_alloc();
    }
    if (fromCache != 0) {
        std::memcpy(block->data(), m_cache.data() + (offset - m_cacheStart), fromCache);
    }
    const std::size_t rest = size - fromCache;
    if (rest != 0 && ReadAt(offset + fromCache, block->data() + fromCache, rest) != rest) {
        return nullptr;  // the file shrank meanwhile
    }
    return block;
}

void CFile::Seek(std::int64_t offset) {
    if (!IsOpen()) {
        Fail(EBADF);
    }
    if (offset < 0) {
        Fail(EINVAL);
    }
    m_position = static_cast<std::uint64_t>(offset);
}

bool FileHoldsExactly(const FileName& path, ByteParts parts) {
    std::size_t size = 0;
    for (std::span<const std::uint8_t> part : parts) {
        size += part.size();
    }
    CFile file;
    if (!file.OpenForReading(path, KindCheck::kListedRegular) || file.m_size != size) {
        return false;
    }
    try {
        // One byte more than expected, to see that the file ends where the bytes do.
        MemoryBlock held(size + 1);
        if (file.ReadAt(0, held.data(), held.size()) != size) {
            return false;
        }
        auto next = held.begin();
        for (std::span<const std::uint8_t> part : parts) {
            if (!std::equal(part.begin(), part.end(), next)) {
                return false;
            }
            next += static_cast<std::ptrdiff_t>(part.size());
        }
        return true;
    } catch (const CFileException&) {
        return false;  // unreadable, or no regular file: the replacement shows the real fault
    }
}

void CFile::Close() {
    m_cache.clear();
    m_end.reset();
    m_source = nullptr;
    if (m_fd.IsOpen() && ::close(m_fd.Release()) != 0) {
        Fail(errno);
    }
}
