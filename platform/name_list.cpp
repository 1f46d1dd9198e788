#include "platform/name_list.h"

#include <cerrno>

#include "platform/file_exception.h"
#include "platform/name_list_source.h"

namespace {

constexpr std::size_t kChunkSize = 64 * 1024;

}  // namespace

CNameList::CNameList(const std::string& path, Separator separator) : m_path(path) {
    if (path == "-") {
        m_fd = kStandardInput;
        m_path = "stdin";
    } else {
        m_owned = OpenList(path);
        if (!m_owned.IsOpen()) {
            throw CFileException(path, errno);
        }
        m_fd = m_owned.Get();
    }
    if (separator == Separator::kGuess) {
        while (Fill()) {
        }
        m_buffer = ListText(std::move(m_buffer));
        m_separator = m_buffer.find('\0') != std::string::npos ? '\0' : '\n';
    }
}

// Reads one more chunk; false at the end of the input.
bool CNameList::Fill() {
    if (m_ended) {
        return false;
    }
    m_buffer.erase(0, m_start);
    m_start = 0;
    const std::size_t held = m_buffer.size();
    m_buffer.resize(held + kChunkSize);
    const std::ptrdiff_t got = ReadList(m_fd, m_buffer.data() + held, kChunkSize);
    if (got < 0) {
        throw CFileException(m_path, errno);
    }
    m_buffer.resize(held + static_cast<std::size_t>(got));
    m_ended = got == 0;
    return !m_ended;
}

std::optional<std::string> CNameList::Next() {
    for (;;) {
        const std::size_t end = m_buffer.find(m_separator, m_start);
        if (end != std::string::npos) {
            std::string name = m_buffer.substr(m_start, end - m_start);
            m_start = end + 1;
            if (!name.empty()) {
                return name;
            }
            continue;
        }
        if (!Fill()) {
            if (m_start >= m_buffer.size()) {
                return std::nullopt;
            }
            std::string last = m_buffer.substr(m_start);  // no separator after the last name
            m_start = m_buffer.size();
            return last;
        }
    }
}
