#include "render/dxf_resolve.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "render/curves.h"

namespace {

constexpr double kTurn = 2 * std::numbers::pi;
constexpr double kRadiansPerDegree = std::numbers::pi / 180;
// How often the clock is looked at, in entities resolved.
constexpr std::uint64_t kVisitsPerClockLook = 4096;
constexpr int kLayerCode = 8;
constexpr int kColourCode = 62;
constexpr int kTrueColourCode = 420;
constexpr int kInvisibleCode = 60;

// Every value of one code, in order.
std::vector<double> Reals(const DxfEntity& entity, int code) {
    std::vector<double> values;
    for (const DxfGroup& group : entity.groups) {
        if (group.code == code) {
            values.push_back(ParseReal(group.value).value_or(0));
        }
    }
    return values;
}

// Every point whose x is group `x`, in order.
std::vector<Vector3> Points(const DxfEntity& entity, int x) {
    std::vector<Vector3> points;
    for (const DxfGroup& group : entity.groups) {
        const double value = ParseReal(group.value).value_or(0);
        if (group.code == x) {
            points.push_back({value, 0, 0});
        } else if (group.code == x + 10 && !points.empty()) {
            points.back().y = value;
        } else if (group.code == x + 20 && !points.empty()) {
            points.back().z = value;
        }
    }
    return points;
}

// The part of the line base + t d inside `box`, by Liang and Barsky's clipping; false when
// it misses the box.
bool ClipToBox(const Box& box, Point base, Point d, double& low, double& high) {
    const double p[] = {-d.x, d.x, -d.y, d.y};
    const double q[] = {base.x - box.minX, box.maxX - base.x, base.y - box.minY, box.maxY - base.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) {
                return false;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            low = std::max(low, t);
        } else {
            high = std::min(high, t);
        }
    }
    return low <= high;
}

}  // namespace

CEntityResolver::CEntityResolver(const DxfDocument& document, CPrimitiveList& out,
                                 const ResolveLimits& limits)
    : m_document(document), m_out(out), m_limits(limits) {}

bool CEntityResolver::Resolve(const DxfEntity& entity) {
    ResolveIn(entity, Place{});
    return !Stopped();
}

const LayerStyle& CEntityResolver::LayerStyleOf(std::string_view layer) const {
    // Entities come layer after layer, mostly: the last one looked up is kept.
    if (!m_lastLayer || layer != m_lastLayer->first) {
        const auto found = m_document.layers.find(TableKey(layer));
        m_lastLayer.emplace(std::string(layer),
                            found != m_document.layers.end() ? found->second : LayerStyle{});
    }
    return m_lastLayer->second;
}

CEntityResolver::Style CEntityResolver::StyleOf(const DxfEntity& entity, const Place& place) const {
    std::string_view layer = entity.Text(kLayerCode);
    if ((layer.empty() || layer == "0") && !place.blockLayer.empty()) {
        layer = place.blockLayer;  // what lies on layer 0 of a block takes the insert's layer
    }
    const LayerStyle& layerStyle = LayerStyleOf(layer);
    const InkColour layerInk = layerStyle.trueColour ? InkColour{*layerStyle.trueColour, false}
                                                     : IndexColour(std::abs(layerStyle.colour));
    EntityColour colour;
    colour.index = static_cast<int>(entity.Integer(kColourCode, kColourByLayer));
    if (const std::optional<std::int64_t> rgb = entity.Integer(kTrueColourCode)) {
        colour.trueColour = static_cast<std::uint32_t>(*rgb);
    }
    return {ResolveColour(colour, layerInk, place.blockColour), layer,
            layerStyle.frozen || layerStyle.colour < 0};
}

void CEntityResolver::ResolveIn(const DxfEntity& entity, const Place& place) {
    if (Stopped()) {
        return;
    }
    if (++m_visits > m_limits.maxVisits) {
        m_stopped = true;
        return;
    }
    if (m_visits % kVisitsPerClockLook == 0 &&
        std::chrono::steady_clock::now() > m_limits.deadline) {
        m_stopped = m_outOfTime = true;
        return;
    }
    const Style style = StyleOf(entity, place);
    if (style.hidden || entity.Integer(kInvisibleCode, 0) == 1) {
        return;
    }
    if (Draw(entity, place, style)) {
        ++m_counts.drawn;
    } else if (entity.type != "ATTDEF") {  // a definition, shown only by its inserts
        ++m_counts.skipped;
    }
}

void CEntityResolver::EmitPath(const std::vector<Vector3>& points, const CTransform& to,
                               InkColour ink, bool closed) {
    if (points.empty() || !m_out.BeginShape(ShapeKind::kPath, ink)) {
        return;
    }
    for (const Vector3& p : points) {
        m_out.AddPoint(to.Top(p));
    }
    if (closed && points.size() > 2) {
        m_out.AddPoint(to.Top(points.front()));
    }
    m_out.EndRing();
    m_out.EndShape();
}

void CEntityResolver::EmitArc(Vector3 centre, Vector3 major, Vector3 minor, double start,
                              double end, const CTransform& to, InkColour ink) {
    double sweep = std::fmod(end - start, kTurn);
    if (!(sweep > 0)) {
        sweep += kTurn;  // counter-clockwise from start to end; equal ends: the whole turn
    }
    const Point at = to.Top(centre);
    const Point alongMajor = to.Top(Plus(centre, major));
    const Point alongMinor = to.Top(Plus(centre, minor));
    m_out.AddArc(ink, {at,
                       {alongMajor.x - at.x, alongMajor.y - at.y},
                       {alongMinor.x - at.x, alongMinor.y - at.y},
                       start,
                       start + sweep});
}

void CEntityResolver::EmitFill(const std::vector<std::vector<Vector3>>& rings, const CTransform& to,
                               InkColour ink) {
    if (!m_out.BeginShape(ShapeKind::kFill, ink)) {
        return;
    }
    for (const std::vector<Vector3>& ring : rings) {
        for (const Vector3& p : ring) {
            m_out.AddPoint(to.Top(p));
        }
        m_out.EndRing();
    }
    m_out.EndShape();
}

bool CEntityResolver::Draw(const DxfEntity& entity, const Place& place, const Style& style) {
    const std::string_view type = entity.type;
    const CTransform& world = place.transform;
    const Vector3 extrusion = entity.Extrusion();
    const bool upright = extrusion.x == 0 && extrusion.y == 0 && extrusion.z > 0;
    const CTransform ocs = upright ? world : world * CTransform::OfExtrusion(extrusion);
    std::vector<Vector3> points;
    if (type == "LINE") {
        EmitPath({entity.Point3(10), entity.Point3(11)}, world, style.ink, false);
    } else if (type == "POINT") {
        EmitPath({entity.Point3(10)}, world, style.ink, false);
    } else if (type == "CIRCLE" || type == "ARC") {
        const double radius = entity.Real(40, 0);
        const bool whole = type == "CIRCLE";
        const double start = whole ? 0 : entity.Real(50, 0) * kRadiansPerDegree;
        const double end = whole ? kTurn : entity.Real(51, 360) * kRadiansPerDegree;
        if (radius > 0) {
            EmitArc(entity.Point3(10), {radius, 0, 0}, {0, radius, 0}, start, end, ocs, style.ink);
        }
    } else if (type == "ELLIPSE") {
        const Vector3 major = entity.Point3(11);
        const Vector3 minor = Times(Cross(Unit(entity.Extrusion()), major), entity.Real(40, 1));
        const double start = entity.Real(41, 0);
        const double end = entity.Real(42, kTurn);
        EmitArc(entity.Point3(10), major, minor, start,
                std::abs(end - start) >= kTurn ? start + kTurn : end, world, style.ink);
    } else if (type == "LWPOLYLINE" || type == "POLYLINE") {
        DrawPolyline(entity, world, ocs, style.ink);
    } else if (type == "SOLID" || type == "TRACE") {
        const Vector3 third = entity.Point3(12);
        const Vector3 fourth = entity.Real(13) ? entity.Point3(13) : third;
        EmitFill({{entity.Point3(10), entity.Point3(11), fourth, third}}, ocs, style.ink);
    } else if (type == "3DFACE") {
        const Vector3 third = entity.Point3(12);
        const Vector3 fourth = entity.Real(13) ? entity.Point3(13) : third;
        const std::int64_t hiddenEdges = entity.Integer(70, 0);
        const Vector3 corners[] = {entity.Point3(10), entity.Point3(11), third, fourth};
        for (int edge = 0; edge < 4; ++edge) {
            if ((hiddenEdges & (1 << edge)) == 0) {
                EmitPath({corners[edge], corners[(edge + 1) % 4]}, world, style.ink, false);
            }
        }
    } else if (type == "SPLINE") {
        const std::vector<Vector3> controls = Points(entity, 10);
        if (controls.empty()) {
            points = Points(entity, 11);  // fit points alone: the line through them
        } else {
            AppendSpline(static_cast<int>(entity.Integer(71, 3)), Reals(entity, 40), controls,
                         Reals(entity, 41), points);
        }
        EmitPath(points, world, style.ink, false);
    } else if (type == "TEXT" || type == "ATTRIB") {
        DrawText(entity, ocs, style.ink);
    } else if (type == "MTEXT") {
        DrawMText(entity, world, style.ink);
    } else if (type == "HATCH") {
        DrawHatch(entity, ocs, style.ink);
    } else if (type == "LEADER") {
        EmitPath(Points(entity, 10), world, style.ink, false);
    } else if (type == "IMAGE" || type == "WIPEOUT") {
        const Vector3 corner = entity.Point3(10);
        const Vector3 across = Times(entity.Point3(11), entity.Real(13, 1));
        const Vector3 up = Times(entity.Point3(12), entity.Real(23, 1));
        EmitPath({corner, Plus(corner, across), Plus(Plus(corner, across), up), Plus(corner, up)},
                 world, style.ink, true);
    } else if (type == "XLINE" || type == "RAY") {
        const Point base = world.Top(entity.Point3(10));
        const Point tip = world.Top(Plus(entity.Point3(10), entity.Point3(11)));
        m_constructions.push_back(
            {base, {tip.x - base.x, tip.y - base.y}, type == "XLINE", style.ink});
    } else if (type == "INSERT") {
        DrawInsert(entity, place, style);
    } else if (type == "DIMENSION") {
        if (const DxfBlock* block = FindBlock(entity.Text(2))) {
            DrawBlock(*block, CTransform(), place, style);
        }
    } else {
        return false;
    }
    return true;
}

void CEntityResolver::Finish() {
    const Box extents = m_out.Extents();
    for (const Construction& line : m_constructions) {
        double low = line.bothWays ? -HUGE_VAL : 0;
        double high = HUGE_VAL;
        if (extents.empty || !ClipToBox(extents, line.base, line.direction, low, high) ||
            !std::isfinite(low) || !std::isfinite(high) ||
            !m_out.BeginShape(ShapeKind::kPath, line.ink)) {
            continue;  // a line that reaches nothing else drawn is not drawn
        }
        const Point d = line.direction;
        m_out.AddPoint({line.base.x + d.x * low, line.base.y + d.y * low});
        m_out.AddPoint({line.base.x + d.x * high, line.base.y + d.y * high});
        m_out.EndRing();
        m_out.EndShape();
    }
    m_constructions.clear();
}
