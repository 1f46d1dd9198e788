#include "app/batch.h"

#include "app/messages.h"
#include "platform/path.h"
#include "platform/search.h"

namespace {

constexpr char kBmpExtension[] = ".bmp";

void ProcessMatch(const PathParts& pattern, const std::string& match, CDwgThumbnail& thumbnail,
                  BatchState& state) {
    const PathParts name = SplitPath(match);
    const std::string input = MakePath(pattern.directory, name.baseName, name.extension);
    const std::string& outputDirectory =
        state.outputDirectory.empty() ? pattern.directory : state.outputDirectory;
    const std::string output = MakePath(outputDirectory, name.baseName, kBmpExtension);
    if (state.verbose) {
        PrintProgress(input, output);
    }
    thumbnail.Load(input);
    try {
        thumbnail.SaveBmp(output);
    } catch (const CFileException& error) {
        error.ReportError();
        state.writeFailed = true;
        return;  // no "Ok!" for a bitmap that was not written
    }
    if (state.verbose) {
        PrintOk();
    }
}

}  // namespace

void ProcessPattern(const std::string& pattern, CDwgThumbnail& thumbnail, BatchState& state) {
    const PathParts parts = SplitPath(pattern);
    for (const std::string& match : FindMatches(pattern)) {
        ProcessMatch(parts, match, thumbnail, state);
    }
}
