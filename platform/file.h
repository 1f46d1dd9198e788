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

// What an output must never replace: the drawing it is made from (`source`, compared by the
// file system's identity of the files), and any file whose first bytes `isDrawing` calls a
// drawing.
struct OutputGuard {
    std::string source;
    bool (*isDrawing)(std::span<const std::uint8_t> start) = nullptr;
};

// A drawing opened for reading, or a BMP file being written. Failures other than that of
// opening for reading are raised as CFileException.
class CFile {
public:
    // What closing an output did with the name.
    enum class Outcome { kCreated, kReplaced, kAlreadyHeld };

    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    // Closes the file; an output that was never closed is discarded, never left half written.
    ~CFile();

    // Opens a regular file; anything else (a directory, a FIFO, a device) fails, so that
    // opening never blocks and never reads an endless stream. OpenFailure() says why.
    bool OpenForReading(const std::string& path, KindCheck check = KindCheck::kAsk);
    CFileException OpenFailure() const;
    // Reads `size` bytes that `source` supplies, under `name`, as an open file is read.
    void OpenSource(const std::string& name, ReadSource source, std::uint64_t size);

    // The bytes go to a file without a name (or, where the file system cannot make one, a
    // hidden file with an unguessable name) that takes the target's name only when Close()
    // succeeds: a failed or interrupted write leaves an existing file of that name intact,
    // and a replaced file keeps its permissions and, where allowed, its owner and group.
    // An existing file that `guard` protects is never replaced (kDrawingCause).
    void CreateForWriting(const std::string& path, const OutputGuard& guard = {});
    // The count actually read; fewer than asked only at end of file. The first read takes
    // the whole start of the file, where drawings keep their previews, in one call.
    std::size_t Read(void* buffer, std::size_t count);
    // The `size` bytes at `offset`, or null when the file ends before them; the position
    // stays. Never allocates more than the file holds.
    MemoryHandle ReadBlock(std::uint64_t offset, std::size_t size);
    // Any offset from the start, also past the end; a negative one is an error.
    void Seek(std::int64_t offset);
    std::uint64_t GetPosition() const { return m_position; }

    void Write(const void* buffer, std::size_t count);
    // The parts one after another, in as few system calls as the kernel allows.
    void Write(ByteParts parts);
    // Reading: closes the file (kCreated). Writing: the output takes its name.
    Outcome Close();
    // Closes an output like Close(), unless a file of its name holds exactly `parts` already:
    // that one is left as it is (kAlreadyHeld) and the output discarded.
    Outcome CloseUnlessHolding(ByteParts parts);

private:
    friend bool FileHoldsExactly(const std::string& path, ByteParts parts);

    // Fewer bytes than asked only at the end of the file, which is then known.
    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count);
    std::size_t ReadSourceAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count);
    bool IsOpen() const { return m_fd.IsOpen() || m_source != nullptr; }
    std::size_t ReadThroughCache(std::uint8_t* buffer, std::size_t count);
    // 0, or kDrawingCause when the file under the output's name is one the guard protects.
    int GuardExisting() const;
    void Discard();
    Outcome Publish(const ByteParts* unlessHolding);
    int PublishOutput(const ByteParts* unlessHolding, Outcome& outcome);
    [[noreturn]] void Fail(int cause) const;

    UniqueFd m_fd;
    ReadSource m_source;  // when reading from something other than a file
    std::string m_path;
    int m_openError = 0;
    bool m_writing = false;
    std::string m_tempPath;  // set while an output has a hidden name of its own
    OutputGuard m_guard;
    std::uint64_t m_position = 0;
    std::optional<std::uint64_t> m_end;  // where the file ends, once a short read told
    std::uint64_t m_size = 0;            // its size when opened: no block reaches past it
    // The few small fields of a drawing lie close together: one read serves them all.
    MemoryBlock m_cache;  // bytes beyond what was read are never looked at
    std::uint64_t m_cacheStart = 0;
};

// Puts `bytes` into the existing regular file at `path`, keeping the file itself, for a caller
// that handed it over and reads it back through a descriptor of its own (a thumbnail
// factory): whole or not at all, since a write that fails puts the old contents back, and a
// terminating signal waits until the write is over. A name that does not exist yet, and a file
// with other links that would change with it, get a new file as CFile::CreateForWriting makes
// it. Anything but a regular file (a link, a device, a FIFO) is refused, and so is a file that
// `guard` protects. Failures are raised as CFileException.
void WriteFileInPlace(const std::string& path, std::span<const std::uint8_t> bytes,
                      const OutputGuard& guard = {});
// Writes `bytes` to a new file that takes the place of whatever `path` names, as CFile does.
void WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes,
                  const OutputGuard& guard);
// kDrawingCause when an existing file, open as `fd` and beginning with `start`, is one the
// guard protects; else 0.
int GuardedCause(int fd, std::span<const std::uint8_t> start, const OutputGuard& guard);
// Whether the open file is the one at `path` (same device and inode, or volume and file ID).
bool IsSameFile(int fd, const std::string& path);

// Whether the regular file at `path` holds exactly these bytes: an output that is already
// right can be left as it is, as install -C and rsync do.
bool FileHoldsExactly(const std::string& path, ByteParts parts);
