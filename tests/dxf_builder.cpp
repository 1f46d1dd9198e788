#include "tests/dxf_builder.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr char kSentinel[] = "AutoCAD Binary DXF\r\n\x1a";
constexpr std::size_t kCommentBytes = 200;

class Writer {
public:
    explicit Writer(const DxfSpec& spec) : m_spec(spec) {
        if (spec.form != DxfForm::kText) {
            Raw(std::string(kSentinel, sizeof(kSentinel)));  // with its zero byte
        }
    }
    void Text(int code, const std::string& value) {
        if (m_spec.form == DxfForm::kText) {
            char padded[8];
            std::snprintf(padded, sizeof(padded), "%3d", code);
            Raw(padded + m_spec.lineEnd + value + m_spec.lineEnd);
            return;
        }
        Code(code);
        Raw(value + std::string(1, '\0'));
    }
    void Count(std::int64_t count) {
        if (m_spec.form == DxfForm::kText) {
            Text(90, std::to_string(count));
            return;
        }
        Code(90);
        AppendLittleEndian(m_bytes, static_cast<std::uint32_t>(count), 4);
    }
    void Chunk(const std::uint8_t* bytes, std::size_t size, const std::string& replacement) {
        if (m_spec.form == DxfForm::kText) {
            std::string hex;
            for (std::size_t i = 0; i < size; ++i) {
                char pair[3];
                std::snprintf(pair, sizeof(pair), m_spec.lowercase ? "%02x" : "%02X", bytes[i]);
                hex += pair;
            }
            Text(310, replacement.empty() ? hex : replacement);
            return;
        }
        Code(310);
        m_bytes.push_back(static_cast<std::uint8_t>(size));
        m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    }
    Bytes Take() { return std::move(m_bytes); }

private:
    void Code(int code) {
        if (m_spec.form == DxfForm::kBinary16) {
            AppendLittleEndian(m_bytes, static_cast<std::uint32_t>(code), 2);
        } else if (code < 255) {
            m_bytes.push_back(static_cast<std::uint8_t>(code));
        } else {
            m_bytes.push_back(255);
            AppendLittleEndian(m_bytes, static_cast<std::uint32_t>(code), 2);
        }
    }
    void Raw(const std::string& text) { m_bytes.insert(m_bytes.end(), text.begin(), text.end()); }

    const DxfSpec& m_spec;
    Bytes m_bytes;
};

void WriteSection(Writer& out, const DxfSpec& spec) {
    out.Text(0, "SECTION");
    out.Text(2, "THUMBNAILIMAGE");
    const std::int64_t count = spec.count.value_or(static_cast<std::int64_t>(spec.preview.size()));
    if (count >= 0) {
        out.Count(count);
    }
    for (std::size_t at = 0; at < spec.preview.size(); at += spec.chunk) {
        const std::size_t size = std::min(spec.chunk, spec.preview.size() - at);
        out.Chunk(spec.preview.data() + at, size, at == 0 ? spec.firstChunk : std::string());
    }
    out.Text(0, "ENDSEC");
}

}  // namespace

Bytes BuildDxf(const DxfSpec& spec) {
    Writer out(spec);
    out.Text(0, "SECTION");
    out.Text(2, "HEADER");
    out.Text(9, "$ACADVER");
    out.Text(1, spec.version);
    out.Text(0, "ENDSEC");
    if (spec.section && !spec.atEnd) {
        WriteSection(out, spec);
    }
    out.Text(0, "SECTION");
    out.Text(2, "ENTITIES");
    for (std::size_t written = 0; written < spec.entityBytes; written += kCommentBytes) {
        out.Text(999, std::string(kCommentBytes, 'x'));
    }
    for (std::size_t i = 0; i < spec.lines; ++i) {
        out.Text(0, "LINE");
        out.Text(5, std::to_string(0x100 + i));
        out.Text(100, "AcDbEntity");
        out.Text(8, "TITLE_BLOCK");
        out.Text(100, "AcDbLine");
        for (const int code : {10, 20, 30, 11, 21, 31}) {
            out.Text(code, std::to_string(static_cast<double>(i % 997) * 0.25 + code));
        }
    }
    out.Text(0, "ENDSEC");
    if (spec.section && spec.atEnd) {
        WriteSection(out, spec);
    }
    out.Text(0, "EOF");
    Bytes bytes = out.Take();
    if (spec.cutTo) {
        bytes.resize(std::min(bytes.size(), *spec.cutTo));
    }
    return bytes;
}
