// An output never takes the place of a drawing: not of the one it is made from, whatever its
// name, and not of any other file that begins as a DWG or DXF drawing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

#include "platform/output_file.h"
#include "tests/run_tool.h"
#include "tests/tool_test.h"
#include "thumbnail/drawing_start.h"

namespace {

Bytes Drawing(std::int32_t width = 6) {
    return DwgBuilder().Entry(2, DarkPaletteDib({.width = width, .height = 3})).Build();
}

Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

const std::string kRefused = "a drawing, never replaced by a picture";

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_ino;
}

class DrawingGuardTest : public ToolTest {};

TEST_F(DrawingGuardTest, ADrawingNamedLikeItsOutputIsNeverReplaced) {
    Put("x.bmp", Drawing());
    Put("y.png", Drawing());
    const Bytes x = ReadFile(m_dir / "x.bmp");
    const ToolRun bmp = Run({"x.bmp"});
    EXPECT_EQ(bmp.status, 2);
    EXPECT_EQ(bmp.out, Started("x.bmp", "x.bmp") + Summary(0, 0, 0, 1));
    EXPECT_EQ(bmp.err, Error("x.bmp", kRefused));
    const ToolRun png = Run({"-q", "-f", "png", "y.png"});
    EXPECT_EQ(png.status, 2);
    EXPECT_EQ(png.err, Error("y.png", kRefused));
    EXPECT_EQ(ReadFile(m_dir / "x.bmp"), x);
    EXPECT_EQ(ReadFile(m_dir / "y.png"), x);
    EXPECT_EQ(HiddenFiles(m_dir.Path()), std::vector<std::string>{});
}

// c.dwg's output is the drawing c.bmp; other files under an output's name are replaced as ever.
TEST_F(DrawingGuardTest, NoFileThatBeginsAsADrawingIsReplaced) {
    const struct {
        std::string what;
        Bytes existing;
        bool kept;
    } cases[] = {
        {"DWG", Drawing(3), true},
        {"DWG without a preview", DwgBuilder().Build(), true},
        {"text DXF", Text("  0\nSECTION\n  2\nHEADER\n"), true},
        {"text DXF, CRLF", Text("0\r\nSECTION\r\n"), true},
        {"DXF with a comment first", Text("999\r\nmade by hand\r\n  0\r\nSECTION\r\n"), true},
        {"binary DXF", Text("AutoCAD Binary DXF\r\n\x1a"), true},
        {"text DXF after blank lines", Text(std::string(40000, '\n') + "  0\nSECTION\n"), true},
        {"text DXF after blanks of every kind", Text(" \t\r\n\r\n  0\r\nSECTION\r\n"), true},
        {"blank lines past what tells a drawing",
         Text(std::string(kDrawingStartBytes, '\n') + "  0\nSECTION\n"), false},
        {"notes that start with AC", Text("ACME notes"), false},
        {"a version with a letter", Text("AC1015X"), false},
        {"not a section", Text("  0\nSECTIONS?"), true},
        {"group 0 of something else", Text("  0\nEOF\n"), false},
        {"an old bitmap", Text("BM old"), false},
        {"empty", {}, false},
    };
    for (const auto& c : cases) {
        // What the reader makes of the file is what the guard makes of it.
        Put("probe.dxf", c.existing);
        const ToolRun read = Run({"--json", "-n", "probe.dxf"});
        EXPECT_EQ(read.err.find("not a DWG or DXF drawing") == std::string::npos, c.kept)
            << c.what << read.err;
        Put("c.dwg", Drawing());
        Put("c.bmp", c.existing);
        const ToolRun run = Run({"-q", "c.dwg"});
        EXPECT_EQ(run.status, c.kept ? 2 : 0) << c.what;
        EXPECT_EQ(run.err, c.kept ? Error("c.bmp", kRefused) : "") << c.what;
        const Bytes now = ReadFile(m_dir / "c.bmp");
        EXPECT_EQ(now == c.existing, c.kept) << c.what;
        EXPECT_EQ(now.size() > 1 && now[0] == 'B' && now[1] == 'M', !c.kept) << c.what;
    }
}

// A file the guard cannot read could be a drawing: it is never replaced, by the tool or the
// thumbnailer, and the reason says why.
TEST_F(DrawingGuardTest, AFileThatCannotBeReadIsNeverReplaced) {
    if (!CanRunAsOrdinaryUser()) {
        GTEST_SKIP() << "needs to run as an ordinary user";
    }
    ::chmod(m_dir.Path().c_str(), 0777);
    Put("c.dwg", Drawing());
    for (const char* name : {"c.bmp", "t.png"}) {
        Put(name, DwgBuilder().Build());
        ASSERT_EQ(::chown((m_dir / name).c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chmod((m_dir / name).c_str(), 0200), 0);  // write-only
    }
    const Bytes kept = ReadFile(m_dir / "c.bmp");
    const ToolRun run = Run({"-q", "c.dwg"}, {.asOrdinaryUser = true});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, Error("c.bmp", "cannot be read, so never replaced"));
    EXPECT_EQ(ReadFile(m_dir / "c.bmp"), kept);
    const ToolRun thumbnail = RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(),
                                         {"-s", "64", "c.dwg", "t.png"}, {.asOrdinaryUser = true});
    EXPECT_EQ(thumbnail.status, 2);
    EXPECT_EQ(ReadFile(m_dir / "t.png"), kept);
    EXPECT_EQ(HiddenFiles(m_dir.Path()), std::vector<std::string>{});
}

TEST_F(DrawingGuardTest, TwoDrawingsNamedLikeEachOthersOutputsAreBothKept) {
    Put("c.dwg", Drawing(4));
    Put("c.bmp", Drawing(5));
    const Bytes c = ReadFile(m_dir / "c.bmp");
    const ToolRun run = Run({"c.dwg", "c.bmp"});
    EXPECT_EQ(run.out, Started("c.dwg", "c.bmp") + Started("c.bmp", "c.bmp") + Summary(0, 0, 0, 2));
    EXPECT_EQ(run.err, Error("c.bmp", kRefused) + Error("c.bmp", kRefused));
    EXPECT_EQ(ReadFile(m_dir / "c.bmp"), c);
}

// What the content cannot tell, the file's identity does: the very file being read is never
// replaced, under any of its names.
TEST_F(DrawingGuardTest, TheFileBeingReadIsKnownByItsIdentity) {
    Put("source", {'s'});
    ASSERT_EQ(::link((m_dir / "source").c_str(), (m_dir / "other name").c_str()), 0);
    Put("unrelated", {'u'});
    for (const std::string name : {"source", "other name", "unrelated"}) {
        COutputFile file;
        file.CreateForWriting(m_dir / name, {m_dir / "source", nullptr});
        file.Write("new", 3);
        if (name == "unrelated") {
            EXPECT_EQ(file.Close(), COutputFile::Outcome::kReplaced);
            continue;
        }
        try {
            file.Close();
            ADD_FAILURE() << name << " was replaced";
        } catch (const CFileException& error) {
            EXPECT_EQ(error.Cause(), kDrawingCause) << name;
        }
    }
    EXPECT_EQ(ReadFile(m_dir / "source"), Bytes{'s'});
    EXPECT_EQ(ReadFile(m_dir / "unrelated"), Text("new"));
}

class ThumbnailerGuardTest : public ToolTest {
protected:
    ToolRun Thumbnail(const std::string& output) {
        return RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"-s", "64", "a.dwg", output});
    }
};

TEST_F(ThumbnailerGuardTest, TheDrawingIsNeverItsOwnOutput) {
    Put("a.dwg", Drawing());
    Put("b.dwg", Drawing(9));
    Put("c.png", Text(std::string(3000, '\n') + "  0\nSECTION\n  2\nHEADER\n"));
    const Bytes c = ReadFile(m_dir / "c.png");
    const ToolRun dxf = Thumbnail("c.png");
    EXPECT_EQ(dxf.status, 2);
    EXPECT_EQ(dxf.err, "pictavex-thumbnailer: c.png: " + kRefused + "\n");
    EXPECT_EQ(ReadFile(m_dir / "c.png"), c);
    const Bytes a = ReadFile(m_dir / "a.dwg");
    const Bytes b = ReadFile(m_dir / "b.dwg");
    ASSERT_EQ(::link((m_dir / "a.dwg").c_str(), (m_dir / "link").c_str()), 0);
    for (const std::string output : {"a.dwg", "link", "b.dwg"}) {
        const ToolRun run = Thumbnail(output);
        EXPECT_EQ(run.status, 2) << output;
        EXPECT_EQ(run.err, "pictavex-thumbnailer: " + output + ": " + kRefused + "\n");
    }
    EXPECT_EQ(ReadFile(m_dir / "a.dwg"), a);
    EXPECT_EQ(ReadFile(m_dir / "b.dwg"), b);
}

// A file with other names is not written through: OUTPUT gets a new file, and the other names
// keep the old one. A file with one name is written in place, as tumbler wants.
TEST_F(ThumbnailerGuardTest, AnOutputWithOtherLinksGetsANewFile) {
    Put("a.dwg", Drawing());
    ASSERT_EQ(Run({"-q", "-w", "-f", "png", "-s", "64", "a.dwg"}).status, 0);
    const Bytes picture = ReadFile(m_dir / "a.png");
    Put("t.png", Text("old"));
    ASSERT_EQ(::link((m_dir / "t.png").c_str(), (m_dir / "other").c_str()), 0);
    const ino_t shared = InodeOf(m_dir / "t.png");
    ASSERT_EQ(Thumbnail("t.png").status, 0);
    EXPECT_EQ(ReadFile(m_dir / "t.png"), picture);
    EXPECT_EQ(ReadFile(m_dir / "other"), Text("old"));
    EXPECT_NE(InodeOf(m_dir / "t.png"), shared);
    EXPECT_EQ(InodeOf(m_dir / "other"), shared);
    Put("single.png", Text("old"));
    const ino_t single = InodeOf(m_dir / "single.png");
    ASSERT_EQ(Thumbnail("single.png").status, 0);
    EXPECT_EQ(ReadFile(m_dir / "single.png"), picture);
    EXPECT_EQ(InodeOf(m_dir / "single.png"), single);
}

TEST(DrawingStartTest, DwgVersionsAreAcAndARelease) {
    for (const std::string_view version : {"AC1015", "AC1.50", "AC1.2", "AC2.10"}) {
        EXPECT_TRUE(IsDwgVersion(version)) << version;
    }
    for (const std::string_view version :
         {"ZZ1015", "AC", "AC12", "AC10150", "AC10x5", "ac1015", "XAC1015", ""}) {
        EXPECT_FALSE(IsDwgVersion(version)) << version;
    }
}

}  // namespace
