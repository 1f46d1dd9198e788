#pragma once

#include <cstddef>
#include <string>

// What became of the drawings of a run.
struct RunCounts {
    std::size_t written = 0;
    std::size_t dryRun = 0;  // a whole preview, left unwritten on request
    std::size_t noPreview = 0;
    std::size_t damaged = 0;
    std::size_t failed = 0;
};

void PrintUsage();  // to stderr, as when there are no arguments
void PrintHelp();   // the same, to stdout
void PrintVersion();
// "pictavex: MESSAGE" and a hint to --help, on stderr.
void ReportUsageError(const std::string& message);
void WarnUnusedOptions(const std::string& options);
// "N drawings: W written, ..." in verbose mode, before the prompt.
void PrintSummary(const RunCounts& counts);
void PrintProgress(const std::string& input, const std::string& output);
// What completes a progress line: the BMP was written, or why none was.
void PrintOk();
void PrintDryRun();
void PrintNoPreview();
void PrintDamagedPreview();
// Tells, once, that some of the progress text could not be written to stdout.
void ReportOutputError(int cause);
// Prints the closing prompt and waits for a key, only when stdin and stdout are a terminal.
void ShowClosingPrompt();
