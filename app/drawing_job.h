#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/option_values.h"
#include "app/output_folder.h"
#include "platform/output_identity.h"
#include "platform/search.h"
#include "thumbnail/dwg_thumbnail.h"

// The options in force where a drawing was named: each drawing takes its own copy.
struct DrawingSettings {
    COLORREF background = kBlack;
    ImageFormat format = ImageFormat::kBmp;
    std::uint32_t maxSide = 0;  // 0: as stored
    bool verbose = true;
    bool json = false;    // a JSON line per drawing in place of the progress text
    bool dryRun = false;  // read and tell, write nothing
    DrawChoice draw = DrawChoice::kStoredOnly;
};

// What became of a drawing. kUpToDate: written, in that its output already held the bytes.
enum class DrawingStatus {
    kWritten,
    kUpToDate,
    kDryRun,
    kNoPreview,
    kDamagedPreview,
    kNotDrawing,
    kFailed
};

inline bool IsWritten(DrawingStatus status) {
    return status == DrawingStatus::kWritten || status == DrawingStatus::kUpToDate;
}

// That, and whether the picture was drawn from the geometry, or could have been.
struct DrawingResult {
    DrawingStatus status = DrawingStatus::kFailed;
    bool drawn = false;     // written (or told, in a dry run) from the geometry
    bool drawable = false;  // no preview stored, in a drawing that the draw option would draw
};

struct DrawingJob {
    std::string input;   // as shown; the file itself, unless it lies in `inputFolder`
    std::string output;  // as shown; the file itself, unless it goes into `outputFolder`
    // A walk's drawing: its name in the folder the walk holds open.
    FolderHandle inputFolder;
    std::string inputName;
    // A picture that goes into a folder made for it: its name there.
    std::shared_ptr<COutputFolder> outputFolder;
    std::string outputName;
    EntryKind kind = EntryKind::kRegular;
    int kindError = 0;           // why the kind is kBroken
    bool listedRegular = false;  // a regular file by its directory entry, not through a link
    DrawingSettings settings;
    // The drawing of this run that already wrote `output`, which must not be replaced.
    std::string writtenFor;
};

// The drawing a job reads, and the file its picture goes to (its folder made as needed:
// failures are raised as CFileException).
FileName InputOf(const DrawingJob& job);
FileName OutputOf(const DrawingJob& job);
// What tells the job's picture from every other of the run, however its folder is spelt.
std::string OutputKey(const DrawingJob& job, COutputIdentity& identities);

// Does one drawing with the caller's own thumbnail object and tells the console what became
// of it: a progress line, a JSON line, or nothing but errors.
DrawingResult RunDrawing(const DrawingJob& job, CDwgThumbnail& thumbnail);

// Tells, in the run's form, that a name or pattern gave no drawing at all.
void ReportMissing(const std::string& pattern, int cause, const DrawingSettings& settings);
