#include "platform/search.h"

#include <algorithm>
#include <cerrno>

#include "platform/path.h"
#include "platform/search_directory.h"

SearchResult ListFolder(const std::string& directory) {
    SearchResult result = SearchDirectory(MakePath(directory, "", ""), "*");
    std::sort(
        result.matches.begin(), result.matches.end(),
        [](const SearchMatch& a, const SearchMatch& b) { return ListedBefore(a.name, b.name); });
    return result;
}

SearchResult ListFolder(const COpenFolder& folder) {
    SearchResult result = SearchDirectory(MakePath(folder.Path(), "", ""), "*", &folder);
    std::sort(
        result.matches.begin(), result.matches.end(),
        [](const SearchMatch& a, const SearchMatch& b) { return ListedBefore(a.name, b.name); });
    return result;
}

bool HasWildcards(const std::string& name) {
    return name.find_first_of("*?") != std::string::npos;
}

SearchResult FindMatches(const std::string& pattern) {
    const PathParts parts = SplitPath(pattern);
    const std::string name = parts.baseName + parts.extension;
    if (name.empty()) {
        SearchResult nothing;
        nothing.error = pattern.empty() ? ENOENT : EISDIR;
        return nothing;
    }
    if (!HasWildcards(name)) {
        return FindName(pattern);
    }
    SearchResult result = SearchDirectory(parts.directory, name);
    std::sort(
        result.matches.begin(), result.matches.end(),
        [](const SearchMatch& a, const SearchMatch& b) { return ListedBefore(a.name, b.name); });
    if (result.matches.empty() && result.error == 0) {
        result.error = ENOENT;
    }
    return result;
}
