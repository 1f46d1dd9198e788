#include "platform/file_exception.h"

#include "platform/error_text.h"

namespace {

std::string ReasonOf(int cause) {
    switch (cause) {
        case kNotRegularCause:
            return kNotRegularReason;
        case kDrawingCause:
            return kDrawingReason;
        case kUnreadableCause:
            return kUnreadableReason;
        case kReservedNameCause:
            return kReservedNameReason;
        case kInvalidNameCause:
            return kInvalidNameReason;
        default:
            return SystemErrorText(cause);
    }
}

}  // namespace

CFileException::CFileException(std::string path, int cause)
    : CFileException(std::move(path), ReasonOf(cause)) {
    m_cause = cause;
}

CFileException::CFileException(std::string path, const std::string& reason)
    : std::runtime_error(path + ": " + reason), m_path(std::move(path)), m_cause(0) {}
