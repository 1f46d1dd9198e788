#include "render/stroke_font.h"

#include <string>

extern const unsigned char kStrokeFontFile[];
extern const unsigned long kStrokeFontFile_size;

namespace {

constexpr std::size_t kNumberColumns = 5;  // the glyph's number, unused
constexpr std::size_t kCountColumns = 3;   // how many coordinate pairs follow
constexpr char kOrigin = 'R';              // coordinates are letters, 'R' being 0
constexpr char kPenUp = ' ';               // the pair " R" lifts the pen
constexpr char32_t kMissing = U'?';

Glyph ReadGlyph(std::string_view record) {
    Glyph glyph;
    const std::size_t start = kNumberColumns + kCountColumns;
    if (record.size() < start + 2) {
        return glyph;
    }
    const auto coordinate = [](char c) { return static_cast<double>(c - kOrigin); };
    glyph.left = coordinate(record[start]);
    glyph.right = coordinate(record[start + 1]);
    glyph.strokes.emplace_back();
    for (std::size_t i = start + 2; i + 1 < record.size(); i += 2) {
        if (record[i] == kPenUp) {
            glyph.strokes.emplace_back();
            continue;
        }
        glyph.strokes.back().push_back({coordinate(record[i]), coordinate(record[i + 1])});
    }
    std::erase_if(glyph.strokes, [](const auto& stroke) { return stroke.empty(); });
    return glyph;
}

}  // namespace

CStrokeFont::CStrokeFont() {
    const std::string_view file(reinterpret_cast<const char*>(kStrokeFontFile),
                                kStrokeFontFile_size);
    std::size_t next = 0;
    for (std::size_t line = 0; line < file.size() && next < m_glyphs.size();) {
        std::size_t end = file.find('\n', line);
        end = end == std::string_view::npos ? file.size() : end;
        std::string_view record = file.substr(line, end - line);
        if (!record.empty() && record.back() == '\r') {
            record.remove_suffix(1);
        }
        if (!record.empty()) {
            m_glyphs[next++] = ReadGlyph(record);
        }
        line = end + 1;
    }
}

const Glyph& CStrokeFont::Of(char32_t character) const {
    if (character < kFirst || character >= kFirst + m_glyphs.size()) {
        character = kMissing;
    }
    return m_glyphs[character - kFirst];
}
