#include "render/dxf_groups.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
// Longer than any line a DXF writer makes (2049 characters): a file with a longer one is
// not read on, so that a line never takes more memory than this.
constexpr std::size_t kMaxLineBytes = 4096;
constexpr int kEscapeCode = 255;  // binary DXF before AC1012: a 2-byte code follows
// Enough for any double written in its shortest form.
constexpr std::size_t kRealTextBytes = 32;

// How binary DXF stores the value of each group code.
enum class BinaryType { kText, kReal, kInt8, kInt16, kInt32, kInt64, kChunk, kUnknown };

struct CodeRange {
    int first;
    int last;
    BinaryType type;
};

constexpr CodeRange kBinaryTypes[] = {
    {0, 9, BinaryType::kText},        {10, 59, BinaryType::kReal},
    {60, 79, BinaryType::kInt16},     {90, 99, BinaryType::kInt32},
    {100, 109, BinaryType::kText},    {110, 149, BinaryType::kReal},
    {160, 169, BinaryType::kInt64},   {170, 179, BinaryType::kInt16},
    {210, 239, BinaryType::kReal},    {270, 289, BinaryType::kInt16},
    {290, 299, BinaryType::kInt8},    {300, 309, BinaryType::kText},
    {310, 319, BinaryType::kChunk},   {320, 369, BinaryType::kText},
    {370, 389, BinaryType::kInt16},   {390, 399, BinaryType::kText},
    {400, 409, BinaryType::kInt16},   {410, 419, BinaryType::kText},
    {420, 429, BinaryType::kInt32},   {430, 439, BinaryType::kText},
    {440, 459, BinaryType::kInt32},   {460, 469, BinaryType::kReal},
    {470, 481, BinaryType::kText},    {999, 1003, BinaryType::kText},
    {1004, 1004, BinaryType::kChunk}, {1005, 1009, BinaryType::kText},
    {1010, 1059, BinaryType::kReal},  {1060, 1070, BinaryType::kInt16},
    {1071, 1071, BinaryType::kInt32},
};

BinaryType BinaryTypeOf(int code) {
    for (const CodeRange& range : kBinaryTypes) {
        if (code >= range.first && code <= range.last) {
            return range.type;
        }
    }
    return BinaryType::kUnknown;
}

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
    m_read += m_end;
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

// A little-endian integer of `size` bytes, sign-extended, as decimal text.
bool CDxfGroups::ReadInteger(std::size_t size, std::string& text) {
    std::string bytes;
    if (!ReadBytes(size, bytes)) {
        return false;
    }
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;) {
        value = value << 8 | static_cast<std::uint8_t>(bytes[i]);
    }
    const unsigned unused = 64 - 8 * static_cast<unsigned>(size);
    const auto signedValue = static_cast<std::int64_t>(value << unused) >> unused;
    text = std::to_string(signedValue);
    return true;
}

// An IEEE double, little-endian, as the shortest text that reads back as the same value.
bool CDxfGroups::ReadReal(std::string& text) {
    std::string bytes;
    if (!ReadBytes(sizeof(double), bytes)) {
        return false;
    }
    std::uint64_t bits = 0;
    for (std::size_t i = sizeof(double); i-- > 0;) {
        bits = bits << 8 | static_cast<std::uint8_t>(bytes[i]);
    }
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    std::array<char, kRealTextBytes> digits{};
    const auto written = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    text.assign(digits.data(), written.ptr);
    return true;
}

CDxfGroups::Result CDxfGroups::NextBinary(DxfGroup& group) {
    if (!ReadCode(group.code)) {
        return Result::kEnd;
    }
    bool read = false;
    switch (BinaryTypeOf(group.code)) {
        case BinaryType::kText:
            read = ReadText(group.value);
            break;
        case BinaryType::kReal:
            read = ReadReal(group.value);
            break;
        case BinaryType::kInt8:
            read = ReadInteger(1, group.value);
            break;
        case BinaryType::kInt16:
            read = ReadInteger(2, group.value);
            break;
        case BinaryType::kInt32:
            read = ReadInteger(4, group.value);
            break;
        case BinaryType::kInt64:
            read = ReadInteger(8, group.value);
            break;
        case BinaryType::kChunk: {
            const int length = Get();
            read = length >= 0 && ReadBytes(static_cast<std::size_t>(length), group.value);
            break;
        }
        case BinaryType::kUnknown:
            break;  // no DXF writer writes it
    }
    return read ? Result::kGroup : Result::kDamaged;
}
