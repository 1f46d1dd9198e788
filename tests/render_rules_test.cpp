// The rules a drawn picture follows beside its geometry: colours by index, layer, block and
// true colour; what is left out; binary DXF as text DXF; and when a drawing is drawn at all.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/dxf_builder.h"
#include "tests/dxf_drawing_builder.h"
#include "tests/render_check.h"
#include "tests/test_helpers.h"

namespace {

constexpr std::uint32_t kSide = 64;
constexpr double kNearestPixels = 1.5;

// A line along x through the middle of a row of pixels, whose middle pixel it covers whole.
DxfItems Across(const char* layer, DxfItems colour = {}) {
    return Concat({{G(8, layer)}, colour, At3(10, 0, 0, 0), At3(11, 100, 0, 0)});
}

std::uint32_t MiddleColour(const Bytes& dxf, COLORREF background = kWhite) {
    const DrawnPicture drawn = DrawDxf(dxf, kSide, background);
    EXPECT_TRUE(drawn.drawn);
    if (drawn.pixels.rgb.empty()) {
        return 0xDEADBEEF;
    }
    return drawn.pixels.At(drawn.pixels.width / 2, drawn.pixels.height / 2);
}

const std::vector<std::pair<std::string, DxfItems>> kBlockLines = {
    // BYBLOCK, BYLAYER on layer 0, and a layer of its own.
    {"LINE", Concat({{G(8, "0"), G(62, 0)}, At3(10, 0, 0, 0), At3(11, 100, 0, 0)})},
};

TEST(RenderRulesTest, ColoursComeFromTheIndexTheLayerTheBlockOrTheTrueColour) {
    const struct {
        const char* name;
        std::function<void(DxfDrawingBuilder&)> build;
        COLORREF background;
        std::uint32_t rgb;
    } rows[] = {
        {"index 1", [](auto& b) { b.Entity("LINE", Across("0", {G(62, 1)})); }, kWhite, 0xFF0000},
        {"index 3", [](auto& b) { b.Entity("LINE", Across("0", {G(62, 3)})); }, kWhite, 0x00FF00},
        {"index 5", [](auto& b) { b.Entity("LINE", Across("0", {G(62, 5)})); }, kWhite, 0x0000FF},
        {"index 8", [](auto& b) { b.Entity("LINE", Across("0", {G(62, 8)})); }, kWhite, 0x808080},
        {"index 30", [](auto& b) { b.Entity("LINE", Across("0", {G(62, 30)})); }, kWhite, 0xFF7F00},
        {"index 11", [](auto& b) { b.Entity("LINE", Across("0", {G(62, 11)})); }, kWhite, 0xFF7F7F},
        {"index 250", [](auto& b) { b.Entity("LINE", Across("0", {G(62, 250)})); }, kWhite,
         0x333333},
        {"index 7 on white", [](auto& b) { b.Entity("LINE", Across("0", {G(62, 7)})); }, kWhite,
         0x000000},
        {"index 7 on black", [](auto& b) { b.Entity("LINE", Across("0", {G(62, 7)})); }, kBlack,
         0xFFFFFF},
        {"true colour over the index",
         [](auto& b) {
             b.Entity("LINE", Across("0", {G(62, 1), G(420, 0x123456)}));
         },
         kWhite, 0x123456},
        {"BYLAYER",
         [](auto& b) {
             b.Layer("BLUE", 5);
             b.Entity("LINE", Across("BLUE"));
         },
         kWhite, 0x0000FF},
        {"a layer by another name's case",
         [](auto& b) {
             b.Layer("Green", 3);
             b.Entity("LINE", Across("GREEN", {G(62, 256)}));
         },
         kWhite, 0x00FF00},
        {"BYBLOCK in an insert of colour 6",
         [](auto& b) {
             b.Block("B", 0, 0, kBlockLines);
             b.Entity("INSERT", Concat({{G(8, "0"), G(2, "B"), G(62, 6)}, At3(10, 0, 0, 0)}));
         },
         kWhite, 0xFF00FF},
        {"BYLAYER on layer 0 of a block, inserted on a red layer",
         [](auto& b) {
             b.Layer("RED", 1);
             b.Block("B", 0, 0, {{"LINE", Across("0")}});
             b.Entity("INSERT", Concat({{G(8, "RED"), G(2, "B")}, At3(10, 0, 0, 0)}));
         },
         kWhite, 0xFF0000},
        {"a block's own layer kept in an insert on another",
         [](auto& b) {
             b.Layer("RED", 1);
             b.Layer("CYAN", 4);
             b.Block("B", 0, 0, {{"LINE", Across("CYAN")}});
             b.Entity("INSERT", Concat({{G(8, "RED"), G(2, "B")}, At3(10, 0, 0, 0)}));
         },
         kWhite, 0x00FFFF},
    };
    for (const auto& row : rows) {
        DxfDrawingBuilder builder;
        row.build(builder);
        EXPECT_EQ(MiddleColour(builder.Build(), row.background), row.rgb) << row.name;
    }
}

// What is not in model space's view is left out: the picture is that of the rest alone.
TEST(RenderRulesTest, PaperSpaceFrozenOffAndInvisibleEntitiesAreLeftOut) {
    const auto drawing = [](const DxfItems& hidden, bool withLayers) {
        DxfDrawingBuilder builder;
        if (withLayers) {
            builder.Layer("FROZEN", 2, 1).Layer("OFF", -3);
        }
        builder.Entity("LINE", Concat({{G(8, "0")}, At3(10, 0, 0, 0), At3(11, 40, 30, 0)}));
        if (!hidden.empty()) {
            builder.Entity("CIRCLE", hidden);
        }
        return builder.Build();
    };
    const DxfItems far = Concat({At3(10, 500, 500, 0), {G(40, 50.0)}});
    const DrawnPicture reference = DrawDxf(drawing({}, true), kSide, kWhite);
    ASSERT_TRUE(reference.drawn);
    const struct {
        const char* name;
        DxfItems circle;
    } rows[] = {
        {"paper space", Concat({{G(8, "0"), G(67, 1)}, far})},
        {"a frozen layer", Concat({{G(8, "FROZEN")}, far})},
        {"a layer that is off", Concat({{G(8, "OFF")}, far})},
        {"invisible", Concat({{G(8, "0"), G(60, 1)}, far})},
    };
    for (const auto& row : rows) {
        const DrawnPicture drawn = DrawDxf(drawing(row.circle, true), kSide, kWhite);
        EXPECT_EQ(drawn.pixels.rgb, reference.pixels.rgb) << row.name;
        EXPECT_EQ(drawn.pixels.width, reference.pixels.width) << row.name;
    }
    // The same circle in model space does change the picture.
    const DrawnPicture shown = DrawDxf(drawing(Concat({{G(8, "0")}, far}), true), kSide, kWhite);
    EXPECT_NE(shown.pixels.rgb, reference.pixels.rgb);
}

// Binary DXF, with group codes of one byte or two, gives the pixels text DXF gives.
TEST(RenderRulesTest, BinaryDxfGivesTheSamePixelsAsTextDxf) {
    DxfDrawingBuilder builder;
    builder.Layer("RED", 1)
        .Block("B", 0, 0,
               {{"ARC",
                 Concat({{G(8, "0")}, At3(10, 0, 0, 0), {G(40, 10.0), G(50, 10.0), G(51, 250.0)}})},
                {"LWPOLYLINE", Concat({{G(8, "0"), G(90, 3), G(70, 1)},
                                       At(10, 0, 0),
                                       {G(42, 0.7)},
                                       At(10, 30, 0),
                                       At(10, 30, 20)})}})
        .Entity(
            "INSERT",
            Concat(
                {{G(8, "RED"), G(2, "B")}, At3(10, 20, 10, 0), {G(50, 33.0)}, At3(210, 0, 0, -1)}))
        .Entity(
            "SOLID",
            Concat({{G(8, "0"), G(62, 3)}, At3(10, 0, 0, 0), At3(11, 20, 0, 0), At3(12, 0, 15, 0)}))
        .Entity("ELLIPSE", Concat({{G(8, "0"), G(420, 0x336699)},
                                   At3(10, 10, 40, 0),
                                   At3(11, 15, 5, 0),
                                   {G(40, 0.3), G(41, 1.0), G(42, 5.0)}}));
    const DrawnPicture text = DrawDxf(builder.Build(DxfForm::kText), 96, kBlack);
    ASSERT_TRUE(text.drawn);
    for (const DxfForm form : {DxfForm::kBinary8, DxfForm::kBinary16}) {
        const DrawnPicture binary = DrawDxf(builder.Build(form), 96, kBlack);
        ASSERT_TRUE(binary.drawn);
        EXPECT_EQ(binary.pixels.width, text.pixels.width);
        EXPECT_EQ(binary.pixels.rgb, text.pixels.rgb);
        EXPECT_EQ(binary.counts.drawn, text.counts.drawn);
    }
    EXPECT_EQ(text.counts.drawn, 5u);  // the insert, what its block holds, and two more
}

// A whole stored preview stays the picture (its bytes the drawing's own) unless drawing is
// asked for always; a damaged one, or none, is drawn when asked; a DWG is never drawn.
TEST(RenderRulesTest, TheChoiceSaysWhenADrawingIsDrawn) {
    const Bytes stored = MakeInfoDib({});
    const Bytes whole = BuildDxf({.preview = stored, .lines = 3});
    const Bytes damaged = BuildDxf({.preview = stored, .count = 7, .lines = 3});
    const Bytes none = BuildDxf({.section = false, .lines = 3});
    const Bytes dwg = DwgBuilder().Build();
    const struct {
        const char* name;
        const Bytes& drawing;
        DrawChoice choice;
        LoadOutcome outcome;
        bool drawn;
    } rows[] = {
        {"whole, stored else drawn", whole, DrawChoice::kStoredElseDrawn, LoadOutcome::kPreview,
         false},
        {"whole, always drawn", whole, DrawChoice::kAlwaysDrawn, LoadOutcome::kPreview, true},
        {"damaged, stored only", damaged, DrawChoice::kStoredOnly, LoadOutcome::kDamagedPreview,
         false},
        {"damaged, stored else drawn", damaged, DrawChoice::kStoredElseDrawn, LoadOutcome::kPreview,
         true},
        {"none, stored only", none, DrawChoice::kStoredOnly, LoadOutcome::kNoPreview, false},
        {"none, stored else drawn", none, DrawChoice::kStoredElseDrawn, LoadOutcome::kPreview,
         true},
        {"a DWG drawing, always drawn", dwg, DrawChoice::kAlwaysDrawn, LoadOutcome::kNoPreview,
         false},
    };
    for (const auto& row : rows) {
        CDwgThumbnail thumbnail(kBlack);
        thumbnail.m_drawChoice = row.choice;
        thumbnail.Load(
            "drawing",
            [&row](std::uint64_t offset, std::uint8_t* buffer, std::size_t count, int&) {
                std::copy_n(row.drawing.begin() + static_cast<std::ptrdiff_t>(offset), count,
                            buffer);
                return static_cast<std::int64_t>(count);
            },
            row.drawing.size());
        EXPECT_EQ(thumbnail.m_outcome, row.outcome) << row.name;
        EXPECT_EQ(thumbnail.Drawn(), row.drawn) << row.name;
        if (row.outcome == LoadOutcome::kPreview && !row.drawn) {
            EXPECT_EQ(*thumbnail.m_dib, stored) << row.name;  // byte for byte
        }
        if (row.drawn) {
            EXPECT_EQ(DibGetBitCount(*thumbnail.m_dib), 24) << row.name;
            EXPECT_EQ(thumbnail.m_storedOutcome, &row.drawing == &damaged
                                                     ? LoadOutcome::kDamagedPreview
                                                 : &row.drawing == &whole ? LoadOutcome::kPreview
                                                                          : LoadOutcome::kNoPreview)
                << row.name;
        }
    }
}

}  // namespace

namespace {

// Text lands where its placement puts it: the ink's box inside the box its height, place,
// rotation and alignment give, reaching that box's near edges, and that box's far edges
// where the text's width gives them.
TEST(RenderRulesTest, TextIsPlacedRotatedAndAlignedAsItSays) {
    constexpr std::uint32_t kTextSide = 200;
    constexpr double kHeight = 10;
    // Two dots fix the frame: the world from -50 to 150 both ways.
    const std::vector<Curve> frame = {{{-50, -50}}, {{150, 150}}};
    const Placement at = PlacementOf(frame, kTextSide);
    struct WorldBox {
        double minX, minY, maxX, maxY;
    };
    const struct {
        const char* name;
        std::string type;
        DxfItems groups;
        WorldBox box;     // where all ink must lie
        WorldPoint near;  // a corner the ink comes within a pixel and a half of
    } rows[] = {
        {"TEXT at its start",
         "TEXT",
         Concat({At3(10, 10, 20, 0), {G(40, kHeight), G(1, "EEE")}}),
         {10, 20, 10 + 3 * kHeight, 20 + kHeight},
         {10 + 0.2 * kHeight, 20}},
        {"TEXT turned a quarter",
         "TEXT",
         Concat({At3(10, 50, 50, 0), {G(40, kHeight), G(50, 90.0), G(1, "EEE")}}),
         {50 - kHeight, 50, 50, 50 + 3 * kHeight},
         {50, 50 + 0.2 * kHeight}},
        {"TEXT right-aligned on its second point",
         "TEXT",
         Concat({At3(10, 0, 0, 0), At3(11, 100, 0, 0), {G(40, kHeight), G(72, 2), G(1, "EEE")}}),
         {100 - 3 * kHeight, 0, 100, kHeight},
         {100 - 0.2 * kHeight, 0}},
        {"TEXT twice as wide",
         "TEXT",
         Concat({At3(10, 0, 0, 0), {G(40, kHeight), G(41, 2.0), G(1, "EEE")}}),
         {0, 0, 6 * kHeight, kHeight},
         {6 * kHeight * 0.8, kHeight}},
        {"MTEXT of two lines from its top left corner",
         "MTEXT",
         Concat({At3(10, 0, 100, 0), {G(40, kHeight), G(71, 1), G(1, "{\\H1.0;E}E\\PEE")}}),
         {0, 100 - 3 * kHeight, 3 * kHeight, 100},
         {0.2 * kHeight, 100}},
    };
    for (const auto& row : rows) {
        DxfDrawingBuilder builder;
        builder.Entity("POINT", Concat({{G(8, "0")}, At3(10, -50, -50, 0)}))
            .Entity("POINT", Concat({{G(8, "0")}, At3(10, 150, 150, 0)}))
            .Entity(row.type, Concat({{G(8, "0")}, row.groups}));
        const DrawnPicture drawn = DrawDxf(builder.Build(), kTextSide, kWhite);
        ASSERT_TRUE(drawn.drawn) << row.name;
        const Pixels& pixels = drawn.pixels;
        double nearest = HUGE_VAL;
        int outside = 0;
        int ink = 0;
        for (std::uint32_t y = 0; y < pixels.height; ++y) {
            for (std::uint32_t x = 0; x < pixels.width; ++x) {
                const double cx = x + 0.5;
                const double cy = y + 0.5;
                const bool corner = std::hypot(cx - at.X(-50), cy - at.Y(-50)) < 3 ||
                                    std::hypot(cx - at.X(150), cy - at.Y(150)) < 3;
                if (corner || !Inked(pixels.At(x, y), 0xFFFFFF)) {
                    continue;
                }
                ++ink;
                const bool inside = cx >= at.X(row.box.minX) - kNearestPixels &&
                                    cx <= at.X(row.box.maxX) + kNearestPixels &&
                                    cy >= at.Y(row.box.maxY) - kNearestPixels &&
                                    cy <= at.Y(row.box.minY) + kNearestPixels;
                outside += inside ? 0 : 1;
                nearest =
                    std::min(nearest, std::hypot(cx - at.X(row.near.x), cy - at.Y(row.near.y)));
            }
        }
        EXPECT_GT(ink, 20) << row.name;
        EXPECT_EQ(outside, 0) << row.name;
        EXPECT_LE(nearest, 0.2 * kHeight * at.scale + kNearestPixels) << row.name;
    }
}

}  // namespace
