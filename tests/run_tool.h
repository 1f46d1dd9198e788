#pragma once

#include <string>
#include <vector>

struct ToolRun {
    std::string out;
    std::string err;
    int status = -1;  // exit status, or -1 when the tool did not exit normally
};

// Runs a program in `directory` with stdin from /dev/null and captures what it prints.
ToolRun RunProgram(const std::string& program, const std::string& directory,
                   const std::vector<std::string>& arguments);
