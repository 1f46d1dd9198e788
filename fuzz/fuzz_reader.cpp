// Feeds arbitrary bytes to the drawing reader as a drawing file, then saves what it found.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "dib/dib_picture.h"
#include "dib/dib_png.h"
#include "tests/bmp_check.h"
#include "tests/dwg_builder.h"
#include "thumbnail/dwg_thumbnail.h"
#include "thumbnail/fitted_picture.h"

namespace {

std::string ScratchDirectory() {
    // Memory-backed where available: one file is written and read per input.
    std::string pattern = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    pattern += "/pictavex-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    return pattern;
}

const std::string& Scratch() {
    static const std::string directory = ScratchDirectory();
    return directory;
}

// The BMP must be the 14-byte file header and then the held block, byte for byte, and a
// file that a careful reader finds whole.
void CheckSaved(CDwgThumbnail& thumbnail, const std::string& output) {
    ::unlink(output.c_str());
    const int saved = thumbnail.SaveBmp(output);
    if (!thumbnail.m_dib) {
        if (saved != 0 || ::access(output.c_str(), F_OK) == 0) {
            std::abort();
        }
        return;
    }
    const Bytes written = ReadFile(output);
    const MemoryBlock& dib = *thumbnail.m_dib;
    if (saved != 1 || written.size() != dib.size() + 14 || written[0] != 'B' ||
        std::memcmp(written.data() + 14, dib.data(), dib.size()) != 0 ||
        !BmpProblem(written).empty()) {
        std::abort();
    }
}

void Exercise(COLORREF background, const std::string& drawing, const std::string& output) {
    CDwgThumbnail thumbnail(background);
    thumbnail.Load(drawing);
    const CSize size = thumbnail.GetDimensions();
    const bool held = thumbnail.m_dib != nullptr;
    if (size.cx != thumbnail.m_width || size.cy != thumbnail.m_height ||
        held != (thumbnail.m_outcome == LoadOutcome::kPreview)) {
        std::abort();
    }
    thumbnail.SetBackground(kWhite);
    thumbnail.SetBackground(kBlack);
    CheckSaved(thumbnail, output);
}

// The picture the thumbnailers show: the bitmap a PNG is made of, whole and within the size.
void ExerciseFitted(const std::string& drawing) {
    constexpr std::uint32_t kSide = 64;
    const FittedPicture fitted = FitPicture(drawing, kSide, kWhite);
    if ((fitted.dib != nullptr) != (fitted.outcome == LoadOutcome::kPreview)) {
        std::abort();
    }
    if (!fitted.dib) {
        return;
    }
    const auto picture = DibGetPicture(*fitted.dib);
    if (!picture || picture->width > kSide || picture->height > kSide ||
        !DibEncodePng(*fitted.dib)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string drawing = Scratch() + "/input.dwg";
    const std::string output = Scratch() + "/output.bmp";
    WriteFile(drawing, Bytes(data, data + size));
    Exercise(kBlack, drawing, output);
    Exercise(kWhite, drawing, output);
    ExerciseFitted(drawing);
    return 0;
}
