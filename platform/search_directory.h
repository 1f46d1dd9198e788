#pragma once
// The system's half of the search: for platform/ alone.

#include <string>

#include "platform/folder.h"
#include "platform/search.h"

// The entries of `directory` whose names match the wildcard pattern `name`, in any order,
// with their kinds; never ".", "..", or a name with a leading '.'. When the directory cannot
// be read, no matches and why. With `held`, that folder itself is listed, whatever its path
// (`directory`) leads to now.
SearchResult SearchDirectory(const std::string& directory, const std::string& name,
                             const COpenFolder* held = nullptr);
