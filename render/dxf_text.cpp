// Text, attributes and multi-line text, stroked with the built-in font at their place,
// height, rotation, alignment and width factor; multi-line text without its formatting.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>
#include <string>

#include "render/dxf_resolve.h"
#include "render/stroke_font.h"

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180;
constexpr double kLineSpacing = 5.0 / 3.0;  // of the height, between multi-line text's lines
constexpr std::int64_t kMirroredFlag = 2;
constexpr std::int64_t kUpsideDownFlag = 4;
enum Justify : std::int64_t {
    kLeft = 0,
    kCentre = 1,
    kRight = 2,
    kAligned = 3,
    kMiddle = 4,
    kFit = 5
};
enum Vertical : std::int64_t { kBaseline = 0, kBottom = 1, kMiddleLine = 2, kTop = 3 };

// One code point from UTF-8 at `at`, moved past it; a byte that begins none is taken alone.
char32_t NextCodePoint(std::string_view text, std::size_t& at) {
    const auto byte = static_cast<unsigned char>(text[at++]);
    const int more = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : 0;
    if (more == 0 || at + static_cast<std::size_t>(more) > text.size()) {
        return byte;
    }
    char32_t code = byte & (0x3F >> more);
    for (int i = 0; i < more; ++i) {
        const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) {
            return byte;
        }
        code = code << 6 | (next & 0x3F);
    }
    at += static_cast<std::size_t>(more);
    return code;
}

// "\U+00B0" at `at` (past the backslash): its code point, moved past it.
bool UnicodeEscape(std::string_view text, std::size_t& at, char32_t& code) {
    if (text.substr(at, 2) != "U+" || at + 6 > text.size()) {
        return false;
    }
    code = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
        const char c = text[i];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
        if (digit < 0) {
            return false;
        }
        code = code << 4 | static_cast<char32_t>(digit);
    }
    at += 6;
    return true;
}

// A single-line text's characters: "%%d" as a degree sign and the like; "%%u" and "%%o"
// (underline, overline) dropped.
std::u32string LineText(std::string_view text) {
    std::u32string out;
    for (std::size_t at = 0; at < text.size();) {
        if (text.substr(at, 2) == "%%" && at + 2 < text.size()) {
            const char code =
                static_cast<char>(std::tolower(static_cast<unsigned char>(text[at + 2])));
            at += 3;
            if (code == 'd') {
                out += U'\u00B0';
            } else if (code == 'p') {
                out += U'\u00B1';
            } else if (code == 'c') {
                out += U'\u00D8';
            } else if (code == '%') {
                out += U'%';
            }
            continue;
        }
        std::size_t after = at + 1;
        char32_t code = 0;
        if (text[at] == '\\' && UnicodeEscape(text, after, code)) {
            out += code;
            at = after;
            continue;
        }
        out += NextCodePoint(text, at);
    }
    return out;
}

// Multi-line text's lines without its formatting: "\P" ends a line, codes such as "\H2.5;"
// and "\fArial|b0;" and braces go, "\S1^2;" (stacked) shows as 1/2.
std::vector<std::u32string> MTextLines(std::string_view text) {
    std::vector<std::u32string> lines(1);
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (c == '{' || c == '}') {
            ++at;
            continue;
        }
        if (c != '\\' || at + 1 == text.size()) {
            lines.back() += NextCodePoint(text, at);
            continue;
        }
        const char code = text[at + 1];
        std::size_t after = at + 1;
        char32_t unicode = 0;
        if (code == 'P') {
            lines.emplace_back();
            at += 2;
        } else if (code == '~') {
            lines.back() += U' ';
            at += 2;
        } else if (code == '\\' || code == '{' || code == '}') {
            lines.back() += static_cast<char32_t>(code);
            at += 2;
        } else if (UnicodeEscape(text, after, unicode)) {
            lines.back() += unicode;
            at = after;
        } else if (std::string_view("ACcfFHQTWpS").find(code) != std::string_view::npos) {
            const std::size_t end = std::min(text.find(';', at), text.size());
            if (code == 'S') {  // a stacked fraction: its parts side by side
                for (std::size_t i = at + 2; i < end; ++i) {
                    const char part = text[i];
                    lines.back() += part == '^' || part == '#' ? U'/' : static_cast<char32_t>(part);
                }
            }
            at = end + 1;
        } else {
            at += 2;  // a switch (underline, overline, strike-through) or a code not known
        }
    }
    return lines;
}

// The width of a line in the font's units.
double Advance(const std::u32string& line, const CStrokeFont& font) {
    double width = 0;
    for (const char32_t c : line) {
        const Glyph& glyph = font.Of(c);
        width += glyph.right - glyph.left;
    }
    return width;
}

}  // namespace

const CStrokeFont& CEntityResolver::Font() {
    if (!m_font) {
        m_font.emplace();
    }
    return *m_font;
}

void CEntityResolver::DrawTextLine(const std::u32string& line, const CTransform& place,
                                   InkColour ink) {
    const Point origin = place.Top(0, 0);
    const Point along = place.Top(1, 0);
    const Point up = place.Top(0, 1);
    m_out.AddText(ink,
                  {origin,
                   {along.x - origin.x, along.y - origin.y},
                   {up.x - origin.x, up.y - origin.y},
                   Advance(line, Font())},
                  line, CStrokeFont::kCapHeight, CStrokeFont::kDescent);
}

void CEntityResolver::DrawText(const DxfEntity& entity, const CTransform& ocs, InkColour ink) {
    const CStrokeFont& font = Font();
    double scale = entity.Real(40, 0) / CStrokeFont::kCapHeight;
    double widthFactor = entity.Real(41, 1) > 0 ? entity.Real(41, 1) : 1;
    const std::u32string line = LineText(entity.Text(1));
    const double advance = Advance(line, font);
    if (!(scale > 0) || advance == 0) {
        return;
    }
    const std::int64_t justify = entity.Integer(72, kLeft);
    const bool attribute = entity.type == "ATTRIB" || entity.type == "ATTDEF";
    const std::int64_t vertical = entity.Integer(attribute ? 74 : 73, kBaseline);
    const Vector3 first = entity.Point3(10);
    const Vector3 second = entity.Real(11) ? entity.Point3(11) : first;
    Vector3 anchor = justify == kLeft && vertical == kBaseline ? first : second;
    double rotation = entity.Real(50, 0) * kRadiansPerDegree;
    double across = 0;
    if (justify == kAligned || justify == kFit) {  // between its two points
        const double dx = second.x - first.x;
        const double dy = second.y - first.y;
        const double length = std::hypot(dx, dy);
        anchor = first;
        if (length > 0) {
            rotation = std::atan2(dy, dx);
            if (justify == kAligned) {
                scale = length / (advance * widthFactor);
            } else {
                widthFactor = length / (advance * scale);
            }
        }
    } else if (justify == kCentre || justify == kMiddle) {
        across = -advance / 2;
    } else if (justify == kRight) {
        across = -advance;
    }
    const double up = justify == kMiddle || vertical == kMiddleLine ? -CStrokeFont::kCapHeight / 2
                      : vertical == kBottom                         ? CStrokeFont::kDescent
                      : vertical == kTop                            ? -CStrokeFont::kCapHeight
                                                                    : 0;
    const std::int64_t flags = entity.Integer(71, 0);
    const CTransform mirror = CTransform::Scaling({(flags & kMirroredFlag) != 0 ? -1.0 : 1.0,
                                                   (flags & kUpsideDownFlag) != 0 ? -1.0 : 1.0, 1});
    DrawTextLine(line,
                 ocs * CTransform::Translation(anchor) * CTransform::RotationZ(rotation) * mirror *
                     CTransform::Scaling({scale * widthFactor, scale, 1}) *
                     CTransform::Translation({across, up, 0}),
                 ink);
}

void CEntityResolver::DrawMText(const DxfEntity& entity, const CTransform& world, InkColour ink) {
    const CStrokeFont& font = Font();
    const double scale = entity.Real(40, 0) / CStrokeFont::kCapHeight;
    if (!(scale > 0)) {
        return;
    }
    std::string text;
    for (const DxfGroup& group : entity.groups) {
        if (group.code == 3) {
            text += group.value;
        }
    }
    text += entity.Text(1);
    const std::vector<std::u32string> lines = MTextLines(text);
    const double rotation = entity.Real(11) ? std::atan2(entity.Real(21, 0), entity.Real(11, 0))
                                            : entity.Real(50, 0) * kRadiansPerDegree;
    const std::int64_t attachment = std::clamp<std::int64_t>(entity.Integer(71, 1), 1, 9) - 1;
    const double spacing = kLineSpacing * CStrokeFont::kCapHeight;
    const double height = CStrokeFont::kCapHeight + spacing * static_cast<double>(lines.size() - 1);
    const double shift = attachment / 3 == 0 ? 0 : attachment / 3 == 1 ? height / 2 : height;
    const CTransform place = world * CTransform::Translation(entity.Point3(10)) *
                             CTransform::RotationZ(rotation) *
                             CTransform::Scaling({scale, scale, 1});
    for (std::size_t i = 0; i < lines.size() && !m_out.Spent(); ++i) {
        const double advance = Advance(lines[i], font);
        const double across = attachment % 3 == 0   ? 0
                              : attachment % 3 == 1 ? -advance / 2
                                                    : -advance;
        const double baseline = shift - CStrokeFont::kCapHeight - spacing * static_cast<double>(i);
        DrawTextLine(lines[i], place * CTransform::Translation({across, baseline, 0}), ink);
    }
}
