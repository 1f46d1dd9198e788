#pragma once
// One row per kind of entity a DXF drawing is drawn with: how a test builds it, and the true
// geometry it must give (computed from the entity's definition, not from the renderer).

#include <functional>
#include <vector>

#include "tests/dxf_drawing_builder.h"
#include "tests/render_check.h"

struct RenderRow {
    const char* name;
    std::function<void(DxfDrawingBuilder&)> build;
    std::vector<Curve> strokes;  // what lines and outlines are drawn
    // Filled areas: inked inside, and the ink there needs no line near it.
    std::function<bool(WorldPoint)> inside = nullptr;
    std::vector<WorldPoint> unfilled{};  // world points that must stay background
};

std::vector<RenderRow> RenderRows();
