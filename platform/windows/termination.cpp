// Ctrl+C, Ctrl+Break and a closed console window on Windows: the handler, which Windows runs
// on a thread of its own, cleans up and ends the run as Ctrl+C does.
#include <windows.h>

#include <cstdio>

#include "platform/termination.h"
#include "platform/termination_cleanup.h"
#include "platform/windows/wide.h"

namespace {

// What cmd.exe and PowerShell report for a program that Ctrl+C ended.
constexpr UINT kExitControlC = 0xC000013A;

BOOL WINAPI EndOnControl(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT: {
            const auto cleanup = CleanUpForTermination();
            ::ExitProcess(kExitControlC);
        }
        default:
            return FALSE;
    }
}

}  // namespace

void RemoveFileNow(const FileName& file) {
    ::DeleteFileW(WidePath(SystemPath(file)).c_str());
}

void StartTerminationGuard() {
    ::SetConsoleCtrlHandler(EndOnControl, TRUE);
}
