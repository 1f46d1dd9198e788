#include "app/batch.h"

#include <cerrno>
#include <new>

#include "platform/directory.h"
#include "platform/name_list.h"
#include "platform/output_names.h"
#include "platform/path.h"
#include "platform/search.h"

namespace {

void Complete(BatchState& state, const DrawingJob& job, DrawingResult result) {
    state.counts.drawn += result.drawn ? 1 : 0;
    state.counts.drawable += result.drawable ? 1 : 0;
    switch (result.status) {
        case DrawingStatus::kUpToDate:
            ++state.counts.upToDate;
            [[fallthrough]];
        case DrawingStatus::kWritten:
            ++state.counts.written;
            if (std::string& writer = state.outputs[OutputKey(job, state.identities)];
                writer.empty()) {
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
        case DrawingStatus::kNotDrawing:
        case DrawingStatus::kFailed:
            state.failed = true;
            ++state.counts.failed;
            return;
    }
}

}  // namespace

// A drawing whose output an earlier drawing of the run may write waits for it: the first
// bitmap of a name is kept, whatever the number of workers.
void Schedule(DrawingJob job, BatchState& state) {
    KeepFromCleanup(InputOf(job));
    if (job.settings.dryRun) {
        state.scheduler.Submit(std::move(job));
        return;
    }
    const std::string key = OutputKey(job, state.identities);
    if (state.outputs.try_emplace(key).second) {
        state.scheduler.Submit(std::move(job));
        return;
    }
    state.scheduler.Drain();
    job.writtenFor = state.outputs[key];
    state.scheduler.RunInOrder(std::move(job));
}

namespace {

DrawingJob MakeJob(const PathParts& pattern, const SearchMatch& match, const BatchState& state) {
    const PathParts name = SplitPath(match.name);
    const std::string& outputDirectory =
        state.outputDirectory.empty() ? pattern.directory : state.outputDirectory;
    DrawingJob job;
    job.input = MakePath(pattern.directory, name.baseName, name.extension);
    job.output =
        MakePath(outputDirectory, name.baseName, std::string(ExtensionOf(state.settings.format)));
    if (state.outputRoot) {
        job.outputFolder = state.outputRoot;
        job.outputName = name.baseName + std::string(ExtensionOf(state.settings.format));
    }
    job.kind = match.kind;
    job.kindError = match.error;
    job.listedRegular = match.kind == EntryKind::kRegular && !match.followed;
    job.settings = state.settings;
    return job;
}

}  // namespace

namespace {

// The matches of a pattern, or of a literal name, one drawing after another.
void ProcessFound(const std::string& named, SearchResult (*find)(const std::string&),
                  BatchState& state) {
    // "plans/" names the folder "plans" names: a trailing separator changes nothing.
    const std::string pattern = WithoutTrailingSeparators(named);
    const PathParts parts = SplitPath(pattern);
    SearchResult result;
    try {
        result = find(pattern);
    } catch (const std::bad_alloc&) {
        result.error = ENOMEM;
    }
    if (pattern != named && !result.matches.empty()) {  // "p*/" names folders alone
        std::erase_if(result.matches,
                      [](const SearchMatch& match) { return match.kind != EntryKind::kDirectory; });
        result.error = result.matches.empty() ? ENOTDIR : result.error;
    }
    if (result.matches.empty()) {
        const DrawingSettings& settings = state.settings;
        state.scheduler.Say([&] { ReportMissing(named, result.error, settings); });
        state.failed = true;
        ++state.counts.missing;
        return;
    }
    for (const SearchMatch& match : result.matches) {
        const bool drawingKind =
            match.kind == EntryKind::kRegular || match.kind == EntryKind::kBroken;
        if (state.recursive && match.kind == EntryKind::kDirectory) {
            if (result.wildcard && match.followed) {
                continue;  // a link a wildcard met is passed over, as the walk passes it over
            }
            // A folder a wildcard matched keeps its name under -o, as `cp -r` keeps it:
            // plans/p* gives thumbs/p1/..., thumbs/p2/...
            ProcessTree(result.wildcard ? MakePath(parts.directory, match.name, "") : pattern,
                        result.wildcard ? match.name : "", state);
            continue;
        }
        if (result.wildcard && !drawingKind) {
            continue;  // a subdirectory or a device that `*` happens to match is no drawing
        }
        Schedule(MakeJob(parts, match, state), state);
    }
}

// A listing, and a name that an earlier drawing of the run writes, must see the files the
// drawings before them wrote, as they do with one worker.
void WaitForEarlierOutputs(const std::string& name, bool listing, BatchState& state) {
    if (listing || state.outputs.contains(state.identities.KeyOf(name))) {
        state.scheduler.Drain();
    }
}

}  // namespace

BatchState::BatchState()
    : scheduler(
          [this](const DrawingJob& job, DrawingResult result) { Complete(*this, job, result); }) {}

void SetOutputDirectory(const std::string& directory, BatchState& state) {
    state.outputDirectory = directory;
    state.outputRoot =
        directory.empty() ? nullptr : COutputFolder::Named(directory, state.identities);
}

void ProcessPattern(const std::string& pattern, BatchState& state) {
    WaitForEarlierOutputs(pattern, HasWildcards(pattern), state);
    ProcessFound(pattern, FindMatches, state);
}

void ProcessName(const std::string& name, BatchState& state) {
    WaitForEarlierOutputs(name, false, state);
    ProcessFound(name, FindName, state);
}

void ProcessNameList(const std::string& path, BatchState& state) {
    try {
        CNameList names(
            path, state.nulSeparated ? CNameList::Separator::kNul : CNameList::Separator::kGuess);
        while (const std::optional<std::string> name = names.Next()) {
            ProcessName(*name, state);
        }
    } catch (const CFileException& error) {
        state.scheduler.Say([&] { error.ReportError(); });
        state.failed = true;
    }
}
