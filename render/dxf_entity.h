#pragma once
// One DXF entity as its groups, with what belongs to it (a polyline's vertices, an insert's
// attributes), and the typed reading of its values.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "render/dxf_groups.h"
#include "render/transform.h"

struct DxfEntity {
    std::string type;
    std::vector<DxfGroup> groups;
    std::vector<DxfEntity> children;  // VERTEX or ATTRIB entities, up to SEQEND

    // The first value of `code`.
    std::optional<double> Real(int code) const;
    std::optional<std::int64_t> Integer(int code) const;
    std::string_view Text(int code) const;
    double Real(int code, double otherwise) const { return Real(code).value_or(otherwise); }
    std::int64_t Integer(int code, std::int64_t otherwise) const {
        return Integer(code).value_or(otherwise);
    }
    // The point of codes `x`, x + 10 and x + 20 (10, 20, 30 for the first).
    Vector3 Point3(int x) const;
    // The extrusion (210, 220, 230), 0,0,1 where none is given.
    Vector3 Extrusion() const;
    // The bytes its groups hold, as counted against the budget for blocks.
    std::uint64_t HeldBytes() const;
};

std::optional<double> ParseReal(std::string_view text);
std::optional<std::int64_t> ParseInteger(std::string_view text);
// A group's value without the spaces a writer may pad it with.
std::string_view TrimmedValue(std::string_view text);
