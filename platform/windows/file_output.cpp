// COutputFile on Windows: each output is written under a hidden name beside it and put in
// place in one step, so that it appears whole or not at all.
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/output_file.h"
#include "platform/output_names.h"
#include "platform/windows/wide.h"

namespace {

// Only a regular file that may be written is ever replaced. 0, or the refusal's errno value
// (or kNotRegularCause); `exists` tells whether there is a file to replace.
int CheckReplaceable(const std::string& target, bool& exists) {
    const DWORD attributes = ::GetFileAttributesW(WidePath(target).c_str());
    exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!exists) {
        const int cause = LastErrno();
        return cause == ENOENT ? 0 : cause;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return EISDIR;
    }
    if (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) {
        return kNotRegularCause;
    }
    return (attributes & FILE_ATTRIBUTE_READONLY) ? EACCES : 0;
}

}  // namespace

void COutputFile::CreateForWriting(const FileName& path, const OutputGuard& guard) {
    Discard();
    m_path = path;
    m_guard = guard;
    RemoveAbandonedHiddenFiles(path);
    m_fd = CreateHiddenFile(path, m_tempPath);
    if (!m_fd.IsOpen()) {
        Fail(errno);
    }
}

void COutputFile::Write(ByteParts parts) {
    if (!m_fd.IsOpen()) {
        Fail(EBADF);
    }
    for (std::span<const std::uint8_t> part : parts) {
        while (!part.empty()) {
            const unsigned chunk =
                static_cast<unsigned>(std::min<std::size_t>(part.size(), INT_MAX));
            const int written = _write(m_fd.Get(), part.data(), chunk);
            if (written <= 0) {
                Fail(written < 0 ? errno : EIO);
            }
            part = part.subspan(static_cast<std::size_t>(written));
        }
    }
}

// Renamed while still open and locked, so that no other run takes it for abandoned
// meanwhile; then closed. Should the rename fail, Discard() removes it.
int COutputFile::PublishOutput(const ByteParts* unlessHolding, Outcome& outcome) {
    if (unlessHolding != nullptr && FileHoldsExactly(m_path, *unlessHolding)) {
        outcome = Outcome::kAlreadyHeld;
        return 0;
    }
    bool exists = false;
    if (const int refused = CheckReplaceable(SystemPath(m_path), exists); refused != 0) {
        return refused;
    }
    if (const int refused = exists ? GuardExisting() : 0; refused != 0) {
        return refused;
    }
    outcome = exists ? Outcome::kReplaced : Outcome::kCreated;
    // Kept from here on: until now, the end of the process would have removed it.
    if (!SetDeleteOnClose(reinterpret_cast<HANDLE>(_get_osfhandle(m_fd.Get())), false)) {
        return LastErrno();
    }
    if (const int cause = RenameHiddenFile(m_tempPath, m_path); cause != 0) {
        return cause;
    }
    m_tempPath = {};
    return _close(m_fd.Release()) == 0 ? 0 : errno;
}
