#include "tests/example_drawing.h"

#include "tests/dxf_drawing_builder.h"

#include <cstdlib>

#include "tests/dxf_builder.h"
#include "tests/png_builder.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr std::uint8_t kPaper = 0;  // background entry
constexpr std::uint8_t kInk = 245;  // contrast entry
constexpr std::uint8_t kRoof = 1;
constexpr std::uint8_t kWindow = 5;

std::uint8_t PixelAt(int x, int y) {  // y grows upwards, as in the bitmap's rows
    const bool wall = x >= 16 && x < 48 && y >= 6 && y < 26;
    const bool roof = y >= 26 && y < 42 && std::abs(x - 32) < 42 - y;
    const bool window =
        (x >= 20 && x < 28 && y >= 14 && y < 22) || (x >= 36 && x < 44 && y >= 14 && y < 22);
    const bool door = x >= 29 && x < 35 && y >= 6 && y < 18;
    if (window) {
        return kWindow;
    }
    if (door || (wall && (x == 16 || x == 47 || y == 6 || y == 25))) {
        return kInk;
    }
    if (roof) {
        return kRoof;
    }
    return y < 6 ? kInk : kPaper;
}

Bytes HouseDib() {
    Bytes dib = MakeInfoDib({.width = kWidth, .height = kHeight});
    SetQuad(dib, kPaper, 0xFF, 0xFF, 0xFF);
    SetQuad(dib, kRoof, 0x20, 0x20, 0xC0);
    SetQuad(dib, kWindow, 0xE0, 0xC0, 0x60);
    SetQuad(dib, 225, 0, 0, 0);
    SetQuad(dib, 226, 0xFF, 0xFF, 0xFF);
    SetQuad(dib, kInk, 0, 0, 0);
    std::size_t pixel = 40 + 256 * 4;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            dib[pixel++] = PixelAt(x, y);
        }
    }
    return dib;
}

}  // namespace

Bytes MakeDxfExampleDrawing() {
    return BuildDxf({.lineEnd = "\r\n", .preview = HouseDib(), .entityBytes = 2000});
}

Bytes MakeExampleDrawing() {
    const std::string header = "Pictavex example drawing: a house";
    return DwgBuilder()
        .Version("AC1015")
        .Entry(1, Bytes(header.begin(), header.end()))
        .Entry(2, HouseDib())
        .Build();
}

namespace {

constexpr std::uint32_t kSiteWidth = 480;
constexpr std::uint32_t kSiteHeight = 320;

// Palette entries of the site plan: black ground, then the colours CAD programs draw with.
enum SiteInk : std::uint8_t { kGround, kPlot, kBuilding, kRoad, kTree };

std::uint8_t SiteInkAt(std::uint32_t x, std::uint32_t y) {
    const bool plotEdge = (x == 20 || x == 459) && y >= 20 && y <= 299;
    const bool plotTop = (y == 20 || y == 299) && x >= 20 && x <= 459;
    const bool building = ((x == 120 || x == 300) && y >= 80 && y <= 220) ||
                          ((y == 80 || y == 220) && x >= 120 && x <= 300);
    const bool road = y >= 250 && y <= 252 && x >= 20 && x <= 459;
    const long dx = static_cast<long>(x) - 390;
    const long dy = static_cast<long>(y) - 120;
    const bool tree = dx * dx + dy * dy >= 900 && dx * dx + dy * dy <= 960;
    if (building) {
        return kBuilding;
    }
    if (road) {
        return kRoad;
    }
    if (tree) {
        return kTree;
    }
    return plotEdge || plotTop ? kPlot : kGround;
}

Bytes SitePng() {
    PngSpec spec{.width = kSiteWidth, .height = kSiteHeight, .colorType = 3};
    for (std::uint32_t y = 0; y < kSiteHeight; ++y) {
        for (std::uint32_t x = 0; x < kSiteWidth; ++x) {
            spec.rows.push_back(SiteInkAt(x, y));
        }
    }
    spec.palette = {0, 0, 0, 255, 255, 255, 0, 255, 255, 255, 255, 0, 0, 200, 0};
    return EncodePng(spec);
}

}  // namespace

Bytes MakePngExampleDrawing() {
    const std::string header = "Pictavex example drawing: a site plan";
    return DwgBuilder()
        .Version("AC1032")
        .Entry(1, Bytes(header.begin(), header.end()))
        .Entry(6, SitePng())
        .Build();
}

Bytes MakeGeometryExampleDrawing() {
    const DxfItems onLayer0 = {G(8, "0")};
    DxfDrawingBuilder builder;
    builder.Layer("WALLS", 7)
        .Layer("PLANTS", 3)
        .Layer("WATER", 5)
        .Layer("NOTES", 1)
        // A tree: a crown and a trunk, drawn in the colour of the layer it is inserted on.
        .Block("TREE", 0, 0,
               {{"CIRCLE", Concat({onLayer0, At3(10, 0, 0, 0), {G(40, 2.5)}})},
                {"CIRCLE", Concat({onLayer0, At3(10, 0, 0, 0), {G(40, 0.4)}})}});
    builder
        .Entity("LWPOLYLINE", Concat({{G(8, "WALLS"), G(90, 5), G(70, 1)},
                                      At(10, 2, 2),
                                      At(10, 16, 2),
                                      At(10, 16, 10),
                                      At(10, 9, 14),
                                      At(10, 2, 10)}))
        .Entity("LINE", Concat({{G(8, "WALLS")}, At3(10, 2, 10, 0), At3(11, 16, 10, 0)}))
        .Entity("INSERT", Concat({{G(8, "PLANTS"), G(2, "TREE")},
                                  At3(10, 22, 4, 0),
                                  {G(70, 1), G(71, 3), G(45, 5.0)}}))
        .Entity("HATCH",
                Concat({{G(8, "WATER")},
                        At3(10, 0, 0, 0),
                        At3(210, 0, 0, 1),
                        {G(2, "SOLID"), G(70, 1), G(71, 0), G(91, 1), G(92, 1), G(93, 1), G(72, 3)},
                        At(10, 9, -5),
                        At(11, 5, 1),
                        {G(40, 0.5), G(50, 0.0), G(51, 360.0), G(73, 1), G(97, 0), G(75, 0),
                         G(76, 1), G(98, 0)}}))
        .Entity(
            "ARC",
            Concat({{G(8, "WALLS")}, At3(10, 9, 2, 0), {G(40, 3.0), G(50, 200.0), G(51, 340.0)}}))
        .Entity("TEXT", Concat({{G(8, "NOTES")}, At3(10, 4, 5, 0), {G(40, 1.5), G(1, "YARD")}}));
    return builder.Build();
}
