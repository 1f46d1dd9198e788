#include "platform/termination.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace {

constexpr int kTerminatingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kExitBySignal = 128;

std::shared_mutex g_cleanup;  // exclusive: the signal's cleanup; shared: steps it must not split
std::mutex g_namesMutex;
std::unordered_multiset<std::string> g_hiddenFiles;
std::atomic<void (*)()> g_hook{nullptr};

// The signals that would end the process now; one the caller ignores is left alone.
sigset_t SignalsToTake() {
    sigset_t set;
    ::sigemptyset(&set);
    for (int signalNumber : kTerminatingSignals) {
        struct sigaction current {};
        if (::sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            ::sigaddset(&set, signalNumber);
        }
    }
    return set;
}

[[noreturn]] void CleanUpAndEnd(int signalNumber) {
    const std::unique_lock cleanup(g_cleanup);  // held to the end: no new hidden name appears
    {
        const std::lock_guard names(g_namesMutex);
        for (const std::string& path : g_hiddenFiles) {
            ::unlink(path.c_str());
        }
    }
    if (void (*hook)() = g_hook.load()) {
        hook();
    }
    ::signal(signalNumber, SIG_DFL);
    sigset_t only;
    ::sigemptyset(&only);
    ::sigaddset(&only, signalNumber);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signalNumber);
    ::_exit(kExitBySignal + signalNumber);  // not reached: the signal ends the process
}

}  // namespace

void StartTerminationGuard() {
    const sigset_t set = SignalsToTake();
    if (::pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) {
        return;
    }
    try {
        std::thread([set] {
            int signalNumber = 0;
            while (::sigwait(&set, &signalNumber) != 0) {
            }
            CleanUpAndEnd(signalNumber);
        }).detach();
    } catch (const std::system_error&) {
        ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);  // no thread: the signals act as before
    }
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
