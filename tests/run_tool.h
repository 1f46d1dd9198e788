#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

// Whether the tools run under AddressSanitizer, which allows no address-space limit and has
// an allocator of its own.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif
// Whether this process runs under ThreadSanitizer, whose shadow memory counts in its peak.
#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif
#else
constexpr bool kThreadSanitizer = false;
#endif

struct ToolRun {
    std::string out;
    std::string err;
    int status = -1;         // exit status, or -1 when the tool did not exit normally
    int signal = 0;          // the signal that ended it, if one did
    long peakMemoryKib = 0;  // the child's peak resident set
    long minorFaults = 0;    // pages the child was given without reading from disk
};

struct RunOptions {
    std::string stdinPath = "/dev/null";
    int stdinFd = -1;                   // or this descriptor, when set
    std::string stdoutPath{};           // where stdout goes; empty: captured into ToolRun::out
    int stdoutFd = -1;                  // or this descriptor, when set
    bool asOrdinaryUser = false;        // run as nobody, with no root privileges
    unsigned extraGroup = 0;            // and, when not 0, a member of this group too
    std::vector<int> ignoredSignals{};  // as a caller such as nohup leaves them
    std::vector<std::pair<int, rlim_t>> limits{};  // resource limits set in the child
    std::vector<std::pair<std::string, std::string>> environment{};  // variables set in it
    // When not 0: killed if not over by then (Wine now and then leaves a thread of an ended
    // process waiting for ever).
    std::chrono::seconds killAfter{0};
};

// A program started in `directory` with stdin from /dev/null (or as asked), what it prints
// captured; tests act on it while it runs. Killed, if still running, when destroyed.
class ToolProcess {
public:
    ToolProcess(const std::string& program, const std::string& directory,
                const std::vector<std::string>& arguments, const RunOptions& options = {});
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;
    ~ToolProcess();

    pid_t Pid() const { return m_pid; }
    // Waits for the end; `status` is -1 when a signal ended it (see `signal`).
    ToolRun Wait();

private:
    RunOptions m_options;
    std::string m_capture;
    pid_t m_pid = -1;
};

// Runs a program to its end (see ToolProcess).
ToolRun RunProgram(const std::string& program, const std::string& directory,
                   const std::vector<std::string>& arguments, const RunOptions& options = {});

// The user tests run as when they need one without root privileges.
inline constexpr unsigned kNobody = 65534;

// Whether tests can switch to an ordinary user here (they run as root).
bool CanRunAsOrdinaryUser();
