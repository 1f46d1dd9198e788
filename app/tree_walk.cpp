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
#include "platform/output_identity.h"
#include "platform/path.h"
#include "platform/processors.h"
#include "platform/search.h"

namespace {

constexpr char kLinkedFolder[] = "a link, never followed";
// The folders that the drawings in flight may hold open, each a descriptor and another for
// its mirror under -o (at most 256 of the 1024 a process is given by default): past them the
// walk waits until the workers are done with what they have.
constexpr std::size_t kMostHeldFolders = 128;

// The names a walk takes: those --include names, else drawings by their extension.
bool IsTakenName(const std::string& name, const BatchState& state) {
    static constexpr const char* kDrawingNames[] = {"*.dwg", "*.dxf"};
    const auto matches = [&name](const auto& pattern) { return NameMatches(pattern, name); };
    return state.includes.empty() ? std::ranges::any_of(kDrawingNames, matches)
                                  : std::ranges::any_of(state.includes, matches);
}

// What a folder holds, the folder itself held open, or why it cannot be.
struct Listing {
    FolderHandle folder;
    SearchResult entries;
    int error = 0;
};

// One folder still to walk: where it is (the walk's root by its path, the others by their
// names in their parents, never through a link), where its pictures go (null: beside its
// drawings), and its listing once asked for.
struct Folder {
    std::string path;
    FolderHandle parent;
    std::string name;
    std::shared_ptr<COutputFolder> mirror;
    std::future<Listing> listing;

    // On another thread, which the folder may have moved away from meanwhile.
    static Listing List(const std::string& path, const FolderHandle& parent,
                        const std::string& name) {
        Listing listed;
        listed.folder = parent ? COpenFolder::OpenIn(parent, name, false, listed.error)
                               : COpenFolder::Open(path, listed.error);
        if (listed.folder) {
            listed.entries = ListFolder(*listed.folder);
            listed.error = listed.entries.matches.empty() ? listed.entries.error : 0;
        }
        return listed;
    }
    void ListAhead() {
        if (listing.valid()) {
            return;
        }
        try {
            listing = std::async(std::launch::async, List, path, parent, name);
        } catch (const std::system_error&) {
            // The system allows no more threads: the folder is listed in its turn.
        }
    }
    Listing Take() { return listing.valid() ? listing.get() : List(path, parent, name); }
};

// Whether the folder is the output folder itself, made by the run or there before it.
bool IsOutputFolder(const COpenFolder& folder, const BatchState& state) {
    if (!state.outputRoot) {
        return false;
    }
    const std::optional<std::string> output = state.outputRoot->Identity();
    return output ? *output == folder.Identity()
                  : ExistingFolderIdentity(state.outputDirectory) == folder.Identity();
}

// Notes a folder whose drawings go to the workers, first waiting for those in flight when too
// many folders are held for them.
void HoldForDrawings(const FolderHandle& folder, BatchState& state) {
    std::vector<std::weak_ptr<const COpenFolder>>& held = state.heldFolders;
    std::erase_if(held, [](const auto& weak) { return weak.expired(); });
    if (held.size() >= kMostHeldFolders) {
        state.scheduler.Drain();
        std::erase_if(held, [](const auto& weak) { return weak.expired(); });
    }
    held.push_back(folder);
}

void WalkFolder(const Folder& folder, const Listing& listed, std::vector<Folder>& pending,
                BatchState& state) {
    if (listed.error != 0) {
        const CFileException failure = listed.error == ELOOP
                                           ? CFileException(folder.path, kLinkedFolder)
                                           : CFileException(folder.path, listed.error);
        state.scheduler.Say([&] { failure.ReportError(); });
        state.failed = true;
        return;  // the walk goes on with the other folders
    }
    std::vector<Folder> below;
    std::shared_ptr<COutputFolder> output = folder.mirror;
    bool held = false;
    for (const SearchMatch& match : listed.entries.matches) {
        const std::string path = MakePath(folder.path, match.name, "");
        if (match.kind == EntryKind::kDirectory) {
            if (!match.followed) {  // never through a link
                below.push_back(
                    {path,
                     listed.folder,
                     match.name,
                     folder.mirror ? COutputFolder::Below(folder.mirror, match.name) : nullptr,
                     {}});
            }
            continue;
        }
        if (match.kind != EntryKind::kRegular || !IsTakenName(match.name, state)) {
            continue;
        }
        if (!held) {
            HoldForDrawings(listed.folder, state);
            held = true;
        }
        if (!output) {
            output = COutputFolder::Held(listed.folder);  // beside the drawings
        }
        const PathParts name = SplitPath(match.name);
        DrawingJob job;
        job.input = path;
        job.inputFolder = listed.folder;
        job.inputName = match.name;
        job.outputName = name.baseName + std::string(ExtensionOf(state.settings.format));
        job.output = MakePath(output->Path(), job.outputName, "");
        job.outputFolder = output;
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
    std::shared_ptr<COutputFolder> mirror = state.outputRoot;
    if (mirror && !mirroredAs.empty()) {
        mirror = COutputFolder::Below(mirror, mirroredAs);
    }
    pending.push_back({root, nullptr, "", mirror, {}});
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
        if (!listing.folder) {
            WalkFolder(folder, listing, pending, state);  // says why
            continue;
        }
        const bool skipped = folder.parent && IsOutputFolder(*listing.folder, state);
        if (!skipped && walked.insert(listing.folder->Identity()).second) {
            WalkFolder(folder, listing, pending, state);
        }
    }
}
