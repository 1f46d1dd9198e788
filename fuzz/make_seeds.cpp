// Writes the seed corpora of the fuzz targets: drawings of every kind the tests build,
// valid and broken, and DIB blocks of every header kind.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/dwg_builder.h"
#include "tests/dxf_builder.h"
#include "tests/dxf_drawing_builder.h"
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
            BuildDxf(
                {.lineEnd = "\r", .preview = MakeInfoDib({.bitsPerPixel = 24, .tableEntries = 0})}),
            BuildDxf({.form = DxfForm::kBinary8, .version = "AC1009", .preview = dib}),
            BuildDxf({.form = DxfForm::kBinary16, .preview = dib, .chunk = 200}),
            BuildDxf({.preview = dib, .count = 3}),
            BuildDxf({.section = false}),
            MakeDxfExampleDrawing()};
}

// Drawings of geometry: every kind of entity drawn, blocks inside blocks, text and binary.
std::vector<Bytes> GeometryDrawings() {
    DxfDrawingBuilder builder;
    builder.Layer("RED", 1)
        .Layer("OFF", -2)
        .Block("B", 1, 1,
               {{"LINE", Concat({{G(8, "0"), G(62, 0)}, At3(10, 0, 0, 0), At3(11, 5, 5, 0)})},
                {"TEXT", Concat({{G(8, "0")}, At3(10, 0, 0, 0), {G(40, 2.0), G(1, "Ab%%d")}})}})
        .Block(
            "C", 0, 0,
            {{"INSERT", Concat({{G(8, "0"), G(2, "B"), G(70, 2), G(44, 3.0)}, At3(10, 1, 1, 0)})}})
        .Entity(
            "INSERT",
            Concat({{G(8, "RED"), G(2, "C"), G(50, 30.0)}, At3(10, 0, 0, 0), At3(210, 0, 0, -1)}))
        .Entity("CIRCLE", Concat({{G(8, "0")}, At3(10, 3, 3, 0), {G(40, 2.0)}}))
        .Entity("ARC",
                Concat({{G(8, "0")}, At3(10, 3, 3, 0), {G(40, 4.0), G(50, 10.0), G(51, 200.0)}}))
        .Entity("ELLIPSE", Concat({{G(8, "0")}, At3(10, 0, 0, 0), At3(11, 4, 1, 0), {G(40, 0.5)}}))
        .Entity("LWPOLYLINE", Concat({{G(8, "0"), G(90, 3), G(70, 1)},
                                      At(10, 0, 0),
                                      {G(42, 0.5)},
                                      At(10, 4, 0),
                                      At(10, 4, 4)}))
        .Entity("POLYLINE", Concat({{G(8, "0"), G(66, 1), G(70, 64), G(71, 3), G(72, 1)}}))
        .Entity("VERTEX", Concat({{G(8, "0"), G(70, 192)}, At3(10, 0, 0, 0)}))
        .Entity("VERTEX", Concat({{G(8, "0"), G(70, 192)}, At3(10, 1, 0, 0)}))
        .Entity("VERTEX", Concat({{G(8, "0"), G(70, 192)}, At3(10, 1, 1, 0)}))
        .Entity("VERTEX",
                Concat({{G(8, "0"), G(70, 128), G(71, 1), G(72, -2), G(73, 3)}, At3(10, 0, 0, 0)}))
        .Entity("SEQEND", {G(8, "0")})
        .Entity("SPLINE",
                Concat({{G(8, "0"), G(71, 2), G(72, 6), G(73, 3)},
                        {G(40, 0.0), G(40, 0.0), G(40, 0.0), G(40, 1.0), G(40, 1.0), G(40, 1.0)},
                        At3(10, 0, 0, 0),
                        At3(10, 2, 3, 0),
                        At3(10, 4, 0, 0)}))
        .Entity("SOLID",
                Concat({{G(8, "0")}, At3(10, 0, 0, 0), At3(11, 2, 0, 0), At3(12, 0, 2, 0)}))
        .Entity("HATCH",
                Concat({{G(8, "0")},
                        At3(10, 0, 0, 0),
                        {G(2, "SOLID"), G(70, 1), G(71, 0), G(91, 1), G(92, 1), G(93, 2), G(72, 2)},
                        At(10, 0, 0),
                        {G(40, 1.0), G(50, 0.0), G(51, 180.0), G(73, 1), G(72, 1)},
                        At(10, -1, 0),
                        At(11, 1, 0),
                        {G(97, 0), G(75, 0), G(76, 1), G(98, 0)}}))
        .Entity("MTEXT",
                Concat({{G(8, "OFF")}, At3(10, 0, 9, 0), {G(40, 1.0), G(1, "{\\H2;x}\\Py")}}))
        .Entity("XLINE", Concat({{G(8, "0")}, At3(10, 0, 0, 0), At3(11, 1, 2, 0)}));
    return {builder.Build(), builder.Build(DxfForm::kBinary8), builder.Build(DxfForm::kBinary16)};
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
    WriteAll(root + "/render", GeometryDrawings());
    return 0;
}
