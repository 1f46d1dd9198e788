#include "tests/run_tool.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

#include "tests/dwg_builder.h"
#include "tests/temp_dir.h"

namespace {

bool DropToNobody() {
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

// In the child: standard streams, limits and user, then the program. Never returns.
[[noreturn]] void StartChild(const std::string& program, const std::string& directory,
                             std::vector<char*>& argv, const RunOptions& options,
                             const std::string& outPath, const std::string& errPath) {
    const int in = ::open(options.stdinPath.c_str(), O_RDONLY);
    const int out = options.stdoutFd >= 0
                        ? ::dup(options.stdoutFd)
                        : ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || ::chdir(directory.c_str()) != 0 || ::dup2(in, 0) < 0 ||
        ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) {
        ::_exit(127);
    }
    ::close(in);
    ::close(out);
    ::close(err);
    if (options.ignoreFileSizeSignal) {
        std::signal(SIGXFSZ, SIG_IGN);
    }
    for (const auto& [resource, value] : options.limits) {
        const rlimit limit{value, value};
        if (::setrlimit(resource, &limit) != 0) {
            ::_exit(126);
        }
    }
    if (options.asOrdinaryUser && !DropToNobody()) {
        ::_exit(125);
    }
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

}  // namespace

ToolRun RunProgram(const std::string& program, const std::string& directory,
                   const std::vector<std::string>& arguments, const RunOptions& options) {
    TempDir capture;
    const std::string outPath =
        options.stdoutPath.empty() ? capture / "stdout" : options.stdoutPath;
    const std::string errPath = capture / "stderr";
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child == 0) {
        StartChild(program, directory, pointers, options, outPath, errPath);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    ToolRun run;
    if (options.stdoutPath.empty() && options.stdoutFd < 0) {
        const Bytes out = ReadFile(outPath);
        run.out.assign(out.begin(), out.end());
    }
    const Bytes err = ReadFile(errPath);
    run.err.assign(err.begin(), err.end());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakMemoryKib = usage.ru_maxrss;
    return run;
}

bool CanRunAsOrdinaryUser() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(::geteuid() == 0 && DropToNobody() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
