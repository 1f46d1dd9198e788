#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dib/dib.h"
#include "platform/file.h"
#include "platform/memory_block.h"
#include "platform/memory_budget.h"
#include "platform/output_file.h"
#include "render/dxf_drawing.h"

// Marks the start of a drawing's image-data block.
inline constexpr std::array<std::uint8_t, 16> kImageDataSentinel = {
    0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28, 0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10, 0x2B};

// The kind of drawing the last Load read.
enum class DrawingFormat { kDwg, kDxf };

// What the last Load found.
enum class LoadOutcome {
    kNoPreview,       // no bitmap or PNG preview: nothing to write, and nothing wrong
    kPreview,         // a whole bitmap is held
    kDamagedPreview,  // a preview that is cut short, inconsistent or too large
    kFailed,          // the drawing could not be read; the reason was reported
    kNotDrawing,      // the file begins neither as DWG nor as DXF drawings do
    kOverLimit,       // a preview over one of the caller's limits: nothing allocated for it,
                      // or none found within the bytes the search may read (m_error says so)
};

// The bytes of a drawing read, by default, to find a preview whose place no header gives (a
// DXF drawing's section): a DXF of that size takes about a second to search.
inline constexpr std::uint64_t kDefaultScanBytes = 256ull << 20;

// Whether a DXF drawing is drawn from its geometry: never, where it keeps no whole preview,
// or always.
enum class DrawChoice { kStoredOnly, kStoredElseDrawn, kAlwaysDrawn };
// The side of a drawn picture where no side is asked for.
inline constexpr std::uint32_t kDefaultDrawSide = 256;

// What a caller allows one drawing's preview: never more than the tool's own limits, but for
// the search, which costs time alone.
struct PreviewLimits {
    std::uint32_t maxSide = kMaxPreviewSide;           // pixels a side
    std::uint64_t maxPreviewBytes = kMaxDibBytes;      // bytes of the stored preview
    std::uint64_t maxDecodeBytes = kMaxDibBytes;       // bytes of the bitmap it becomes
    std::uint64_t maxScanBytes = kDefaultScanBytes;    // bytes read to find the preview
    std::uint64_t maxDrawVisits = kDefaultDrawVisits;  // entities resolved to draw one
    std::chrono::milliseconds maxDrawTime = kDefaultDrawTime;
};

// What an entry of a drawing's image directory holds.
enum EntryCode : std::uint8_t { kHeaderData = 1, kDib = 2, kMetaFile = 3, kPng = 6 };

// One entry of a drawing's image directory, as listed: what it is, where, and how large.
struct ImageEntry {
    std::uint8_t code = 0;  // an EntryCode, or one the tool does not know
    std::int32_t start = 0;
    std::uint32_t size = 0;
};

struct CSize {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
};

// The previews of one DWG (or DXF) drawing and the background colour its bitmap is to have.
class CDwgThumbnail {
public:
    explicit CDwgThumbnail(COLORREF background);
    CDwgThumbnail(const CDwgThumbnail&) = delete;
    CDwgThumbnail& operator=(const CDwgThumbnail&) = delete;
    virtual ~CDwgThumbnail();

    // Reads the previews of a drawing; file errors, including a drawing that cannot be
    // opened and memory running out, are neither raised nor printed: m_error says them. `check`:
    // what the caller knows of the file's kind (see OpenForReading).
    void Load(const FileName& path, KindCheck check = KindCheck::kAsk);
    // The same for `size` bytes that `source` supplies, named `name` in m_error.
    void Load(const std::string& name, ReadSource source, std::uint64_t size);
    // 1 when the held bitmap was written, 0 when there is none; write errors are raised.
    // A file that already holds exactly those bytes is left as it is (m_outputUnchanged).
    int SaveBmp(const FileName& path);
    // The same for a PNG file of the held bitmap's picture; `inPlace` writes into an existing
    // file rather than replacing it (see WriteFileInPlace).
    int SavePng(const FileName& path, bool inPlace = false);
    // Replaces the held bitmap by its picture shrunk to fit inside maxSide x maxSide, as a
    // 24-bit bitmap; one that fits already, and a maxSide of 0, leave it as it is.
    void ShrinkToFit(std::uint32_t maxSide);
    void SetBackground(COLORREF background);
    CSize GetDimensions() const;
    static int CheckSentinel(const std::uint8_t* bytes);

    COLORREF m_background;
    DrawingFormat m_format = DrawingFormat::kDwg;
    std::string m_version;  // DWG: the version text it begins with; DXF: $ACADVER
    std::string m_fileName;
    std::string m_headerData;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    MemoryHandle m_dib;
    MemoryHandle m_metaFile;  // the metafile bits, after their placeable header
    LoadOutcome m_outcome = LoadOutcome::kNoPreview;
    std::vector<ImageEntry> m_entries;  // the image directory, up to the first unreadable entry
    std::optional<std::size_t> m_previewEntry;  // the one the bitmap came from
    std::string m_error;   // with kFailed: why the drawing could not be read, "PATH: REASON"
    int m_errorCause = 0;  // with kFailed: its errno value (CFileException::Cause)
    bool m_outputUnchanged = false;  // the last SaveBmp found its file right already
    PreviewLimits m_limits;          // the caller's: within the tool's own, never above
    // What workers share for large previews, if they do: taken before one is read, held
    // until ReleasePreview() or the next Load.
    CMemoryBudget* m_budget = nullptr;

    // Frees the held bitmap, and what it took of the budget.
    void ReleasePreview();

    // Drawing from the geometry: the caller's choice, the side to draw at, and, when the
    // held bitmap was drawn, the drawing (m_outcome is then kPreview and m_storedOutcome says
    // what the stored preview was).
    DrawChoice m_drawChoice = DrawChoice::kStoredOnly;
    std::uint32_t m_drawSide = kDefaultDrawSide;
    std::shared_ptr<const DxfDrawing> m_drawing;
    LoadOutcome m_storedOutcome = LoadOutcome::kNoPreview;
    bool Drawn() const { return m_drawing != nullptr; }
    // The drawing's picture inside side x side on the background; null when it cannot be.
    MemoryHandle DrawAt(std::uint32_t side) const;

private:
    bool m_lastOutputExisted = false;  // kept from drawing to drawing: a re-run, most likely
    FileName m_source;                 // the drawing last loaded
    CMemoryBudget::Grant m_grant;      // of m_budget, for the preview being read
    // Takes `bytes` of the budget, when there is one and they are many.
    void Reserve(std::uint64_t bytes);
    // An output never replaces the drawing it was made from, nor any other drawing.
    OutputGuard Guard() const;
    void Reset(const std::string& path);
    void Fail(const CFileException& error);
    void ReadOpenFile(CFile& file);
    void ReadDrawing(CFile& file);
    // Whether a preview of `bytes` stored, `side` pixels a side at most and `decoded` bytes as
    // a bitmap is within m_limits; if not, the outcome says so.
    bool WithinLimits(std::uint64_t bytes, std::uint64_t side, std::uint64_t decoded);
    void ReadEntries(CFile& file, int count);
    // Header data, the first bitmap, metafiles before it; the first PNG when there is no
    // bitmap or the bitmap is damaged.
    void TakeEntries(CFile& file);
    bool ReadDirectory(CFile& file, std::int8_t& count);
    bool ReadEntry(CFile& file, ImageEntry& entry);
    void ReadHeaderData(CFile& file, const ImageEntry& entry);
    void ReadDib(CFile& file, const ImageEntry& entry);
    // A DXF drawing's preview section, found where it is (the end of the file first).
    void ReadDxf(CFile& file);
    void ReadDxfStored(CFile& file, DxfKind kind);
    // Draws it from its geometry, where the caller's choice and what was stored call for it.
    void DrawDxf(CFile& file, DxfKind kind);
    // A stored bitmap of `stored` bytes, when whole and within the limits.
    void TakeStoredDib(MemoryHandle dib, std::uint64_t stored);
    void ReadMetaFile(CFile& file, const ImageEntry& entry);
    void ReadPng(CFile& file, const ImageEntry& entry);
    void TakeDib(MemoryHandle dib);
    // Holds `dib` as the picture, or none with the outcome `withoutOne`.
    void Hold(MemoryHandle dib, LoadOutcome withoutOne);
    // A picture drawn from the geometry; null: over the limits.
    void TakeDrawn(MemoryHandle dib);
};
