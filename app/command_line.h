#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/batch.h"

// The command line, checked whole before anything is done: an unknown option, a bad value or
// an option after the last drawing (but -q) raises UsageError, and nothing has been read,
// made or written. Short options may be bundled ("-nq", "-qo DIR"), long ones abbreviated
// ("--dry").
struct CommandLine {
    // kSystemHelp: help asked for in the system's own way ("/?" on Windows), given in its form.
    enum class Request { kRun, kHelp, kSystemHelp, kVersion };

    // One option with its value, or one drawing argument, in command-line order.
    struct Step {
        std::string spelled;  // as given, for the error about options that apply to nothing
        bool names = false;   // drawings: a pattern, a name, or a list of names
        bool quiet = false;   // -q, which also turns the closing prompt off: never idle
        std::function<void(BatchState&)> apply;
    };

    Request request = Request::kRun;
    std::vector<Step> steps;
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);
