#pragma once
// Where an entity's own coordinates lie in the world: a 3D affine map, of which the top view
// keeps x and y.

#include <array>

#include "render/primitives.h"

struct Vector3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

Vector3 Plus(Vector3 a, Vector3 b);
Vector3 Times(Vector3 a, double k);
Vector3 Cross(Vector3 a, Vector3 b);
// Of length 1; the z axis for a vector of no length, or none a double holds.
Vector3 Unit(Vector3 v);

class CTransform {
public:
    CTransform() = default;  // the identity

    // The object coordinate system of a 2D entity whose extrusion is `normal`, by the
    // arbitrary-axis rule.
    static CTransform OfExtrusion(Vector3 normal);
    static CTransform Translation(Vector3 by);
    static CTransform Scaling(Vector3 by);
    static CTransform RotationZ(double radians);

    // This map after `inner`: (this * inner)(p) = this(inner(p)).
    CTransform operator*(const CTransform& inner) const;
    Vector3 Apply(Vector3 p) const;
    Point Top(Vector3 p) const {
        const Vector3 world = Apply(p);
        return {world.x, world.y};
    }
    Point Top(double x, double y) const { return Top(Vector3{x, y, 0}); }

private:
    // Rows of a 3 x 4 matrix: x' = m[0][0] x + m[0][1] y + m[0][2] z + m[0][3], ...
    std::array<std::array<double, 4>, 3> m{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}};
};
