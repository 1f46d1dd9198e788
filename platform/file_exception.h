#pragma once

#include <stdexcept>
#include <string>

// A failed file operation: which file, and the errno value that explains it.
class CFileException : public std::runtime_error {
public:
    CFileException(std::string path, int cause);

    const std::string& Path() const { return m_path; }
    int Cause() const { return m_cause; }

    // Tells the user, in the usual Unix form "pictavex: PATH: REASON" on stderr.
    void ReportError() const;

private:
    std::string m_path;
    int m_cause;
};
