#include "app/messages.h"

#include <cstring>

#include "platform/console.h"

namespace {

constexpr char kUsage[] =
    "\n\nUsage: Pictavex [options] dwgfile"
    "\nPictavex (c) 2026 the Pictavex authors"
    "\ndwgfile may contain wildcards ('*' and/or '?')."
    "\nOptions: "
    "\n\t/q : Without any messages"
    "\n\t/w : White background color"
    "\n\t/o : Directory for output files"
    "\n\t/f : Format of output files: bmp (the default) or png"
    "\n\t/s : Largest side of output pictures in pixels (0: as stored)"
    "\nExit status 2: a drawing could not be read or a BMP file could not be written."
    "\n\t--files-from FILE : Drawing names from FILE (- for stdin), one a line or NUL-separated"
    "\n\t-- : Every argument after it is a drawing"
    "\n\t--help, --version"
    "\n\t/j : Number of workers (0: one for each processor; the default: that, at most 8)"
    "\n\t/n, --dry-run : Read and tell, write no picture"
    "\n\t--json : One JSON object per drawing on stdout in place of the progress text";

std::string Count(std::size_t count, const char* what) {
    return std::to_string(count) + " " + what;
}

}  // namespace

void PrintUsage() {
    ConsoleError(kUsage);
}

void PrintHelp() {
    ConsoleOut(std::string(kUsage) + "\n");
}

void PrintVersion() {
    ConsoleOut(std::string(ProgramName()) + " " + PICTAVEX_VERSION + "\n");
}

void ReportUsageError(const std::string& message) {
    ConsoleError(std::string(ProgramName()) + ": " + message + "\nTry '" +
                 std::string(ProgramName()) + " --help' for more information.\n");
}

void WarnUnusedOptions(const std::string& options) {
    ConsoleError(std::string(ProgramName()) +
                 ": warning: options after the last drawing apply to "
                 "no drawing: " +
                 options + "\n");
}

void PrintSummary(const RunCounts& counts) {
    const std::size_t drawings =
        counts.written + counts.dryRun + counts.noPreview + counts.damaged + counts.failed;
    std::string summary = "\n" + Count(drawings, drawings == 1 ? "drawing" : "drawings") + ": " +
                          Count(counts.written, "written");
    if (counts.dryRun != 0) {
        summary += ", " + Count(counts.dryRun, "not written (dry run)");
    }
    if (counts.noPreview != 0) {
        summary += ", " + Count(counts.noPreview, "without a preview");
    }
    if (counts.damaged != 0) {
        summary += ", " + Count(counts.damaged, "with a damaged preview");
    }
    if (counts.failed != 0) {
        summary += ", " + Count(counts.failed, "failed");
    }
    ConsoleOut(summary);
}

void PrintProgress(const std::string& input, const std::string& output) {
    ConsoleOut("\n" + input + " -> " + output + "  ");
}

void PrintOk() {
    ConsoleOut("Ok!");
}

void PrintDryRun() {
    ConsoleOut("dry run");
}

void PrintNoPreview() {
    ConsoleOut("no preview");
}

void PrintDamagedPreview() {
    ConsoleOut("damaged preview");
}

void ReportOutputError(int cause) {
    ConsoleError(std::string(ProgramName()) + ": write error: " + std::strerror(cause) + "\n");
}

void ShowClosingPrompt() {
    if (!ConsoleIsInteractive()) {
        return;  // a script, a pipe or a log file: nobody to press a key
    }
    ConsoleOut("\n------ Press any key for exit -------");
    ConsoleWaitForKey();
}
