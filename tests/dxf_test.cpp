// DXF drawings: the THUMBNAILIMAGE section of text and binary DXF gives the very BMP that a DWG
// drawing with the same bitmap gives; broken sections are told apart from missing ones.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include "tests/dxf_builder.h"
#include "tests/test_helpers.h"
#include "tests/tool_test.h"

namespace {

// Asymmetric, with a dark background entry: recolouring and row order both show.
Bytes Preview() {
    Bytes dib = DarkPaletteDib({.width = 13, .height = 5});
    SetQuad(dib, 7, 200, 10, 90);
    for (std::size_t i = dib.size() - 5 * 16; i < dib.size(); ++i) {
        dib[i] = static_cast<std::uint8_t>(i * 7 % 9);
    }
    return dib;
}

class DxfTest : public ToolTest {
protected:
    // The status of each drawing in `--json` order.
    std::vector<std::string> Statuses(const std::vector<std::string>& names) {
        std::vector<std::string> arguments = {"--json", "-n"};
        arguments.insert(arguments.end(), names.begin(), names.end());
        const std::string out = Run(arguments).out;
        std::vector<std::string> statuses;
        for (std::size_t at = 0; (at = out.find("\"status\":\"", at)) != std::string::npos;) {
            at += 10;
            statuses.push_back(out.substr(at, out.find('"', at) - at));
        }
        return statuses;
    }
};

TEST_F(DxfTest, WholeSectionsGiveTheBitmapADwgDrawingGives) {
    Put("reference.dwg", DwgBuilder().Entry(2, Preview()).Build());
    ASSERT_EQ(Run({"-q", "-o", "expected", "reference.dwg"}).status, 0);
    const Bytes expected = ReadFile(m_dir / "expected/reference.bmp");
    constexpr std::size_t kLarge = 3 << 19;  // past the end that is searched first
    const struct {
        const char* name;
        DxfSpec spec;
    } rows[] = {
        {"lf.dxf", {.preview = Preview()}},
        {"crlf.dxf", {.lineEnd = "\r\n", .preview = Preview(), .chunk = 64}},
        {"cr.dxf", {.lineEnd = "\r", .preview = Preview()}},
        {"middle.dxf",
         {.lineEnd = "\r\n", .preview = Preview(), .atEnd = false, .entityBytes = kLarge}},
        {"far.dxf", {.preview = Preview(), .entityBytes = kLarge}},
        {"b8.dxf", {.form = DxfForm::kBinary8, .version = "AC1009", .preview = Preview()}},
        {"b16.dxf", {.form = DxfForm::kBinary16, .preview = Preview(), .chunk = 255}},
        {"b16middle.dxf",
         {.form = DxfForm::kBinary16, .preview = Preview(), .atEnd = false, .entityBytes = kLarge}},
        {"b8middle.dxf", {.form = DxfForm::kBinary8, .preview = Preview(), .atEnd = false}},
    };
    for (const auto& row : rows) {
        Put(row.name, BuildDxf(row.spec));
    }
    const ToolRun run = Run({"-q", "-o", "out", "*.dxf"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const auto& row : rows) {
        const std::string bmp = "out/" + std::filesystem::path(row.name).stem().string() + ".bmp";
        EXPECT_EQ(ReadFile(m_dir / bmp), expected) << row.name;
    }
}

TEST_F(DxfTest, BrokenSectionsAreDamagedAndMissingOnesGiveNoPreview) {
    const Bytes preview = Preview();
    const std::size_t size = preview.size();
    Bytes cut = preview;
    cut.resize(size - 13);   // a bitmap that is not whole, counted as it is
    std::string hex = "28";  // the first byte of the header, then
    const struct {
        const char* name;
        DxfSpec spec;
        const char* status;
    } rows[] = {
        {"none.dxf", {.section = false}, "no preview"},
        {"empty.dxf", {.count = -1}, "no preview"},
        {"zero.dxf", {.count = 0}, "no preview"},
        {"short.dxf", {.preview = preview, .count = size + 1}, "damaged preview"},
        {"long.dxf", {.preview = preview, .count = size - 1}, "damaged preview"},
        {"nocount.dxf", {.preview = preview, .count = -1}, "damaged preview"},
        {"odd.dxf", {.preview = preview, .firstChunk = hex + "0"}, "damaged preview"},
        {"nonhex.dxf", {.preview = preview, .chunk = 1, .firstChunk = "2G"}, "damaged preview"},
        {"huge.dxf", {.preview = preview, .count = 1 << 30}, "damaged preview"},
        {"cut.dxf", {.preview = preview, .cutTo = 200}, "damaged preview"},
        // One 310 line of 2 x 3624 digits: longer than any writer makes.
        {"longline.dxf",
         {.preview = DarkPaletteDib({.width = 64, .height = 40}), .chunk = 4000},
         "damaged preview"},
        {"notwhole.dxf", {.preview = cut}, "damaged preview"},
        {"b16cut.dxf",
         {.form = DxfForm::kBinary16, .preview = preview, .cutTo = 300},
         "damaged preview"},
        {"b8short.dxf",
         {.form = DxfForm::kBinary8, .preview = preview, .count = size + 1},
         "damaged preview"},
        {"b16negative.dxf",
         {.form = DxfForm::kBinary16, .preview = preview, .count = 0xFFFFFFFF},
         "damaged preview"},
        {"b8none.dxf", {.form = DxfForm::kBinary8, .section = false}, "no preview"},
    };
    std::vector<std::string> names;
    std::vector<std::string> expected;
    for (const auto& row : rows) {
        Put(row.name, BuildDxf(row.spec));
        names.push_back(row.name);
        expected.push_back(row.status);
    }
    EXPECT_EQ(Statuses(names), expected);
}

// A DXF of 10 GiB that holds 4 KiB (a sparse file) is searched within bounds: text DXF up to
// its first zero byte, binary DXF up to the bytes a search may read, which the run then names.
// Each run gets ten seconds of processor time, far more than it needs and far less than the
// read of 10 GiB of holes takes.
TEST_F(DxfTest, HugeSparseDrawingsAreSearchedWithinBounds) {
    constexpr off_t kLength = 10ll << 30;
    const struct {
        const char* name;
        DxfForm form;
        int status;
        std::string err;
    } rows[] = {
        {"text.dxf", DxfForm::kText, 0, ""},
        {"binary.dxf", DxfForm::kBinary16, 2,
         Error("binary.dxf", "no preview found within the bytes a search may read")},
    };
    for (const auto& row : rows) {
        Put(row.name, BuildDxf({.form = row.form, .section = false}));
        if (::truncate((m_dir / row.name).c_str(), kLength) != 0) {
            GTEST_SKIP() << "this file system holds no sparse file of 10 GiB";
        }
        const ToolRun run = Run({"-q", row.name}, {.limits = {{RLIMIT_CPU, 10}}});
        EXPECT_EQ(run.signal, 0) << row.name << " ran out of processor time";
        EXPECT_EQ(run.status, row.status) << row.name;
        EXPECT_EQ(run.err, row.err) << row.name;
        EXPECT_FALSE(Exists(std::filesystem::path(row.name).stem().string() + ".bmp"));
    }
}

// Some writers put the hexadecimal digits of group 310 in lowercase: the stored preview is
// the same, in the tool and in the thumbnailer, and it is the stored one.
TEST_F(DxfTest, LowercaseDigitsGiveTheSamePreview) {
    Put("reference.dwg", DwgBuilder().Entry(2, Preview()).Build());
    Put("lower.dxf", BuildDxf({.preview = Preview(), .lowercase = true}));
    ASSERT_EQ(Run({"-q", "-o", "out", "reference.dwg", "lower.dxf"}).status, 0);
    EXPECT_EQ(ReadFile(m_dir / "out/lower.bmp"), ReadFile(m_dir / "out/reference.bmp"));
    const std::string json = Run({"--json", "-n", "lower.dxf"}).out;
    EXPECT_NE(json.find(R"("preview":{"kind":"bitmap","width":13,"height":5,"bit_depth":8})"),
              std::string::npos)
        << json;
    ASSERT_EQ(RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"lower.dxf", "lower.png"}).status, 0);
    ASSERT_EQ(RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"reference.dwg", "ref.png"}).status,
              0);
    EXPECT_EQ(ReadFile(m_dir / "lower.png"), ReadFile(m_dir / "ref.png"));
}

// `--json` names the format, and a DXF's version is its $ACADVER.
TEST_F(DxfTest, JsonTellsTheFormatAndVersion) {
    Put("plan.dxf",
        BuildDxf({.form = DxfForm::kBinary8, .version = "AC1009", .preview = Preview()}));
    Put("site.dwg", DwgBuilder().Version("AC1009").Entry(2, Preview()).Build());
    const auto tail = [](const std::string& output) {
        return R"(,"preview":{"kind":"bitmap","width":13,"height":5,"bit_depth":8},"output":")" +
               output + R"(","status":"dry run","error":null})" + "\n";
    };
    EXPECT_EQ(Run({"--json", "-n", "plan.dxf", "site.dwg"}).out,
              R"({"path":"plan.dxf","format":"dxf","version":"AC1009","release":"R11/12",)"
              R"("header":"","images":[])" +
                  tail("plan.bmp") +
                  R"({"path":"site.dwg","format":"dwg","version":"AC1009","release":"R11/12",)"
                  R"("header":"","images":[{"kind":"bitmap","code":2,"offset":94,"size":)" +
                  std::to_string(Preview().size()) + "}]" + tail("site.bmp"));
}

}  // namespace
