// The user's report of a file error, on the console: kept apart, since the library has no
// console and never reports anything itself.
#include "platform/console.h"
#include "platform/file_exception.h"

void CFileException::ReportError() const {
    ConsoleError(std::string(ProgramName()) + ": " + what() + "\n");
}
