#pragma once

#include <sys/resource.h>

#include <string>
#include <utility>
#include <vector>

struct ToolRun {
    std::string out;
    std::string err;
    int status = -1;         // exit status, or -1 when the tool did not exit normally
    long peakMemoryKib = 0;  // the child's peak resident set
};

struct RunOptions {
    std::string stdinPath = "/dev/null";
    std::string stdoutPath{};           // where stdout goes; empty: captured into ToolRun::out
    int stdoutFd = -1;                  // or this descriptor, when set
    bool asOrdinaryUser = false;        // run as nobody, with no root privileges
    bool ignoreFileSizeSignal = false;  // SIGXFSZ ignored, so an oversized write fails instead
    std::vector<std::pair<int, rlim_t>> limits{};  // resource limits set in the child
};

// Runs a program in `directory` with stdin from /dev/null (or as asked) and captures what it
// prints.
ToolRun RunProgram(const std::string& program, const std::string& directory,
                   const std::vector<std::string>& arguments, const RunOptions& options = {});

// The user tests run as when they need one without root privileges.
inline constexpr unsigned kNobody = 65534;

// Whether tests can switch to an ordinary user here (they run as root).
bool CanRunAsOrdinaryUser();
