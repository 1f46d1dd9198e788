// Wildcard search on Windows: '*' and '?' matched against the long names only, without
// regard to case, as Windows matches names; never against the 8.3 short names, which
// would let "*.dwg" match "plan.dwgx".
#include <algorithm>
#include <cerrno>
#include <cwctype>

#include "platform/path.h"
#include "platform/search.h"
#include "platform/search_directory.h"
#include "platform/windows/wide.h"

namespace {

EntryKind KindOf(DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return EntryKind::kDirectory;
    }
    return (attributes & FILE_ATTRIBUTE_DEVICE) ? EntryKind::kOther : EntryKind::kRegular;
}

// '*' and '?' against a whole name, letters compared without regard to case.
bool Matches(std::wstring_view pattern, std::wstring_view name) {
    std::size_t p = 0, n = 0, star = std::wstring_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == L'?' || std::towupper(pattern[p]) == std::towupper(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = n;
        } else if (star != std::wstring_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace

SearchResult SearchDirectory(const std::string& directory, const std::string& name,
                             const COpenFolder* /*held*/) {  // held: its path leads to it
    SearchResult result;
    result.wildcard = true;
    WIN32_FIND_DATAW entry;
    const HANDLE search = ::FindFirstFileExW(
        WidePath((directory.empty() ? "" : directory) + "*").c_str(), FindExInfoBasic, &entry,
        FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        result.error = LastErrno();
        return result;
    }
    const std::wstring pattern = Wide(name);
    do {
        const std::wstring_view found = entry.cFileName;
        if (!found.starts_with(L'.') && Matches(pattern, found)) {
            // A link or junction is what it leads to: a walk never goes through one.
            const bool link = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            result.matches.push_back({Utf8(found), KindOf(entry.dwFileAttributes), 0, link});
        }
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    return result;
}

bool NameMatches(const std::string& pattern, const std::string& name) {
    return Matches(Wide(pattern), Wide(name));
}

SearchResult FindName(const std::string& path) {
    SearchResult result;
    // NUL or COM1.dwg names a device, never a drawing, whatever the folder holds.
    if (const int failure = CheckNameRules(path, false); failure != 0) {
        result.error = failure;
        return result;
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) {
        result.error = LastErrno();
        return result;
    }
    // The name as the file system stores it: "a.dwg" typed finds "A.DWG", which names the
    // output "A.bmp".
    const PathParts parts = SplitPath(path);
    std::string name = parts.baseName + parts.extension;
    WIN32_FIND_DATAW entry;
    const HANDLE search = ::FindFirstFileExW(WidePath(path).c_str(), FindExInfoBasic, &entry,
                                             FindExSearchNameMatch, nullptr, 0);
    if (search != INVALID_HANDLE_VALUE) {
        name = Utf8(entry.cFileName);
        ::FindClose(search);
    }
    result.matches.push_back({name, KindOf(data.dwFileAttributes), 0});
    return result;
}
