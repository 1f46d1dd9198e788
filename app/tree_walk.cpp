// Walking a folder for its drawings (-r): depth first, each folder's entries in the order
// its listing is shown, the drawings handed to the workers as they are found.
#include <algorithm>
#include <cctype>
#include <unordered_set>
#include <vector>

#include "app/batch.h"
#include "app/option_values.h"
#include "platform/directory.h"
#include "platform/file_exception.h"
#include "platform/path.h"
#include "platform/search.h"

namespace {

// The names a walk takes: drawings by their extension, in any case.
bool IsDrawingName(const std::string& name) {
    const std::string extension = SplitPath(name).extension;
    std::string lower(extension.size(), '\0');
    std::transform(extension.begin(), extension.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == ".dwg" || lower == ".dxf";
}

// One folder still to walk: where it is, and its place under the root ("" for the root).
struct Folder {
    std::string path;
    std::string relative;
};

// A folder's identity in the file system (device and inode, volume and file ID), as the
// output identities key the names in it.
std::string FolderKey(const std::string& folder, BatchState& state) {
    constexpr char kProbe[] = "probe";
    return state.identities.KeyOf(MakePath(folder, kProbe, ""));
}

// Whether `folder` is the output folder itself.
bool IsOutputFolder(const std::string& folder, BatchState& state) {
    return !state.outputDirectory.empty() &&
           FolderKey(folder, state) == FolderKey(state.outputDirectory, state);
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
    if (const int cause = CreateDirectories(output); cause != 0) {
        state.scheduler.Say([&] { CFileException(output, cause).ReportError(); });
        state.failed = true;
        return false;
    }
    return true;
}

void WalkFolder(const Folder& folder, std::vector<Folder>& pending, BatchState& state) {
    const SearchResult listed = ListFolder(folder.path);
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
            if (!match.followed && !IsOutputFolder(path, state)) {  // never through a link
                below.push_back({path, folder.relative.empty()
                                           ? match.name
                                           : MakePath(folder.relative, match.name, "")});
            }
            continue;
        }
        if (match.kind != EntryKind::kRegular || !IsDrawingName(match.name)) {
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
    pending.insert(pending.end(), below.rbegin(), below.rend());
}

}  // namespace

void ProcessTree(const std::string& root, BatchState& state) {
    std::vector<Folder> pending = {{root, ""}};
    // A folder met again, through a link the system does not show as one, is not walked
    // twice: no loop can hold the walk.
    std::unordered_set<std::string> walked;
    while (!pending.empty()) {
        const Folder folder = std::move(pending.back());
        pending.pop_back();
        if (walked.insert(FolderKey(folder.path, state)).second) {
            WalkFolder(folder, pending, state);
        }
    }
}
