// What drawing a large DXF drawing from its geometry costs, against the floor of any
// renderer: reading the same file's groups with the tool's own group reader and doing
// nothing with them. Makes a drawing as writers write them (handles, subclass markers, CRLF):
// lines, polylines with bulges, arcs, circles, text and inserts of a block, to about
// MEGABYTES; then times the floor and drawing at 256 x 256 in alternated pairs, in one run.
//
//   draw_cost FILE [MEGABYTES] [PAIRS]     (default: 30 MB, 11 pairs; FILE is made)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/file.h"
#include "render/dxf_groups.h"
#include "thumbnail/dwg_thumbnail.h"

namespace {

class Writer {
public:
    void Group(int code, const std::string& value) {
        char head[16];
        std::snprintf(head, sizeof head, "%3d\r\n", code);
        m_text += head;
        m_text += value;
        m_text += "\r\n";
    }
    void Real(int code, double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.6f", value);
        Group(code, text);
    }
    void Point(int x, double px, double py) {
        Real(x, px);
        Real(x + 10, py);
        Real(x + 20, 0);
    }
    void Entity(const char* type, const char* subclass) {
        Group(0, type);
        char handle[16];
        std::snprintf(handle, sizeof handle, "%X", ++m_handle);
        Group(5, handle);
        Group(330, "1F");
        Group(100, "AcDbEntity");
        Group(8, m_handle % 3 == 0 ? "WALLS" : "0");
        Group(100, subclass);
    }
    std::string& Text() { return m_text; }

private:
    std::string m_text;
    unsigned m_handle = 0x100;
};

std::string MakeDrawing(std::size_t megabytes) {
    Writer w;
    for (const char* group : {"SECTION", "HEADER"}) {
        w.Group(group[0] == 'S' ? 0 : 2, group);
    }
    w.Group(9, "$ACADVER");
    w.Group(1, "AC1015");
    w.Group(0, "ENDSEC");
    w.Group(0, "SECTION");
    w.Group(2, "TABLES");
    w.Group(0, "TABLE");
    w.Group(2, "LAYER");
    w.Group(0, "LAYER");
    w.Group(2, "WALLS");
    w.Group(70, "0");
    w.Group(62, "5");
    w.Group(0, "ENDTAB");
    w.Group(0, "ENDSEC");
    w.Group(0, "SECTION");
    w.Group(2, "BLOCKS");
    w.Group(0, "BLOCK");
    w.Group(8, "0");
    w.Group(2, "DOOR");
    w.Group(70, "0");
    w.Point(10, 0, 0);
    for (int i = 0; i < 4; ++i) {
        w.Entity("LINE", "AcDbLine");
        w.Point(10, i, 0);
        w.Point(11, i, 2);
    }
    w.Entity("ARC", "AcDbCircle");
    w.Point(10, 0, 0);
    w.Real(40, 2);
    w.Group(100, "AcDbArc");
    w.Real(50, 0);
    w.Real(51, 90);
    w.Group(0, "ENDBLK");
    w.Group(0, "ENDSEC");
    w.Group(0, "SECTION");
    w.Group(2, "ENTITIES");
    const std::size_t bytes = megabytes << 20;
    for (unsigned i = 0; w.Text().size() < bytes; ++i) {
        const double x = (i * 37 % 1000) * 1.5;
        const double y = (i * 91 % 700) * 1.5;
        switch (i % 20) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4:
            case 5:
            case 6:
            case 7:
            case 8:
            case 9:
                w.Entity("LINE", "AcDbLine");
                w.Point(10, x, y);
                w.Point(11, x + 12, y + 5);
                break;
            case 10:
            case 11:
            case 12:
            case 13:
                w.Entity("LWPOLYLINE", "AcDbPolyline");
                w.Group(90, "4");
                w.Group(70, "1");
                for (int k = 0; k < 4; ++k) {
                    w.Real(10, x + (k % 2) * 8);
                    w.Real(20, y + (k / 2) * 6);
                    if (k == 1) {
                        w.Real(42, 0.4);
                    }
                }
                break;
            case 14:
            case 15:
                w.Entity("ARC", "AcDbCircle");
                w.Point(10, x, y);
                w.Real(40, 4);
                w.Group(100, "AcDbArc");
                w.Real(50, 30);
                w.Real(51, 200);
                break;
            case 16:
                w.Entity("CIRCLE", "AcDbCircle");
                w.Point(10, x, y);
                w.Real(40, 3);
                break;
            case 17:
                w.Entity("TEXT", "AcDbText");
                w.Point(10, x, y);
                w.Real(40, 2.5);
                w.Group(1, "Room 12");
                w.Group(100, "AcDbText");
                break;
            default:
                w.Entity("INSERT", "AcDbBlockReference");
                w.Group(2, "DOOR");
                w.Point(10, x, y);
                w.Real(50, i % 360);
                break;
        }
    }
    w.Group(0, "ENDSEC");
    w.Group(0, "EOF");
    return std::move(w.Text());
}

double Seconds(const std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The floor: every group read, nothing done with them.
double ReadGroups(const std::string& path, std::size_t& groups) {
    const auto start = std::chrono::steady_clock::now();
    CFile file;
    file.OpenForReading(FileName(path));
    CDxfGroups reader(file, DxfKind::kText);
    DxfGroup group;
    groups = 0;
    while (reader.Next(group) == CDxfGroups::Result::kGroup) {
        ++groups;
    }
    return Seconds(start);
}

double Draw(const std::string& path, DrawCounts& counts) {
    const auto start = std::chrono::steady_clock::now();
    CDwgThumbnail thumbnail(kWhite);
    thumbnail.m_drawChoice = DrawChoice::kAlwaysDrawn;
    thumbnail.m_drawSide = 256;
    thumbnail.Load(FileName(path));
    if (!thumbnail.Drawn()) {
        std::fprintf(stderr, "draw_cost: not drawn: %s\n", thumbnail.m_error.c_str());
        std::exit(1);
    }
    counts = thumbnail.m_drawing->counts;
    return Seconds(start);
}

std::string Median(std::vector<double> values, double scale = 1) {
    std::sort(values.begin(), values.end());
    char text[96];
    std::snprintf(text, sizeof text, "%.2f (%.2f to %.2f)", values[values.size() / 2] * scale,
                  values.front() * scale, values.back() * scale);
    return text;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: draw_cost FILE [MEGABYTES] [PAIRS]\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::size_t megabytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 30;
    const int pairs = argc > 3 ? std::atoi(argv[3]) : 11;
    const std::string drawing = MakeDrawing(megabytes);
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || std::fwrite(drawing.data(), 1, drawing.size(), out) != drawing.size() ||
        std::fclose(out) != 0) {
        std::fprintf(stderr, "draw_cost: cannot write %s\n", path.c_str());
        return 1;
    }
    std::vector<double> floors, draws, ratios;
    std::size_t groups = 0;
    DrawCounts counts;
    for (int i = 0; i < pairs; ++i) {
        const double floor = ReadGroups(path, groups);
        const double draw = Draw(path, counts);
        floors.push_back(floor);
        draws.push_back(draw);
        ratios.push_back(draw / floor);
    }
    std::printf("%zu bytes, %zu groups, %llu entities drawn, %llu skipped; %d alternated pairs\n",
                drawing.size(), groups, static_cast<unsigned long long>(counts.drawn),
                static_cast<unsigned long long>(counts.skipped), pairs);
    std::printf("groups read (the floor): %s ms\n", Median(floors, 1000).c_str());
    std::printf("drawn at 256 x 256:      %s ms\n", Median(draws, 1000).c_str());
    std::printf("drawn / floor:           %s\n", Median(ratios).c_str());
    return 0;
}
