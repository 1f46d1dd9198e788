#pragma once
// Makes DXF drawings of geometry, as text or binary DXF: layers, blocks and entities given as
// their groups, in the sections a writer puts them in.

#include <string>
#include <utility>
#include <vector>

#include "tests/dwg_builder.h"
#include "tests/dxf_builder.h"

struct DxfItem {
    int code;
    std::string value;
};
using DxfItems = std::vector<DxfItem>;

// Groups for a number or text.
DxfItem G(int code, double value);
DxfItem G(int code, int value);
DxfItem G(int code, const char* value);
DxfItems Concat(std::initializer_list<DxfItems> parts);
// The groups of a point: x, y (and z) under codes `x`, x + 10 (and x + 20).
DxfItems At(int x, double px, double py);
DxfItems At3(int x, double px, double py, double pz);

class DxfDrawingBuilder {
public:
    DxfDrawingBuilder& Version(std::string version);
    // A layer; a negative colour turns it off; flags 1 freezes it.
    DxfDrawingBuilder& Layer(const std::string& name, int colour, int flags = 0);
    DxfDrawingBuilder& Block(const std::string& name, double baseX, double baseY,
                             const std::vector<std::pair<std::string, DxfItems>>& entities);
    DxfDrawingBuilder& Entity(const std::string& type, const DxfItems& groups);
    Bytes Build(DxfForm form = DxfForm::kText) const;

private:
    std::string m_version = "AC1015";
    DxfItems m_tables;
    DxfItems m_blocks;
    DxfItems m_entities;
};
