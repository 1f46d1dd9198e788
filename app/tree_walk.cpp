// Walking a folder for its drawings (-r): depth first, each folder's entries in the order
// its listing is shown, the drawings handed to the workers as they are found. The folders
// next in turn are listed ahead, several at once: on a share each listing waits for the
// server, and the waits overlap.
#include <algorithm>
#include <cerrno>
#include <future>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "app/batch.h"
#include "app/option_values.h"
#include "platform/directory.h"
#include "platform/file_exception.h"
#include "platform/path.h"
#include "platform/processors.h"
#include "platform/search.h"

namespace {

constexpr char kLinkedFolder[] = "a link, never written through";

// The names a walk takes: those --include names, else drawings by their extension.
bool IsTakenName(const std::string& name, const BatchState& state) {
    static constexpr const char* kDrawingNames[] = {"*.dwg", "*.dxf"};
    const auto matches = [&name](const auto& pattern) { return NameMatches(pattern, name); };
    return state.includes.empty() ? std::ranges::any_of(kDrawingNames, matches)
                                  : std::ranges::any_of(state.includes, matches);
}

// A folder's identity in the file system (device and inode, volume and file ID), as the
// output identities key the names in it.
std::string FolderKey(const std::string& folder, COutputIdentity& identities) {
    constexpr char kProbe[] = "probe";
    return identities.KeyOf(MakePath(folder, kProbe, ""));
}

// What a folder holds, and which folder it is.
struct Listing {
    SearchResult entries;
    std::string key;
};

Listing List(const std::string& path) {
    COutputIdentity identities;  // the walk's own is not for other threads
    return {ListFolder(path), FolderKey(path, identities)};
}

// One folder still to walk: where it is, its place mirrored under the output folder (""
// for the output folder itself), and its listing once asked for.
struct Folder {
    std::string path;
    std::string relative;
    std::future<Listing> listing;

    void ListAhead() {
        if (listing.valid()) {
            return;
        }
        try {
            listing = std::async(std::launch::async, List, path);
        } catch (const std::system_error&) {
            // The system allows no more threads: the folder is listed in its turn.
        }
    }
    Listing Take() {
        if (!listing.valid()) {
            return List(path);
        }
        return listing.get();
    }
};

// Whether the folder of this key is the output folder itself.
bool IsOutputFolder(const std::string& key, BatchState& state) {
    return !state.outputDirectory.empty() &&
           key == FolderKey(state.outputDirectory, state.identities);
}

// The folder a drawing of `relative` writes into, made as needed; false when it cannot be.
bool OutputFolderFor(const Folder& folder, std::string& output, BatchState& state) {
    if (state.outputDirectory.empty()) {
        output = folder.path;
        return true;
    }
    output = folder.relative.empty() ? state.outputDirectory
                                     : MakePath(state.outputDirectory, folder.relative, "");
    if (folder.relative.empty() || state.settings.dryRun) {
        return OutputFolderReady(state);
    }
    if (!OutputFolderReady(state)) {
        return false;
    }
    // A folder of the mirror that is a link, made by someone else, is never written through.
    std::string failed;
    if (const int cause = CreateDirectoriesBelow(state.outputDirectory, folder.relative, failed);
        cause != 0) {
        state.scheduler.Say([&] {
            (cause == ELOOP ? CFileException(failed, kLinkedFolder) : CFileException(failed, cause))
                .ReportError();
        });
        state.failed = true;
        return false;
    }
    return true;
}

void WalkFolder(const Folder& folder, const SearchResult& listed, std::vector<Folder>& pending,
                BatchState& state) {
    if (listed.matches.empty() && listed.error != 0) {
        state.scheduler.Say([&] { CFileException(folder.path, listed.error).ReportError(); });
        state.failed = true;
        return;  // the walk goes on with the other folders
    }
    std::vector<Folder> below;
    std::string output;
    bool outputChecked = false;
    bool outputReady = false;
    for (const SearchMatch& match : listed.matches) {
        const std::string path = MakePath(folder.path, match.name, "");
        if (match.kind == EntryKind::kDirectory) {
            if (!match.followed) {  // never through a link
                below.push_back({path,
                                 folder.relative.empty()
                                     ? match.name
                                     : MakePath(folder.relative, match.name, ""),
                                 {}});
            }
            continue;
        }
        if (match.kind != EntryKind::kRegular || !IsTakenName(match.name, state)) {
            continue;
        }
        if (!outputChecked) {
            outputReady = OutputFolderFor(folder, output, state);
            outputChecked = true;
        }
        if (!outputReady) {
            ++state.counts.failed;
            continue;
        }
        const PathParts name = SplitPath(match.name);
        DrawingJob job;
        job.input = path;
        job.output =
            MakePath(output, name.baseName, std::string(ExtensionOf(state.settings.format)));
        job.kind = match.kind;
        job.listedRegular = !match.followed;
        job.settings = state.settings;
        Schedule(std::move(job), state);
    }
    // Depth first, in listing order: the first subfolder is walked next.
    std::move(below.rbegin(), below.rend(), std::back_inserter(pending));
}

// Folders listed ahead of the walk: as many as there are processors, or workers once they
// are more, as they are when the drawings wait for a share.
std::size_t FoldersAhead(std::size_t processors, const BatchState& state) {
    return std::max(processors, state.scheduler.Workers());
}

}  // namespace

void ProcessTree(const std::string& root, const std::string& mirroredAs, BatchState& state) {
    std::vector<Folder> pending;
    pending.push_back({root, mirroredAs, {}});
    // A folder met again, through a link the system does not show as one, is not walked
    // twice: no loop can hold the walk.
    std::unordered_set<std::string> walked;
    const std::size_t processors = UsableProcessors();
    while (!pending.empty()) {
        Folder folder = std::move(pending.back());
        pending.pop_back();
        const std::size_t ahead = std::min(FoldersAhead(processors, state), pending.size());
        std::for_each(pending.end() - static_cast<std::ptrdiff_t>(ahead), pending.end(),
                      [](Folder& next) { next.ListAhead(); });
        const Listing listing = folder.Take();
        const bool skipped = !folder.relative.empty() && IsOutputFolder(listing.key, state);
        if (!skipped && walked.insert(listing.key).second) {
            WalkFolder(folder, listing.entries, pending, state);
        }
    }
}
