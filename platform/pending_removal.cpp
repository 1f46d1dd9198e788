#include "platform/pending_removal.h"

#include <unistd.h>

#include <atomic>
#include <csignal>

namespace {

std::atomic<const char*> g_pending{nullptr};
constexpr int kTerminatingSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveAndRaise(int signalNumber) {
    if (const char* path = g_pending.exchange(nullptr)) {
        ::unlink(path);
    }
    struct sigaction original {};
    original.sa_handler = SIG_DFL;
    ::sigaction(signalNumber, &original, nullptr);
    ::raise(signalNumber);
}

// Only signals that would end the process anyway: one the caller ignores (nohup) stays ignored.
void InstallOnce() {
    static const bool installed = [] {
        for (int signalNumber : kTerminatingSignals) {
            struct sigaction current {};
            if (::sigaction(signalNumber, nullptr, &current) == 0 &&
                current.sa_handler == SIG_DFL) {
                struct sigaction action {};
                action.sa_handler = RemoveAndRaise;
                ::sigemptyset(&action.sa_mask);
                ::sigaction(signalNumber, &action, nullptr);
            }
        }
        return true;
    }();
    (void)installed;
}

}  // namespace

void SetPendingRemoval(const std::string& path) {
    InstallOnce();
    g_pending.store(path.c_str());
}

void ClearPendingRemoval() {
    g_pending.store(nullptr);
}
