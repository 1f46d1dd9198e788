#pragma once
// The fixture of the tests that run the Windows build under Wine.

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tests/run_tool.h"
#include "tests/tool_test.h"

inline const std::string kExe = PICTAVEX_WINDOWS_EXE;
// The one folder the zip holds, as it unpacks: "pictavex-VERSION-win64".
inline const std::string kZipFolder = std::filesystem::path(PICTAVEX_WINDOWS_ZIP).stem().string();

// What `objdump -p` shows of a Windows program or DLL: its headers, imports and exports.
inline std::string WindowsHeaders(const std::string& binary) {
    return RunProgram("/usr/bin/x86_64-w64-mingw32-objdump", "/", {"-p", binary}).out;
}

// The DLLs a Windows program or DLL imports, by the names its headers give.
inline std::set<std::string> ImportedDlls(const std::string& headers) {
    std::set<std::string> imported;
    for (std::size_t at = 0; (at = headers.find("DLL Name: ", at)) != std::string::npos;) {
        at += 10;
        imported.insert(headers.substr(at, headers.find('\n', at) - at));
    }
    return imported;
}

class WindowsToolTest : public ToolTest {
public:
    static void SetUpTestSuite() {
        ::setenv("WINEPREFIX", PICTAVEX_WINEPREFIX, 1);
        ::setenv("WINEDEBUG", "-all", 1);
        RunProgram("/usr/bin/wine", "/", {"wineboot", "--init"});  // a private prefix, made once
    }

protected:
    ToolRun RunWindows(std::vector<std::string> arguments, const RunOptions& options = {}) {
        arguments.insert(arguments.begin(), kExe);
        return RunProgram("/usr/bin/wine", m_dir.Path(), arguments, options);
    }
    // Windows paths with Linux separators: in text, or escaped in JSON.
    static std::string Slashes(std::string text, std::string_view separator = "\\") {
        for (std::size_t at = 0; (at = text.find(separator, at)) != std::string::npos; ++at) {
            text.replace(at, separator.size(), "/");
        }
        return text;
    }
};
