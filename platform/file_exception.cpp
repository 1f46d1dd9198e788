#include "platform/file_exception.h"

#include <cstring>

#include "platform/console.h"

CFileException::CFileException(std::string path, int cause)
    : CFileException(std::move(path), cause == kNotRegularCause ? std::string(kNotRegularReason)
                                      : cause == kDrawingCause
                                          ? std::string(kDrawingReason)
                                          : std::string(std::strerror(cause))) {
    m_cause = cause;
}

CFileException::CFileException(std::string path, const std::string& reason)
    : std::runtime_error(path + ": " + reason), m_path(std::move(path)), m_cause(0) {}

void CFileException::ReportError() const {
    ConsoleError(std::string(ProgramName()) + ": " + what() + "\n");
}
