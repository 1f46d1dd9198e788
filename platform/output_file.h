#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/file.h"
#include "platform/file_exception.h"
#include "platform/unique_fd.h"

// What an output must never replace: the drawing it is made from (`source`, compared by the
// file system's identity of the files), any file whose first `startBytes` bytes `isDrawing`
// calls a drawing, and, with `isDrawing`, any file that cannot be read to tell.
struct OutputGuard {
    FileName source;
    bool (*isDrawing)(std::span<const std::uint8_t> start) = nullptr;
    std::size_t startBytes = 0;
};

// A picture file being written. Failures are raised as CFileException.
class COutputFile {
public:
    // What closing the output did with the name.
    enum class Outcome { kCreated, kReplaced, kAlreadyHeld };

    COutputFile() = default;
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;
    // An output that was never closed is discarded, never left half written.
    ~COutputFile();

    // The bytes go to a file without a name (or, where the file system cannot make one, a
    // hidden file with an unguessable name) that takes the target's name only when Close()
    // succeeds: a failed or interrupted write leaves an existing file of that name intact,
    // and a replaced file keeps its permissions and, where allowed, its owner and group.
    // An existing file that `guard` protects is never replaced (kDrawingCause).
    void CreateForWriting(const FileName& path, const OutputGuard& guard = {});
    void Write(const void* buffer, std::size_t count);
    // The parts one after another, in as few system calls as the kernel allows.
    void Write(ByteParts parts);
    // The output takes its name.
    Outcome Close();
    // Closes the output like Close(), unless a file of its name holds exactly `parts` already:
    // that one is left as it is (kAlreadyHeld) and the output discarded.
    Outcome CloseUnlessHolding(ByteParts parts);

private:
    // 0, or kDrawingCause when the file under the output's name is one the guard protects.
    int GuardExisting() const;
    void Discard();
    Outcome Publish(const ByteParts* unlessHolding);
    int PublishOutput(const ByteParts* unlessHolding, Outcome& outcome);
    [[noreturn]] void Fail(int cause) const;

    UniqueFd m_fd;
    FileName m_path;
    FileName m_tempPath;  // set while the output has a hidden name of its own
    OutputGuard m_guard;
};

// Puts `bytes` into the existing regular file at `path`, keeping the file itself, for a caller
// that handed it over and reads it back through a descriptor of its own (a thumbnail
// factory): whole or not at all, since a write that fails puts the old contents back, and a
// terminating signal waits until the write is over. A name that does not exist yet, and a file
// with other links that would change with it, get a new file as COutputFile makes it. Anything
// but a regular file (a link, a device, a FIFO) is refused, and so is a file that `guard`
// protects. Failures are raised as CFileException.
void WriteFileInPlace(const FileName& path, std::span<const std::uint8_t> bytes,
                      const OutputGuard& guard = {});
// Writes `bytes` to a new file that takes the place of whatever `path` names, as COutputFile
// does.
void WriteNewFile(const FileName& path, std::span<const std::uint8_t> bytes,
                  const OutputGuard& guard);
// kDrawingCause when an existing file, open as `fd` and beginning with `start` (its first
// guard.startBytes bytes, or more), is one the guard protects; else 0.
int GuardedCause(int fd, std::span<const std::uint8_t> start, const OutputGuard& guard);
