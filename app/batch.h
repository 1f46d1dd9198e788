#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/drawing_job.h"
#include "app/messages.h"
#include "app/scheduler.h"
#include "platform/output_identity.h"

// What the options seen so far ask of the file patterns after them, and what the run has
// done so far.
struct BatchState {
    BatchState();
    BatchState(const BatchState&) = delete;
    BatchState& operator=(const BatchState&) = delete;

    DrawingSettings settings;
    std::string outputDirectory;  // empty: beside the drawing
    // That directory, made when the first picture goes there.
    std::shared_ptr<COutputFolder> outputRoot;
    // The folders a walk has handed drawings in, while they are held open for them.
    std::vector<std::weak_ptr<const COpenFolder>> heldFolders;
    bool nulSeparated = false;  // name lists are NUL-separated, and read as they come
    bool recursive = false;     // folders named are walked for their drawings
    // The names a walk takes (wildcards, any case); none: drawings, *.dwg and *.dxf.
    std::vector<std::string> includes;
    bool failed = false;  // a drawing could not be read, or a BMP could not be written
    RunCounts counts;
    // Each output named in this run, by its identity, with the drawing that wrote it (empty
    // until one did): a later drawing of the same output file must not replace it.
    std::unordered_map<std::string, std::string> outputs;
    COutputIdentity identities;
    Scheduler scheduler;  // last: it tells its drawings to the members above as it ends
};

// Later drawings go into this directory; an empty one puts them beside the drawing.
void SetOutputDirectory(const std::string& directory, BatchState& state);
// Runs a drawing's job in its turn: after an earlier drawing of the same output, if any.
void Schedule(DrawingJob job, BatchState& state);
// Every drawing (*.dwg, *.dxf, in any case, or the --include names) in the folder and the
// folders under it, never through a link nor into the output folder; with an output folder,
// each picture goes to its drawing's place under `root` mirrored under `mirroredAs` there
// ("" for the output folder itself).
void ProcessTree(const std::string& root, const std::string& mirroredAs, BatchState& state);
// Extracts the bitmap of every drawing the pattern matches.
void ProcessPattern(const std::string& pattern, BatchState& state);
// Extracts the bitmap of the drawing of exactly this name, wildcards and all.
void ProcessName(const std::string& name, BatchState& state);
// The same for every name of a list in a file, or on stdin ("-").
void ProcessNameList(const std::string& path, BatchState& state);
