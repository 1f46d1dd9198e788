// Makes a benchmark corpus: drawings with realistic previews, padded to realistic sizes
// with the image data near the start and the rest of the file sparse. Also writes a
// manifest line per drawing (path, preview offset, preview size) for the copy floor.
//
//   make_corpus DIRECTORY COUNT [SIZE_BYTES]   (SIZE_BYTES: every drawing that large)
//   make_corpus DIRECTORY COUNT png            (PNG previews, as newer programs save them)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/dwg_builder.h"
#include "tests/png_builder.h"

namespace {

constexpr std::int32_t kImageAddress = 0x1C0;  // where real drawings keep it
constexpr std::size_t kHeaderOffset = 0x40;    // where the builder puts the block

// Most previews are small; one in twenty is a large one, as newer programs save.
DibSpec PreviewFor(unsigned index) {
    if (index % 20 == 7) {
        return {.width = 672, .height = 448};
    }
    return {.width = 256, .height = 110};
}

// An 852 x 448 palette picture of thin lines on a plain ground, like a drawing's preview.
Bytes PngPreview() {
    constexpr std::uint32_t kWidth = 852;
    constexpr std::uint32_t kHeight = 448;
    Bytes rows(kWidth * kHeight, 0);
    for (std::uint32_t y = 0; y < kHeight; ++y) {
        for (std::uint32_t x = 0; x < kWidth; ++x) {
            if (x % 97 == 0 || y % 61 == 0 || (x + 3 * y) % 211 == 0) {
                rows[y * kWidth + x] = static_cast<std::uint8_t>(1 + (x / 97 + y / 61) % 7);
            }
        }
    }
    Bytes palette(3 * 256, 0);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        palette[i] = static_cast<std::uint8_t>(i * 37);
    }
    return EncodePng(
        {.width = kWidth, .height = kHeight, .colorType = 3, .rows = rows, .palette = palette});
}

std::uint64_t SizeFor(unsigned index) {  // 30 KB to 2 MB, spread evenly
    return 30'000 + (std::uint64_t{index} * 2654435761u) % 1'970'000;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_corpus DIRECTORY COUNT [SIZE_BYTES]\n");
        return 2;
    }
    const std::string directory = argv[1];
    const unsigned count = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    const bool png = argc > 3 && std::string(argv[3]) == "png";
    const std::uint64_t fixedSize = argc > 3 && !png ? std::strtoull(argv[3], nullptr, 10) : 0;
    const Bytes pngPreview = png ? PngPreview() : Bytes();
    ::mkdir(directory.c_str(), 0777);
    std::ofstream manifest(directory + ".manifest");
    for (unsigned i = 0; i < count; ++i) {
        const Bytes preview = png ? pngPreview : MakeInfoDib(PreviewFor(i));
        const std::string header = "drawing " + std::to_string(i);
        Bytes image = DwgBuilder()
                          .Version("AC1018")
                          .Entry(1, Bytes(header.begin(), header.end()))
                          .Entry(png ? 6 : 2, preview)
                          .Build();
        // Move the image-data block from where the builder puts it to the usual address.
        const std::size_t shift = kImageAddress - kHeaderOffset;
        image.insert(image.begin() + kHeaderOffset, shift, 0);
        PutLittleEndian(image, 13, kImageAddress, 4);
        const std::size_t entries = kImageAddress + 21;
        for (std::size_t entry = 0; entry < 2; ++entry) {
            const std::size_t field = entries + 9 * entry + 1;
            const std::uint32_t start = image[field] | image[field + 1] << 8 |
                                        image[field + 2] << 16 | image[field + 3] << 24;
            PutLittleEndian(image, field, static_cast<std::uint32_t>(start + shift), 4);
        }
        const std::string number = std::to_string(i);
        const std::string path = directory + "/d" +
                                 std::string(7 - std::min<std::size_t>(7, number.size()), '0') +
                                 number + ".dwg";
        WriteFile(path, image);
        const std::uint64_t size = fixedSize ? fixedSize : SizeFor(i);
        if (size > image.size() && ::truncate(path.c_str(), static_cast<off_t>(size)) != 0) {
            std::perror(path.c_str());
            return 1;
        }
        manifest << path << ' ' << image.size() - preview.size() << ' ' << preview.size() << '\n';
    }
    return manifest ? 0 : 1;
}
