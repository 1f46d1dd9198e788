// The tool in scripts: help, version, option errors, warnings and literal name lists.
#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/run_tool.h"
#include "tests/test_helpers.h"

namespace {

const std::string kHint = "Try 'pictavex --help' for more information.\n";

class ScriptTest : public ToolTest {
protected:
    using ToolTest::Put;
    void Put(const std::string& name) { Put(name, DwgBuilder().Entry(2, MakeInfoDib({})).Build()); }
};

TEST_F(ScriptTest, HelpVersionAndOptionErrors) {
    Put("-old.dwg");
    const std::string help = Run({"--help"}).out;
    EXPECT_TRUE(help.starts_with("\n\nUsage: Pictavex [options] dwgfile")) << help;
    EXPECT_TRUE(help.ends_with("in place of the progress text\n")) << help;
    const struct {
        std::vector<std::string> arguments;
        std::string out, err;
        int status;
    } cases[] = {
        {{"-h"}, help, "", 0},
        {{"a.dwg", "--help"}, help, "", 0},  // help alone, nothing else done
        {{"--version"}, "pictavex 1.0.0\n", "", 0},
        {{"-V"}, "pictavex 1.0.0\n", "", 0},
        {{"-x", "a.dwg"}, "", "pictavex: unknown option '-x'\n" + kHint, 1},
        {{"--frobnicate"}, "", "pictavex: unknown option '--frobnicate'\n" + kHint, 1},
        {{"-q", "--", "-old.dwg"}, "", "", 0},
        {{"-q", "-n", "-j", "256", "-s", "65535", "--", "-old.dwg"}, "", "", 0},  // the maxima
        {{"-j", "x", "a.dwg"},
         "",
         "pictavex: -j: 'x' is not a number of workers (0 to 256)\n" + kHint,
         1},
        {{"/J", "257", "a.dwg"},
         "",
         "pictavex: /J: '257' is not a number of workers (0 to 256)\n" + kHint,
         1},
        {{"-j"}, "", "pictavex: -j: a value must follow\n" + kHint, 1},
        {{"-q", "--", "-x", "--help"},
         "",
         Error("-x", "No such file or directory") + Error("--help", "No such file or directory"),
         2},
    };
    for (const auto& c : cases) {
        const ToolRun run = Run(c.arguments);
        EXPECT_EQ(run.out, c.out) << c.arguments[0];
        EXPECT_EQ(run.err, c.err) << c.arguments[0];
        EXPECT_EQ(run.status, c.status) << c.arguments[0];
    }
    EXPECT_TRUE(Exists("-old.bmp"));
    EXPECT_FALSE(Exists("a.bmp"));
}

TEST_F(ScriptTest, OptionsAfterTheLastDrawingAreNamedInAWarning) {
    Put("a.dwg");
    const ToolRun run = Run({"-q", "a.dwg", "-o", "thumbs", "/W"});
    EXPECT_EQ(
        run.err,
        "pictavex: warning: options after the last drawing apply to no drawing: -o thumbs /W\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Exists("a.bmp"));
    EXPECT_EQ(Run({"-q", "-w", "-o", "other", "a.dwg"}).err, "");
}

TEST_F(ScriptTest, NamesFromAListAreTakenLiterally) {
    for (const char* name : {"a*.dwg", "ab.dwg", "new\nline.dwg", "plan?.dwg"}) {
        Put(name);
    }
    WriteFile(m_dir / "lines", Bytes{'a', '*', '.', 'd', 'w', 'g', '\n', '\n', 'p', 'l', 'a', 'n',
                                     '?', '.', 'd', 'w', 'g'});
    const ToolRun fromFile = Run({"-o", "one", "--files-from", "lines"});
    EXPECT_EQ(fromFile.out,
              Line("a*.dwg", "one/a*.bmp") + Line("plan?.dwg", "one/plan?.bmp") + Summary(2));
    EXPECT_FALSE(Exists("one/ab.bmp"));  // `a*` was not expanded

    const std::string nul("new\nline.dwg\0a*.dwg\0", 20);
    WriteFile(m_dir / "nul", Bytes(nul.begin(), nul.end()));
    const ToolRun fromStdin =
        Run({"-q", "-o", "two", "--files-from", "-"}, {.stdinPath = m_dir / "nul"});
    EXPECT_EQ(fromStdin.err, "");
    EXPECT_TRUE(Exists("two/new\nline.bmp"));
    EXPECT_TRUE(Exists("two/a*.bmp"));
    EXPECT_FALSE(Exists("two/ab.bmp"));

    const ToolRun missing = Run({"-q", "--files-from", "no-list"});
    EXPECT_EQ(missing.err, Error("no-list", "No such file or directory"));
    EXPECT_EQ(missing.status, 2);
}

}  // namespace
