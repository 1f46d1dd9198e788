#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "platform/file_exception.h"
#include "platform/memory_block.h"
#include "platform/unique_fd.h"

// A drawing opened for reading, or a BMP file being written. Failures other than that of
// opening for reading are raised as CFileException.
class CFile {
public:
    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    // Closes the file; an output that was never closed is discarded, never left half written.
    ~CFile();

    // Opens a regular file; anything else (a directory, a FIFO, a device) fails, so that
    // opening never blocks and never reads an endless stream. OpenFailure() says why.
    bool OpenForReading(const std::string& path);
    CFileException OpenFailure() const;

    // The bytes go to a file without a name (or, where the file system cannot make one, a
    // hidden file with an unguessable name) that takes the target's name only when Close()
    // succeeds: a failed or interrupted write leaves an existing file of that name intact,
    // and a replaced file keeps its permissions and, where allowed, its owner and group.
    void CreateForWriting(const std::string& path);
    // The count actually read; fewer than asked only at end of file.
    std::size_t Read(void* buffer, std::size_t count);
    // Any offset from the start, also past the end; a negative one is an error.
    void Seek(std::int64_t offset);
    std::uint64_t GetPosition() const { return m_position; }
    // The size of the file when it was opened: no claim in the file can supply more.
    std::uint64_t GetLength() const { return m_length; }

    void Write(const void* buffer, std::size_t count);
    // The parts one after another, in as few system calls as the kernel allows.
    void Write(std::initializer_list<std::span<const std::uint8_t>> parts);
    void Close();

private:
    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count);
    std::size_t ReadThroughCache(std::uint8_t* buffer, std::size_t count);
    void Discard();
    int PublishOutput();
    [[noreturn]] void Fail(int cause) const;

    UniqueFd m_fd;
    std::string m_path;
    int m_openError = 0;
    bool m_writing = false;
    std::string m_tempPath;  // set while an output has a hidden name of its own
    std::uint64_t m_position = 0;
    std::uint64_t m_length = 0;
    // The few small fields of a drawing lie close together: one read serves them all.
    MemoryBlock m_cache;  // bytes beyond what was read are never looked at
    std::uint64_t m_cacheStart = 0;
};

// Puts `bytes` into the existing regular file at `path`, keeping the file itself, for a caller
// that handed it over and reads it back through a descriptor of its own (a thumbnail
// factory): whole or not at all, since a write that fails puts the old contents back. A name
// that does not exist yet gets a new file as CFile::CreateForWriting makes it; anything but a
// regular file (a link, a device, a FIFO) is refused. Failures are raised as CFileException.
void WriteFileInPlace(const std::string& path, std::span<const std::uint8_t> bytes);

// Whether the regular file at `path` holds exactly these bytes: an output that is already
// right can be left as it is, as install -C and rsync do.
bool FileHoldsExactly(const std::string& path,
                      std::initializer_list<std::span<const std::uint8_t>> parts);
