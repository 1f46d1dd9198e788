#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/memory_block.h"

// The tool's own block type, so that built bitmaps go straight to the functions under test.
using Bytes = MemoryBlock;

void PutLittleEndian(Bytes& out, std::size_t offset, std::uint32_t value, std::size_t width);
void AppendLittleEndian(Bytes& out, std::uint32_t value, std::size_t width);

// Makes DWG drawings the way the reader expects them, and broken ones on request: every
// field of the header and the image-data directory can be overridden.
class DwgBuilder {
public:
    static constexpr std::int32_t kDefaultImageAddress = 0x40;

    DwgBuilder& Version(std::string version);
    DwgBuilder& ImageAddress(std::int32_t address);
    // Puts the image-data block this far into the file (and its address there), the bytes
    // before it zero, as large drawings keep it far from their start.
    DwgBuilder& BlockAt(std::int32_t offset);
    DwgBuilder& EntryCount(std::int8_t count);
    DwgBuilder& Sentinel(Bytes sentinel);
    // An entry whose data follows the directory.
    DwgBuilder& Entry(std::uint8_t code, Bytes data);
    // An entry that points wherever it says, with no data of its own.
    DwgBuilder& RawEntry(std::uint8_t code, std::int32_t start, std::uint32_t size);
    // Cuts the finished file to this many bytes.
    DwgBuilder& TruncateTo(std::size_t size);

    Bytes Build() const;

private:
    struct Entry_ {
        std::uint8_t code;
        std::optional<std::int32_t> start;
        std::uint32_t size;
        Bytes data;
    };

    std::string m_version = "AC1015";
    std::int32_t m_imageAddress = kDefaultImageAddress;
    std::int32_t m_blockAt = kDefaultImageAddress;
    std::optional<std::int8_t> m_count;
    std::optional<Bytes> m_sentinel;
    std::vector<Entry_> m_entries;
    std::optional<std::size_t> m_truncateTo;
};

// A packed DIB with a 40-byte header; colour-table entry i is grey level i unless set.
struct DibSpec {
    std::int32_t width = 4;
    std::int32_t height = 2;
    std::uint16_t bitsPerPixel = 8;
    std::uint32_t colorsUsed = 0;
    std::uint32_t tableEntries = 256;  // entries actually stored
};
Bytes MakeInfoDib(const DibSpec& spec);
// A packed DIB with a 12-byte header and 3-byte colour entries.
Bytes MakeCoreDib(std::uint16_t width, std::uint16_t height, std::uint16_t bitsPerPixel);

void SetQuad(Bytes& dib, int index, std::uint8_t blue, std::uint8_t green, std::uint8_t red);

// Writes bytes to a file, replacing it.
void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);
