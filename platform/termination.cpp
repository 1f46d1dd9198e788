#include "platform/termination.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

#include "platform/termination_cleanup.h"

namespace {

std::shared_mutex g_cleanup;  // exclusive: the signal's cleanup; shared: steps it must not split
std::mutex g_namesMutex;
// By folder and name: two folders may be shown by one path.
std::unordered_multimap<std::string, FileName> g_hiddenFiles;
std::atomic<void (*)()> g_hook{nullptr};

std::string KeyOf(const FileName& file) {
    return file.folder ? file.folder->Identity() + '\0' + file.name : file.path;
}

}  // namespace

std::unique_lock<std::shared_mutex> CleanUpForTermination() {
    std::unique_lock cleanup(g_cleanup);  // held to the end: no new hidden name appears
    {
        const std::lock_guard names(g_namesMutex);
        for (const auto& [key, file] : g_hiddenFiles) {
            RemoveFileNow(file);
        }
    }
    if (void (*hook)() = g_hook.load()) {
        hook();
    }
    return cleanup;
}

std::shared_lock<std::shared_mutex> HoldOffTermination() {
    return std::shared_lock(g_cleanup);
}

void RegisterHiddenFile(const FileName& file) {
    const std::lock_guard names(g_namesMutex);
    g_hiddenFiles.emplace(KeyOf(file), file);
}

void ForgetHiddenFile(const FileName& file) {
    const std::lock_guard names(g_namesMutex);
    if (const auto found = g_hiddenFiles.find(KeyOf(file)); found != g_hiddenFiles.end()) {
        g_hiddenFiles.erase(found);
    }
}

void SetTerminationHook(void (*hook)()) {
    g_hook.store(hook);
}
