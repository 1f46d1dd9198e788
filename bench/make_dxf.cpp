// Makes large text DXF drawings for the DXF benchmark: LINE entities to about MEGABYTES, with
// the preview section at the end (end.dxf), after the header (middle.dxf) or none (none.dxf).
//
//   make_dxf DIRECTORY MEGABYTES
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/dwg_builder.h"
#include "tests/dxf_builder.h"

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_dxf DIRECTORY MEGABYTES\n");
        return 2;
    }
    const std::string directory = argv[1];
    constexpr std::size_t kLineBytes = 190;  // one LINE entity with CRLF line ends
    const std::size_t lines = std::strtoul(argv[2], nullptr, 10) * (1 << 20) / kLineBytes;
    // The largest preview seen, 672 x 448 at 8 bits.
    const Bytes preview = MakeInfoDib({.width = 672, .height = 448});
    const DxfSpec spec{.lineEnd = "\r\n", .preview = preview, .lines = lines};
    DxfSpec middle = spec;
    middle.atEnd = false;
    DxfSpec none = spec;
    none.section = false;
    WriteFile(directory + "/end.dxf", BuildDxf(spec));
    WriteFile(directory + "/middle.dxf", BuildDxf(middle));
    WriteFile(directory + "/none.dxf", BuildDxf(none));
    return 0;
}
