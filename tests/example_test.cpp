#include <gtest/gtest.h>

#include "tests/example_drawing.h"
#include "thumbnail/dwg_thumbnail.h"

namespace {

TEST(ExampleTest, ShippedDrawingIsTheGeneratedOne) {
    EXPECT_EQ(ReadFile(EXAMPLE_DRAWING), MakeExampleDrawing())
        << "run: make_example examples/house.dwg";
}

TEST(ExampleTest, ShippedDrawingHasAPreview) {
    CDwgThumbnail thumbnail(kBlack);
    thumbnail.Load(EXAMPLE_DRAWING);
    EXPECT_EQ(thumbnail.m_width, 64);
    EXPECT_EQ(thumbnail.m_height, 48);
    EXPECT_EQ(thumbnail.m_headerData, "Pictavex example drawing: a house");
}

}  // namespace
