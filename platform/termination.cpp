#include "platform/termination.h"

#include <atomic>
#include <mutex>
#include <unordered_set>

#include "platform/termination_cleanup.h"

namespace {

std::shared_mutex g_cleanup;  // exclusive: the signal's cleanup; shared: steps it must not split
std::mutex g_namesMutex;
std::unordered_multiset<std::string> g_hiddenFiles;
std::atomic<void (*)()> g_hook{nullptr};

}  // namespace

std::unique_lock<std::shared_mutex> CleanUpForTermination() {
    std::unique_lock cleanup(g_cleanup);  // held to the end: no new hidden name appears
    {
        const std::lock_guard names(g_namesMutex);
        for (const std::string& path : g_hiddenFiles) {
            RemoveFileNow(path);
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

void RegisterHiddenFile(const std::string& path) {
    const std::lock_guard names(g_namesMutex);
    g_hiddenFiles.insert(path);
}

void ForgetHiddenFile(const std::string& path) {
    const std::lock_guard names(g_namesMutex);
    if (const auto found = g_hiddenFiles.find(path); found != g_hiddenFiles.end()) {
        g_hiddenFiles.erase(found);
    }
}

void SetTerminationHook(void (*hook)()) {
    g_hook.store(hook);
}
