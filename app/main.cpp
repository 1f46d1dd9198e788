#include <algorithm>
#include <cctype>
#include <exception>
#include <span>
#include <string_view>

#include "app/batch.h"
#include "app/messages.h"
#include "app/option_values.h"
#include "platform/console.h"
#include "platform/directory.h"
#include "platform/name_list.h"

namespace {

constexpr int kExitFrameworkFailed = 1;
constexpr int kExitUsage = 1;
constexpr int kExitFailed = 2;  // a drawing could not be read, or a BMP could not be written
constexpr std::string_view kEndOfOptions = "--";
constexpr std::string_view kFilesFrom = "--files-from";
constexpr std::string_view kJson = "--json";
constexpr std::string_view kDryRun = "--dry-run";

// "/x" or "-x", the letter in either case.
bool IsOption(std::string_view argument, char letter) {
    return argument.size() == 2 && (argument[0] == '/' || argument[0] == '-') &&
           std::tolower(static_cast<unsigned char>(argument[1])) == letter;
}

// Looks like an option but is none the tool knows: "-x", or "--word".
bool IsUnknownOption(std::string_view argument) {
    return (argument.size() == 2 && argument[0] == '-') || argument.starts_with("--");
}

// The argument after an option, which the option consumes.
std::string_view ValueOf(std::span<char*> arguments, std::size_t& i) {
    if (i + 1 >= arguments.size()) {
        throw UsageError(std::string(arguments[i]) + ": a value must follow");
    }
    return arguments[++i];
}

// Help and version answer alone, whatever else the command line asks.
enum class Request { kRun, kHelp, kVersion };

Request RequestOf(std::span<char*> arguments) {
    for (std::string_view argument : arguments) {
        if (argument == kEndOfOptions) {
            break;
        }
        if (argument == "--help" || argument == "-h") {
            return Request::kHelp;
        }
        if (argument == "--version" || argument == "-V") {
            return Request::kVersion;
        }
    }
    return Request::kRun;
}

void ProcessNameList(std::string_view path, BatchState& state) {
    try {
        CNameList names{std::string(path)};
        while (const std::optional<std::string> name = names.Next()) {
            ProcessName(*name, state);
        }
    } catch (const CFileException& error) {
        state.scheduler.Say([&] { error.ReportError(); });
        state.failed = true;
    }
}

// Applies one option; false for an argument that is no option.
bool ApplyOption(std::span<char*> arguments, std::size_t& i, BatchState& state) {
    const std::string_view argument = arguments[i];
    DrawingSettings& settings = state.settings;
    if (IsOption(argument, 'f')) {
        settings.format = ParseFormat(argument, ValueOf(arguments, i));
    } else if (IsOption(argument, 's')) {
        settings.maxSide = ParseSize(argument, ValueOf(arguments, i));
    } else if (IsOption(argument, 'j')) {
        state.scheduler.SetWorkers(ParseWorkers(argument, ValueOf(arguments, i)));
    } else if (IsOption(argument, 'w')) {
        settings.background = kWhite;
    } else if (IsOption(argument, 'o')) {
        if (i + 1 < arguments.size()) {
            state.outputDirectory = arguments[++i];
            if (!settings.dryRun) {
                CreateDirectory(state.outputDirectory);
            }
        }
    } else if (IsOption(argument, 'q')) {
        settings.verbose = false;
    } else if (IsOption(argument, 'n') || argument == kDryRun) {
        settings.dryRun = true;
    } else if (argument == kJson) {
        settings.json = true;
    } else {
        return false;
    }
    return true;
}

// Options act on the arguments after them, so the order of the command line is kept.
void ProcessArguments(std::span<char*> arguments, BatchState& state) {
    bool optionsEnded = false;
    std::string unused;  // options since the last drawing
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const std::size_t first = i;  // an option may consume the argument after it
        if (!optionsEnded && argument == kEndOfOptions) {
            optionsEnded = true;
        } else if (!optionsEnded && argument == kFilesFrom) {
            ProcessNameList(ValueOf(arguments, i), state);
            unused.clear();
        } else if (!optionsEnded && ApplyOption(arguments, i, state)) {
            for (std::size_t k = first; k <= i; ++k) {
                unused += (unused.empty() ? "" : " ") + std::string(arguments[k]);
            }
        } else if (!optionsEnded && IsUnknownOption(argument)) {
            throw UsageError("unknown option '" + std::string(argument) + "'");
        } else {
            ProcessPattern(std::string(argument), state);
            unused.clear();
        }
    }
    if (!unused.empty()) {
        WarnUnusedOptions(unused);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!ConsoleInitialize()) {
        ConsoleOut("Fatal Error: MFC initialization failed\n");
        return kExitFrameworkFailed;
    }
    BatchState state;
    if (argc < 2) {
        PrintUsage();
        ShowClosingPrompt();
        return 0;
    }
    const std::span<char*> arguments(argv + 1, static_cast<std::size_t>(argc - 1));
    switch (RequestOf(arguments)) {
        case Request::kHelp:
            PrintHelp();
            return 0;
        case Request::kVersion:
            PrintVersion();
            return 0;
        case Request::kRun:
            break;
    }
    state.scheduler.SetWorkers(DefaultWorkers());
    try {
        ProcessArguments(arguments, state);
        state.scheduler.Drain();
    } catch (const UsageError& error) {
        state.scheduler.Drain();
        ReportUsageError(error.what());
        return kExitUsage;
    } catch (const std::exception& error) {  // each drawing handles its own: this is the last net
        state.scheduler.Drain();
        ConsoleError(std::string(kProgramName) + ": " + error.what() + "\n");
        state.failed = true;
    }
    if (state.settings.verbose && !state.settings.json) {
        PrintSummary(state.counts);
        ShowClosingPrompt();
    }
    if (const int cause = ConsoleOutputError(); cause != 0) {
        ReportOutputError(cause);
        state.failed = true;
    }
    return state.failed ? kExitFailed : 0;
}
