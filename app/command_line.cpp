#include "app/command_line.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>

#include "app/option_values.h"
#include "platform/console.h"
#include "platform/search.h"

namespace {

constexpr std::string_view kEndOfOptions = "--";

enum class Option {
    kWhite,
    kQuiet,
    kOutput,
    kFormat,
    kSize,
    kJobs,
    kDryRun,
    kNul,
    kJson,
    kFilesFrom,
    kHelp,
    kVersion
};

// An option in its forms: "/x" and "-x" with the letter in either case, and "--name".
struct OptionSpec {
    Option option;
    char letter;  // 0: long form only
    std::string_view name;
    bool takesValue;
};

constexpr OptionSpec kOptions[] = {
    {Option::kWhite, 'w', "white", false},    {Option::kQuiet, 'q', "quiet", false},
    {Option::kOutput, 'o', "output", true},   {Option::kFormat, 'f', "format", true},
    {Option::kSize, 's', "size", true},       {Option::kJobs, 'j', "jobs", true},
    {Option::kDryRun, 'n', "dry-run", false}, {Option::kNul, '0', "null", false},
    {Option::kJson, 0, "json", false},        {Option::kFilesFrom, 0, "files-from", true},
    {Option::kHelp, 'h', "help", false},      {Option::kVersion, 'V', "version", false},
};

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// The option an argument names, and the value attached to it ("--output=DIR").
struct Named {
    const OptionSpec* spec = nullptr;
    std::optional<std::string> attached;
};

Named FindOption(std::string_view argument) {
    if (argument.starts_with("--")) {
        const std::string_view body = argument.substr(2);
        const std::size_t equals = body.find('=');
        const std::string_view name = body.substr(0, equals);
        for (const OptionSpec& spec : kOptions) {
            if (spec.name == name && (equals == std::string_view::npos || spec.takesValue)) {
                return {&spec, equals == std::string_view::npos
                                   ? std::nullopt
                                   : std::optional<std::string>(body.substr(equals + 1))};
            }
        }
        return {};
    }
    if (IsSystemHelpRequest(argument)) {
        return {std::ranges::find(kOptions, Option::kHelp, &OptionSpec::option), std::nullopt};
    }
    if (argument.size() != 2 || (argument[0] != '-' && argument[0] != '/')) {
        return {};
    }
    for (const OptionSpec& spec : kOptions) {
        // Help and version answer to their own letters only: "-h", "-V".
        const bool exact = spec.option == Option::kHelp || spec.option == Option::kVersion;
        if (spec.letter != 0 &&
            (exact ? argument[1] == spec.letter : Lower(argument[1]) == spec.letter)) {
            return {&spec, std::nullopt};
        }
    }
    return {};
}

// What a mistyped option most likely meant: "-othumbs" for "-o thumbs".
std::string HintFor(std::string_view argument) {
    if (argument.size() > 2 && argument[0] == '-' && argument[1] != '-') {
        for (const OptionSpec& spec : kOptions) {
            if (spec.takesValue && spec.letter == Lower(argument[1])) {
                return "; did you mean '" + std::string(argument.substr(0, 2)) + " " +
                       std::string(argument.substr(2)) + "'?";
            }
        }
    }
    return "";
}

// An argument that starts with '-' is a drawing only when it names one that is there.
void CheckDrawingArgument(std::string_view argument) {
    if (argument.size() < 2 || argument[0] != '-') {
        return;
    }
    if (FindMatches(std::string(argument)).matches.empty()) {
        throw UsageError("unknown option '" + std::string(argument) + "'" + HintFor(argument));
    }
}

std::function<void(BatchState&)> Action(Option option, std::string_view spelled,
                                        const std::string& value) {
    switch (option) {
        case Option::kWhite:
            return [](BatchState& state) { state.settings.background = kWhite; };
        case Option::kQuiet:
            return [](BatchState& state) { state.settings.verbose = false; };
        case Option::kOutput:
            return [value](BatchState& state) { SetOutputDirectory(value, state); };
        case Option::kFormat:
            return [format = ParseFormat(spelled, value)](BatchState& state) {
                state.settings.format = format;
            };
        case Option::kSize:
            return [size = ParseSize(spelled, value)](BatchState& state) {
                state.settings.maxSide = size;
            };
        case Option::kJobs:
            return [workers = ParseWorkers(spelled, value)](BatchState& state) {
                state.scheduler.SetWorkers(workers);
            };
        case Option::kDryRun:
            return [](BatchState& state) { state.settings.dryRun = true; };
        case Option::kNul:
            return [](BatchState& state) { state.nulSeparated = true; };
        case Option::kJson:
            return [](BatchState& state) { state.settings.json = true; };
        case Option::kFilesFrom:
            return [value](BatchState& state) { ProcessNameList(value, state); };
        case Option::kHelp:
        case Option::kVersion:
            break;
    }
    return {};
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (!optionsEnded && argument == kEndOfOptions) {
            optionsEnded = true;
            continue;
        }
        const Named named = optionsEnded ? Named{} : FindOption(argument);
        if (named.spec == nullptr) {
            if (!optionsEnded) {
                CheckDrawingArgument(argument);
            }
            line.steps.push_back(
                {std::string(argument), true, [name = std::string(argument)](BatchState& state) {
                     ProcessPattern(name, state);
                 }});
            continue;
        }
        const Option option = named.spec->option;
        if (option == Option::kHelp || option == Option::kVersion) {
            // Help and version answer alone, whatever else the command line asks.
            line.request = option == Option::kHelp ? CommandLine::Request::kHelp
                                                   : CommandLine::Request::kVersion;
            return line;
        }
        std::string spelled(argument);
        std::string value;
        if (named.attached) {
            value = *named.attached;
        } else if (named.spec->takesValue) {
            if (i + 1 >= arguments.size()) {
                throw UsageError(spelled + ": a value must follow");
            }
            value = arguments[++i];
            spelled += " " + value;
        }
        line.steps.push_back({spelled, option == Option::kFilesFrom,
                              Action(option, argument.substr(0, argument.find('=')), value)});
    }
    return line;
}
