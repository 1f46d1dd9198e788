#pragma once

#include <string>
#include <vector>

#include "platform/folder.h"

// What a matched entry is, as far as opening it as a drawing goes.
enum class EntryKind { kRegular, kDirectory, kOther, kBroken };

struct SearchMatch {
    std::string name;  // the entry's name, not its path
    EntryKind kind = EntryKind::kRegular;
    int error = 0;          // why the kind could not be learnt (kBroken): a dangling link, say
    bool followed = false;  // the kind is of what a link leads to, or of what may be one
};

struct SearchResult {
    std::vector<SearchMatch> matches;
    bool wildcard = false;
    int error = 0;  // when there are no matches: why (ENOENT when nothing matched)
};

// The entries a file pattern matches, in the order of the system's listings (ListedBefore), with
// the kind of file each one is (links followed), learnt without opening it. Only '*' and '?' in the
// last component are wildcards; they never match a leading '.', and "." and ".." are never among
// their matches. A pattern without wildcards matches the entry it names, whatever its type.
SearchResult FindMatches(const std::string& pattern);

// Every entry of a folder but those with a leading '.', with its kind (`followed` for what a
// link leads to), in the order of the system's listings; why not, when it cannot be read.
SearchResult ListFolder(const std::string& directory);
// The same for a folder held open.
SearchResult ListFolder(const COpenFolder& folder);

// The entry of exactly this name, '*' and '?' included, as FindMatches gives a plain name.
SearchResult FindName(const std::string& path);

// Whether a name matches a pattern whose '*' and '?' are wildcards, without regard to case.
bool NameMatches(const std::string& pattern, const std::string& name);

// Whether the name holds a '*' or a '?' (FindMatches looks at the last component only).
bool HasWildcards(const std::string& name);
