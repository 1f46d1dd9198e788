#include "tests/example_drawing.h"

#include <cstdlib>

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

Bytes MakeExampleDrawing() {
    const std::string header = "Pictavex example drawing: a house";
    return DwgBuilder()
        .Version("AC1015")
        .Entry(1, Bytes(header.begin(), header.end()))
        .Entry(2, HouseDib())
        .Build();
}
