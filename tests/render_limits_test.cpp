// Drawings made to exhaust a renderer end, in the tool, within bounded processor time and
// memory (the child's own resource use): with a picture of what was drawn, or the limit's
// error, never a picture that depends on the machine.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <string>

#include "tests/dxf_drawing_builder.h"
#include "tests/test_helpers.h"
#include "tests/tool_test.h"

namespace {

// Far more than any of them takes here; a sanitizer's checks take several times as long.
constexpr rlim_t kProcessorSeconds = kAddressSanitizer || kThreadSanitizer ? 90 : 20;
constexpr long kMostMemoryKib = 200 * 1024;
const std::string kLimitReason = "drawing it takes more than the limits allow";

// Blocks ten deep, each inserting the next a hundred times: 10^20 lines if all were drawn.
Bytes InsertBomb() {
    DxfDrawingBuilder builder;
    builder.Block("B9", 0, 0,
                  {{"LINE", Concat({{G(8, "0")}, At3(10, 0, 0, 0), At3(11, 1, 1, 0)})}});
    for (int level = 8; level >= 0; --level) {
        std::vector<std::pair<std::string, DxfItems>> inserts;
        const std::string inner = "B" + std::to_string(level + 1);
        for (int i = 0; i < 100; ++i) {
            inserts.push_back(
                {"INSERT", Concat({{G(8, "0"), G(2, inner.c_str())}, At3(10, i, 0, 0)})});
        }
        builder.Block("B" + std::to_string(level), 0, 0, inserts);
    }
    builder.Entity("INSERT", Concat({{G(8, "0"), G(2, "B0")}, At3(10, 0, 0, 0)}));
    return builder.Build();
}

// A block that inserts itself, beside a line of its own: drawn once.
Bytes SelfInsert() {
    DxfDrawingBuilder builder;
    builder.Block("SELF", 0, 0,
                  {{"LINE", Concat({{G(8, "0")}, At3(10, 0, 0, 0), At3(11, 10, 10, 0)})},
                   {"INSERT", Concat({{G(8, "0"), G(2, "SELF")}, At3(10, 5, 0, 0)})}});
    builder.Entity("INSERT", Concat({{G(8, "0"), G(2, "SELF")}, At3(10, 0, 0, 0)}));
    return builder.Build();
}

// A hatch of a million line edges.
Bytes MillionEdgeHatch() {
    DxfItems hatch =
        Concat({{G(8, "0")},
                At3(10, 0, 0, 0),
                {G(2, "SOLID"), G(70, 1), G(71, 0), G(91, 1), G(92, 1), G(93, 1000000)}});
    for (int i = 0; i < 1000000; ++i) {
        hatch.push_back(G(72, 1));
        const DxfItems edge =
            Concat({At(10, i % 1000, i / 1000), At(11, (i + 1) % 1000, i / 1000)});
        hatch.insert(hatch.end(), edge.begin(), edge.end());
    }
    return DxfDrawingBuilder().Entity("HATCH", hatch).Build();
}

// A spline that claims a degree and counts no spline has, and bad numbers beside it.
Bytes AbsurdNumbers() {
    DxfItems spline = {G(8, "0"), G(70, 0), G(71, 1000000), G(72, 2147483647), G(73, 3)};
    for (int i = 0; i < 3; ++i) {
        const DxfItems point = At3(10, i * 10, i % 2 * 10, 0);
        spline.insert(spline.end(), point.begin(), point.end());
    }
    return DxfDrawingBuilder()
        .Entity("SPLINE", spline)
        .Entity("LINE", Concat({{G(8, "0"), G(10, "nan"), G(20, "inf")}, At3(11, 5, 5, 0)}))
        .Entity("CIRCLE", Concat({{G(8, "0")}, At3(10, 1e300, -1e300, 0), {G(40, 1e300)}}))
        .Build();
}

// A block arrayed in two billion rows and columns, and an insert of no block arrayed so.
Bytes HugeArray() {
    const DxfItems array = {G(70, 2000000000), G(71, 2000000000)};
    return DxfDrawingBuilder()
        .Block("ONE", 0, 0, {{"LINE", Concat({{G(8, "0")}, At3(10, 0, 0, 0), At3(11, 5, 5, 0)})}})
        .Entity("INSERT", Concat({{G(8, "0"), G(2, "NONE")}, array, At3(10, 0, 0, 0)}))
        .Entity("INSERT", Concat({{G(8, "0"), G(2, "ONE")}, array, At3(10, 0, 0, 0)}))
        .Build();
}

class RenderLimitsTest : public ToolTest {};

TEST_F(RenderLimitsTest, HostileDrawingsEndInBoundedTimeAndMemory) {
    const struct {
        const char* name;
        Bytes drawing;
        int status;
        std::string err;
    } rows[] = {
        {"bomb.dxf", InsertBomb(), 2, Error("bomb.dxf", kLimitReason)},
        {"self.dxf", SelfInsert(), 0, ""},
        {"hatch.dxf", MillionEdgeHatch(), 2, Error("hatch.dxf", kLimitReason)},
        {"numbers.dxf", AbsurdNumbers(), 0, ""},
        {"array.dxf", HugeArray(), 2, Error("array.dxf", kLimitReason)},
    };
    for (const auto& row : rows) {
        Put(row.name, row.drawing);
        const ToolRun run = Run({"-q", "-n", "-d", "always", row.name},
                                {.limits = {{RLIMIT_CPU, kProcessorSeconds}}});
        EXPECT_EQ(run.signal, 0) << row.name << " ran out of processor time";
        EXPECT_EQ(run.status, row.status) << row.name;
        EXPECT_EQ(run.err, row.err) << row.name;
        if (!kAddressSanitizer && !kThreadSanitizer) {  // their shadow memory counts in the peak
            EXPECT_LT(run.peakMemoryKib, kMostMemoryKib) << row.name;
        }
    }
}

}  // namespace
