#include "platform/error_text.h"

#include <cstring>

std::string SystemErrorText(int cause) {
    return std::strerror(cause);
}
