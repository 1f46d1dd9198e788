#include "tests/dwg_builder.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {
// What every drawing's image-data block starts with.
const Bytes kSentinel = {0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28,
                         0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10, 0x2B};
constexpr std::size_t kAddressOffset = 13;
constexpr std::size_t kDirectoryHeaderSize = 21;
constexpr std::size_t kEntrySize = 9;
}  // namespace

void PutLittleEndian(Bytes& out, std::size_t offset, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        out.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void AppendLittleEndian(Bytes& out, std::uint32_t value, std::size_t width) {
    out.resize(out.size() + width);
    PutLittleEndian(out, out.size() - width, value, width);
}

DwgBuilder& DwgBuilder::Version(std::string version) {
    m_version = std::move(version);
    return *this;
}
DwgBuilder& DwgBuilder::ImageAddress(std::int32_t address) {
    m_imageAddress = address;
    return *this;
}
DwgBuilder& DwgBuilder::BlockAt(std::int32_t offset) {
    m_blockAt = offset;
    m_imageAddress = offset;
    return *this;
}
DwgBuilder& DwgBuilder::EntryCount(std::int8_t count) {
    m_count = count;
    return *this;
}
DwgBuilder& DwgBuilder::Sentinel(Bytes sentinel) {
    m_sentinel = std::move(sentinel);
    return *this;
}
DwgBuilder& DwgBuilder::Entry(std::uint8_t code, Bytes data) {
    const auto size = static_cast<std::uint32_t>(data.size());
    m_entries.push_back({code, std::nullopt, size, std::move(data)});
    return *this;
}
DwgBuilder& DwgBuilder::RawEntry(std::uint8_t code, std::int32_t start, std::uint32_t size) {
    m_entries.push_back({code, start, size, {}});
    return *this;
}
DwgBuilder& DwgBuilder::TruncateTo(std::size_t size) {
    m_truncateTo = size;
    return *this;
}

Bytes DwgBuilder::Build() const {
    Bytes file(static_cast<std::size_t>(m_blockAt), 0);
    std::copy_n(m_version.begin(), std::min<std::size_t>(m_version.size(), kAddressOffset),
                file.begin());
    PutLittleEndian(file, kAddressOffset, static_cast<std::uint32_t>(m_imageAddress), 4);

    const Bytes sentinel = m_sentinel.value_or(kSentinel);
    file.insert(file.end(), sentinel.begin(), sentinel.end());
    const std::size_t directorySize = kDirectoryHeaderSize + kEntrySize * m_entries.size();
    std::size_t dataSize = 0;
    for (const Entry_& entry : m_entries) {
        dataSize += entry.data.size();
    }
    AppendLittleEndian(file, static_cast<std::uint32_t>(directorySize + dataSize), 4);
    const auto count = m_count.value_or(static_cast<std::int8_t>(m_entries.size()));
    file.push_back(static_cast<std::uint8_t>(count));

    std::size_t dataStart =
        static_cast<std::size_t>(m_blockAt) + sentinel.size() + 5 + kEntrySize * m_entries.size();
    for (const Entry_& entry : m_entries) {
        file.push_back(entry.code);
        AppendLittleEndian(
            file,
            static_cast<std::uint32_t>(entry.start.value_or(static_cast<std::int32_t>(dataStart))),
            4);
        AppendLittleEndian(file, entry.size, 4);
        dataStart += entry.data.size();
    }
    for (const Entry_& entry : m_entries) {
        file.insert(file.end(), entry.data.begin(), entry.data.end());
    }
    if (m_truncateTo) {
        file.resize(std::min(file.size(), *m_truncateTo));
    }
    return file;
}

Bytes MakeInfoDib(const DibSpec& spec) {
    Bytes dib(40, 0);
    PutLittleEndian(dib, 0, 40, 4);
    PutLittleEndian(dib, 4, static_cast<std::uint32_t>(spec.width), 4);
    PutLittleEndian(dib, 8, static_cast<std::uint32_t>(spec.height), 4);
    PutLittleEndian(dib, 12, 1, 2);
    PutLittleEndian(dib, 14, spec.bitsPerPixel, 2);
    PutLittleEndian(dib, 32, spec.colorsUsed, 4);
    for (std::uint32_t i = 0; i < spec.tableEntries; ++i) {
        const auto grey = static_cast<std::uint8_t>(i);
        dib.insert(dib.end(), {grey, grey, grey, 0});
    }
    const std::size_t stride =
        (static_cast<std::size_t>(spec.width) * spec.bitsPerPixel + 31) / 32 * 4;
    const std::size_t pixels = stride * static_cast<std::size_t>(std::abs(spec.height));
    for (std::size_t i = 0; i < pixels; ++i) {
        dib.push_back(static_cast<std::uint8_t>(i * 7));
    }
    return dib;
}

Bytes MakeCoreDib(std::uint16_t width, std::uint16_t height, std::uint16_t bitsPerPixel) {
    Bytes dib(12, 0);
    PutLittleEndian(dib, 0, 12, 4);
    PutLittleEndian(dib, 4, width, 2);
    PutLittleEndian(dib, 6, height, 2);
    PutLittleEndian(dib, 8, 1, 2);
    PutLittleEndian(dib, 10, bitsPerPixel, 2);
    const std::size_t entries = bitsPerPixel <= 8 ? std::size_t{1} << bitsPerPixel : 0;
    for (std::size_t i = 0; i < entries; ++i) {
        const auto level = static_cast<std::uint8_t>(i);
        dib.insert(dib.end(), {level, static_cast<std::uint8_t>(level + 1),
                               static_cast<std::uint8_t>(level + 2)});
    }
    const std::size_t stride = (std::size_t{width} * bitsPerPixel + 31) / 32 * 4;
    dib.resize(dib.size() + stride * height, 0x5A);
    return dib;
}

void SetQuad(Bytes& dib, int index, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    const std::size_t offset = 40 + 4 * static_cast<std::size_t>(index);
    dib.at(offset) = blue;
    dib.at(offset + 1) = green;
    dib.at(offset + 2) = red;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
