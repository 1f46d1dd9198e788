#include <exception>
#include <string>
#include <vector>

#include "app/batch.h"
#include "app/command_line.h"
#include "app/messages.h"
#include "platform/console.h"
#include "platform/folder.h"
#include "platform/memory_reuse.h"
#include "platform/termination.h"

namespace {

constexpr int kExitFrameworkFailed = 1;
constexpr int kExitUsage = 1;
constexpr int kExitFailed = 2;  // a drawing could not be read, or a BMP could not be written

// Options act on the drawings after them, so the order of the command line is kept.
void RunSteps(const CommandLine& line, BatchState& state) {
    for (const CommandLine::Step& step : line.steps) {
        step.apply(state);
    }
}

// The closing prompt where the console was opened for this run, else the line feed that ends
// the text.
void EndRun() {
    if (ConsoleOwnedByRun()) {
        ShowClosingPrompt();
    } else {
        EndText();
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    StartTerminationGuard();  // before any other thread starts
    AllowAllOpenFiles();
    ReuseFreedMemory();
    if (!ConsoleInitialize("pictavex")) {
        ConsoleOut("Fatal Error: MFC initialization failed\n");
        return kExitFrameworkFailed;
    }
    const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
    if (arguments.empty()) {
        PrintUsage();
        if (ConsoleOwnedByRun()) {
            ShowClosingPrompt();
        }
        return 0;
    }
    CommandLine line;
    try {
        line = ParseCommandLine(arguments);
    } catch (const UsageError& error) {
        ReportUsageError(error.what());
        return kExitUsage;
    }
    if (line.request != CommandLine::Request::kRun) {
        const bool printed = line.request == CommandLine::Request::kVersion
                                 ? PrintVersion()
                                 : PrintHelp(line.request == CommandLine::Request::kSystemHelp);
        if (!printed) {
            ReportOutputError(ConsoleOutputError());
            return kExitUsage;  // as coreutils do: the help was asked for and not given
        }
        return 0;
    }
    BatchState state;
    state.scheduler.SetWorkers(DefaultWorkers(), true);
    try {
        RunSteps(line, state);
        state.scheduler.Drain();
    } catch (const std::exception& error) {  // each drawing handles its own: this is the last net
        state.scheduler.Drain();
        ConsoleError(std::string(ProgramName()) + ": " + error.what() + "\n");
        state.failed = true;
    }
    if (state.settings.verbose && !state.settings.json) {
        PrintSummary(state.counts);
        EndRun();
    } else {
        ConsoleEndLine();  // progress lines before a -q
    }
    if (const int cause = ConsoleOutputError(); cause != 0) {
        ReportOutputError(cause);
        state.failed = true;
    }
    return state.failed ? kExitFailed : 0;
}
