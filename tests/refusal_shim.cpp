// Loaded with LD_PRELOAD into the tool, this makes the system behave as some systems do.
// PICTAVEX_SHIM lists, separated by commas:
//   link-descriptor  linkat(AT_EMPTY_PATH) fails as for an ordinary user before Linux 6.10;
//   unnamed-files    open(O_TMPFILE) fails as on vfat, FUSE and network file systems;
//   bmp-vanishes     access() of a name ending in ".bmp" finds nothing, as when a FUSE share
//                    hides a file that another run renames over just then;
//   full-server      every pread() waits 2 ms first, one at a time, as a share's requests
//                    do on a server that has no room for more;
//   crowded-server   one read at a time, 1 ms and 1 ms more for each other read waiting, as
//                    a server that slows down under more requests than it can take; with
//                    PICTAVEX_SHIM_READERS, the most reads in flight at once among the last
//                    100 is written there as the process ends;
//   slow-late-names  lstat() of a name that holds "late" waits 20 ms first, so that such
//                    names of a list come to the workers one at a time;
//   swap-listed      once the folder PICTAVEX_SHIM_SWAP (an absolute path) has been listed to
//                    its end, it is moved aside (to the same name and ".moved") and a link to
//                    PICTAVEX_SHIM_SWAP_TO put in its place, as an attacker would swap it;
//   swap-written     the same just before the first output is made in that folder (an unnamed
//                    file opened there): after the folder was made, checked or opened.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

namespace {

bool Asked(const char* what) {
    const char* list = std::getenv("PICTAVEX_SHIM");
    return list != nullptr && std::strstr(list, what) != nullptr;
}

template <typename Function>
Function* Next(const char* symbol) {
    return reinterpret_cast<Function*>(::dlsym(RTLD_NEXT, symbol));
}

// The absolute path a descriptor's folder has now, or a relative path's; empty when unknown.
std::string PathOf(int folder, const char* path) {
    std::string link = folder == AT_FDCWD ? "" : "/proc/self/fd/" + std::to_string(folder);
    char resolved[PATH_MAX];
    if (folder != AT_FDCWD && std::strcmp(path, ".") == 0) {
        const ssize_t length = ::readlink(link.c_str(), resolved, sizeof resolved - 1);
        return length > 0 ? std::string(resolved, static_cast<std::size_t>(length)) : "";
    }
    if (folder == AT_FDCWD && ::realpath(path, resolved) != nullptr) {
        return resolved;
    }
    return "";
}

// Swaps the folder PICTAVEX_SHIM_SWAP for a link, once, when `now` is its path.
void SwapIfAsked(const char* mode, const std::string& now) {
    static std::atomic<bool> swapped = false;
    const char* folder = std::getenv("PICTAVEX_SHIM_SWAP");
    const char* target = std::getenv("PICTAVEX_SHIM_SWAP_TO");
    if (!Asked(mode) || folder == nullptr || target == nullptr || now != folder ||
        swapped.exchange(true)) {
        return;
    }
    ::rename(folder, (std::string(folder) + ".moved").c_str());
    ::symlink(target, folder);
}

int Open(const char* symbol, const char* path, int flags, mode_t mode) {
    if ((flags & O_TMPFILE) == O_TMPFILE && Asked("unnamed-files")) {
        errno = EOPNOTSUPP;
        return -1;
    }
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        SwapIfAsked("swap-written", PathOf(AT_FDCWD, path));
    }
    return Next<int(const char*, int, ...)>(symbol)(path, flags, mode);
}

int OpenAt(const char* symbol, int folder, const char* path, int flags, mode_t mode) {
    if ((flags & O_TMPFILE) == O_TMPFILE && Asked("unnamed-files")) {
        errno = EOPNOTSUPP;
        return -1;
    }
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        SwapIfAsked("swap-written", PathOf(folder, path));
    }
    return Next<int(int, const char*, int, ...)>(symbol)(folder, path, flags, mode);
}

template <typename Entry>
Entry* ReadEntry(const char* symbol, DIR* dir) {
    Entry* entry = Next<Entry*(DIR*)>(symbol)(dir);
    if (entry == nullptr) {
        SwapIfAsked("swap-listed", PathOf(::dirfd(dir), "."));
    }
    return entry;
}

mode_t ModeOf(int flags, va_list arguments) {
    const bool hasMode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
    return hasMode ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

// Reads in flight as each of the last reads began, for PICTAVEX_SHIM_READERS.
constexpr std::size_t kLastReads = 100;
int g_inFlight[kLastReads] = {};
std::size_t g_reads = 0;

__attribute__((destructor)) void TellReaders() {
    const char* path = std::getenv("PICTAVEX_SHIM_READERS");
    if (path == nullptr) {
        return;
    }
    int most = 0;
    for (const int readers : g_inFlight) {
        most = readers > most ? readers : most;
    }
    const std::string text = std::to_string(most) + "\n";
    const int fd =
        Next<int(const char*, int, ...)>("open")(path, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) {
        (void)::write(fd, text.data(), text.size());
        ::close(fd);
    }
}

// Leaves a mark where PICTAVEX_SHIM_MARK says, so that a test knows the shim was loaded.
__attribute__((constructor)) void Mark() {
    if (const char* mark = std::getenv("PICTAVEX_SHIM_MARK")) {
        ::close(Next<int(const char*, int, ...)>("open")(mark, O_WRONLY | O_CREAT, 0600));
    }
}

}  // namespace

extern "C" {

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    if ((flags & AT_EMPTY_PATH) && Asked("link-descriptor")) {
        errno = ENOENT;
        return -1;
    }
    return Next<int(int, const char*, int, const char*, int)>("linkat")(fromDir, from, toDir, to,
                                                                        flags);
}

int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    return Open("open", path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    return Open("open64", path, flags, mode);
}

int openat(int folder, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    return OpenAt("openat", folder, path, flags, mode);
}

int openat64(int folder, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    return OpenAt("openat64", folder, path, flags, mode);
}

dirent* readdir(DIR* dir) {
    return ReadEntry<dirent>("readdir", dir);
}

dirent64* readdir64(DIR* dir) {
    return ReadEntry<dirent64>("readdir64", dir);
}

int lstat(const char* path, struct stat* info) {
    if (Asked("slow-late-names") && std::strstr(path, "late") != nullptr) {
        const timespec wait{0, 20'000'000};
        ::nanosleep(&wait, nullptr);
    }
    return Next<int(const char*, struct stat*)>("lstat")(path, info);
}

int access(const char* path, int mode) {
    const std::size_t length = std::strlen(path);
    if (Asked("bmp-vanishes") && length > 4 && std::strcmp(path + length - 4, ".bmp") == 0) {
        errno = ENOENT;
        return -1;
    }
    return Next<int(const char*, int)>("access")(path, mode);
}

ssize_t pread64(int fd, void* buffer, std::size_t count, off_t offset) {
    if (Asked("full-server")) {
        static std::mutex server;
        const std::lock_guard one(server);
        const timespec wait{0, 2'000'000};
        ::nanosleep(&wait, nullptr);
    }
    if (Asked("crowded-server")) {
        static std::mutex server;
        static std::atomic<int> waiting = 0;
        const int others = waiting++;
        const std::lock_guard one(server);
        g_inFlight[g_reads++ % kLastReads] = others + 1;
        const timespec crowded{0, 1'000'000L * (1 + others)};
        ::nanosleep(&crowded, nullptr);
        --waiting;
    }
    return Next<ssize_t(int, void*, std::size_t, off_t)>("pread64")(fd, buffer, count, offset);
}

ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) {
    return pread64(fd, buffer, count, offset);
}

}  // extern "C"
