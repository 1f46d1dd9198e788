#pragma once
// Curves as the points of the lines that stand for them: fine enough that no point of a
// curve that fills a picture lies a pixel from them, at any side a picture may have.

#include <cstddef>
#include <vector>

#include "render/transform.h"

// Steps for a whole turn of a circle or ellipse; an arc takes its share, and never fewer
// than kLeastArcSteps.
inline constexpr int kStepsPerTurn = 96;
inline constexpr int kLeastArcSteps = 4;
// Points a spline span is drawn with.
inline constexpr int kStepsPerSpan = 16;
// A spline of higher degree, or with more control points, is drawn as its control polygon.
inline constexpr int kMostSplineDegree = 15;

// The ellipse `centre + major cos t + minor sin t` from t = start to end.
void AppendEllipse(Vector3 centre, Vector3 major, Vector3 minor, double start, double end,
                   std::vector<Vector3>& out);

// The points after `from` of the segment to `to` that bulges by `bulge` (the tangent of a
// quarter of its arc's angle; positive: counter-clockwise), `to` included.
void AppendBulge(Vector3 from, Vector3 to, double bulge, std::vector<Vector3>& out);

// A B-spline of `degree` over `knots` with `controls` (and `weights`, empty for equal ones).
// Knots that do not fit the controls are replaced by clamped uniform ones; a degree beyond
// kMostSplineDegree or the controls gives the control polygon.
void AppendSpline(int degree, std::vector<double> knots, const std::vector<Vector3>& controls,
                  const std::vector<double>& weights, std::vector<Vector3>& out);
