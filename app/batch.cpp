#include "app/batch.h"

#include <cerrno>
#include <filesystem>
#include <new>

#include "platform/path.h"
#include "platform/search.h"

namespace {

// Whether lexical normalisation would leave the path as it is (no ".", "..", or empty
// component past the root): true of nearly every output name, which then costs the path
// library nothing.
bool LooksNormal(std::string_view path) {
    for (std::size_t start = 0;;) {
        const std::size_t end = path.find('/', start);
        const std::string_view name = path.substr(start, end - start);
        if (name == "." || name == ".." || (name.empty() && (start != 0 || end == start))) {
            return false;
        }
        if (end == std::string_view::npos) {
            return true;
        }
        start = end + 1;
    }
}

std::string OutputKey(const std::string& output) {
    if (LooksNormal(output)) {
        return output;
    }
    return std::filesystem::path(output).lexically_normal().string();
}

void Complete(BatchState& state, const DrawingJob& job, DrawingStatus status) {
    switch (status) {
        case DrawingStatus::kWritten:
            ++state.counts.written;
            if (std::string& writer = state.outputs[OutputKey(job.output)]; writer.empty()) {
                writer = job.input;
            }
            return;
        case DrawingStatus::kDryRun:
            ++state.counts.dryRun;
            return;
        case DrawingStatus::kNoPreview:
            ++state.counts.noPreview;
            return;
        case DrawingStatus::kDamagedPreview:
            ++state.counts.damaged;
            return;
        case DrawingStatus::kFailed:
            state.failed = true;
            ++state.counts.failed;
            return;
    }
}

// A drawing whose output an earlier drawing of the run may write waits for it: the first
// bitmap of a name is kept, whatever the number of workers.
void Schedule(DrawingJob job, BatchState& state) {
    if (job.settings.dryRun) {
        state.scheduler.Submit(std::move(job));
        return;
    }
    const std::string key = OutputKey(job.output);
    if (state.outputs.try_emplace(key).second) {
        state.scheduler.Submit(std::move(job));
        return;
    }
    state.scheduler.Drain();
    job.writtenFor = state.outputs[key];
    state.scheduler.RunInOrder(std::move(job));
}

DrawingJob MakeJob(const PathParts& pattern, const SearchMatch& match, const BatchState& state) {
    const PathParts name = SplitPath(match.name);
    const std::string& outputDirectory =
        state.outputDirectory.empty() ? pattern.directory : state.outputDirectory;
    DrawingJob job;
    job.input = MakePath(pattern.directory, name.baseName, name.extension);
    job.output =
        MakePath(outputDirectory, name.baseName, std::string(ExtensionOf(state.settings.format)));
    job.kind = match.kind;
    job.kindError = match.error;
    job.settings = state.settings;
    return job;
}

// The matches of a pattern, or of a literal name, one drawing after another.
void ProcessFound(const std::string& pattern, SearchResult (*find)(const std::string&),
                  BatchState& state) {
    const PathParts parts = SplitPath(pattern);
    SearchResult result;
    try {
        result = find(pattern);
    } catch (const std::bad_alloc&) {
        result.error = ENOMEM;
    }
    if (result.matches.empty()) {
        const DrawingSettings& settings = state.settings;
        state.scheduler.Say([&] { ReportMissing(pattern, result.error, settings); });
        state.failed = true;
        return;
    }
    for (const SearchMatch& match : result.matches) {
        const bool drawingKind =
            match.kind == EntryKind::kRegular || match.kind == EntryKind::kBroken;
        if (result.wildcard && !drawingKind) {
            continue;  // a subdirectory or a device that `*` happens to match is no drawing
        }
        Schedule(MakeJob(parts, match, state), state);
    }
}

// A listing, and a name that an earlier drawing of the run writes, must see the files the
// drawings before them wrote, as they do with one worker.
void WaitForEarlierOutputs(const std::string& name, bool listing, BatchState& state) {
    if (listing || state.outputs.contains(OutputKey(name))) {
        state.scheduler.Drain();
    }
}

}  // namespace

BatchState::BatchState()
    : scheduler(
          [this](const DrawingJob& job, DrawingStatus status) { Complete(*this, job, status); }) {}

void ProcessPattern(const std::string& pattern, BatchState& state) {
    WaitForEarlierOutputs(pattern, HasWildcards(pattern), state);
    ProcessFound(pattern, FindMatches, state);
}

void ProcessName(const std::string& name, BatchState& state) {
    WaitForEarlierOutputs(name, false, state);
    ProcessFound(name, FindName, state);
}
