#pragma once

#include "tests/dwg_builder.h"

// The drawings shipped under examples/: a small house with a bitmap preview on a white
// background, as older programs save them,
Bytes MakeExampleDrawing();
// a site plan with a PNG preview of thin lines on black, as newer programs save them,
Bytes MakePngExampleDrawing();
// the house as a DXF drawing with CRLF line ends, its bitmap in its THUMBNAILIMAGE section,
Bytes MakeDxfExampleDrawing();
// and a yard as a DXF drawing that stores no preview: walls, trees, a pond and a note.
Bytes MakeGeometryExampleDrawing();
