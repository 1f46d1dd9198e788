// COutputFile: what every system does alike when an output is discarded, checked and closed.
#include <algorithm>
#include <array>
#include <cerrno>

#include <unistd.h>

#include "platform/output_file.h"
#include "platform/output_names.h"

namespace {

// Enough of a file's start to tell a drawing: DWG's version text, DXF's first group.
constexpr std::size_t kDrawingStartBytes = 32;

}  // namespace

COutputFile::~COutputFile() {
    Discard();
}

void COutputFile::Discard() {
    m_fd.Reset();
    if (!m_tempPath.empty()) {
        RemoveHiddenFile(m_tempPath);
        m_tempPath.clear();
    }
}

void COutputFile::Fail(int cause) const {
    throw CFileException(m_path, cause);
}

int COutputFile::GuardExisting() const {
    CFile existing;
    if (!existing.OpenForReading(m_path, KindCheck::kListedRegular)) {
        return 0;  // nothing there, or nothing the replacement may touch: it tells
    }
    std::array<std::uint8_t, kDrawingStartBytes> start{};
    const std::size_t got = existing.ReadAt(0, start.data(), start.size());
    return GuardedCause(existing.m_fd.Get(), {start.data(), got}, m_guard);
}

void WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes,
                  const OutputGuard& guard) {
    COutputFile file;
    file.CreateForWriting(path, guard);
    file.Write(bytes.data(), bytes.size());
    file.Close();
}

int GuardedCause(int fd, std::span<const std::uint8_t> start, const OutputGuard& guard) {
    const bool drawing = guard.isDrawing != nullptr &&
                         guard.isDrawing(start.first(std::min(start.size(), kDrawingStartBytes)));
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
