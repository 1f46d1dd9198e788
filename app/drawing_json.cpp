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

std::string Preview(const DrawingFacts& facts) {
    const CDwgThumbnail& thumbnail = *facts.thumbnail;
    if (!thumbnail.m_previewEntry || facts.previewBits == 0) {
        return "null";
    }
    std::string preview = "{";
    AppendJsonText(preview, "kind",
                   ImageKindOf(thumbnail.m_entries[*thumbnail.m_previewEntry].code));
    AppendJsonValue(preview, "width", std::to_string(facts.previewSize.cx));
    AppendJsonValue(preview, "height", std::to_string(facts.previewSize.cy));
    AppendJsonValue(preview, "bit_depth", std::to_string(facts.previewBits));
    return preview + "}";
}

}  // namespace

std::string DrawingJsonLine(const DrawingFacts& facts) {
    std::string line = "{";
    AppendJsonText(line, "path", facts.path);
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
