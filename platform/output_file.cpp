// COutputFile: what every system does alike when an output is discarded, checked and closed.
#include <algorithm>
#include <cerrno>

#include <unistd.h>

#include "platform/output_file.h"
#include "platform/output_names.h"

COutputFile::~COutputFile() {
    Discard();
}

void COutputFile::Discard() {
    m_fd.Reset();
    if (!m_tempPath.empty()) {
        RemoveHiddenFile(m_tempPath);
        m_tempPath = {};
    }
}

void COutputFile::Fail(int cause) const {
    throw CFileException(m_path.path, cause);
}

int COutputFile::GuardExisting() const {
    CFile existing;
    if (!existing.OpenForReading(m_path, KindCheck::kListedRegular)) {
        // Gone since the look: nothing to replace. Anything else, a file that cannot be read
        // among them, is never replaced by a guarded output: it could be a drawing.
        const int cause = existing.OpenFailure().Cause();
        return cause == ENOENT || m_guard.isDrawing == nullptr ? 0
               : cause == EACCES || cause == EPERM             ? kUnreadableCause
                                                               : cause;
    }
    MemoryBlock start(std::min<std::size_t>(m_guard.startBytes, existing.GetLength()));
    start.resize(existing.ReadAt(0, start.data(), start.size()));
    return GuardedCause(existing.m_fd.Get(), start, m_guard);
}

void WriteNewFile(const FileName& path, std::span<const std::uint8_t> bytes,
                  const OutputGuard& guard) {
    COutputFile file;
    file.CreateForWriting(path, guard);
    file.Write(bytes.data(), bytes.size());
    file.Close();
}

int GuardedCause(int fd, std::span<const std::uint8_t> start, const OutputGuard& guard) {
    const bool drawing = guard.isDrawing != nullptr &&
                         guard.isDrawing(start.first(std::min(start.size(), guard.startBytes)));
    return drawing || (!guard.source.empty() && IsSameFile(fd, guard.source)) ? kDrawingCause : 0;
}

void COutputFile::Write(const void* buffer, std::size_t count) {
    Write({std::span(static_cast<const std::uint8_t*>(buffer), count)});
}

COutputFile::Outcome COutputFile::Close() {
    return Publish(nullptr);
}

COutputFile::Outcome COutputFile::CloseUnlessHolding(ByteParts parts) {
    return Publish(&parts);
}

COutputFile::Outcome COutputFile::Publish(const ByteParts* unlessHolding) {
    if (!m_fd.IsOpen()) {
        Fail(EBADF);
    }
    Outcome outcome = Outcome::kCreated;
    if (const int cause = PublishOutput(unlessHolding, outcome); cause != 0) {
        Discard();  // removes the hidden name, if the output got one
        Fail(cause);
    }
    if (outcome == Outcome::kAlreadyHeld) {
        Discard();
    }
    return outcome;
}
