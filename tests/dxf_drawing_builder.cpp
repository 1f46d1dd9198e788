#include "tests/dxf_drawing_builder.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kSentinel[] = "AutoCAD Binary DXF\r\n\x1a";

enum class Kind { kText, kReal, kShort, kLong, kByte };

// How binary DXF stores each group code's value, as the DXF reference's table gives it.
Kind KindOf(int code) {
    if ((code >= 10 && code <= 59) || (code >= 110 && code <= 149) ||
        (code >= 210 && code <= 239) || (code >= 1010 && code <= 1059)) {
        return Kind::kReal;
    }
    if ((code >= 60 && code <= 79) || (code >= 170 && code <= 179) ||
        (code >= 270 && code <= 289) || (code >= 370 && code <= 389) ||
        (code >= 400 && code <= 409) || (code >= 1060 && code <= 1070)) {
        return Kind::kShort;
    }
    if ((code >= 90 && code <= 99) || (code >= 420 && code <= 429) ||
        (code >= 440 && code <= 459) || code == 1071) {
        return Kind::kLong;
    }
    if (code >= 290 && code <= 299) {
        return Kind::kByte;
    }
    return Kind::kText;
}

void WriteGroup(const DxfItem& item, DxfForm form, Bytes& out) {
    if (form == DxfForm::kText) {
        char code[16];
        std::snprintf(code, sizeof code, "%3d\n", item.code);
        const std::string text = code + item.value + "\n";
        out.insert(out.end(), text.begin(), text.end());
        return;
    }
    if (form == DxfForm::kBinary16) {
        AppendLittleEndian(out, static_cast<std::uint32_t>(item.code), 2);
    } else if (item.code < 255) {
        out.push_back(static_cast<std::uint8_t>(item.code));
    } else {
        out.push_back(255);
        AppendLittleEndian(out, static_cast<std::uint32_t>(item.code), 2);
    }
    switch (KindOf(item.code)) {
        case Kind::kReal: {
            const double value = std::stod(item.value);
            std::uint64_t bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            for (int i = 0; i < 8; ++i) {
                out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
            }
            return;
        }
        case Kind::kShort:
            AppendLittleEndian(out, static_cast<std::uint32_t>(std::stol(item.value)), 2);
            return;
        case Kind::kLong:
            AppendLittleEndian(out, static_cast<std::uint32_t>(std::stol(item.value)), 4);
            return;
        case Kind::kByte:
            out.push_back(static_cast<std::uint8_t>(std::stoi(item.value)));
            return;
        case Kind::kText:
            out.insert(out.end(), item.value.begin(), item.value.end());
            out.push_back(0);
            return;
    }
}

void Append(DxfItems& to, const DxfItems& items) {
    to.insert(to.end(), items.begin(), items.end());
}

}  // namespace

DxfItem G(int code, double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return {code, text};
}

DxfItem G(int code, int value) {
    return {code, std::to_string(value)};
}

DxfItem G(int code, const char* value) {
    return {code, value};
}

DxfItems Concat(std::initializer_list<DxfItems> parts) {
    DxfItems all;
    for (const DxfItems& part : parts) {
        Append(all, part);
    }
    return all;
}

DxfItems At(int x, double px, double py) {
    return {G(x, px), G(x + 10, py)};
}

DxfItems At3(int x, double px, double py, double pz) {
    return {G(x, px), G(x + 10, py), G(x + 20, pz)};
}

DxfDrawingBuilder& DxfDrawingBuilder::Version(std::string version) {
    m_version = std::move(version);
    return *this;
}

DxfDrawingBuilder& DxfDrawingBuilder::Layer(const std::string& name, int colour, int flags) {
    Append(m_tables,
           {G(0, "LAYER"), G(2, name.c_str()), G(70, flags), G(62, colour), G(6, "CONTINUOUS")});
    return *this;
}

DxfDrawingBuilder& DxfDrawingBuilder::Block(
    const std::string& name, double baseX, double baseY,
    const std::vector<std::pair<std::string, DxfItems>>& entities) {
    Append(m_blocks, Concat({{G(0, "BLOCK"), G(8, "0"), G(2, name.c_str()), G(70, 0)},
                             At3(10, baseX, baseY, 0),
                             {G(3, name.c_str())}}));
    for (const auto& [type, groups] : entities) {
        Append(m_blocks, {G(0, type.c_str())});
        Append(m_blocks, groups);
    }
    Append(m_blocks, {G(0, "ENDBLK"), G(8, "0")});
    return *this;
}

DxfDrawingBuilder& DxfDrawingBuilder::Entity(const std::string& type, const DxfItems& groups) {
    Append(m_entities, {G(0, type.c_str())});
    Append(m_entities, groups);
    return *this;
}

Bytes DxfDrawingBuilder::Build(DxfForm form) const {
    DxfItems all = {G(0, "SECTION"),         G(2, "HEADER"), G(9, "$ACADVER"),
                    G(1, m_version.c_str()), G(0, "ENDSEC"), G(0, "SECTION"),
                    G(2, "TABLES"),          G(0, "TABLE"),  G(2, "LAYER")};
    Append(all, m_tables);
    Append(all, {G(0, "ENDTAB"), G(0, "ENDSEC"), G(0, "SECTION"), G(2, "BLOCKS")});
    Append(all, m_blocks);
    Append(all, {G(0, "ENDSEC"), G(0, "SECTION"), G(2, "ENTITIES")});
    Append(all, m_entities);
    Append(all, {G(0, "ENDSEC"), G(0, "EOF")});
    Bytes out;
    if (form != DxfForm::kText) {
        out.insert(out.end(), kSentinel, kSentinel + sizeof kSentinel);  // with its zero byte
    }
    for (const DxfItem& item : all) {
        WriteGroup(item, form, out);
    }
    return out;
}
