// Folders held open as descriptors: names in them are opened relative to the descriptor.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/folder.h"
#include "platform/path.h"
#include "platform/unique_fd.h"

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;
constexpr mode_t kFolderMode = 0777;  // less the umask, as for any new folder

}  // namespace

COpenFolder::~COpenFolder() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

namespace {

// The identity of an open folder as text, or empty and `cause`.
std::string IdentityOf(const UniqueFd& fd, int& cause) {
    struct stat info {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &info) != 0) {
        cause = errno;
        return {};
    }
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

}  // namespace

FolderHandle COpenFolder::Open(const std::string& path, int& cause) {
    UniqueFd fd(::open(path.empty() ? "." : path.c_str(), kFolderFlags));
    std::string identity = IdentityOf(fd, cause);
    return identity.empty() ? nullptr : Adopt(fd.Release(), nullptr, path, std::move(identity));
}

FolderHandle COpenFolder::OpenIn(const FolderHandle& parent, const std::string& name, bool create,
                                 int& cause) {
    const int at = parent->Descriptor();
    if (create && ::mkdirat(at, name.c_str(), kFolderMode) != 0 && errno != EEXIST) {
        cause = errno;
        return nullptr;
    }
    UniqueFd fd(::openat(at, name.c_str(), kFolderFlags | O_NOFOLLOW));
    if (!fd.IsOpen()) {
        // A link is ELOOP; a name that is no folder, ENOTDIR, whatever the system says of it.
        struct stat info {};
        cause = errno == ENOTDIR && ::fstatat(at, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                        S_ISLNK(info.st_mode)
                    ? ELOOP
                    : errno;
        return nullptr;
    }
    std::string identity = IdentityOf(fd, cause);
    return identity.empty() ? nullptr
                            : Adopt(fd.Release(), nullptr, MakePath(parent->Path(), name, ""),
                                    std::move(identity));
}

void AllowAllOpenFiles() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        (void)::setrlimit(RLIMIT_NOFILE, &limit);  // where refused, the soft limit stands
    }
}
