#pragma once

#include <cstddef>
#include <string>

// Why a file that does not begin as DWG drawings do gives no picture.
inline constexpr char kNotDrawingReason[] = "not a DWG or DXF drawing";

// What became of the drawings of a run.
struct RunCounts {
    std::size_t written = 0;
    std::size_t upToDate = 0;  // of those written, the outputs that already held the bytes
    std::size_t dryRun = 0;    // a whole preview, left unwritten on request
    std::size_t noPreview = 0;
    std::size_t drawable = 0;  // of those without a preview, DXF drawings the geometry gives
    std::size_t drawn = 0;     // of those written or told, pictures drawn from the geometry
    std::size_t damaged = 0;
    std::size_t failed = 0;
    std::size_t missing = 0;  // names and patterns that matched nothing
};

void PrintUsage();  // to stderr, as when there are no arguments
// To stdout; false when they could not be written.
// `systemForm`: options as Windows writes them ("/W", "/O dir"), for "/?".
bool PrintHelp(bool systemForm = false);
bool PrintVersion();
// "pictavex: MESSAGE" and a hint to --help, on stderr.
void ReportUsageError(const std::string& message);
// "N drawings: W written, ..." in verbose mode, before the prompt; and the line feed that
// ends the text when no prompt follows.
void PrintSummary(const RunCounts& counts);
void EndText();
void PrintProgress(const std::string& input, const std::string& output);
// What completes a progress line: the BMP was written, or why none was.
void PrintOk(bool drawn);
void PrintDryRun();
void PrintNoPreview();
void PrintDamagedPreview();
void PrintNotDrawing();
// Tells, once, that some of the progress text could not be written to stdout.
void ReportOutputError(int cause);
// "pictavex: PATH: REASON" on stderr, for a failure the core describes as "PATH: REASON".
void ReportFailure(const std::string& failure);
// Prints the closing prompt and waits for a key: for when stdin and stdout are a terminal.
void ShowClosingPrompt();
