#include "app/drawing_job.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>

#include "app/drawing_json.h"
#include "app/messages.h"
#include "platform/console.h"
#include "platform/error_text.h"

namespace {

// A match that cannot be a drawing, named as such; wildcard matches of this kind are passed
// over before they get here.
void RefuseNonRegular(const DrawingJob& job) {
    switch (job.kind) {
        case EntryKind::kBroken:
            throw CFileException(job.input, job.kindError);
        case EntryKind::kDirectory:  // a hint for what was most likely meant
            throw CFileException(job.input, SystemErrorText(EISDIR) + " (-r walks it)");
        case EntryKind::kOther:
            throw CFileException(job.input, kNotRegularReason);
        case EntryKind::kRegular:
            return;
    }
}

}  // namespace

FileName InputOf(const DrawingJob& job) {
    FileName input = job.inputFolder ? FileName(job.inputFolder, job.inputName) : job.input;
    input.path = job.input;  // as the user spelt it
    return input;
}

FileName OutputOf(const DrawingJob& job) {
    FileName output =
        job.outputFolder ? FileName(job.outputFolder->Open(), job.outputName) : job.output;
    output.path = job.output;
    return output;
}

std::string OutputKey(const DrawingJob& job, COutputIdentity& identities) {
    return identities.KeyOf(job.output);
}

namespace {

// What a JSON line tells of the preview, taken before any shrinking.
struct PreviewTaken {
    CSize size;
    std::uint16_t bits = 0;
};

DrawingStatus WritePreview(const DrawingJob& job, CDwgThumbnail& thumbnail) {
    if (!job.writtenFor.empty()) {
        throw CFileException(job.output, "already written for " + job.writtenFor);
    }
    if (job.settings.dryRun) {
        return DrawingStatus::kDryRun;
    }
    thumbnail.ShrinkToFit(job.settings.maxSide);
    const FileName output = OutputOf(job);
    const int saved = job.settings.format == ImageFormat::kPng ? thumbnail.SavePng(output)
                                                               : thumbnail.SaveBmp(output);
    if (!saved) {  // a held picture that could not be encoded: never an "Ok!"
        throw CFileException(job.output, "the picture could not be encoded");
    }
    return thumbnail.m_outputUnchanged ? DrawingStatus::kUpToDate : DrawingStatus::kWritten;
}

// The side a drawn picture is drawn at: the one asked, within the largest a picture may have.
std::uint32_t DrawSide(std::uint32_t maxSide) {
    return maxSide == 0
               ? kDefaultDrawSide
               : std::min<std::uint32_t>(maxSide, static_cast<std::uint32_t>(kMaxPreviewSide));
}

DrawingStatus Extract(const DrawingJob& job, CDwgThumbnail& thumbnail, PreviewTaken& preview) {
    thumbnail.SetBackground(job.settings.background);
    thumbnail.m_drawChoice = job.settings.draw;
    thumbnail.m_drawSide = DrawSide(job.settings.maxSide);
    thumbnail.Load(InputOf(job), job.listedRegular ? KindCheck::kListedRegular : KindCheck::kAsk);
    switch (thumbnail.m_outcome) {
        case LoadOutcome::kFailed:
        case LoadOutcome::kOverLimit:  // the search's limit: m_error says so
            return DrawingStatus::kFailed;
        case LoadOutcome::kNoPreview:
            return DrawingStatus::kNoPreview;
        case LoadOutcome::kDamagedPreview:
            return DrawingStatus::kDamagedPreview;
        case LoadOutcome::kNotDrawing:
            return DrawingStatus::kNotDrawing;
        case LoadOutcome::kPreview:
            break;
    }
    preview = {thumbnail.GetDimensions(), DibGetBitCount(*thumbnail.m_dib)};
    return WritePreview(job, thumbnail);
}

void PrintEnding(DrawingStatus status, bool drawn) {
    switch (status) {
        case DrawingStatus::kWritten:
        case DrawingStatus::kUpToDate:
            PrintOk(drawn);
            return;
        case DrawingStatus::kDryRun:
            PrintDryRun();
            return;
        case DrawingStatus::kNoPreview:
            PrintNoPreview();
            return;
        case DrawingStatus::kDamagedPreview:
            PrintDamagedPreview();
            return;
        case DrawingStatus::kNotDrawing:
            PrintNotDrawing();
            return;
        case DrawingStatus::kFailed:
            return;  // the error said it
    }
}

}  // namespace

DrawingResult RunDrawing(const DrawingJob& job, CDwgThumbnail& thumbnail) {
    const DrawingSettings& settings = job.settings;
    if (settings.verbose && !settings.json) {
        PrintProgress(job.input, job.output);
    }
    DrawingStatus status = DrawingStatus::kFailed;
    PreviewTaken preview;
    std::optional<std::string> error;
    bool read = false;
    try {
        RefuseNonRegular(job);
        read = true;
        status = Extract(job, thumbnail, preview);
    } catch (const CFileException& failure) {
        failure.ReportError();  // no "Ok!" for a bitmap that was not written
        error = failure.what();
    } catch (const std::bad_alloc&) {
        const CFileException failure(job.input, ENOMEM);
        failure.ReportError();
        error = failure.what();
    }
    if (status == DrawingStatus::kFailed && !error) {
        error = thumbnail.m_error;
        ReportFailure(*error);
    }
    const bool progressLine = settings.verbose && !settings.json;
    if (status == DrawingStatus::kNotDrawing) {
        const CFileException failure(job.input, kNotDrawingReason);
        error = failure.what();
        if (!progressLine) {  // the line says it; without one, an error must
            failure.ReportError();
        }
    }
    if (settings.json) {
        const bool known = read && status != DrawingStatus::kNotDrawing &&
                           !(status == DrawingStatus::kFailed && thumbnail.m_version.empty());
        ConsoleOut(DrawingJsonLine(
            {job.input, known ? &thumbnail : nullptr, preview.size, preview.bits,
             IsWritten(status) || status == DrawingStatus::kDryRun ? &job.output : nullptr, status,
             error ? &*error : nullptr}));
    } else if (progressLine) {
        PrintEnding(status, thumbnail.Drawn());
    }
    const bool told = IsWritten(status) || status == DrawingStatus::kDryRun;
    const bool drawable = status == DrawingStatus::kNoPreview &&
                          thumbnail.m_format == DrawingFormat::kDxf &&
                          settings.draw == DrawChoice::kStoredOnly;
    return {status, told && thumbnail.Drawn(), drawable};
}

void ReportMissing(const std::string& pattern, int cause, const DrawingSettings& settings) {
    const CFileException failure(pattern, cause);
    failure.ReportError();
    if (settings.json) {
        const std::string error = failure.what();
        ConsoleOut(
            DrawingJsonLine({pattern, nullptr, {}, 0, nullptr, DrawingStatus::kFailed, &error}));
    }
}
