#pragma once

#include <optional>
#include <string>

#include "platform/unique_fd.h"

// Drawing names read from a file or from stdin ("-"), one a line, or separated by NUL bytes
// when the input holds one, as `find -print0` writes them. Names are bytes, used as they are;
// empty ones are passed over. Read errors raise CFileException.
class CNameList {
public:
    explicit CNameList(const std::string& path);
    CNameList(const CNameList&) = delete;
    CNameList& operator=(const CNameList&) = delete;

    // The next name, or nothing at the end of the input.
    std::optional<std::string> Next();

private:
    bool Fill();

    std::string m_path;
    UniqueFd m_owned;  // closed at the end; stdin is not
    int m_fd = -1;
    std::string m_buffer;
    std::size_t m_start = 0;
    char m_separator = '\n';
    bool m_separatorKnown = false;
    bool m_ended = false;
};
