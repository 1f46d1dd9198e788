#include "render/transform.h"

#include <algorithm>
#include <cmath>

namespace {

// Below this, an extrusion's x and y count as zero (the arbitrary-axis rule's 1/64).
constexpr double kArbitraryAxisBound = 1.0 / 64.0;

}  // namespace

Vector3 Plus(Vector3 a, Vector3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Vector3 Times(Vector3 a, double k) {
    return {a.x * k, a.y * k, a.z * k};
}

Vector3 Cross(Vector3 a, Vector3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vector3 Unit(Vector3 v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0) || !std::isfinite(length)) {
        return {0, 0, 1};
    }
    return {v.x / length, v.y / length, v.z / length};
}

CTransform CTransform::OfExtrusion(Vector3 normal) {
    const Vector3 n = Unit(normal);
    const Vector3 ax = std::abs(n.x) < kArbitraryAxisBound && std::abs(n.y) < kArbitraryAxisBound
                           ? Unit(Cross({0, 1, 0}, n))
                           : Unit(Cross({0, 0, 1}, n));
    const Vector3 ay = Unit(Cross(n, ax));
    CTransform t;
    t.m = {{{ax.x, ay.x, n.x, 0}, {ax.y, ay.y, n.y, 0}, {ax.z, ay.z, n.z, 0}}};
    return t;
}

CTransform CTransform::Translation(Vector3 by) {
    CTransform t;
    t.m[0][3] = by.x;
    t.m[1][3] = by.y;
    t.m[2][3] = by.z;
    return t;
}

CTransform CTransform::Scaling(Vector3 by) {
    CTransform t;
    t.m[0][0] = by.x;
    t.m[1][1] = by.y;
    t.m[2][2] = by.z;
    return t;
}

CTransform CTransform::RotationZ(double radians) {
    CTransform t;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    t.m[0][0] = c;
    t.m[0][1] = -s;
    t.m[1][0] = s;
    t.m[1][1] = c;
    return t;
}

CTransform CTransform::operator*(const CTransform& inner) const {
    CTransform out;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
            double sum = column == 3 ? m[row][3] : 0;
            for (int k = 0; k < 3; ++k) {
                sum += m[row][k] * inner.m[k][column];
            }
            out.m[row][column] = sum;
        }
    }
    return out;
}

Vector3 CTransform::Apply(Vector3 p) const {
    const auto row = [&](int r) { return m[r][0] * p.x + m[r][1] * p.y + m[r][2] * p.z + m[r][3]; };
    return {row(0), row(1), row(2)};
}
