#include "thumbnail/dxf_groups.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
// Longer than any line a DXF writer makes (2049 characters): a file with a longer one is
// not read on, so that a line never takes more memory than this.
constexpr std::size_t kMaxLineBytes = 4096;
constexpr int kEscapeCode = 255;  // binary DXF before AC1012: a 2-byte code follows
// The value types of binary DXF that a preview section may hold.
constexpr int kStringCode = 0;
constexpr int kByteCountCode = 90;
constexpr int kChunkCode = 310;

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

CDxfGroups::CDxfGroups(CFile& file, DxfKind kind)
    : m_file(file), m_kind(kind), m_buffer(kBufferBytes) {}

bool CDxfGroups::Fill() {
    m_end = m_file.Read(m_buffer.data(), m_buffer.size());
    m_at = 0;
    return m_end != 0;
}

int CDxfGroups::Get() {
    if (m_at == m_end && !Fill()) {
        return -1;
    }
    return m_buffer[m_at++];
}

bool CDxfGroups::Peek(int expected) {
    const int next = Get();
    if (next != expected && next >= 0) {
        --m_at;  // Get() just put it in the buffer
    }
    return next == expected;
}

// A line ends at a line feed, a carriage return, or both; false at the end of the file or
// for a line too long (m_tooLong).
bool CDxfGroups::ReadLine(std::string& line) {
    line.clear();
    for (;;) {
        if (m_at == m_end && !Fill()) {
            return !line.empty();
        }
        const std::uint8_t* start = m_buffer.data() + m_at;
        const std::uint8_t* stop = m_buffer.data() + m_end;
        const std::uint8_t* end =
            std::find_if(start, stop, [](std::uint8_t c) { return c == '\n' || c == '\r'; });
        if (line.size() + static_cast<std::size_t>(end - start) > kMaxLineBytes) {
            m_tooLong = true;
            return false;
        }
        line.append(start, end);
        m_at += static_cast<std::size_t>(end - start);
        if (end != stop) {
            if (Get() == '\r') {
                Peek('\n');
            }
            return true;
        }
    }
}

CDxfGroups::Result CDxfGroups::Next(DxfGroup& group) {
    return m_kind == DxfKind::kText ? NextText(group) : NextBinary(group);
}

CDxfGroups::Result CDxfGroups::NextText(DxfGroup& group) {
    std::string code;
    if (!ReadLine(code)) {
        return m_tooLong ? Result::kDamaged : Result::kEnd;
    }
    const std::string_view digits = Trimmed(code);
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), group.code);
    if (digits.empty() || parsed.ec != std::errc() || parsed.ptr != digits.data() + digits.size() ||
        !ReadLine(group.value)) {
        return Result::kDamaged;
    }
    return Result::kGroup;
}

bool CDxfGroups::ReadText(std::string& text) {
    text.clear();
    for (int next = Get(); next != 0; next = Get()) {
        if (next < 0 || text.size() == kMaxLineBytes) {
            return false;
        }
        text.push_back(static_cast<char>(next));
    }
    return true;
}

bool CDxfGroups::ReadBytes(std::size_t count, std::string& bytes) {
    bytes.resize(count);
    for (char& byte : bytes) {
        const int next = Get();
        if (next < 0) {
            return false;
        }
        byte = static_cast<char>(next);
    }
    return true;
}

bool CDxfGroups::ReadCode(int& code) {
    std::string bytes;
    bool wide = m_kind == DxfKind::kBinary16;
    if (!ReadBytes(wide ? 2 : 1, bytes)) {
        return false;
    }
    code = static_cast<std::uint8_t>(bytes[0]);
    if (!wide && code == kEscapeCode) {
        if (!ReadBytes(2, bytes)) {
            return false;
        }
        wide = true;
    }
    if (wide) {
        code = static_cast<std::uint8_t>(bytes[0]) | static_cast<std::uint8_t>(bytes[1]) << 8;
    }
    return true;
}

CDxfGroups::Result CDxfGroups::NextBinary(DxfGroup& group) {
    if (!ReadCode(group.code)) {
        return Result::kEnd;
    }
    std::string bytes;
    switch (group.code) {
        case kStringCode:
            return ReadText(group.value) ? Result::kGroup : Result::kDamaged;
        case kByteCountCode: {
            if (!ReadBytes(4, bytes)) {
                return Result::kDamaged;
            }
            std::uint32_t count = 0;  // little-endian
            for (int i = 3; i >= 0; --i) {
                count = count << 8 | static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(i)]);
            }
            group.value = std::to_string(static_cast<std::int32_t>(count));
            return Result::kGroup;
        }
        case kChunkCode: {
            const int length = Get();
            return length >= 0 && ReadBytes(static_cast<std::size_t>(length), group.value)
                       ? Result::kGroup
                       : Result::kDamaged;
        }
        default:
            return Result::kDamaged;  // no other group belongs in a preview section
    }
}
