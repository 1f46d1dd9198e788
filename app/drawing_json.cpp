#include "app/drawing_json.h"

#include "app/json_text.h"
#include "thumbnail/dwg_labels.h"

namespace {

std::string_view StatusText(DrawingStatus status) {
    switch (status) {
        case DrawingStatus::kWritten:
        case DrawingStatus::kUpToDate:
            return "written";
        case DrawingStatus::kDryRun:
            return "dry run";
        case DrawingStatus::kNoPreview:
            return "no preview";
        case DrawingStatus::kDamagedPreview:
            return "damaged preview";
        case DrawingStatus::kNotDrawing:
        case DrawingStatus::kFailed:
            break;
    }
    return "error";
}

std::string Images(const CDwgThumbnail& thumbnail) {
    std::string list = "[";
    for (const ImageEntry& entry : thumbnail.m_entries) {
        std::string image = "{";
        AppendJsonText(image, "kind", ImageKindOf(entry.code));
        AppendJsonValue(image, "code", std::to_string(entry.code));
        AppendJsonValue(image, "offset", std::to_string(entry.start));
        AppendJsonValue(image, "size", std::to_string(entry.size));
        list += (list.size() > 1 ? "," : "") + image + "}";
    }
    return list + "]";
}

// A picture drawn from the geometry: its size, what was drawn and skipped, and what the
// drawing had stored.
std::string Drawn(const DrawingFacts& facts) {
    const CDwgThumbnail& thumbnail = *facts.thumbnail;
    std::string preview = "{";
    AppendJsonText(preview, "kind", "drawn");
    AppendJsonValue(preview, "width", std::to_string(facts.previewSize.cx));
    AppendJsonValue(preview, "height", std::to_string(facts.previewSize.cy));
    AppendJsonValue(preview, "bit_depth", std::to_string(facts.previewBits));
    AppendJsonValue(preview, "entities", std::to_string(thumbnail.m_drawing->counts.drawn));
    AppendJsonValue(preview, "skipped", std::to_string(thumbnail.m_drawing->counts.skipped));
    const bool damaged = thumbnail.m_storedOutcome == LoadOutcome::kDamagedPreview;
    const bool whole = thumbnail.m_storedOutcome == LoadOutcome::kPreview;
    AppendJsonText(preview, "stored", damaged ? "damaged" : whole ? "whole" : "none");
    return preview + "}";
}

std::string Preview(const DrawingFacts& facts) {
    const CDwgThumbnail& thumbnail = *facts.thumbnail;
    if (thumbnail.Drawn() && facts.previewBits != 0) {
        return Drawn(facts);
    }
    // A DXF drawing lists no images: its preview is always a bitmap.
    const bool dxf = thumbnail.m_format == DrawingFormat::kDxf;
    if ((!thumbnail.m_previewEntry && !dxf) || facts.previewBits == 0) {
        return "null";
    }
    const std::uint8_t code =
        dxf ? std::uint8_t{kDib} : thumbnail.m_entries[*thumbnail.m_previewEntry].code;
    std::string preview = "{";
    AppendJsonText(preview, "kind", ImageKindOf(code));
    AppendJsonValue(preview, "width", std::to_string(facts.previewSize.cx));
    AppendJsonValue(preview, "height", std::to_string(facts.previewSize.cy));
    AppendJsonValue(preview, "bit_depth", std::to_string(facts.previewBits));
    return preview + "}";
}

}  // namespace

std::string DrawingJsonLine(const DrawingFacts& facts) {
    std::string line = "{";
    AppendJsonText(line, "path", facts.path);
    // Known once the file began as a drawing: a read that failed later still tells it.
    const bool known =
        facts.thumbnail != nullptr && facts.status != DrawingStatus::kNotDrawing &&
        (facts.status != DrawingStatus::kFailed || !facts.thumbnail->m_version.empty());
    const std::string format =
        known && facts.thumbnail->m_format == DrawingFormat::kDxf ? "dxf" : "dwg";
    AppendJsonTextOrNull(line, "format", known ? &format : nullptr);
    if (const CDwgThumbnail* thumbnail = facts.thumbnail) {
        const std::string release(ReleaseOf(thumbnail->m_version));
        AppendJsonText(line, "version", thumbnail->m_version);
        AppendJsonTextOrNull(line, "release", release.empty() ? nullptr : &release);
        AppendJsonText(line, "header", thumbnail->m_headerData);
        AppendJsonValue(line, "images", Images(*thumbnail));
        AppendJsonValue(line, "preview", Preview(facts));
    } else {
        for (const char* name : {"version", "release", "header"}) {
            AppendJsonTextOrNull(line, name, nullptr);
        }
        AppendJsonValue(line, "images", "[]");
        AppendJsonValue(line, "preview", "null");
    }
    AppendJsonTextOrNull(line, "output", facts.output);
    AppendJsonText(line, "status", StatusText(facts.status));
    AppendJsonTextOrNull(line, "error", facts.error);
    return line + "}\n";
}
