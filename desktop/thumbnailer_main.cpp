// pictavex-thumbnailer: what the desktop's thumbnail factories run, once per drawing, to
// cache a PNG picture of it. Writes the PNG whole or not at all, and fails without writing
// when the drawing has no usable preview, so the factory records a failure rather than a
// blank picture.
//
//   pictavex-thumbnailer [-s SIZE] DRAWING OUTPUT
//   pictavex-thumbnailer --help | --version
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "lib/pictavex.h"
#include "platform/console.h"
#include "platform/error_text.h"
#include "platform/output_file.h"
#include "platform/output_names.h"
#include "platform/termination.h"
#include "thumbnail/drawing_start.h"

namespace {

constexpr int kExitUsage = 1;
constexpr int kExitNoThumbnail = 2;
constexpr char kUsage[] = "Usage: pictavex-thumbnailer [-s SIZE] DRAWING OUTPUT\n";
constexpr char kHelpText[] =
    "Writes the preview of a DWG drawing as a PNG thumbnail on a white background, for\n"
    "the desktop's thumbnail factories.\n"
    "\n"
    "  -s SIZE        shrink it to fit inside SIZE x SIZE pixels (0: as stored)\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "OUTPUT is written whole or not at all; an existing OUTPUT must be a regular file\n"
    "and is written in place. Exit status: 0 when written, 1 when the command line is\n"
    "wrong, 2 when the drawing gives no thumbnail or OUTPUT cannot be written.\n";
// Larger than any thumbnail a desktop asks for: a larger size only means "as stored".
constexpr std::uint32_t kMostSize = 65535;

// A command line the thumbnailer cannot follow.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::uint32_t ParseSize(std::string_view value) {
    std::uint32_t size = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), size);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() ||
        size > kMostSize) {
        throw UsageError("-s: '" + std::string(value) + "' is not a size in pixels (0 to " +
                         std::to_string(kMostSize) + ")");
    }
    return size;
}

// File managers show thumbnails on a light page: a white background with black lines reads
// there like the drawing itself, where the default black one would show as a dark tile.
constexpr std::uint32_t kThumbnailBackground = 0xFFFFFF;

struct Request {
    enum class Kind { kThumbnail, kHelp, kVersion } kind = Kind::kThumbnail;
    std::uint32_t size = 0;
    std::string drawing;
    std::string output;
};

// Options may come anywhere, as getopt permutes them; "--" ends them.
Request ParseArguments(std::span<char*> arguments) {
    Request request;
    std::vector<std::string> names;
    bool options = true;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (!options || argument == "-" || !argument.starts_with("-")) {
            names.emplace_back(argument);
        } else if (argument == "--") {
            options = false;
        } else if (argument == "--help" || argument == "-h") {
            request.kind = Request::Kind::kHelp;
            return request;
        } else if (argument == "--version" || argument == "-V") {
            request.kind = Request::Kind::kVersion;
            return request;
        } else if (argument == "-s") {
            if (++i == arguments.size()) {
                throw UsageError("-s: a value must follow");
            }
            request.size = ParseSize(arguments[i]);
        } else if (argument.starts_with("-s")) {  // "-s256", as getopt reads it
            request.size = ParseSize(argument.substr(2));
        } else {
            throw UsageError("unknown option '" + std::string(argument) + "'");
        }
    }
    if (names.size() != 2) {
        throw UsageError("a drawing and an output file are needed");
    }
    request.drawing = names[0];
    request.output = names[1];
    return request;
}

void Report(const std::string& path, const std::string& reason) {
    CFileException(path, reason).ReportError();
}

// What a failed load means to the factory's log.
std::string ReasonOf(int status, const pictavex_ctx* context) {
    switch (status) {
        case PICTAVEX_EREAD:
            return pictavex_get_read_error(context);
        case PICTAVEX_ENOMEM:
            return std::strerror(ENOMEM);
        default:
            return pictavex_strerror(status);
    }
}

struct ContextFree {
    void operator()(pictavex_ctx* context) const { pictavex_ctx_free(context); }
};

int MakeThumbnail(const Request& request) {
    KeepFromCleanup(request.drawing);
    const std::unique_ptr<pictavex_ctx, ContextFree> context(pictavex_ctx_new());
    if (!context) {
        throw std::bad_alloc();
    }
    pictavex_set_background(context.get(), kThumbnailBackground);
    pictavex_set_draw(context.get(), PICTAVEX_DRAW_MISSING);  // every DXF drawing shows
    pictavex_set_draw_limits(context.get(), PICTAVEX_DESKTOP_DRAW_ENTITIES,
                             PICTAVEX_DESKTOP_DRAW_MILLISECONDS);
    std::size_t size = 0;
    int status = pictavex_load_file(context.get(), request.drawing.c_str());
    if (status == PICTAVEX_OK) {
        status = pictavex_get_fitted_png_size(context.get(), request.size, &size);
    }
    MemoryBlock png(size);
    if (status == PICTAVEX_OK) {
        status = pictavex_get_fitted_png(context.get(), request.size, png.data(), png.size());
    }
    if (status != PICTAVEX_OK) {
        Report(request.drawing, ReasonOf(status, context.get()));
        return kExitNoThumbnail;
    }
    // Tumbler hands over an empty file and reads it back through its own descriptor.
    WriteFileInPlace(request.output, png, DrawingGuard(request.drawing));
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
        if (request.kind != Request::Kind::kThumbnail) {
            ConsoleOut(request.kind == Request::Kind::kHelp
                           ? std::string(kUsage) + kHelpText
                           : std::string(ProgramName()) + " " + PICTAVEX_VERSION + "\n");
            if (const int cause = ConsoleOutputError(); cause != 0) {
                ConsoleError(std::string(ProgramName()) +
                             ": write error: " + SystemErrorText(cause) + "\n");
                return kExitUsage;
            }
            return 0;
        }
        return MakeThumbnail(request);
    } catch (const UsageError& error) {
        ConsoleError(std::string(ProgramName()) + ": " + error.what() + "\n" + kUsage + "Try '" +
                     std::string(ProgramName()) + " --help' for more information.\n");
        return kExitUsage;
    } catch (const CFileException& error) {
        error.ReportError();
    } catch (const std::bad_alloc&) {
        CFileException(argc > 2 ? argv[argc - 2] : "", ENOMEM).ReportError();
    }
    return kExitNoThumbnail;
}
