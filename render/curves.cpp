#include "render/curves.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTurn = 2 * std::numbers::pi;

int StepsFor(double sweep) {
    return std::max(kLeastArcSteps, static_cast<int>(std::ceil(sweep / kTurn * kStepsPerTurn)));
}

// The sweep from start to end counter-clockwise, in (0, 2 pi].
double Sweep(double start, double end) {
    double sweep = std::fmod(end - start, kTurn);
    if (sweep <= 0) {
        sweep += kTurn;
    }
    return sweep;
}

Vector3 Lerp(Vector3 a, Vector3 b, double t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

std::vector<double> ClampedUniformKnots(int degree, std::size_t controls) {
    std::vector<double> knots;
    const std::size_t inner = controls - static_cast<std::size_t>(degree);
    for (int i = 0; i < degree; ++i) {
        knots.push_back(0);
    }
    for (std::size_t i = 0; i <= inner; ++i) {
        knots.push_back(static_cast<double>(i));
    }
    for (int i = 0; i < degree; ++i) {
        knots.push_back(static_cast<double>(inner));
    }
    return knots;
}

// De Boor's evaluation at t within span [knots[span], knots[span + 1]), in homogeneous form.
Vector3 SplinePoint(int degree, const std::vector<double>& knots,
                    const std::vector<Vector3>& controls, const std::vector<double>& weights,
                    std::size_t span, double t) {
    struct Weighted {
        Vector3 p;
        double w;
    };
    std::vector<Weighted> d(static_cast<std::size_t>(degree) + 1);
    for (int j = 0; j <= degree; ++j) {
        const std::size_t i = span - static_cast<std::size_t>(degree) + static_cast<std::size_t>(j);
        const double w = weights.empty() ? 1 : weights[i];
        d[static_cast<std::size_t>(j)] = {{controls[i].x * w, controls[i].y * w, controls[i].z * w},
                                          w};
    }
    for (int r = 1; r <= degree; ++r) {
        for (int j = degree; j >= r; --j) {
            const std::size_t i =
                span - static_cast<std::size_t>(degree) + static_cast<std::size_t>(j);
            const double low = knots[i];
            const double high = knots[i + static_cast<std::size_t>(degree - r) + 1];
            const double alpha = high > low ? (t - low) / (high - low) : 0;
            Weighted& a = d[static_cast<std::size_t>(j)];
            const Weighted& b = d[static_cast<std::size_t>(j) - 1];
            a = {Lerp(b.p, a.p, alpha), b.w + (a.w - b.w) * alpha};
        }
    }
    const Weighted& result = d[static_cast<std::size_t>(degree)];
    const double w = result.w != 0 ? result.w : 1;
    return {result.p.x / w, result.p.y / w, result.p.z / w};
}

}  // namespace

void AppendEllipse(Vector3 centre, Vector3 major, Vector3 minor, double start, double end,
                   std::vector<Vector3>& out) {
    const double sweep = std::abs(end - start) >= kTurn ? kTurn : Sweep(start, end);
    const int steps = StepsFor(sweep);
    for (int i = 0; i <= steps; ++i) {
        const double t = start + sweep * i / steps;
        const double c = std::cos(t);
        const double s = std::sin(t);
        out.push_back({centre.x + major.x * c + minor.x * s, centre.y + major.y * c + minor.y * s,
                       centre.z + major.z * c + minor.z * s});
    }
}

void AppendBulge(Vector3 from, Vector3 to, double bulge, std::vector<Vector3>& out) {
    const double dx = to.x - from.x;
    const double dy = to.y - from.y;
    const double chord = std::hypot(dx, dy);
    if (bulge == 0 || !(chord > 0)) {
        out.push_back(to);
        return;
    }
    // The arc's angle is 4 atan(bulge); its centre lies off the chord's middle.
    const double angle = 4 * std::atan(bulge);
    const double radius = chord / (2 * std::sin(std::abs(angle) / 2));
    const double offset = (1 - bulge * bulge) / (4 * bulge);  // of the chord, to the left
    const Vector3 centre{from.x + dx / 2 - dy * offset, from.y + dy / 2 + dx * offset, from.z};
    const double first = std::atan2(from.y - centre.y, from.x - centre.x);
    const int steps = StepsFor(std::abs(angle));
    for (int i = 1; i < steps; ++i) {
        const double a = first + angle * i / steps;
        out.push_back({centre.x + radius * std::cos(a), centre.y + radius * std::sin(a),
                       from.z + (to.z - from.z) * i / steps});
    }
    out.push_back(to);
}

void AppendSpline(int degree, std::vector<double> knots, const std::vector<Vector3>& controls,
                  const std::vector<double>& weights, std::vector<Vector3>& out) {
    if (controls.empty()) {
        return;
    }
    if (degree < 1 || degree > kMostSplineDegree ||
        controls.size() <= static_cast<std::size_t>(degree)) {
        out.insert(out.end(), controls.begin(), controls.end());
        return;
    }
    const std::size_t order = static_cast<std::size_t>(degree) + 1;
    const bool knotsFit =
        knots.size() == controls.size() + order && std::is_sorted(knots.begin(), knots.end());
    if (!knotsFit) {
        knots = ClampedUniformKnots(degree, controls.size());
    }
    const std::vector<double> noWeights;
    const bool weighted =
        weights.size() == controls.size() &&
        std::all_of(weights.begin(), weights.end(), [](double w) { return w > 0; });
    const std::vector<double>& used = weighted ? weights : noWeights;
    bool first = true;
    for (std::size_t span = static_cast<std::size_t>(degree); span < controls.size(); ++span) {
        const double low = knots[span];
        const double high = knots[span + 1];
        if (!(high > low)) {
            continue;
        }
        for (int i = first ? 0 : 1; i <= kStepsPerSpan; ++i) {
            const double t = i == kStepsPerSpan ? high : low + (high - low) * i / kStepsPerSpan;
            // The last point of a span is reached from inside it: de Boor at the span's end.
            out.push_back(SplinePoint(degree, knots, controls, used, span, t));
        }
        first = false;
    }
}
