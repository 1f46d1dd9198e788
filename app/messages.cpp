#include "app/messages.h"

#include "platform/console.h"

void PrintUsage() {
    ConsoleError(
        "\n\nUsage: Pictavex [options] dwgfile"
        "\nPictavex (c) 2026 the Pictavex authors"
        "\ndwgfile may contain wildcards ('*' and/or '?')."
        "\nOptions: "
        "\n\t/q : Without any messages"
        "\n\t/w : White background color"
        "\n\t/o : Directory for output files");
}

void PrintProgress(const std::string& input, const std::string& output) {
    ConsoleOut("\n" + input + " -> " + output + "  ");
}

void PrintOk() {
    ConsoleOut("Ok!");
}

void ShowClosingPrompt() {
    ConsoleOut("\n------ Press any key for exit -------");
    ConsoleWaitForKey();
}
