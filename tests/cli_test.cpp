#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/dwg_builder.h"
#include "tests/run_tool.h"
#include "tests/temp_dir.h"

namespace {

const std::string kPrompt = "\n------ Press any key for exit -------";
const std::string kUsage =
    "\n\nUsage: Pictavex [options] dwgfile"
    "\nPictavex (c) 2026 the Pictavex authors"
    "\ndwgfile may contain wildcards ('*' and/or '?')."
    "\nOptions: "
    "\n\t/q : Without any messages"
    "\n\t/w : White background color"
    "\n\t/o : Directory for output files";

std::string Progress(const std::string& input, const std::string& output) {
    return "\n" + input + " -> " + output + "  Ok!";
}

// A drawing whose bitmap has a dark entry 0, so both backgrounds recolour it.
Bytes Drawing() {
    Bytes dib = MakeInfoDib({.width = 8, .height = 4});
    SetQuad(dib, 0, 0x30, 0x28, 0x21);
    return DwgBuilder().Entry(1, {'h'}).Entry(2, dib).Build();
}

class CliTest : public testing::Test {
protected:
    ToolRun Run(const std::vector<std::string>& arguments) {
        return RunProgram(PICTAVEX_BINARY, m_dir.Path(), arguments);
    }
    void Put(const std::string& name, const Bytes& bytes) { WriteFile(m_dir / name, bytes); }
    void MakeDir(const std::string& name) { ::mkdir((m_dir / name).c_str(), 0755); }
    bool Exists(const std::string& name) { return ::access((m_dir / name).c_str(), F_OK) == 0; }
    // Blue, green, red of colour-table entry 0 in a written BMP.
    Bytes BackgroundOf(const std::string& name) {
        const Bytes bmp = ReadFile(m_dir / name);
        return Bytes(bmp.begin() + 14 + 40, bmp.begin() + 14 + 40 + 3);
    }

    TempDir m_dir;
};

TEST_F(CliTest, NoArgumentsShowsUsageAndPrompt) {
    const ToolRun run = Run({});
    EXPECT_EQ(run.err, kUsage);
    EXPECT_EQ(run.out, kPrompt);
    EXPECT_EQ(run.status, 0);
}

TEST_F(CliTest, WritesABitmapPerDrawingWithOneLineEach) {
    Put("a.dwg", Drawing());
    Put("b.dwg", DwgBuilder().Entry(1, {'x'}).Build());  // no bitmap
    Put("c.txt", Drawing());
    MakeDir("d.dwg");
    const ToolRun run = Run({"*.dwg"});
    EXPECT_EQ(run.out, Progress("a.dwg", "a.bmp") + Progress("b.dwg", "b.bmp") +
                           Progress("d.dwg", "d.bmp") + kPrompt);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
    const Bytes bmp = ReadFile(m_dir / "a.bmp");
    Bytes dib = MakeInfoDib({.width = 8, .height = 4});
    SetQuad(dib, 225, 0xFF, 0xFF, 0xFF);
    SetQuad(dib, 245, 0xFF, 0xFF, 0xFF);
    SetQuad(dib, 226, 0, 0, 0);
    EXPECT_TRUE(std::equal(dib.begin(), dib.end(), bmp.begin() + 14, bmp.end()));
    EXPECT_FALSE(Exists("b.bmp"));
    EXPECT_FALSE(Exists("c.bmp"));
    EXPECT_FALSE(Exists("d.bmp"));
}

TEST_F(CliTest, OptionsApplyToTheArgumentsAfterThem) {
    Put("a.dwg", Drawing());
    Put("b.dwg", Drawing());
    const ToolRun run = Run({"a.dwg", "-Q", "/W", "b.dwg", "/x"});
    EXPECT_EQ(run.out, Progress("a.dwg", "a.bmp"));
    EXPECT_EQ(BackgroundOf("a.bmp"), (Bytes{0, 0, 0}));
    EXPECT_EQ(BackgroundOf("b.bmp"), (Bytes{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Run({"/q", "a.dwg"}).out, "");
    EXPECT_EQ(Run({"/w"}).out, kPrompt);
}

TEST_F(CliTest, OutputDirectoryIsCreatedAndReplacedInOrder) {
    MakeDir("plans");
    Put("plans/A.DWG", Drawing());
    Put("b.dwg", Drawing());
    const ToolRun run = Run({"/o", "out1", "plans/*", "-o", "out2", "b.dwg", "/o", "", "b.dwg",
                             "/o", "-q", "b.dwg", "/o"});
    EXPECT_EQ(run.out, Progress("plans/A.DWG", "out1/A.bmp") + Progress("b.dwg", "out2/b.bmp") +
                           Progress("b.dwg", "b.bmp") + Progress("b.dwg", "-q/b.bmp") + kPrompt);
    EXPECT_EQ(run.status, 0);
    for (const char* name : {"out1/A.bmp", "out2/b.bmp", "b.bmp", "-q/b.bmp"}) {
        EXPECT_TRUE(Exists(name)) << name;
    }
}

TEST_F(CliTest, UnwritableOutputIsReportedAndTheRunGoesOn) {
    Put("a.dwg", Drawing());
    Put("plain.dwg", DwgBuilder().Build());
    const ToolRun run = Run({"/o", "missing/sub", "a.dwg", "plain.dwg", "/o", ".", "a.dwg"});
    EXPECT_EQ(run.out, "\na.dwg -> missing/sub/a.bmp  " +
                           Progress("plain.dwg", "missing/sub/plain.bmp") +
                           Progress("a.dwg", "./a.bmp") + kPrompt);
    EXPECT_EQ(run.err, "pictavex: missing/sub/a.bmp: No such file or directory\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Exists("a.bmp"));
}

TEST_F(CliTest, ReadErrorsAreReportedInQuietModeToo) {
    Put("bad.dwg", DwgBuilder().RawEntry(2, -1, 10).Build());
    const ToolRun verbose = Run({"bad.dwg"});
    EXPECT_EQ(verbose.out, Progress("bad.dwg", "bad.bmp") + kPrompt);
    EXPECT_EQ(verbose.err, "pictavex: bad.dwg: Invalid argument\n");
    EXPECT_EQ(verbose.status, 0);
    const ToolRun quiet = Run({"-q", "bad.dwg"});
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, verbose.err);
}

TEST_F(CliTest, DrawingNamedLikeItsOutputIsReplacedByItsBitmap) {
    Put("x.bmp", Drawing());
    Put("y.bmp", DwgBuilder().Build());
    const Bytes plain = ReadFile(m_dir / "y.bmp");
    Run({"-q", "x.bmp", "y.bmp"});
    EXPECT_EQ(ReadFile(m_dir / "x.bmp")[0], 'B');
    EXPECT_EQ(ReadFile(m_dir / "y.bmp"), plain);
}

TEST_F(CliTest, NamesWithoutBaseKeepTheirShape) {
    Put(".dwg", Drawing());
    const ToolRun run = Run({".dwg", ".*", "*"});
    EXPECT_EQ(run.out, Progress(".dwg", ".bmp") + Progress(".bmp", ".bmp") +
                           Progress(".dwg", ".bmp") + kPrompt);
}

}  // namespace
