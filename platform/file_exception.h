#pragma once

#include <stdexcept>
#include <string>

// Why a name that is not a regular file (a FIFO, a device, a socket) is not read.
inline constexpr char kNotRegularReason[] = "not a regular file";
// The cause that stands for it where errno values are passed.
inline constexpr int kNotRegularCause = -1;

// A failed file operation: which file, and why (an errno value, or a reason of the tool's own).
class CFileException : public std::runtime_error {
public:
    // An errno value, or kNotRegularCause.
    CFileException(std::string path, int cause);
    CFileException(std::string path, const std::string& reason);

    const std::string& Path() const { return m_path; }
    int Cause() const { return m_cause; }  // 0 when the reason is the tool's own

    // Tells the user, in the usual Unix form "pictavex: PATH: REASON" on stderr.
    void ReportError() const;

private:
    std::string m_path;
    int m_cause;
};
