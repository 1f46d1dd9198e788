#pragma once

#include <string>
#include <unordered_map>

#include "app/drawing_job.h"
#include "app/messages.h"
#include "app/scheduler.h"

// What the options seen so far ask of the file patterns after them, and what the run has
// done so far.
struct BatchState {
    BatchState();
    BatchState(const BatchState&) = delete;
    BatchState& operator=(const BatchState&) = delete;

    DrawingSettings settings;
    std::string outputDirectory;  // empty: beside the drawing
    bool failed = false;          // a drawing could not be read, or a BMP could not be written
    RunCounts counts;
    // Each output named in this run, by its normalised path, with the drawing that wrote it
    // (empty until one did): a later drawing of the same output name must not replace it.
    std::unordered_map<std::string, std::string> outputs;
    Scheduler scheduler;  // last: it tells its drawings to the members above as it ends
};

// Extracts the bitmap of every drawing the pattern matches.
void ProcessPattern(const std::string& pattern, BatchState& state);
// Extracts the bitmap of the drawing of exactly this name, wildcards and all.
void ProcessName(const std::string& name, BatchState& state);
