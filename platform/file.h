#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/file_exception.h"
#include "platform/folder.h"
#include "platform/memory_block.h"
#include "platform/unique_fd.h"

// The parts of an output, one after another.
using ByteParts = std::initializer_list<std::span<const std::uint8_t>>;

// What OpenForReading knows of the name. Either way only a regular file is ever read: the
// open file itself is asked what it is.
enum class KindCheck {
    kAsk,
    // The caller listed the name as a regular file, not a link: opened without following one
    // (a link put in its place since is followed only after that fails).
    kListedRegular,
};

// A drawing's bytes from somewhere other than a named file (memory, a caller's stream): the
// count copied to `buffer` from `offset`, fewer only at the end, or -1 and an errno value in
// `cause`.
using ReadSource = std::function<std::int64_t(std::uint64_t offset, std::uint8_t* buffer,
                                              std::size_t count, int& cause)>;

// A drawing opened for reading. Failures other than that of opening are raised as
// CFileException.
class CFile {
public:
    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens a regular file; anything else (a directory, a FIFO, a device) fails, so that
    // opening never blocks and never reads an endless stream. OpenFailure() says why.
    bool OpenForReading(const FileName& file, KindCheck check = KindCheck::kAsk);
    CFileException OpenFailure() const;
    // Reads `size` bytes that `source` supplies, under `name`, as an open file is read.
    void OpenSource(const std::string& name, ReadSource source, std::uint64_t size);

    // The count actually read; fewer than asked only at end of file. The first read takes
    // the whole start of the file, where drawings keep their previews, in one call.
    std::size_t Read(void* buffer, std::size_t count);
    // The `size` bytes at `offset`, or null when the file ends before them; the position
    // stays. Never allocates more than the file holds.
    MemoryHandle ReadBlock(std::uint64_t offset, std::size_t size);
    // Any offset from the start, also past the end; a negative one is an error.
    void Seek(std::int64_t offset);
    std::uint64_t GetPosition() const { return m_position; }
    // The size the file had when it was opened.
    std::uint64_t GetLength() const { return m_size; }

    // Closes the file.
    void Close();

private:
    friend class COutputFile;
    friend bool FileHoldsExactly(const FileName& file, ByteParts parts);

    // Fewer bytes than asked only at the end of the file, which is then known.
    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count);
    std::size_t ReadSourceAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count);
    bool IsOpen() const { return m_fd.IsOpen() || m_source != nullptr; }
    std::size_t ReadThroughCache(std::uint8_t* buffer, std::size_t count);
    void Discard();
    [[noreturn]] void Fail(int cause) const;

    UniqueFd m_fd;
    ReadSource m_source;  // when reading from something other than a file
    std::string m_path;
    int m_openError = 0;
    std::uint64_t m_position = 0;
    std::optional<std::uint64_t> m_end;  // where the file ends, once a short read told
    std::uint64_t m_size = 0;            // its size when opened: no block reaches past it
    // The few small fields of a drawing lie close together: one read serves them all.
    MemoryBlock m_cache;  // bytes beyond what was read are never looked at
    std::uint64_t m_cacheStart = 0;
};

// Whether the open file is the one `file` names (same device and inode, or volume and file ID).
bool IsSameFile(int fd, const FileName& file);

// Whether the regular file `file` names holds exactly these bytes: an output that is already
// right can be left as it is, as install -C and rsync do.
bool FileHoldsExactly(const FileName& file, ByteParts parts);
