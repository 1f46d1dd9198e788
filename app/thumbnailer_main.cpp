// pictavex-thumbnailer: what the desktop's thumbnail factories run, once per drawing, to
// cache a PNG picture of it. Writes the PNG whole or not at all, and fails without writing
// when the drawing has no usable preview, so the factory records a failure rather than a
// blank picture.
//
//   pictavex-thumbnailer [-s SIZE] DRAWING OUTPUT
#include <cerrno>
#include <cstdint>
#include <new>
#include <span>
#include <string>
#include <string_view>

#include "app/option_values.h"
#include "platform/console.h"
#include "platform/termination.h"
#include "thumbnail/dwg_thumbnail.h"

namespace {

constexpr int kExitUsage = 1;
constexpr int kExitNoThumbnail = 2;
constexpr char kUsage[] = "usage: pictavex-thumbnailer [-s SIZE] DRAWING OUTPUT\n";
// File managers show thumbnails on a light page: a white background with black lines reads
// there like the drawing itself, where the default black one would show as a dark tile.
constexpr COLORREF kThumbnailBackground = kWhite;

struct Request {
    std::uint32_t size = 0;
    std::string drawing;
    std::string output;
};

Request ParseArguments(std::span<char*> arguments) {
    Request request;
    std::size_t next = 0;
    if (arguments.size() > next && std::string_view(arguments[next]) == "-s") {
        if (arguments.size() < next + 2) {
            throw UsageError("-s: a value must follow");
        }
        request.size = ParseSize("-s", arguments[next + 1]);
        next += 2;
    }
    if (arguments.size() != next + 2) {
        throw UsageError("a drawing and an output file are needed");
    }
    request.drawing = arguments[next];
    request.output = arguments[next + 1];
    return request;
}

void Report(const std::string& path, const std::string& reason) {
    CFileException(path, reason).ReportError();
}

int MakeThumbnail(const Request& request) {
    CDwgThumbnail thumbnail(kThumbnailBackground);
    thumbnail.Load(request.drawing);  // reports its own errors
    switch (thumbnail.m_outcome) {
        case LoadOutcome::kPreview:
            break;
        case LoadOutcome::kNoPreview:
            Report(request.drawing, "no preview");
            return kExitNoThumbnail;
        case LoadOutcome::kDamagedPreview:
            Report(request.drawing, "damaged preview");
            return kExitNoThumbnail;
        case LoadOutcome::kFailed:
            return kExitNoThumbnail;
    }
    thumbnail.ShrinkToFit(request.size);
    // Tumbler hands over an empty file and reads it back through its own descriptor.
    if (!thumbnail.SavePng(request.output, true)) {
        Report(request.drawing, "damaged preview");
        return kExitNoThumbnail;
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    StartTerminationGuard();  // before any other thread starts
    if (!ConsoleInitialize("pictavex-thumbnailer")) {
        return kExitNoThumbnail;
    }
    try {
        const Request request =
            ParseArguments(std::span<char*>(argv + 1, static_cast<std::size_t>(argc - 1)));
        return MakeThumbnail(request);
    } catch (const UsageError& error) {
        ConsoleError(std::string(ProgramName()) + ": " + error.what() + "\n" + kUsage);
        return kExitUsage;
    } catch (const CFileException& error) {
        error.ReportError();
    } catch (const std::bad_alloc&) {
        CFileException(argc > 2 ? argv[argc - 2] : "", ENOMEM).ReportError();
    }
    return kExitNoThumbnail;
}
