#pragma once
// The groups of a DXF file, one after another from where a file is positioned: a group code
// and its value, from text lines or binary records.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file.h"
#include "platform/memory_block.h"

// What a DXF file is: text, or binary with group codes of one byte (before AC1012) or two.
enum class DxfKind { kNone, kText, kBinary8, kBinary16 };

// The sentinel binary DXF files begin with (with its zero byte); their groups follow it.
inline constexpr std::string_view kBinaryDxfSentinel{"AutoCAD Binary DXF\r\n\x1a", 22};

struct DxfGroup {
    int code = 0;
    // Text DXF: the value's line, without its line end. Binary DXF: a string's bytes, a
    // number written out in decimal, or a binary chunk's bytes.
    std::string value;
};

class CDxfGroups {
public:
    enum class Result { kGroup, kEnd, kDamaged };

    // Reads `file` from its current position; read errors are raised as CFileException.
    CDxfGroups(CFile& file, DxfKind kind);
    CDxfGroups(const CDxfGroups&) = delete;
    CDxfGroups& operator=(const CDxfGroups&) = delete;

    // kEnd at the end of the file; kDamaged for what no DXF writer writes.
    Result Next(DxfGroup& group);
    // The bytes read from the file so far.
    std::uint64_t BytesRead() const { return m_read; }

private:
    bool Fill();  // false at the end of the file
    int Get();    // the next byte, or -1 at the end of the file
    bool Peek(int expected);
    bool ReadLine(std::string& line);
    bool ReadText(std::string& text);
    bool ReadBytes(std::size_t count, std::string& bytes);
    bool ReadCode(int& code);
    bool ReadInteger(std::size_t size, std::string& text);
    bool ReadReal(std::string& text);
    Result NextText(DxfGroup& group);
    Result NextBinary(DxfGroup& group);

    CFile& m_file;
    DxfKind m_kind;
    MemoryBlock m_buffer;
    std::size_t m_at = 0;
    std::size_t m_end = 0;
    std::uint64_t m_read = 0;
    bool m_tooLong = false;  // a line longer than any writer makes
};
