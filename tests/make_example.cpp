// Writes the example drawings that ship under examples/.
#include <cstdio>
#include <string>

#include "tests/example_drawing.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example DIRECTORY\n");
        return 2;
    }
    const std::string directory = argv[1];
    WriteFile(directory + "/house.dwg", MakeExampleDrawing());
    WriteFile(directory + "/site.dwg", MakePngExampleDrawing());
    WriteFile(directory + "/plan.dxf", MakeDxfExampleDrawing());
    WriteFile(directory + "/yard.dxf", MakeGeometryExampleDrawing());
    return 0;
}
