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
    kDraw,
    kJobs,
    kDryRun,
    kNul,
    kJson,
    kFilesFrom,
    kRecursive,
    kInclude,
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
    {Option::kWhite, 'w', "white", false},       {Option::kQuiet, 'q', "quiet", false},
    {Option::kOutput, 'o', "output", true},      {Option::kFormat, 'f', "format", true},
    {Option::kSize, 's', "size", true},          {Option::kDraw, 'd', "draw", true},
    {Option::kJobs, 'j', "jobs", true},          {Option::kDryRun, 'n', "dry-run", false},
    {Option::kNul, '0', "null", false},          {Option::kJson, 0, "json", false},
    {Option::kFilesFrom, 0, "files-from", true}, {Option::kRecursive, 'r', "recursive", false},
    {Option::kInclude, 0, "include", true},      {Option::kHelp, 'h', "help", false},
    {Option::kVersion, 'V', "version", false},
};

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// The option an argument names, and the value attached to it ("--output=DIR").
struct Named {
    const OptionSpec* spec = nullptr;
    std::optional<std::string> attached;
};

// A long option by its name or, as getopt allows, by a prefix that only it begins with.
const OptionSpec* FindLongOption(std::string_view name) {
    std::vector<const OptionSpec*> found;
    for (const OptionSpec& spec : kOptions) {
        if (spec.name == name) {
            return &spec;
        }
        if (!name.empty() && spec.name.starts_with(name)) {
            found.push_back(&spec);
        }
    }
    if (found.size() > 1) {
        std::string candidates;
        for (const OptionSpec* spec : found) {
            candidates += " '--" + std::string(spec->name) + "'";
        }
        throw UsageError("option '--" + std::string(name) +
                         "' is ambiguous; possibilities:" + candidates);
    }
    return found.empty() ? nullptr : found.front();
}

Named FindOption(std::string_view argument) {
    if (argument.starts_with("--")) {
        const std::string_view body = argument.substr(2);
        const std::size_t equals = body.find('=');
        const OptionSpec* spec = FindLongOption(body.substr(0, equals));
        if (spec != nullptr && (equals == std::string_view::npos || spec->takesValue)) {
            return {spec, equals == std::string_view::npos
                              ? std::nullopt
                              : std::optional<std::string>(body.substr(equals + 1))};
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

// What a mistyped option most likely meant: "-othumbs" for "-o thumbs", "-o=t" (to getopt,
// "-o =t") for "--output=t".
std::string HintFor(std::string_view argument) {
    if (argument.size() > 2 && argument[0] == '-' && argument[1] != '-') {
        for (const OptionSpec& spec : kOptions) {
            if (spec.takesValue && spec.letter == Lower(argument[1])) {
                return argument[2] == '='
                           ? "; did you mean '--" + std::string(spec.name) +
                                 std::string(argument.substr(2)) + "'?"
                           : "; did you mean '" + std::string(argument.substr(0, 2)) + " " +
                                 std::string(argument.substr(2)) + "'?";
            }
        }
    }
    return "";
}

// "-nq" as "-n -q", and "-qo" as "-q -o" (the last letter may take the next argument), as
// getopt reads them: only letters of options, none of them help or version.
std::optional<std::vector<std::string>> Unbundled(std::string_view argument) {
    if (argument.size() < 3 || argument[0] != '-' || argument[1] == '-') {
        return std::nullopt;
    }
    std::vector<std::string> options;
    for (std::size_t i = 1; i < argument.size(); ++i) {
        const std::string single = {'-', argument[i]};
        const Named named = FindOption(single);
        const bool last = i + 1 == argument.size();
        if (named.spec == nullptr || named.spec->option == Option::kHelp ||
            named.spec->option == Option::kVersion || (named.spec->takesValue && !last)) {
            return std::nullopt;
        }
        options.push_back(single);
    }
    return options;
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
        case Option::kDraw:
            return [choice = ParseDrawChoice(spelled, value)](BatchState& state) {
                state.settings.draw = choice;
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
        case Option::kRecursive:
            return [](BatchState& state) { state.recursive = true; };
        case Option::kInclude:
            return [glob = ParseNamePattern(spelled, value)](BatchState& state) {
                state.includes.push_back(glob);
            };
        case Option::kHelp:
        case Option::kVersion:
            break;
    }
    return {};
}

}  // namespace

// Options act on the drawings after them: any after the last drawing would apply to none,
// but for -q, which also turns the closing prompt off.
void CheckTrailingOptions(const CommandLine& line) {
    std::string idle;
    for (auto step = line.steps.rbegin(); step != line.steps.rend() && !step->names; ++step) {
        if (!step->quiet) {
            idle.insert(0, step->spelled + (idle.empty() ? "" : " "));
        }
    }
    if (!idle.empty()) {
        throw UsageError("options after the last drawing apply to none: " + idle +
                         "; options apply to the drawings named after them");
    }
}

CommandLine ParseCommandLine(const std::vector<std::string>& given) {
    CommandLine line;
    bool optionsEnded = false;
    std::vector<std::string> arguments;
    for (const std::string& argument : given) {
        const auto options = optionsEnded ? std::nullopt : Unbundled(argument);
        optionsEnded = optionsEnded || argument == kEndOfOptions;
        if (options) {
            arguments.insert(arguments.end(), options->begin(), options->end());
        } else {
            arguments.push_back(argument);
        }
    }
    optionsEnded = false;
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
            line.steps.push_back({std::string(argument), true, false,
                                  [name = std::string(argument)](BatchState& state) {
                                      ProcessPattern(name, state);
                                  }});
            continue;
        }
        const Option option = named.spec->option;
        if (option == Option::kHelp || option == Option::kVersion) {
            // Help and version answer alone, whatever else the command line asks.
            line.request = option == Option::kVersion      ? CommandLine::Request::kVersion
                           : IsSystemHelpRequest(argument) ? CommandLine::Request::kSystemHelp
                                                           : CommandLine::Request::kHelp;
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
        line.steps.push_back({spelled, option == Option::kFilesFrom, option == Option::kQuiet,
                              Action(option, argument.substr(0, argument.find('=')), value)});
    }
    CheckTrailingOptions(line);
    return line;
}
