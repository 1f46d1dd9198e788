#include "app/batch.h"

#include <cerrno>
#include <filesystem>
#include <new>

#include "app/messages.h"
#include "platform/path.h"
#include "platform/search.h"

namespace {

// A match that cannot be a drawing, named as such; wildcard matches of this kind are passed
// over before they get here.
void RefuseNonRegular(const SearchMatch& match, const std::string& input) {
    switch (match.kind) {
        case EntryKind::kBroken:
            throw CFileException(input, match.error);
        case EntryKind::kDirectory:
            throw CFileException(input, EISDIR);
        case EntryKind::kOther:
            throw CFileException(input, kNotRegularReason);
        case EntryKind::kRegular:
            return;
    }
}

std::string OutputKey(const std::string& output) {
    return std::filesystem::path(output).lexically_normal().string();
}

// The first BMP of a name is kept: a second drawing of the run that maps to it is an error.
void RefuseRewrite(const std::string& output, const BatchState& state) {
    const auto earlier = state.written.find(OutputKey(output));
    if (earlier != state.written.end()) {
        throw CFileException(output, "already written for " + earlier->second);
    }
}

void CountFailure(BatchState& state) {
    state.failed = true;
    ++state.counts.failed;
}

// Loads one drawing and writes its bitmap; false when nothing should follow the progress line.
bool Extract(const std::string& input, const std::string& output, CDwgThumbnail& thumbnail,
             BatchState& state) {
    thumbnail.Load(input);
    switch (thumbnail.m_outcome) {
        case LoadOutcome::kFailed:
            CountFailure(state);
            return false;
        case LoadOutcome::kNoPreview:
            ++state.counts.noPreview;
            if (state.verbose) {
                PrintNoPreview();
            }
            return false;
        case LoadOutcome::kDamagedPreview:
            ++state.counts.damaged;
            if (state.verbose) {
                PrintDamagedPreview();
            }
            return false;
        case LoadOutcome::kPreview:
            break;
    }
    RefuseRewrite(output, state);
    thumbnail.ShrinkToFit(state.maxSide);
    const int saved =
        state.format == ImageFormat::kPng ? thumbnail.SavePng(output) : thumbnail.SaveBmp(output);
    if (!saved) {  // a held picture that could not be encoded: never an "Ok!"
        throw CFileException(output, "the picture could not be encoded");
    }
    state.written.emplace(OutputKey(output), input);
    ++state.counts.written;
    return true;
}

void ProcessMatch(const PathParts& pattern, const SearchMatch& match, CDwgThumbnail& thumbnail,
                  BatchState& state) {
    const PathParts name = SplitPath(match.name);
    const std::string input = MakePath(pattern.directory, name.baseName, name.extension);
    const std::string& outputDirectory =
        state.outputDirectory.empty() ? pattern.directory : state.outputDirectory;
    const std::string output =
        MakePath(outputDirectory, name.baseName, std::string(ExtensionOf(state.format)));
    if (state.verbose) {
        PrintProgress(input, output);
    }
    try {
        RefuseNonRegular(match, input);
        if (Extract(input, output, thumbnail, state) && state.verbose) {
            PrintOk();
        }
    } catch (const CFileException& error) {
        error.ReportError();  // no "Ok!" for a bitmap that was not written
        CountFailure(state);
    } catch (const std::bad_alloc&) {
        CFileException(input, ENOMEM).ReportError();
        CountFailure(state);
    }
}

}  // namespace

// The matches of a pattern, or of a literal name, one drawing after another.
void ProcessFound(const std::string& pattern, SearchResult (*find)(const std::string&),
                  CDwgThumbnail& thumbnail, BatchState& state) {
    const PathParts parts = SplitPath(pattern);
    SearchResult result;
    try {
        result = find(pattern);
    } catch (const std::bad_alloc&) {
        result.error = ENOMEM;
    }
    if (result.matches.empty()) {
        CFileException(pattern, result.error).ReportError();
        state.failed = true;
        return;
    }
    for (const SearchMatch& match : result.matches) {
        const bool drawingKind =
            match.kind == EntryKind::kRegular || match.kind == EntryKind::kBroken;
        if (result.wildcard && !drawingKind) {
            continue;  // a subdirectory or a device that `*` happens to match is no drawing
        }
        ProcessMatch(parts, match, thumbnail, state);
    }
}

void ProcessPattern(const std::string& pattern, CDwgThumbnail& thumbnail, BatchState& state) {
    ProcessFound(pattern, FindMatches, thumbnail, state);
}

void ProcessName(const std::string& name, CDwgThumbnail& thumbnail, BatchState& state) {
    ProcessFound(name, FindName, thumbnail, state);
}
