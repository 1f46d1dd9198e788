#pragma once
// The fixture of the end-to-end tests, which run the real binary.

#include <unistd.h>

#include <filesystem>
#include <map>
#include <vector>

#include "tests/run_tool.h"
#include "tests/test_helpers.h"

// Runs the tool in a fresh directory that the test fills with drawings.
class ToolTest : public testing::Test {
protected:
    ToolRun Run(const std::vector<std::string>& arguments, const RunOptions& options = {}) {
        return RunProgram(PICTAVEX_BINARY, m_dir.Path(), arguments, options);
    }
    void Put(const std::string& name, const Bytes& bytes) {
        std::filesystem::create_directories(std::filesystem::path(m_dir / name).parent_path());
        WriteFile(m_dir / name, bytes);
    }
    bool Exists(const std::string& name) const {
        return ::access((m_dir / name).c_str(), F_OK) == 0;
    }
    TempDir m_dir;
};

// Every regular file under a directory, by its path relative to it, with its bytes.
inline std::map<std::string, Bytes> FilesUnder(const std::string& directory) {
    std::map<std::string, Bytes> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
        if (entry.is_regular_file()) {
            files[std::filesystem::relative(entry.path(), directory)] = ReadFile(entry.path());
        }
    }
    return files;
}

// Names in a directory that start with a dot: what the tool must not leave behind.
inline std::vector<std::string> HiddenFiles(const std::string& directory) {
    std::vector<std::string> hidden;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (entry.path().filename().string().starts_with(".")) {
            hidden.push_back(entry.path().filename());
        }
    }
    return hidden;
}
