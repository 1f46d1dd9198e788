#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/batch.h"

// The command line, checked whole before anything is done: an unknown option or a bad value
// raises UsageError, and nothing has been read, made or written.
struct CommandLine {
    enum class Request { kRun, kHelp, kVersion };

    // One option with its value, or one drawing argument, in command-line order.
    struct Step {
        std::string spelled;  // as given, for the warning about options that apply to nothing
        bool names = false;   // drawings: a pattern, a name, or a list of names
        std::function<void(BatchState&)> apply;
    };

    Request request = Request::kRun;
    std::vector<Step> steps;
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);
