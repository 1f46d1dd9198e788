// CFile: reading through the cache, and closing, as every system does them.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "platform/file.h"
#include "platform/output_names.h"

namespace {

constexpr std::size_t kReadAheadSize = 4096;

}  // namespace

CFile::~CFile() {
    Discard();
}

void CFile::Discard() {
    m_fd.Reset();
    m_writing = false;
    if (!m_tempPath.empty()) {
        RemoveHiddenFile(m_tempPath);
        m_tempPath.clear();
    }
    m_cache.clear();
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

std::size_t CFile::Read(void* buffer, std::size_t count) {
    if (!m_fd.IsOpen()) {
        Fail(EBADF);
    }
    if (count == 0) {
        return 0;
    }
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    const std::size_t got =
        count >= kReadAheadSize ? ReadAt(m_position, bytes, count) : ReadThroughCache(bytes, count);
    m_position += got;
    return got;
}

void CFile::Seek(std::int64_t offset) {
    if (!m_fd.IsOpen()) {
        Fail(EBADF);
    }
    if (offset < 0) {
        Fail(EINVAL);
    }
    m_position = static_cast<std::uint64_t>(offset);
}

bool FileHoldsExactly(const std::string& path,
                      std::initializer_list<std::span<const std::uint8_t>> parts) {
    std::uint64_t size = 0;
    for (std::span<const std::uint8_t> part : parts) {
        size += part.size();
    }
    CFile file;
    if (!file.OpenForReading(path) || file.GetLength() != size) {
        return false;
    }
    try {
        MemoryBlock held(static_cast<std::size_t>(size));
        if (file.Read(held.data(), held.size()) != size) {
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
        return false;  // unreadable: it is replaced, and any real fault shows then
    }
}

void CFile::Write(const void* buffer, std::size_t count) {
    Write({std::span(static_cast<const std::uint8_t*>(buffer), count)});
}

void CFile::Close() {
    m_cache.clear();
    if (!m_fd.IsOpen()) {
        return;
    }
    if (!m_writing) {
        if (::close(m_fd.Release()) != 0) {
            Fail(errno);
        }
        return;
    }
    m_writing = false;
    if (const int cause = PublishOutput(); cause != 0) {
        Discard();  // removes the hidden name, if the output got one
        Fail(cause);
    }
}
