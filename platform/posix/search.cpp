#include "platform/search.h"
#include "platform/search_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include <unistd.h>

#include "platform/path.h"

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Everything but '*' and '?' matches only itself.
std::string EscapeForFnmatch(const std::string& name) {
    std::string pattern;
    for (char c : name) {
        if (c == '[' || c == ']' || c == '\\') {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern;
}

EntryKind KindOfMode(mode_t mode) {
    if (S_ISREG(mode)) {
        return EntryKind::kRegular;
    }
    return S_ISDIR(mode) ? EntryKind::kDirectory : EntryKind::kOther;
}

// The kind, from the directory entry where it tells, else from the file it leads to.
SearchMatch Classify(int directoryFd, const dirent& entry) {
    SearchMatch match;
    match.name = entry.d_name;
    switch (entry.d_type) {
        case DT_REG:
            return match;
        case DT_DIR:
            match.kind = EntryKind::kDirectory;
            return match;
        case DT_LNK:
        case DT_UNKNOWN:
            break;
        default:
            match.kind = EntryKind::kOther;
            return match;
    }
    match.followed = true;
    struct stat info {};
    if (::fstatat(directoryFd, entry.d_name, &info, 0) != 0) {
        match.kind = EntryKind::kBroken;
        match.error = errno;
    } else {
        match.kind = KindOfMode(info.st_mode);
    }
    return match;
}

}  // namespace

SearchResult SearchDirectory(const std::string& directory, const std::string& name,
                             const COpenFolder* held) {
    SearchResult result;
    result.wildcard = true;
    const int fd = ::openat(held != nullptr ? held->Descriptor() : AT_FDCWD,
                            held != nullptr || directory.empty() ? "." : directory.c_str(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    std::unique_ptr<DIR, DirCloser> dir(fd >= 0 ? ::fdopendir(fd) : nullptr);
    if (!dir) {
        result.error = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        return result;
    }
    const std::string pattern = EscapeForFnmatch(name);
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view entryName = entry->d_name;
        if (entryName == "." || entryName == "..") {
            continue;
        }
        if (::fnmatch(pattern.c_str(), entry->d_name, FNM_PERIOD) == 0) {
            result.matches.push_back(Classify(::dirfd(dir.get()), *entry));
        }
    }
    return result;
}

bool NameMatches(const std::string& pattern, const std::string& name) {
    return ::fnmatch(EscapeForFnmatch(pattern).c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

SearchResult FindName(const std::string& path) {
    const PathParts parts = SplitPath(path);
    const std::string name = parts.baseName + parts.extension;
    SearchResult result;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        result.error = errno;
        return result;
    }
    SearchMatch match;
    match.name = name;
    match.kind = KindOfMode(info.st_mode);
    if (S_ISLNK(info.st_mode)) {
        match.followed = true;
        if (::stat(path.c_str(), &info) != 0) {
            match.kind = EntryKind::kBroken;
            match.error = errno;
        } else {
            match.kind = KindOfMode(info.st_mode);
        }
    }
    result.matches.push_back(std::move(match));
    return result;
}
