#include "thumbnail/dxf_preview.h"

#include <algorithm>
#include <new>

#include "dib/dib.h"
#include "render/dxf_groups.h"

namespace {

constexpr std::string_view kSectionName = "THUMBNAILIMAGE";
constexpr std::string_view kVersionVariable = "$ACADVER";
// Writers put the section last: the end of the file is searched first, as far back as a
// preview of 672 x 448 (the largest seen) reaches in hexadecimal text.
constexpr std::uint64_t kTailBytes = 1 << 20;
constexpr std::size_t kScanBytes = 1 << 20;
// Enough before the name for "0", "SECTION" and "2" on lines of their own.
constexpr std::size_t kScanOverlap = 256;
constexpr int kEndCode = 0;
constexpr int kByteCountCode = 90;
constexpr int kChunkCode = 310;

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string_view::npos
               ? std::string_view()
               : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsLineEnd(char c) {
    return c == '\n' || c == '\r';
}

// The whole line before `end`, a line's start, moving `end` to that line's start; nothing when
// the text does not reach back to the line's own start (`textIsFile`: the text starts the file).
std::optional<std::string_view> LineBefore(std::string_view text, std::size_t& end,
                                           bool textIsFile) {
    if (end == 0 || !IsLineEnd(text[end - 1])) {
        return std::nullopt;
    }
    std::size_t stop = end - 1;
    if (text[stop] == '\n' && stop > 0 && text[stop - 1] == '\r') {
        --stop;
    }
    std::size_t start = stop;
    while (start > 0 && !IsLineEnd(text[start - 1])) {
        --start;
    }
    if (start == 0 && !textIsFile) {
        return std::nullopt;
    }
    end = start;
    return text.substr(start, stop - start);
}

// Text DXF: the name on a line of its own after "0", "SECTION" and "2". The offset just
// past the name's line, or 0.
std::size_t TextSectionAt(std::string_view text, std::size_t at, bool textIsFile) {
    if (at == 0 || !IsLineEnd(text[at - 1])) {
        return 0;
    }
    std::size_t end = at + kSectionName.size();
    while (end < text.size() && (text[end] == ' ' || text[end] == '\t')) {
        ++end;
    }
    if (end == text.size() || !IsLineEnd(text[end])) {
        return 0;
    }
    end += text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1;
    std::size_t back = at;
    for (const std::string_view expected : {"2", "SECTION", "0"}) {
        const std::optional<std::string_view> line = LineBefore(text, back, textIsFile);
        if (!line || Trimmed(*line) != expected) {
            return 0;
        }
    }
    return end;
}

// Binary DXF: code 0, "SECTION", code 2, the name, each string ending in a zero byte.
std::size_t BinarySectionAt(std::string_view bytes, std::size_t at, DxfKind kind) {
    const std::size_t width = kind == DxfKind::kBinary16 ? 2 : 1;
    const std::string header =
        std::string(width, '\0') + std::string("SECTION", 8) + '\2' + std::string(width - 1, '\0');
    const std::size_t end = at + kSectionName.size();
    if (at < header.size() || bytes.substr(at - header.size(), header.size()) != header ||
        end >= bytes.size() || bytes[end] != '\0') {
        return 0;
    }
    return end + 1;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Appends a 310 group's bytes; false when they are not whole hexadecimal pairs or run past
// the count.
bool AppendChunk(std::string_view value, DxfKind kind, MemoryBlock& bitmap, std::size_t& filled) {
    if (kind != DxfKind::kText) {
        if (value.size() > bitmap.size() - filled) {
            return false;
        }
        std::copy(value.begin(), value.end(), bitmap.begin() + static_cast<std::ptrdiff_t>(filled));
        filled += value.size();
        return true;
    }
    value = Trimmed(value);
    if (value.size() % 2 != 0 || value.size() / 2 > bitmap.size() - filled) {
        return false;
    }
    for (std::size_t i = 0; i < value.size(); i += 2) {
        const int high = HexDigit(value[i]);
        const int low = HexDigit(value[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bitmap[filled++] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return true;
}

std::optional<std::uint64_t> ParseCount(std::string_view text) {
    text = Trimmed(text);
    std::uint64_t count = 0;
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;  // also a negative count
    }
    for (const char digit : text) {
        count = count * 10 + static_cast<std::uint64_t>(digit - '0');
    }
    return count;
}

DxfPreview Damaged() {
    return {DxfPreviewState::kDamaged, nullptr};
}

// The section's groups, from `section` on.
DxfPreview ReadSection(CFile& file, DxfKind kind, std::uint64_t section,
                       const std::function<bool(std::uint64_t count)>& allowed) {
    file.Seek(static_cast<std::int64_t>(section));
    CDxfGroups groups(file, kind);
    DxfGroup group;
    MemoryHandle bitmap;
    std::size_t filled = 0;
    bool counted = false;
    bool chunks = false;
    for (;;) {
        if (groups.Next(group) != CDxfGroups::Result::kGroup) {
            return Damaged();  // cut short before ENDSEC
        }
        if (group.code == kEndCode) {
            break;
        }
        if (group.code == kByteCountCode) {
            const std::optional<std::uint64_t> count = ParseCount(group.value);
            // The file must hold the bytes it counts: two digits each in text.
            const std::uint64_t room = file.GetLength() - section;
            const std::uint64_t most = kind == DxfKind::kText ? room / 2 : room;
            if (counted || !count || *count > kMaxDibBytes || *count > most) {
                return Damaged();
            }
            if (!allowed(*count)) {
                return {DxfPreviewState::kRefused, nullptr};
            }
            counted = true;
            bitmap = AllocateUnsetBlock(static_cast<std::size_t>(*count));
            if (!bitmap) {
                throw std::bad_alloc();
            }
        } else if (group.code == kChunkCode) {
            chunks = true;
            if (!bitmap || !AppendChunk(group.value, kind, *bitmap, filled)) {
                return Damaged();
            }
        }
    }
    if (Trimmed(group.value) != "ENDSEC") {
        return Damaged();
    }
    if (!chunks && (!counted || bitmap->empty())) {
        return {};  // an empty section
    }
    if (!bitmap || filled != bitmap->size()) {
        return Damaged();
    }
    return {DxfPreviewState::kWhole, std::move(bitmap)};
}

}  // namespace

namespace {

// A search of part of the file: what it found, and what it may still read.
struct Search {
    std::optional<std::uint64_t> section;  // where the section's groups begin
    std::uint64_t budget = 0;              // bytes it may still read
    bool exhausted = false;                // it stopped at the budget with more to read
};

// Looks for the section named THUMBNAILIMAGE in [from, to), reading at most search.budget
// bytes. Text DXF holds no zero byte: a hole in a sparse file, or any other zero, ends it.
void FindDxfPreviewSection(CFile& file, DxfKind kind, std::uint64_t from, std::uint64_t to,
                           Search& search) {
    MemoryBlock chunk;
    for (std::uint64_t start = from; start < to && !search.section;) {
        if (search.budget == 0) {
            search.exhausted = true;
            return;
        }
        const std::size_t wanted = static_cast<std::size_t>(
            std::min({std::uint64_t{kScanBytes}, to - start, search.budget}));
        chunk.resize(wanted);
        file.Seek(static_cast<std::int64_t>(start));
        chunk.resize(file.Read(chunk.data(), wanted));
        search.budget -= chunk.size();
        std::string_view text(reinterpret_cast<const char*>(chunk.data()), chunk.size());
        const bool zero = kind == DxfKind::kText && text.find('\0') != std::string_view::npos;
        text = text.substr(0, zero ? text.find('\0') : text.size());
        for (std::size_t at = text.find(kSectionName); at != std::string_view::npos;
             at = text.find(kSectionName, at + 1)) {
            const std::size_t end = kind == DxfKind::kText ? TextSectionAt(text, at, start == 0)
                                                           : BinarySectionAt(text, at, kind);
            if (end != 0) {
                search.section = start + end;
                return;
            }
        }
        if (zero || chunk.size() < wanted || start + wanted >= to) {
            return;
        }
        start += wanted - std::min(wanted, kScanOverlap);
    }
}

}  // namespace

DxfPreview ReadDxfPreview(CFile& file, DxfKind kind,
                          const std::function<bool(std::uint64_t count)>& allowed,
                          std::uint64_t maxScanBytes) {
    const std::uint64_t size = file.GetLength();
    const std::uint64_t tail = size - std::min(size, kTailBytes);
    Search search;
    search.budget = maxScanBytes;
    FindDxfPreviewSection(file, kind, tail, size, search);
    if (!search.section && tail > 0) {
        FindDxfPreviewSection(file, kind, 0, tail + kScanOverlap, search);
    }
    if (!search.section) {
        return {search.exhausted ? DxfPreviewState::kScanLimit : DxfPreviewState::kNone, nullptr};
    }
    return ReadSection(file, kind, *search.section, allowed);
}

std::string DxfVersion(std::span<const std::uint8_t> start, DxfKind kind) {
    const std::string_view text(reinterpret_cast<const char*>(start.data()), start.size());
    if (kind == DxfKind::kText) {
        // "$ACADVER", then group 1 and the version, each on a line of its own.
        for (std::size_t at = text.find(kVersionVariable); at != std::string_view::npos;
             at = text.find(kVersionVariable, at + 1)) {
            std::size_t next = at + kVersionVariable.size();
            std::string_view lines[3];
            for (std::string_view& line : lines) {
                const std::size_t end = text.find_first_of("\r\n", next);
                if (end == std::string_view::npos) {
                    return {};
                }
                line = text.substr(next, end - next);
                next = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
            }
            if (Trimmed(lines[0]).empty() && Trimmed(lines[1]) == "1") {
                return std::string(Trimmed(lines[2]));
            }
        }
        return {};
    }
    const std::size_t width = kind == DxfKind::kBinary16 ? 2 : 1;
    const std::string variable =
        std::string(kVersionVariable) + '\0' + '\1' + std::string(width - 1, '\0');
    const std::size_t at = text.find(variable);
    if (at == std::string_view::npos) {
        return {};
    }
    const std::string_view value = text.substr(at + variable.size());
    const std::size_t end = value.find('\0');
    return end == std::string_view::npos ? std::string() : std::string(value.substr(0, end));
}
