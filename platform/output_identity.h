#pragma once

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/folder.h"

// Tells when two spellings name one output file: `out/a.bmp`, `./out//a.bmp`, `$PWD/out/a.bmp`
// and `link/a.bmp` (where `link` leads to `out`) get one key, and `sub/../out/a.bmp` where
// `sub` is a link elsewhere gets another. The key is the device and inode of the folder, then
// the name; for a folder that does not exist (yet), those of the nearest folder above it that
// does, then the rest of the path. A folder the run makes keeps that key: names in it are
// keyed alike before and after.
class COutputIdentity {
public:
    std::string KeyOf(const std::string& path);
    // Makes a folder (through `make`, which opens it) so that it keeps its key.
    FolderHandle Make(const std::string& path, const std::function<FolderHandle()>& make);

private:
    std::string FolderKey(const std::string& directory);

    std::mutex m_mutex;  // workers make folders while the run keys names
    // Folders already looked up, by spelling: one lookup serves all their outputs.
    std::unordered_map<std::string, std::string> m_folders;
    // The folders the run made, by identity, with the keys they had before.
    std::unordered_map<std::string, std::string> m_made;
};

// The identity of an existing folder, as COpenFolder::Identity() gives it; for platform/ alone.
std::optional<std::string> ExistingFolderIdentity(const std::string& directory);
// A name as keys hold it: on Windows, without regard to case.
std::string NameKey(const std::string& name);
// A path's text (UTF-8 on Windows) as a path of the standard library, and back.
std::filesystem::path PathOfText(const std::string& text);
std::string TextOfPath(const std::filesystem::path& path);
