#include "tests/run_tool.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/dwg_builder.h"
#include "tests/temp_dir.h"

ToolRun RunProgram(const std::string& program, const std::string& directory,
                   const std::vector<std::string>& arguments) {
    TempDir capture;
    const std::string outPath = capture / "stdout";
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
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || ::chdir(directory.c_str()) != 0 || ::dup2(in, 0) < 0 ||
            ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) {
            ::_exit(127);
        }
        ::execv(program.c_str(), pointers.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ToolRun run;
    const Bytes out = ReadFile(outPath);
    const Bytes err = ReadFile(errPath);
    run.out.assign(out.begin(), out.end());
    run.err.assign(err.begin(), err.end());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
