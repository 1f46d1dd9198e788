// Terminating signals on POSIX systems: a thread takes them and cleans up before they act.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <system_error>
#include <thread>

#include "platform/posix/at_name.h"
#include "platform/termination.h"
#include "platform/termination_cleanup.h"

namespace {

constexpr int kTerminatingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kExitBySignal = 128;

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
    const auto cleanup = CleanUpForTermination();
    ::signal(signalNumber, SIG_DFL);
    sigset_t only;
    ::sigemptyset(&only);
    ::sigaddset(&only, signalNumber);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signalNumber);
    ::_exit(kExitBySignal + signalNumber);  // not reached: the signal ends the process
}

}  // namespace

void RemoveFileNow(const FileName& file) {
    ::unlinkat(AtFolder(file), AtName(file), 0);
}

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
