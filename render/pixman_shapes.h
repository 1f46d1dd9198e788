#pragma once
// Lines and filled areas in pixels as the shapes pixman draws anti-aliased: triangles for
// lines a pixel wide, trapezoids for the inside of rings.

#include <pixman.h>

#include <vector>

#include "render/primitives.h"

// A coordinate within what pixman's 16.16 fixed point holds; one that overflowed (from
// extents wider than a double) at the picture's corner.
double Bounded(double pixels);

// The quad a segment of a line one pixel wide covers, with square ends, as two triangles; a
// segment of no length is a pixel's square.
void AddSegment(Point a, Point b, std::vector<pixman_triangle_t>& out);

// Cuts the segment to the picture of width x height and a little around it; false when it
// lies wholly outside.
bool ClipSegment(Point& a, Point& b, double width, double height);

// The inside of rings by the even-odd rule, as trapezoids between the rows where a corner
// lies; false when that takes more than kMostFillSteps.
bool AddFill(const std::vector<std::vector<Point>>& rings, std::vector<pixman_trapezoid_t>& out);
