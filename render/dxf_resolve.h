#pragma once
// The front half of drawing a DXF drawing: each entity of model space, with the blocks it
// inserts, its layer's and block's colours and its own coordinate system, resolved into
// primitives in world units, seen from above.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "render/colours.h"
#include "render/dxf_document.h"
#include "render/primitives.h"
#include "render/stroke_font.h"

struct DrawCounts {
    std::uint64_t drawn = 0;    // entities drawn, each copy of a block's counted
    std::uint64_t skipped = 0;  // entities of kinds not drawn
};

struct ResolveLimits {
    std::uint64_t maxVisits = 0;  // entities resolved, each copy of a block's counted
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
};

// Blocks inserted inside blocks deeper than this are not drawn: no drawing nests so deep.
inline constexpr int kMostInsertDepth = 32;

class CEntityResolver {
public:
    CEntityResolver(const DxfDocument& document, CPrimitiveList& out, const ResolveLimits& limits);

    // One entity of model space; false once a limit stops the drawing.
    bool Resolve(const DxfEntity& entity);
    // Draws the construction lines and rays, which reach as far as the rest of the drawing.
    void Finish();

    const DrawCounts& Counts() const { return m_counts; }
    // Whether a limit (of visits, time or points) stopped the drawing.
    bool Stopped() const { return m_stopped || m_out.Spent(); }
    bool OutOfTime() const { return m_outOfTime; }

private:
    struct Place {
        CTransform transform;
        InkColour blockColour{0, true};
        std::string_view blockLayer;  // the layer of the insert whose block is drawn
        int depth = 0;
    };
    struct Style {
        InkColour ink;
        std::string_view layer;
        bool hidden = false;
    };
    struct Construction {
        Point base;
        Point direction;
        bool bothWays;
        InkColour ink;
    };

    void ResolveIn(const DxfEntity& entity, const Place& place);
    // Whether the kind is one drawn.
    bool Draw(const DxfEntity& entity, const Place& place, const Style& style);
    Style StyleOf(const DxfEntity& entity, const Place& place) const;
    const LayerStyle& LayerStyleOf(std::string_view layer) const;
    void EmitPath(const std::vector<Vector3>& points, const CTransform& to, InkColour ink,
                  bool closed);
    // The arc centre + major cos t + minor sin t, t from start round to end.
    void EmitArc(Vector3 centre, Vector3 major, Vector3 minor, double start, double end,
                 const CTransform& to, InkColour ink);
    void EmitFill(const std::vector<std::vector<Vector3>>& rings, const CTransform& to,
                  InkColour ink);
    void DrawInsert(const DxfEntity& entity, const Place& place, const Style& style);
    const DxfBlock* FindBlock(std::string_view name) const;
    void DrawBlock(const DxfBlock& block, const CTransform& at, const Place& place,
                   const Style& style);
    void DrawPolyline(const DxfEntity& entity, const CTransform& world, const CTransform& ocs,
                      InkColour ink);
    void DrawHatch(const DxfEntity& entity, const CTransform& ocs, InkColour ink);
    void DrawText(const DxfEntity& entity, const CTransform& ocs, InkColour ink);
    void DrawMText(const DxfEntity& entity, const CTransform& world, InkColour ink);
    const CStrokeFont& Font();
    // A line of text in the font's units, placed by `place`.
    void DrawTextLine(const std::u32string& line, const CTransform& place, InkColour ink);

    const DxfDocument& m_document;
    CPrimitiveList& m_out;
    ResolveLimits m_limits;
    DrawCounts m_counts;
    std::uint64_t m_visits = 0;
    bool m_stopped = false;
    bool m_outOfTime = false;
    std::vector<const DxfBlock*> m_drawing;  // the blocks being drawn, outermost first
    std::vector<Construction> m_constructions;
    std::optional<CStrokeFont> m_font;  // read when the first text is drawn
    mutable std::optional<std::pair<std::string, LayerStyle>> m_lastLayer;
};
