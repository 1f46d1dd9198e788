// Inserts of blocks: nested, from their base points, scaled (negatively too), rotated and
// arrayed, each copy counted against the entities a drawing may resolve.
#include <algorithm>
#include <numbers>

#include "render/dxf_resolve.h"

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180;

}  // namespace

void CEntityResolver::DrawInsert(const DxfEntity& entity, const Place& place, const Style& style) {
    const DxfBlock* block = FindBlock(entity.Text(2));
    if (block == nullptr) {
        return;  // an insert of no block draws nothing, however many copies it asks for
    }
    const auto count = [&](int code) {
        return std::clamp<std::int64_t>(entity.Integer(code, 1), 1, m_limits.maxVisits);
    };
    const std::int64_t columns = count(70);
    const std::int64_t rows = count(71);
    const CTransform placed = CTransform::OfExtrusion(entity.Extrusion()) *
                              CTransform::Translation(entity.Point3(10)) *
                              CTransform::RotationZ(entity.Real(50, 0) * kRadiansPerDegree);
    const CTransform scaled =
        CTransform::Scaling({entity.Real(41, 1), entity.Real(42, 1), entity.Real(43, 1)});
    for (std::int64_t row = 0; row < rows && !Stopped(); ++row) {
        for (std::int64_t column = 0; column < columns && !Stopped(); ++column) {
            if (++m_visits > m_limits.maxVisits) {  // each copy counts, drawn or not
                m_stopped = true;
                return;
            }
            const CTransform cell =
                CTransform::Translation({entity.Real(44, 0) * static_cast<double>(column),
                                         entity.Real(45, 0) * static_cast<double>(row), 0});
            DrawBlock(*block, placed * cell * scaled, place, style);
        }
    }
    for (const DxfEntity& attribute : entity.children) {
        if (attribute.type == "ATTRIB") {
            ResolveIn(attribute, place);
        }
    }
}

const DxfBlock* CEntityResolver::FindBlock(std::string_view name) const {
    const auto found = m_document.blocks.find(TableKey(name));
    return found == m_document.blocks.end() ? nullptr : &found->second;
}

void CEntityResolver::DrawBlock(const DxfBlock& block, const CTransform& at, const Place& place,
                                const Style& style) {
    if (place.depth >= kMostInsertDepth) {
        return;
    }
    if (std::find(m_drawing.begin(), m_drawing.end(), &block) != m_drawing.end()) {
        return;  // a block inside itself: drawn once
    }
    m_drawing.push_back(&block);
    const Place inside{place.transform * at *
                           CTransform::Translation({-block.base.x, -block.base.y, -block.base.z}),
                       style.ink, style.layer, place.depth + 1};
    for (const DxfEntity& entity : block.entities) {
        ResolveIn(entity, inside);
    }
    m_drawing.pop_back();
}
