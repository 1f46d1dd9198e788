#include <cctype>
#include <exception>
#include <span>
#include <string_view>

#include "app/batch.h"
#include "app/messages.h"
#include "app/option_values.h"
#include "platform/console.h"
#include "platform/directory.h"

namespace {

constexpr int kExitFrameworkFailed = 1;
constexpr int kExitUsage = 1;
constexpr int kExitFailed = 2;  // a drawing could not be read, or a BMP could not be written

// "/x" or "-x", the letter in either case.
bool IsOption(std::string_view argument, char letter) {
    return argument.size() == 2 && (argument[0] == '/' || argument[0] == '-') &&
           std::tolower(static_cast<unsigned char>(argument[1])) == letter;
}

// The argument after an option, which the option consumes.
std::string_view ValueOf(std::span<char*> arguments, std::size_t& i) {
    if (i + 1 >= arguments.size()) {
        throw UsageError(std::string(arguments[i]) + ": a value must follow");
    }
    return arguments[++i];
}

// Options act on the arguments after them, so the order of the command line is kept.
void ProcessArguments(std::span<char*> arguments, CDwgThumbnail& thumbnail, BatchState& state) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (IsOption(argument, 'f')) {
            state.format = ParseFormat(argument, ValueOf(arguments, i));
        } else if (IsOption(argument, 's')) {
            state.maxSide = ParseSize(argument, ValueOf(arguments, i));
        } else if (IsOption(argument, 'w')) {
            thumbnail.SetBackground(kWhite);
        } else if (IsOption(argument, 'o')) {
            if (i + 1 < arguments.size()) {
                state.outputDirectory = arguments[++i];
                CreateDirectory(state.outputDirectory);
            }
        } else if (IsOption(argument, 'q')) {
            state.verbose = false;
        } else {
            ProcessPattern(std::string(argument), thumbnail, state);
        }
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!ConsoleInitialize()) {
        ConsoleOut("Fatal Error: MFC initialization failed\n");
        return kExitFrameworkFailed;
    }
    CDwgThumbnail thumbnail(kBlack);
    BatchState state;
    if (argc < 2) {
        PrintUsage();
        ShowClosingPrompt();
        return 0;
    }
    try {
        ProcessArguments(std::span<char*>(argv + 1, static_cast<std::size_t>(argc - 1)), thumbnail,
                         state);
    } catch (const UsageError& error) {
        ConsoleError(std::string(kProgramName) + ": " + error.what() + "\n");
        return kExitUsage;
    } catch (const std::exception& error) {  // each drawing handles its own: this is the last net
        ConsoleError(std::string(kProgramName) + ": " + error.what() + "\n");
        state.failed = true;
    }
    if (state.verbose) {
        ShowClosingPrompt();
    }
    if (const int cause = ConsoleOutputError(); cause != 0) {
        ReportOutputError(cause);
        state.failed = true;
    }
    return state.failed ? kExitFailed : 0;
}
