#include "platform/output_identity.h"

#include <filesystem>

#include "platform/path.h"

std::string COutputIdentity::KeyOf(const std::string& path) {
    const PathParts parts = SplitPath(path);
    const std::lock_guard lock(m_mutex);
    auto folder = m_folders.find(parts.directory);
    if (folder == m_folders.end()) {
        folder = m_folders.emplace(parts.directory, FolderKey(parts.directory)).first;
    }
    return folder->second + NameKey(parts.baseName + parts.extension);
}

FolderHandle COutputIdentity::Make(const std::string& path,
                                   const std::function<FolderHandle()>& make) {
    const std::lock_guard lock(m_mutex);  // no name is keyed between the making and the note
    std::string key = FolderKey(path);
    FolderHandle folder = make();
    if (folder) {
        m_made.try_emplace(folder->Identity(), std::move(key));
    }
    return folder;
}

// The key of the names in `directory`: a character no path holds ends the part that the
// identity gives, so keys never meet paths.
std::string COutputIdentity::FolderKey(const std::string& directory) {
    // As spelt: through a link, `sub/..` is not where `sub/../out` says lexically.
    std::filesystem::path folder = PathOfText(directory.empty() ? "." : directory);
    if (!folder.has_filename() && folder.has_relative_path()) {
        folder = folder.parent_path();  // "thumbs/" is "thumbs"
    }
    std::string below;
    for (;;) {
        const std::string spelt = folder.empty() ? "." : TextOfPath(folder);
        if (const std::optional<std::string> identity = ExistingFolderIdentity(spelt)) {
            const auto made = m_made.find(*identity);
            return (made != m_made.end() ? made->second : *identity + '\0') + below;
        }
        const std::filesystem::path name = folder.filename();
        if (folder.empty() || name.empty() || name == "." || name == "..") {
            // Nothing above it to be found as spelt.
            return TextOfPath(folder.lexically_normal()) + '/' + below;
        }
        below = NameKey(TextOfPath(name)) + '/' + below;
        folder = folder.parent_path();
    }
}
