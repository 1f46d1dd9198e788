#include "thumbnail/dwg_thumbnail.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <new>

#include "dib/dib_from_png.h"
#include "dib/dib_png.h"
#include "dib/dib_scale.h"
#include "thumbnail/drawing_start.h"

namespace {

constexpr std::int64_t kImageAddressOffset = 13;
constexpr std::size_t kHeaderDataCapacity = 255;
constexpr std::uint32_t kPlaceableHeaderSize = 22;
// No entry is read that is larger than the largest bitmap taken: a sparse file can claim
// gigabytes that cost it nothing.
constexpr std::uint64_t kMaxEntryBytes = kMaxDibBytes;
// A preview that takes a share of a run's memory budget before it is read: smaller ones are
// most, and cost too little to wait for.
constexpr std::uint64_t kLargePreviewBytes = 1 << 20;
constexpr COLORREF kContrastThreshold = 0x808080;
constexpr int kBackgroundEntries[] = {0, 226};
constexpr int kContrastEntries[] = {225, 245};

template <typename T>
bool ReadValue(CFile& file, T& value) {
    std::array<std::uint8_t, sizeof(T)> bytes{};
    if (file.Read(bytes.data(), bytes.size()) != bytes.size()) {
        return false;
    }
    std::make_unsigned_t<T> raw = 0;
    for (std::size_t i = bytes.size(); i-- > 0;) {
        raw = static_cast<std::make_unsigned_t<T>>(raw << 8 | bytes[i]);
    }
    value = static_cast<T>(raw);
    return true;
}

std::string TextUpToZero(const std::uint8_t* bytes, std::size_t count) {
    const auto* end = std::find(bytes, bytes + count, std::uint8_t{0});
    return std::string(bytes, end);
}

// Reads an entry's bytes at its start, or nothing when the file cannot supply them all or
// they are more than any preview: such a size never becomes an allocation.
// An entry that starts before the file does is damaged, like one that ends past it.
MemoryHandle ReadEntryBytes(CFile& file, std::int64_t start, std::uint64_t size) {
    if (start < 0 || size > kMaxEntryBytes) {
        return nullptr;
    }
    return file.ReadBlock(static_cast<std::uint64_t>(start), static_cast<std::size_t>(size));
}

}  // namespace

CDwgThumbnail::CDwgThumbnail(COLORREF background) : m_background(background) {}

CDwgThumbnail::~CDwgThumbnail() = default;

int CDwgThumbnail::CheckSentinel(const std::uint8_t* bytes) {
    if (bytes == nullptr) {
        return 0;
    }
    return std::equal(kImageDataSentinel.begin(), kImageDataSentinel.end(), bytes) ? 1 : 0;
}

CSize CDwgThumbnail::GetDimensions() const {
    if (!m_dib) {
        return {};
    }
    return {DibGetWidth(*m_dib), DibGetHeight(*m_dib)};
}

void CDwgThumbnail::SetBackground(COLORREF background) {
    m_background = background;
    if (Drawn()) {
        m_dib = DrawAt(m_drawSide);
        return;
    }
    if (!m_dib) {
        return;
    }
    const COLORREF contrast = background >= kContrastThreshold ? kBlack : kWhite;
    for (int entry : kContrastEntries) {
        DibSetPaletteColor(m_dib.get(), entry, contrast);
    }
    for (int entry : kBackgroundEntries) {
        DibSetPaletteColor(m_dib.get(), entry, background);
    }
}

void CDwgThumbnail::Reset(const std::string& path) {
    m_format = DrawingFormat::kDwg;
    m_version.clear();
    m_fileName = path;
    m_headerData.clear();
    m_width = 0;
    m_height = 0;
    ReleasePreview();
    m_outcome = LoadOutcome::kNoPreview;
    m_entries.clear();
    m_previewEntry.reset();
    m_error.clear();
    m_errorCause = 0;
    m_outputUnchanged = false;
    m_drawing.reset();
    m_storedOutcome = LoadOutcome::kNoPreview;
}

void CDwgThumbnail::ReleasePreview() {
    m_dib.reset();
    m_metaFile.reset();
    m_grant.Release();
}

void CDwgThumbnail::Reserve(std::uint64_t bytes) {
    if (m_budget != nullptr && bytes >= kLargePreviewBytes) {
        m_grant.Release();  // one grant at a time: no worker waits while holding one
        m_grant = m_budget->Take(bytes);
    }
}

void CDwgThumbnail::Fail(const CFileException& error) {
    m_error = error.what();
    m_errorCause = error.Cause();
    m_outcome = LoadOutcome::kFailed;
}

void CDwgThumbnail::Load(const FileName& path, KindCheck check) {
    Reset(path.path);
    m_source = path;
    CFile file;
    if (!file.OpenForReading(path, check)) {
        Fail(file.OpenFailure());
        return;
    }
    ReadOpenFile(file);
}

void CDwgThumbnail::Load(const std::string& name, ReadSource source, std::uint64_t size) {
    Reset(name);
    m_source = name;
    CFile file;
    file.OpenSource(name, std::move(source), size);
    ReadOpenFile(file);
}

void CDwgThumbnail::ReadOpenFile(CFile& file) {
    try {
        ReadDrawing(file);
        file.Close();
    } catch (const CFileException& error) {
        Fail(error);
    } catch (const std::bad_alloc&) {
        Fail(CFileException(m_fileName, ENOMEM));
    }
}

void CDwgThumbnail::ReadDrawing(CFile& file) {
    std::array<std::uint8_t, kDwgVersionBytes> version{};
    const std::size_t versionLength = file.Read(version.data(), version.size());
    m_version = TextUpToZero(version.data(), versionLength);
    if (!IsDwgVersion(m_version)) {
        ReadDxf(file);
        return;
    }

    file.Seek(kImageAddressOffset);
    std::int32_t imageAddress = 0;
    if (!ReadValue(file, imageAddress)) {
        return;
    }
    file.Seek(imageAddress);
    std::array<std::uint8_t, kImageDataSentinel.size()> sentinel{};
    if (file.Read(sentinel.data(), sentinel.size()) != sentinel.size() ||
        !CheckSentinel(sentinel.data())) {
        return;
    }
    std::int8_t count = 0;
    if (!ReadDirectory(file, count)) {
        return;
    }
    ReadEntries(file, count);
    TakeEntries(file);
}

void CDwgThumbnail::ReadEntries(CFile& file, int count) {
    for (int i = 0; i < count; ++i) {
        ImageEntry entry;
        if (!ReadEntry(file, entry)) {
            break;
        }
        m_entries.push_back(entry);
    }
}

void CDwgThumbnail::TakeEntries(CFile& file) {
    std::optional<std::size_t> dib;
    for (std::size_t i = 0; i < m_entries.size() && !dib; ++i) {
        switch (m_entries[i].code) {
            case kHeaderData:
                ReadHeaderData(file, m_entries[i]);
                break;
            case kDib:
                dib = i;  // entries after the first bitmap are never read
                break;
            case kMetaFile:
                ReadMetaFile(file, m_entries[i]);
                break;
            default:
                break;
        }
    }
    if (dib) {
        m_previewEntry = dib;
        ReadDib(file, m_entries[*dib]);
        if (m_dib) {
            return;
        }
    }
    // No bitmap, or a damaged one: the first PNG, wherever it is listed.
    const auto png = std::ranges::find(m_entries, kPng, &ImageEntry::code);
    if (png != m_entries.end()) {
        m_previewEntry = static_cast<std::size_t>(png - m_entries.begin());
        ReadPng(file, *png);
    }
}

bool CDwgThumbnail::ReadDirectory(CFile& file, std::int8_t& count) {
    std::uint32_t blockSize = 0;  // not trusted: each entry carries its own size
    return ReadValue(file, blockSize) && ReadValue(file, count);
}

bool CDwgThumbnail::ReadEntry(CFile& file, ImageEntry& entry) {
    return ReadValue(file, entry.code) && ReadValue(file, entry.start) &&
           ReadValue(file, entry.size);
}

void CDwgThumbnail::ReadHeaderData(CFile& file, const ImageEntry& entry) {
    if (entry.start < 0) {
        return;  // damaged: the other entries may still be good
    }
    file.Seek(entry.start);
    std::array<std::uint8_t, kHeaderDataCapacity> text{};
    const std::size_t wanted = std::min<std::size_t>(entry.size, text.size());
    const std::size_t got = file.Read(text.data(), wanted);
    m_headerData = TextUpToZero(text.data(), got);
}

bool CDwgThumbnail::WithinLimits(std::uint64_t bytes, std::uint64_t side, std::uint64_t decoded) {
    // Past the tool's own limits a preview is damaged, as no drawing holds one so large.
    const auto over = [](std::uint64_t value, std::uint64_t limit, std::uint64_t own) {
        return value > limit && value <= own;
    };
    const bool within = !over(bytes, m_limits.maxPreviewBytes, kMaxEntryBytes) &&
                        !over(side, m_limits.maxSide, kMaxPreviewSide) &&
                        !over(decoded, m_limits.maxDecodeBytes, kMaxDibBytes);
    if (!within) {
        m_outcome = LoadOutcome::kOverLimit;
    }
    return within;
}

void CDwgThumbnail::ReadDib(CFile& file, const ImageEntry& entry) {
    if (!WithinLimits(entry.size, 0, 0)) {
        return;
    }
    Reserve(entry.size);
    TakeStoredDib(ReadEntryBytes(file, entry.start, entry.size), entry.size);
}

void CDwgThumbnail::TakeStoredDib(MemoryHandle dib, std::uint64_t stored) {
    if (dib && !DibIsComplete(*dib)) {
        dib.reset();
    }
    if (dib) {
        const auto side = std::max(std::abs(std::int64_t{DibGetWidth(*dib)}),
                                   std::abs(std::int64_t{DibGetHeight(*dib)}));
        if (!WithinLimits(stored, static_cast<std::uint64_t>(side), dib->size())) {
            return;
        }
    }
    TakeDib(std::move(dib));
}

// A preview was listed: the bitmap it gave, or none when it was damaged.
void CDwgThumbnail::Hold(MemoryHandle dib, LoadOutcome withoutOne) {
    m_outcome = dib ? LoadOutcome::kPreview : withoutOne;
    m_dib = std::move(dib);
    const CSize size = GetDimensions();
    m_width = size.cx;
    m_height = size.cy;
}

void CDwgThumbnail::TakeDib(MemoryHandle dib) {
    Hold(std::move(dib), LoadOutcome::kDamagedPreview);
    if (m_dib && DibGetPaletteColor(m_dib.get(), 0) != m_background) {
        SetBackground(m_background);
    }
}

void CDwgThumbnail::TakeDrawn(MemoryHandle dib) {
    Hold(std::move(dib), LoadOutcome::kOverLimit);
}

void CDwgThumbnail::ReadMetaFile(CFile& file, const ImageEntry& entry) {
    if (entry.size < kPlaceableHeaderSize) {
        return;  // too small even for its own header
    }
    // The placeable header (bounds, units, checksum) says nothing the tool needs.
    MemoryHandle bits = ReadEntryBytes(file, std::int64_t{entry.start} + kPlaceableHeaderSize,
                                       entry.size - kPlaceableHeaderSize);
    if (bits) {
        m_metaFile = bits->empty() ? nullptr : std::move(bits);
    }
}

void CDwgThumbnail::ReadPng(CFile& file, const ImageEntry& entry) {
    if (!WithinLimits(entry.size, 0, 0)) {
        return;
    }
    Reserve(entry.size);
    const MemoryHandle png = ReadEntryBytes(file, entry.start, entry.size);
    // Weighed by its header before anything is allocated for its pixels.
    const std::optional<PngExtent> extent = png ? DibPngExtent(*png) : std::nullopt;
    if (extent &&
        !WithinLimits(entry.size, std::max(extent->width, extent->height), extent->dibBytes)) {
        return;
    }
    if (extent) {
        Reserve(entry.size + extent->dibBytes);
    }
    TakeDib(png ? DibFromPng(*png, m_background) : nullptr);
}

void CDwgThumbnail::ShrinkToFit(std::uint32_t maxSide) {
    if (Drawn() && maxSide != 0 && maxSide != m_drawSide) {  // drawn at the side asked
        m_drawSide = maxSide;
        TakeDrawn(DrawAt(maxSide));
        return;
    }
    if (!m_dib) {
        return;
    }
    if (MemoryHandle shrunk = DibShrinkToFit(*m_dib, maxSide, m_background)) {
        m_dib = std::move(shrunk);
        const CSize size = GetDimensions();
        m_width = size.cx;
        m_height = size.cy;
    }
}
