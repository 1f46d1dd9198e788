#include "app/messages.h"

#include <cstring>

#include "platform/console.h"

void PrintUsage() {
    ConsoleError(
        "\n\nUsage: Pictavex [options] dwgfile"
        "\nPictavex (c) 2026 the Pictavex authors"
        "\ndwgfile may contain wildcards ('*' and/or '?')."
        "\nOptions: "
        "\n\t/q : Without any messages"
        "\n\t/w : White background color"
        "\n\t/o : Directory for output files"
        "\n\t/f : Format of output files: bmp (the default) or png"
        "\n\t/s : Largest side of output pictures in pixels (0: as stored)"
        "\nExit status 2: a drawing could not be read or a BMP file could not be written.");
}

void PrintProgress(const std::string& input, const std::string& output) {
    ConsoleOut("\n" + input + " -> " + output + "  ");
}

void PrintOk() {
    ConsoleOut("Ok!");
}

void PrintNoPreview() {
    ConsoleOut("no preview");
}

void PrintDamagedPreview() {
    ConsoleOut("damaged preview");
}

void ReportOutputError(int cause) {
    ConsoleError(std::string(kProgramName) + ": write error: " + std::strerror(cause) + "\n");
}

void ShowClosingPrompt() {
    ConsoleOut("\n------ Press any key for exit -------");
    ConsoleWaitForKey();
}
