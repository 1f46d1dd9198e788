#include "platform/file_exception.h"

#include <cstdio>
#include <cstring>

#include "platform/console.h"

CFileException::CFileException(std::string path, int cause)
    : std::runtime_error(path + ": " + std::strerror(cause)),
      m_path(std::move(path)),
      m_cause(cause) {}

void CFileException::ReportError() const {
    ConsoleError(std::string(kProgramName) + ": " + what() + "\n");
}
