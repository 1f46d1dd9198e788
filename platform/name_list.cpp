#include "platform/name_list.h"

#include <cerrno>
#include <cstdint>
#include <string_view>

#include "platform/file_exception.h"
#include "platform/name_list_source.h"

namespace {

constexpr std::size_t kChunkSize = 64 * 1024;

// UTF-16LE without a byte-order mark, as `cmd /u /c dir /b > list` writes it: an even count of
// bytes, lines that end in the units "\r\0\n\0", no unit of zero, and mostly names of ASCII
// letters, whose second bytes are zero. A list of names apart by NUL bytes has none of the
// line feed units.
bool LooksLikeUtf16(std::string_view bytes) {
    if (bytes.size() % 2 != 0) {
        return false;
    }
    std::size_t zeroHigh = 0;
    bool lineFeed = false;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        if (bytes[i] == '\0' && bytes[i + 1] == '\0') {
            return false;
        }
        lineFeed = lineFeed || (bytes[i] == '\n' && bytes[i + 1] == '\0');
        zeroHigh += bytes[i + 1] == '\0' ? 1 : 0;
    }
    return lineFeed && zeroHigh * 2 >= bytes.size() / 2;
}

void AppendUtf8(std::string& text, std::uint32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | code >> 18);
        text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string Utf16ToUtf8(std::string_view bytes) {
    std::string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t code = static_cast<std::uint8_t>(bytes[i]) |
                             static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i + 1]))
                                 << 8;
        const bool high = code >= 0xD800 && code < 0xDC00;
        if (high && i + 3 < bytes.size()) {
            const std::uint32_t low =
                static_cast<std::uint8_t>(bytes[i + 2]) |
                static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i + 3])) << 8;
            if (low >= 0xDC00 && low < 0xE000) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(text, code);
    }
    return text;
}

// Lines that all end in "\r\n", as Windows programs write them, read as lines: the carriage
// returns go. A list with a bare line feed keeps every byte, as a name may end in one.
void DropCarriageReturns(std::string& text) {
    std::size_t lineFeeds = 0;
    std::size_t crlf = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        ++lineFeeds;
        crlf += at > 0 && text[at - 1] == '\r' ? 1 : 0;
    }
    if (lineFeeds == 0 || crlf != lineFeeds) {
        return;
    }
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && (i + 1 == text.size() || text[i + 1] == '\n'))) {
            lines += text[i];
        }
    }
    text = std::move(lines);
}

// The list as UTF-8: UTF-16 with or without a byte-order mark converted, a UTF-8 one dropped,
// and what else the system's own tools write (ListText).
std::string Decoded(const std::string& bytes) {
    constexpr std::string_view kUtf16Mark = "\xFF\xFE";
    constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    const std::string_view view = bytes;
    if (view.substr(0, kUtf16Mark.size()) == kUtf16Mark) {
        return Utf16ToUtf8(view.substr(kUtf16Mark.size()));
    }
    if (LooksLikeUtf16(view)) {
        return Utf16ToUtf8(view);
    }
    const std::size_t mark = view.substr(0, kUtf8Mark.size()) == kUtf8Mark ? kUtf8Mark.size() : 0;
    return ListText(bytes.substr(mark));
}

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
        m_buffer = Decoded(m_buffer);
        m_separator = m_buffer.find('\0') != std::string::npos ? '\0' : '\n';
        if (m_separator == '\n') {
            DropCarriageReturns(m_buffer);
        }
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
