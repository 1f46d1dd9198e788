#pragma once

#include "tests/dwg_builder.h"

// The drawing shipped under examples/: a small house on a white preview background.
Bytes MakeExampleDrawing();
