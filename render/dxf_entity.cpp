#include "render/dxf_entity.h"

#include <charconv>
#include <cmath>

namespace {

// What a group costs held beside its value's bytes.
constexpr std::uint64_t kGroupOverheadBytes = sizeof(DxfGroup);

}  // namespace

std::string_view TrimmedValue(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<double> ParseReal(std::string_view text) {
    text = TrimmedValue(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
    text = TrimmedValue(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> DxfEntity::Real(int code) const {
    for (const DxfGroup& group : groups) {
        if (group.code == code) {
            return ParseReal(group.value);
        }
    }
    return std::nullopt;
}

std::optional<std::int64_t> DxfEntity::Integer(int code) const {
    for (const DxfGroup& group : groups) {
        if (group.code == code) {
            return ParseInteger(group.value);
        }
    }
    return std::nullopt;
}

std::string_view DxfEntity::Text(int code) const {
    for (const DxfGroup& group : groups) {
        if (group.code == code) {
            return TrimmedValue(group.value);
        }
    }
    return {};
}

Vector3 DxfEntity::Point3(int x) const {
    return {Real(x, 0), Real(x + 10, 0), Real(x + 20, 0)};
}

Vector3 DxfEntity::Extrusion() const {
    return {Real(210, 0), Real(220, 0), Real(230, 1)};
}

std::uint64_t DxfEntity::HeldBytes() const {
    std::uint64_t bytes = sizeof(DxfEntity) + type.size();
    for (const DxfGroup& group : groups) {
        bytes += kGroupOverheadBytes + group.value.size();
    }
    for (const DxfEntity& child : children) {
        bytes += child.HeldBytes();
    }
    return bytes;
}
