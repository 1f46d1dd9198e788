// The console on Windows: UTF-8 text shown through the wide-character console API, so that
// every name reads right in cmd.exe and PowerShell; bytes as they are into pipes and files.
#include <windows.h>
// after windows.h, which it needs
#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

#include "platform/console.h"
#include "platform/console_stream.h"
#include "platform/windows/wide.h"

namespace {

HANDLE StreamHandle(DWORD which) {
    return ::GetStdHandle(which);
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetConsoleMode(handle, &mode);
}

struct LocalFreer {
    void operator()(LPWSTR* pointer) const { ::LocalFree(pointer); }
};

}  // namespace

bool ConsoleInitialize(std::string_view programName) {
    SetProgramName(programName);
    // Bytes in and out as they are: no line-feed translation.
    return _setmode(_fileno(stdin), _O_BINARY) != -1 && _setmode(_fileno(stdout), _O_BINARY) != -1;
}

std::vector<std::string> CommandLineArguments(int, char*[]) {
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalFreer> arguments(
        ::CommandLineToArgvW(::GetCommandLineW(), &count));
    std::vector<std::string> utf8;
    for (int i = 1; arguments && i < count; ++i) {
        utf8.push_back(Utf8(arguments.get()[i]));
    }
    return utf8;
}

bool IsSystemHelpRequest(std::string_view argument) {
    for (const std::string_view help : {"/?", "-?", "/h", "/help"}) {
        if (argument.size() == help.size() &&
            std::equal(argument.begin(), argument.end(), help.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            })) {
            return true;
        }
    }
    return false;
}

int WriteToStream(Stream stream, std::string_view text) {
    const HANDLE handle =
        StreamHandle(stream == Stream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (IsConsole(handle)) {
        const std::wstring wide = Wide(text);
        DWORD written = 0;
        return ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written,
                               nullptr)
                   ? 0
                   : LastErrno();
    }
    while (!text.empty()) {
        DWORD written = 0;
        if (!::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
            return LastErrno();
        }
        text.remove_prefix(written);
    }
    return 0;
}

bool StreamsShareTerminal() {
    return IsConsole(StreamHandle(STD_OUTPUT_HANDLE)) && IsConsole(StreamHandle(STD_ERROR_HANDLE));
}

bool ConsoleOwnedByRun() {
    // A console of its own, as Explorer gives a drawing dropped on the program: no cmd.exe
    // or other process shares it.
    DWORD processes[2] = {};
    return IsConsole(StreamHandle(STD_INPUT_HANDLE)) &&
           IsConsole(StreamHandle(STD_OUTPUT_HANDLE)) && ::GetConsoleProcessList(processes, 2) == 1;
}

void ConsoleWaitForKey() {
    if (IsConsole(StreamHandle(STD_INPUT_HANDLE))) {
        (void)_getch();  // one key, no echo, no Enter
    }
}
