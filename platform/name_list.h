#pragma once

#include <optional>
#include <string>

#include "platform/unique_fd.h"

// Drawing names read from a file or from stdin ("-"). Names are bytes, used as they are; empty
// ones are passed over. Read errors raise CFileException.
//
// Separated by NUL bytes, as `find -print0` writes them, they are read as they come, bytes as
// given. Otherwise the whole list is read before the first name is given: UTF-16 (also
// without a byte-order mark) becomes UTF-8; then NUL-separated when it holds a NUL anywhere,
// else one a line, lines that all end in "\r\n" read as lines. So no name ever holds a NUL,
// however slowly the list arrives.
class CNameList {
public:
    enum class Separator { kGuess, kNul };

    CNameList(const std::string& path, Separator separator);
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
    char m_separator = '\0';
    bool m_ended = false;
};
