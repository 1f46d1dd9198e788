// Writes the example drawing that ships under examples/.
#include <cstdio>

#include "tests/example_drawing.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example OUTPUT.dwg\n");
        return 2;
    }
    WriteFile(argv[1], MakeExampleDrawing());
    return 0;
}
