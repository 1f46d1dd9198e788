#include "platform/search.h"

#include "platform/path.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

bool HasWildcards(const std::string& name) {
    return name.find_first_of("*?") != std::string::npos;
}

// Everything but '*' and '?' matches only itself.
std::string EscapeForFnmatch(const std::string& name) {
    std::string pattern;
    for (char c : name) {
        if (c == '[' || c == ']' || c == '\\') {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern;
}

std::vector<std::string> SearchDirectory(const std::string& directory, const std::string& name) {
    std::vector<std::string> matches;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(directory.empty() ? "." : directory.c_str()));
    if (!dir) {
        return matches;
    }
    const std::string pattern = EscapeForFnmatch(name);
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view entryName = entry->d_name;
        if (entryName == "." || entryName == "..") {
            continue;
        }
        if (::fnmatch(pattern.c_str(), entry->d_name, FNM_PERIOD) == 0) {
            matches.emplace_back(entryName);
        }
    }
    std::sort(matches.begin(), matches.end());
    return matches;
}

}  // namespace

std::vector<std::string> FindMatches(const std::string& pattern) {
    const PathParts parts = SplitPath(pattern);
    const std::string name = parts.baseName + parts.extension;
    if (name.empty()) {
        return {};
    }
    if (HasWildcards(name)) {
        return SearchDirectory(parts.directory, name);
    }
    struct stat info {};
    if (::lstat(pattern.c_str(), &info) != 0) {
        return {};
    }
    return {name};
}
