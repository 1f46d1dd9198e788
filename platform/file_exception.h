#pragma once

#include <stdexcept>
#include <string>

// Why a name that is not a regular file (a FIFO, a device, a socket) is not read.
inline constexpr char kNotRegularReason[] = "not a regular file";
// The cause that stands for it where errno values are passed.
inline constexpr int kNotRegularCause = -1;
// Why an output's name that holds a drawing, or the very file being read, is not replaced.
inline constexpr char kDrawingReason[] = "a drawing, never replaced by a picture";
inline constexpr int kDrawingCause = -2;
// Why an existing file that cannot be read, and so could be a drawing, is not replaced.
inline constexpr char kUnreadableReason[] = "cannot be read, so never replaced";
inline constexpr int kUnreadableCause = -5;
// Names that Windows cannot give a file: a device's, or one that it would change.
inline constexpr char kReservedNameReason[] = "a device name that Windows reserves";
inline constexpr int kReservedNameCause = -3;
inline constexpr char kInvalidNameReason[] = "not a valid file name on Windows";
inline constexpr int kInvalidNameCause = -4;

// A failed file operation: which file, and why (an errno value, or a reason of the tool's own).
class CFileException : public std::runtime_error {
public:
    // An errno value, or one of the tool's own causes above.
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
