#pragma once
// The fixture of the tests that run the Windows build under Wine.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/run_tool.h"
#include "tests/tool_test.h"

inline const std::string kExe = PICTAVEX_WINDOWS_EXE;
// The one folder the zip holds, as it unpacks: "pictavex-VERSION-win64".
inline const std::string kZipFolder = std::filesystem::path(PICTAVEX_WINDOWS_ZIP).stem().string();

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
