// Writes the seed corpora of the fuzz targets: drawings of every kind the tests build,
// valid and broken, and DIB blocks of every header kind.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/dwg_builder.h"
#include "tests/dxf_builder.h"
#include "tests/example_drawing.h"
#include "tests/png_builder.h"

namespace {

Bytes PalettePng(std::uint8_t depth) {
    const std::uint32_t width = 7;
    const std::uint32_t height = 3;
    PngSpec spec{.width = width, .height = height, .colorType = 3, .bitDepth = depth};
    spec.rows.assign((width * depth + 7) / 8 * height, 0x5B);
    for (unsigned i = 0; i < (1u << depth); ++i) {
        spec.palette.insert(spec.palette.end(), {std::uint8_t(i), std::uint8_t(i), 40});
    }
    return EncodePng(spec);
}

std::vector<Bytes> Pngs() {
    return {
        PalettePng(1),
        PalettePng(2),
        PalettePng(4),
        PalettePng(8),
        EncodePng({.width = 2, .height = 2, .colorType = 2, .rows = Bytes(12, 0x80)}),
        EncodePng({.width = 2, .height = 1, .colorType = 6, .rows = {1, 2, 3, 0, 4, 5, 6, 200}}),
        EncodePng({.width = 3, .height = 1, .colorType = 0, .rows = {0, 128, 255}}),
        EncodePng({.width = 1, .height = 1, .colorType = 4, .rows = {9, 9}})};
}

std::vector<Bytes> Dibs() {
    Bytes v5 = MakeCoreDib(3, 3, 8);
    PutLittleEndian(v5, 0, 124, 4);
    return {MakeInfoDib({}),
            MakeInfoDib({.colorsUsed = 16, .tableEntries = 16}),
            MakeInfoDib({.bitsPerPixel = 4, .tableEntries = 16}),
            MakeInfoDib({.bitsPerPixel = 1, .tableEntries = 2}),
            MakeInfoDib({.bitsPerPixel = 24, .tableEntries = 0}),
            MakeCoreDib(3, 3, 8),
            v5};
}

std::vector<Bytes> Drawings() {
    const Bytes header = {'h', 'e', 'a', 'd', 0};
    const Bytes meta = Bytes(30, 0x11);
    std::vector<Bytes> drawings = {MakeExampleDrawing()};
    for (const Bytes& dib : Dibs()) {
        drawings.push_back(DwgBuilder().Entry(1, header).Entry(2, dib).Entry(3, meta).Build());
    }
    for (const Bytes& png : Pngs()) {
        drawings.push_back(DwgBuilder().Entry(1, header).Entry(6, png).Build());
    }
    drawings.push_back(DwgBuilder()
                           .Entry(3, meta)
                           .Entry(7, header)
                           .Entry(3, meta)
                           .Entry(2, MakeInfoDib({}))
                           .Build());
    drawings.push_back(DwgBuilder().EntryCount(-1).Entry(2, MakeInfoDib({})).Build());
    drawings.push_back(DwgBuilder().RawEntry(1, -4, 10).Build());
    drawings.push_back(DwgBuilder().Entry(2, MakeInfoDib({})).TruncateTo(300).Build());
    drawings.push_back(DwgBuilder().Entry(6, PalettePng(8)).Entry(2, MakeInfoDib({})).Build());
    return drawings;
}

std::vector<Bytes> DxfDrawings() {
    const Bytes dib = MakeInfoDib({.width = 5, .height = 3});
    return {BuildDxf({.preview = dib}),
            BuildDxf({.lineEnd = "\r\n", .preview = dib, .chunk = 16, .atEnd = false}),
            BuildDxf({.lineEnd = "\r", .preview = MakeInfoDib({.bitsPerPixel = 24, .tableEntries = 0})}),
            BuildDxf({.form = DxfForm::kBinary8, .version = "AC1009", .preview = dib}),
            BuildDxf({.form = DxfForm::kBinary16, .preview = dib, .chunk = 200}),
            BuildDxf({.preview = dib, .count = 3}),
            BuildDxf({.section = false}),
            MakeDxfExampleDrawing()};
}

void WriteAll(const std::string& directory, const std::vector<Bytes>& inputs) {
    ::mkdir(directory.c_str(), 0777);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        WriteFile(directory + "/seed-" + std::to_string(i), inputs[i]);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIRECTORY\n");
        return 2;
    }
    const std::string root = argv[1];
    ::mkdir(root.c_str(), 0777);
    WriteAll(root + "/reader", Drawings());
    std::vector<Bytes> blocks;
    for (const std::vector<Bytes>& set : {Dibs(), Pngs()}) {
        for (const Bytes& block : set) {
            Bytes input = {0xE1, 0x00, 0x56, 0x34, 0x12, 0x00};  // entry 225, colour 0x123456
            input.insert(input.end(), block.begin(), block.end());
            blocks.push_back(input);
        }
    }
    WriteAll(root + "/dib", blocks);
    WriteAll(root + "/dxf", DxfDrawings());
    return 0;
}
