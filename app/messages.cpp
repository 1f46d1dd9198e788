#include "app/messages.h"

#include <cstring>

#include "platform/console.h"
#include "platform/error_text.h"

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
    "\n\t/j : Number of workers (0: one for each processor; the default: that, at most 8,"
    " and more while they wait for a share or a disk)"
    "\n\t/n, --dry-run : Read and tell, write no picture"
    "\n\t--json : One JSON object per drawing on stdout in place of the progress text";

constexpr char kHelp[] =
    "Usage: pictavex [OPTION]... DRAWING...\n"
    "Save the preview pictures of DWG and DXF drawings as BMP or PNG files.\n"
    "Each option applies to the drawings named after it. DRAWING may hold the\n"
    "wildcards * and ? in its last part.\n"
    "\n"
    "  -w, --white            white background (the default is black)\n"
    "  -o, --output=DIR       write the pictures into DIR, made if missing\n"
    "  -f, --format=FORMAT    bmp (the default) or png\n"
    "  -s, --size=N           shrink pictures to fit in N x N pixels (0: as stored)\n"
    "  -d, --draw=WHEN        draw DXF geometry: missing, always or never (default)\n"
    "  -q, --quiet            no progress lines, summary or closing prompt\n"
    "  -j, --jobs=N           N workers (0: one a CPU; default: more if they wait)\n"
    "  -n, --dry-run          read and tell, write no picture\n"
    "  -r, --recursive        walk folders for *.dwg and *.dxf (mirrored under -o)\n"
    "      --include=GLOB     walks take names matching GLOB instead (repeatable)\n"
    "      --json             one JSON object per drawing instead of progress lines\n"
    "      --files-from=FILE  names from FILE (- for stdin), one a line or NUL-ended\n"
    "  -0, --null             lists that follow are NUL-separated: read as they come\n"
    "      --                 every argument after it is a drawing\n"
    "  -h, --help, -V, --version  show this help, or the version, and exit\n"
    "Options may also be written /w, /o DIR, /q and so on, in either case.\n"
    "\n"
    "Exit status: 0 when every preview found was written, 1 for a wrong command\n"
    "line, 2 when a name matched nothing or a drawing or picture failed.\n";

// The same help in the form of Windows' own commands, for "/?".
constexpr char kSystemHelp[] =
    "Saves the preview pictures of DWG and DXF drawings as BMP or PNG files.\n"
    "\n"
    "PICTAVEX [/W] [/O dir] [/F format] [/S n] [/D when] [/Q] [/J n] [/N] [/R] drawing [...]\n"
    "\n"
    "  drawing     A drawing, or many with the wildcards * and ? in the last part.\n"
    "  /W          White background (the default is black).\n"
    "  /O dir      Writes the pictures into dir, made if missing.\n"
    "  /F format   BMP (the default) or PNG.\n"
    "  /S n        Shrinks pictures to fit in n x n pixels (0: as stored).\n"
    "  /D when     Draws DXF drawings from their geometry: MISSING (where no whole\n"
    "              preview is stored), ALWAYS or NEVER (the default); at /S n, or 256.\n"
    "  /Q          No progress lines, summary or closing prompt.\n"
    "  /J n        n workers (0: one a processor).\n"
    "  /N          Reads and tells, writes no picture.\n"
    "  /R          Walks the folders named for drawings (*.dwg, *.dxf); with /O, the\n"
    "              pictures mirror the tree.\n"
    "  --include=pattern\n"
    "              With /R, takes the names that match pattern, such as *.dwg.bak,\n"
    "              in place of drawings; may be given again.\n"
    "  /0          Lists that follow are NUL-separated.\n"
    "  --json      One JSON object per drawing instead of progress lines.\n"
    "  --files-from=file\n"
    "              Drawing names from file (- for standard input), one a line.\n"
    "  /?          Shows this help.\n"
    "\n"
    "Each option applies to the drawings named after it. Options may also be written\n"
    "-w or --white, and so on. ERRORLEVEL is 0 when every preview found was written,\n"
    "1 when the command line is wrong, and 2 when a name matched nothing, a drawing\n"
    "could not be read or a picture could not be written.\n";

void AddCount(std::string& text, std::size_t count, const char* one, const char* many) {
    text += ", ";
    text += std::to_string(count);
    text += count == 1 ? one : many;
}

}  // namespace

void PrintUsage() {
    ConsoleError(std::string(kUsage) + "\n");
}

bool PrintHelp(bool systemForm) {
    ConsoleOut(systemForm ? kSystemHelp : kHelp);
    return ConsoleOutputError() == 0;
}

bool PrintVersion() {
    ConsoleOut(std::string(ProgramName()) + " " + PICTAVEX_VERSION + "\n");
    return ConsoleOutputError() == 0;
}

void ReportUsageError(const std::string& message) {
    ConsoleError(std::string(ProgramName()) + ": " + message + "\nTry '" +
                 std::string(ProgramName()) + " --help' for more information.\n");
}

void PrintSummary(const RunCounts& counts) {
    const std::size_t drawings =
        counts.written + counts.dryRun + counts.noPreview + counts.damaged + counts.failed;
    std::string summary = "\n";
    summary += std::to_string(drawings);
    summary += drawings == 1 ? " drawing: " : " drawings: ";
    summary += std::to_string(counts.written);
    summary += " written";
    const struct {
        std::size_t count;
        const char* one;
        const char* many;
    } parts[] = {
        {counts.upToDate, " of them already up to date", " of them already up to date"},
        {counts.drawn, " drawn from its geometry", " drawn from their geometry"},
        {counts.dryRun, " not written (dry run)", " not written (dry run)"},
        {counts.noPreview, " without a preview", " without a preview"},
        {counts.drawable, " of them a DXF drawing that -d missing draws",
         " of them DXF drawings that -d missing draws"},
        {counts.damaged, " with a damaged preview", " with a damaged preview"},
        {counts.failed, " failed", " failed"},
        {counts.missing, " name matched nothing", " names matched nothing"},
    };
    for (const auto& part : parts) {
        if (part.count != 0) {
            AddCount(summary, part.count, part.one, part.many);
        }
    }
    ConsoleOut(summary);
}

void EndText() {
    ConsoleOut("\n");
}

void PrintProgress(const std::string& input, const std::string& output) {
    ConsoleOut("\n" + input + " -> " + output + "  ");
}

void PrintOk(bool drawn) {
    ConsoleOut(drawn ? "Ok! (drawn)" : "Ok!");
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

void PrintNotDrawing() {
    ConsoleOut(kNotDrawingReason);
}

void ReportOutputError(int cause) {
    ConsoleError(std::string(ProgramName()) + ": write error: " + SystemErrorText(cause) + "\n");
}

void ReportFailure(const std::string& failure) {
    ConsoleError(std::string(ProgramName()) + ": " + failure + "\n");
}

void ShowClosingPrompt() {
    ConsoleOut("\n------ Press any key for exit -------");
    ConsoleWaitForKey();
    ConsoleOut("\n");  // the terminal's next text starts on a line of its own
}
