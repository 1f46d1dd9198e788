#include <gtest/gtest.h>

#include "tests/example_drawing.h"
#include "thumbnail/dwg_thumbnail.h"

namespace {

TEST(ExampleTest, ShippedDrawingsAreTheGeneratedOnes) {
    EXPECT_EQ(ReadFile(EXAMPLES "/house.dwg"), MakeExampleDrawing())
        << "run: make_example examples";
    EXPECT_EQ(ReadFile(EXAMPLES "/site.dwg"), MakePngExampleDrawing())
        << "run: make_example examples";
    EXPECT_EQ(ReadFile(EXAMPLES "/plan.dxf"), MakeDxfExampleDrawing())
        << "run: make_example examples";
    EXPECT_EQ(ReadFile(EXAMPLES "/yard.dxf"), MakeGeometryExampleDrawing())
        << "run: make_example examples";
}

TEST(ExampleTest, ShippedDrawingHasAPreview) {
    CDwgThumbnail thumbnail(kBlack);
    thumbnail.Load(EXAMPLES "/house.dwg");
    EXPECT_EQ(thumbnail.m_width, 64);
    EXPECT_EQ(thumbnail.m_height, 48);
    EXPECT_EQ(thumbnail.m_headerData, "Pictavex example drawing: a house");
}

}  // namespace
