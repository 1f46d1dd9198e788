#pragma once

#include <string>
#include <unordered_map>

// Tells when two spellings name one output file: `out/a.bmp`, `./out//a.bmp`, `$PWD/out/a.bmp`
// and `link/a.bmp` (where `link` leads to `out`) get one key, and `sub/../out/a.bmp` where
// `sub` is a link elsewhere gets another. The key is the device and inode of the folder, then
// the name; for a folder that does not exist (yet), the path itself, lexically normalised.
class COutputIdentity {
public:
    std::string KeyOf(const std::string& path);

private:
    // Folders already looked up, by spelling: one lookup serves all their outputs.
    std::unordered_map<std::string, std::string> m_folders;
};
