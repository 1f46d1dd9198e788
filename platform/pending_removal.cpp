#include "platform/pending_removal.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>

namespace {

// One slot per thread that writes outputs; the handler may only touch lock-free atomics.
constexpr std::size_t kMaxPendingRemovals = 256;
std::array<std::atomic<const char*>, kMaxPendingRemovals> g_pending{};
std::atomic<std::size_t> g_slotsTaken{0};
thread_local std::size_t t_slot = kMaxPendingRemovals;  // none yet
constexpr int kTerminatingSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveAndRaise(int signalNumber) {
    for (auto& pending : g_pending) {
        if (const char* path = pending.exchange(nullptr)) {
            ::unlink(path);
        }
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
    if (t_slot == kMaxPendingRemovals) {
        t_slot = g_slotsTaken.fetch_add(1) % kMaxPendingRemovals;  // more threads: shared
    }
    g_pending[t_slot].store(path.c_str());
}

void ClearPendingRemoval() {
    if (t_slot != kMaxPendingRemovals) {
        g_pending[t_slot].store(nullptr);
    }
}
