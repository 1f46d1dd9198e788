#include "render/colours.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace {

constexpr std::uint32_t kFirstHueIndex = 10;
constexpr std::uint32_t kFirstGreyIndex = 250;
constexpr std::uint32_t kHueStepDegrees = 15;
// The brightness of each pair of a hue's ten: full, then darker; the second of each pair
// is the same brightness half washed out.
constexpr std::array<double, 5> kHueValues = {255, 165, 127, 76, 38};
constexpr std::array<std::uint32_t, 10> kFirstColours = {0x000000, 0xFF0000, 0xFFFF00, 0x00FF00,
                                                         0x00FFFF, 0x0000FF, 0xFF00FF, 0xFFFFFF,
                                                         0x808080, 0xC0C0C0};
constexpr std::array<std::uint32_t, 6> kGreys = {51, 80, 105, 130, 190, 255};

std::uint32_t Rgb(double r, double g, double b) {
    const auto channel = [](double c) { return static_cast<std::uint32_t>(std::floor(c)); };
    return channel(r) << 16 | channel(g) << 8 | channel(b);
}

// Hue colour: each channel's share (0 to 1) at `degrees` around the colour wheel.
std::array<double, 3> HueShares(double degrees) {
    const auto share = [degrees](double centre) {
        double distance = std::abs(std::fmod(degrees - centre + 540.0, 360.0) - 180.0);
        return distance <= 60 ? 1.0 : distance >= 120 ? 0.0 : (120 - distance) / 60;
    };
    return {share(0), share(120), share(240)};
}

}  // namespace

InkColour IndexColour(int index) {
    if (index <= 0 || index > 255) {
        return {0, true};
    }
    const auto i = static_cast<std::uint32_t>(index);
    if (i == kContrastingIndex) {
        return {0, true};
    }
    if (i < kFirstHueIndex) {
        return {kFirstColours[i], false};
    }
    if (i >= kFirstGreyIndex) {
        const std::uint32_t grey = kGreys[i - kFirstGreyIndex];
        return {grey << 16 | grey << 8 | grey, false};
    }
    const std::uint32_t step = (i - kFirstHueIndex) / 10;
    const std::uint32_t shade = i % 10;
    const double value = kHueValues[shade / 2];
    const bool washed = shade % 2 == 1;
    std::array<double, 3> shares = HueShares(step * kHueStepDegrees);
    for (double& share : shares) {
        share = value * (washed ? share + (1 - share) / 2 : share);
    }
    return {Rgb(shares[0], shares[1], shares[2]), false};
}

InkColour ResolveColour(const EntityColour& colour, InkColour layer, InkColour block) {
    if (colour.trueColour) {
        return {*colour.trueColour & 0xFFFFFF, false};
    }
    const int index = std::abs(colour.index);  // a layer that is off keeps its colour negative
    if (index == kColourByLayer) {
        return layer;
    }
    if (index == kColourByBlock) {
        return block;
    }
    return IndexColour(index);
}
