// Polylines: light-weight ones, and the old kind with their vertices (2D with bulges, 3D,
// polyface meshes and polygon meshes, drawn as their edges).
#include <cstdlib>

#include "render/curves.h"
#include "render/dxf_resolve.h"

namespace {

constexpr std::int64_t kClosedFlag = 1;
constexpr std::int64_t kMeshClosedAcrossFlag = 32;  // a mesh closed in its second direction
constexpr std::int64_t kCurveFitFlag = 2;
constexpr std::int64_t kSplineFitFlag = 4;
constexpr std::int64_t k3dPolylineFlag = 8;
constexpr std::int64_t kMeshFlag = 16;
constexpr std::int64_t kPolyfaceFlag = 64;
// A vertex's flags.
constexpr std::int64_t kFrameControlVertex = 16;  // of the frame a fitted spline was made from
constexpr std::int64_t kFaceOrPositionVertex = 128;
constexpr std::int64_t kPositionVertex = 64;
constexpr int kMostFaceCorners = 4;

struct Vertex {
    Vector3 at;
    double bulge = 0;
};

// A 2D run of vertices with their bulges, as points.
std::vector<Vector3> Bulged(const std::vector<Vertex>& vertices, bool closed) {
    std::vector<Vector3> points;
    if (vertices.empty()) {
        return points;
    }
    points.push_back(vertices.front().at);
    for (std::size_t i = 1; i < vertices.size(); ++i) {
        AppendBulge(vertices[i - 1].at, vertices[i].at, vertices[i - 1].bulge, points);
    }
    if (closed && vertices.size() > 1) {
        AppendBulge(vertices.back().at, vertices.front().at, vertices.back().bulge, points);
    }
    return points;
}

std::vector<Vertex> LightVertices(const DxfEntity& entity) {
    std::vector<Vertex> vertices;
    const double elevation = entity.Real(38, 0);
    for (const DxfGroup& group : entity.groups) {
        const double value = ParseReal(group.value).value_or(0);
        if (group.code == 10) {
            vertices.push_back({{value, 0, elevation}, 0});
        } else if (group.code == 20 && !vertices.empty()) {
            vertices.back().at.y = value;
        } else if (group.code == 42 && !vertices.empty()) {
            vertices.back().bulge = value;
        }
    }
    return vertices;
}

}  // namespace

void CEntityResolver::DrawPolyline(const DxfEntity& entity, const CTransform& world,
                                   const CTransform& ocs, InkColour ink) {
    const std::int64_t flags = entity.Integer(70, 0);
    const bool closed = (flags & kClosedFlag) != 0;
    if (entity.type == "LWPOLYLINE") {
        EmitPath(Bulged(LightVertices(entity), closed), ocs, ink, false);
        return;
    }
    std::vector<Vertex> vertices;
    std::vector<const DxfEntity*> faces;
    const bool fitted = (flags & (kCurveFitFlag | kSplineFitFlag)) != 0;
    for (const DxfEntity& vertex : entity.children) {
        const std::int64_t vertexFlags = vertex.Integer(70, 0);
        if (fitted && (vertexFlags & kFrameControlVertex) != 0) {
            continue;  // the fitted vertices that follow are what is seen
        }
        const bool face =
            (vertexFlags & kFaceOrPositionVertex) != 0 && (vertexFlags & kPositionVertex) == 0;
        if ((flags & kPolyfaceFlag) != 0 && face) {
            faces.push_back(&vertex);
        } else {
            vertices.push_back({vertex.Point3(10), vertex.Real(42, 0)});
        }
    }
    if ((flags & kPolyfaceFlag) != 0) {
        for (const DxfEntity* face : faces) {
            std::vector<std::int64_t> corners;
            for (int code = 71; code < 71 + kMostFaceCorners; ++code) {
                if (const std::int64_t index = face->Integer(code, 0); index != 0) {
                    corners.push_back(index);
                }
            }
            for (std::size_t i = 0; i < corners.size(); ++i) {
                const std::int64_t from = corners[i];
                const std::int64_t to = corners[(i + 1) % corners.size()];
                const auto valid = [&](std::int64_t index) {
                    return std::llabs(index) <= static_cast<std::int64_t>(vertices.size());
                };
                if (from > 0 && valid(from) && valid(to)) {  // a negative index hides its edge
                    EmitPath({vertices[static_cast<std::size_t>(from - 1)].at,
                              vertices[static_cast<std::size_t>(std::llabs(to) - 1)].at},
                             world, ink, false);
                }
            }
        }
        return;
    }
    if ((flags & kMeshFlag) != 0) {
        const auto m = static_cast<std::size_t>(std::max<std::int64_t>(entity.Integer(71, 0), 0));
        const auto n = static_cast<std::size_t>(std::max<std::int64_t>(entity.Integer(72, 0), 0));
        if (m == 0 || n == 0 || m > vertices.size() / n) {
            return;
        }
        const auto at = [&](std::size_t i, std::size_t j) { return vertices[i * n + j].at; };
        for (std::size_t i = 0; i < m; ++i) {
            std::vector<Vector3> row;
            for (std::size_t j = 0; j < n; ++j) {
                row.push_back(at(i, j));
            }
            EmitPath(row, world, ink, (flags & kMeshClosedAcrossFlag) != 0);
        }
        for (std::size_t j = 0; j < n; ++j) {
            std::vector<Vector3> column;
            for (std::size_t i = 0; i < m; ++i) {
                column.push_back(at(i, j));
            }
            EmitPath(column, world, ink, closed);
        }
        return;
    }
    if ((flags & k3dPolylineFlag) != 0) {
        std::vector<Vector3> points;
        for (const Vertex& vertex : vertices) {
            points.push_back(vertex.at);
        }
        EmitPath(points, world, ink, closed);
        return;
    }
    const double elevation = entity.Point3(10).z;
    for (Vertex& vertex : vertices) {
        vertex.at.z = elevation;
    }
    EmitPath(Bulged(vertices, closed), ocs, ink, false);
}
