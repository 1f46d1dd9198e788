// The tool in scripts: help, version, option errors, warnings and literal name lists.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "tests/png_builder.h"
#include "tests/run_tool.h"
#include "tests/tool_test.h"

namespace {

const std::string kHint = "Try 'pictavex --help' for more information.\n";

class ScriptTest : public ToolTest {
protected:
    using ToolTest::Put;
    void Put(const std::string& name) { Put(name, DwgBuilder().Entry(2, MakeInfoDib({})).Build()); }
};

// GNU-style help on one screen, naming every long option, and each error in the command line
// found before anything is read or written.
TEST_F(ScriptTest, HelpVersionAndOptionErrors) {
    Put("-old.dwg");
    Put("a.dwg");
    const std::string help = Run({"--help"}).out;
    EXPECT_TRUE(help.starts_with("Usage: pictavex [OPTION]... DRAWING...\n")) << help;
    EXPECT_LE(std::count(help.begin(), help.end(), '\n'), 24);
    for (std::size_t start = 0, end; (end = help.find('\n', start)) != std::string::npos;
         start = end + 1) {
        EXPECT_LE(end - start, 79u) << help.substr(start, end - start);
    }
    for (const char* option : {"--white", "--output=", "--format=", "--size=", "--quiet",
                               "--jobs=", "--dry-run", "--recursive", "--include=", "--json",
                               "--files-from=", "--null", "--draw=", "--help", "--version", "Exit status"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
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
        {{"--white=yes", "a.dwg"}, "", "pictavex: unknown option '--white=yes'\n" + kHint, 1},
        {{"-othumbs", "a.dwg"},
         "",
         "pictavex: unknown option '-othumbs'; did you mean '-o thumbs'?\n" + kHint,
         1},
        {{"a.dwg", "-new.dwg"}, "", "pictavex: unknown option '-new.dwg'\n" + kHint, 1},
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
        {{"--jobs=257", "a.dwg"},
         "",
         "pictavex: --jobs: '257' is not a number of workers (0 to 256)\n" + kHint,
         1},
        {{"a.dwg", "-s"}, "", "pictavex: -s: a value must follow\n" + kHint, 1},
        {{"a.dwg", "-o"}, "", "pictavex: -o: a value must follow\n" + kHint, 1},
        {{"a.dwg", "-f", "gif", "a.dwg"},
         "",
         "pictavex: -f: 'gif' is not a format (bmp or png)\n" + kHint,
         1},
        {{"-q", "--", "-x", "--help"},
         "",
         Error("-x", "No such file or directory") + Error("--help", "No such file or directory"),
         2},
        {{"--output=o1", "--white", "--quiet", "--format=PNG", "--size", "4", "--jobs=2",
          "--dry-run", "--", "-old.dwg"},
         "",
         "",
         0},
        {{"-q", "--output", "o2", "--format", "png", "-old.dwg"}, "", "", 0},
    };
    for (const auto& c : cases) {
        const ToolRun run = Run(c.arguments);
        EXPECT_EQ(run.out, c.out) << c.arguments[0];
        EXPECT_EQ(run.err, c.err) << c.arguments[0];
        EXPECT_EQ(run.status, c.status) << c.arguments[0];
    }
    EXPECT_TRUE(Exists("-old.bmp"));
    EXPECT_FALSE(Exists("a.bmp"));
    EXPECT_FALSE(Exists("o1"));  // a dry run makes no folder
    EXPECT_EQ(ReadFile(m_dir / "o2/-old.png")[1], 'P');
    for (const char* program : {PICTAVEX_BINARY, PICTAVEX_THUMBNAILER}) {
        for (const char* request : {"--help", "--version"}) {
            const ToolRun full =
                RunProgram(program, m_dir.Path(), {request}, {.stdoutPath = "/dev/full"});
            EXPECT_EQ(full.status, 1) << program << request;
            EXPECT_TRUE(full.err.ends_with(": write error: No space left on device\n")) << full.err;
        }
    }
}

// A value-taking option first in a bundle would take the rest as its value, and the options
// in it would be lost: such a bundle is refused, with the spelling meant, and nothing is made.
TEST_F(ScriptTest, AValueOptionFirstInABundleIsRefused) {
    Put("a.dwg");
    for (const std::string bundle : {"-oq", "-sq"}) {
        const ToolRun run = Run({bundle, "a.dwg"});
        EXPECT_EQ(run.err, "pictavex: unknown option '" + bundle + "'; did you mean '" +
                               bundle.substr(0, 2) +
                               " q'?\nTry 'pictavex --help' for more "
                               "information.\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.status, 1);
    }
    EXPECT_EQ(FilesUnder(m_dir.Path()).size(), 1u) << "something was made";
    EXPECT_FALSE(Exists("-q"));
    EXPECT_FALSE(Exists("q"));
}

// The thumbnailer answers --help and --version, and names itself in its messages.
TEST_F(ScriptTest, ThumbnailerSpeaksForItself) {
    Put("a.dwg");
    Put("text.dwg", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    const ToolRun help = RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"--help"});
    EXPECT_TRUE(help.out.starts_with("Usage: pictavex-thumbnailer [-s SIZE] DRAWING OUTPUT\n"));
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"-V"}).out,
              "pictavex-thumbnailer 1.0.0\n");
    const ToolRun text = RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"text.dwg", "t.png"});
    EXPECT_EQ(text.err, "pictavex-thumbnailer: text.dwg: not a DWG or DXF drawing\n");
    EXPECT_EQ(text.status, 2);
    const ToolRun missing = RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"none.dwg", "t.png"});
    EXPECT_EQ(missing.err, "pictavex-thumbnailer: none.dwg: No such file or directory\n");
    // The size attached, as getopt reads "-s256": the same thumbnail as "-s 256".
    ASSERT_EQ(RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"-s2", "a.dwg", "t2.png"}).status, 0);
    ASSERT_EQ(RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"-s", "2", "a.dwg", "t.png"}).status,
              0);
    EXPECT_EQ(ReadFile(m_dir / "t2.png"), ReadFile(m_dir / "t.png"));
    EXPECT_EQ(DecodePng(ReadFile(m_dir / "t.png")).width, 2u);
    EXPECT_EQ(RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"-sx", "a.dwg", "t.png"}).status, 1);
}

// Options may come anywhere, as getopt permutes them; one without its value, or one the
// thumbnailer does not know, is a usage error that writes nothing.
TEST_F(ScriptTest, ThumbnailerOptionsComeAnywhere) {
    Put("a.dwg");
    ASSERT_EQ(RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), {"-s", "3", "a.dwg", "t.png"}).status,
              0);
    const Bytes three = ReadFile(m_dir / "t.png");
    const std::string usage =
        "Usage: pictavex-thumbnailer [-s SIZE] DRAWING OUTPUT\n"
        "Try 'pictavex-thumbnailer --help' for more information.\n";
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string err;
    } rows[] = {
        {{"a.dwg", "-s", "3", "u.png"}, 0, ""},
        {{"a.dwg", "u.png", "-s3"}, 0, ""},
        {{"-s", "3", "--", "a.dwg", "u.png"}, 0, ""},
        {{"a.dwg", "u.png", "-s"}, 1, "pictavex-thumbnailer: -s: a value must follow\n" + usage},
        {{"a.dwg", "-s"}, 1, "pictavex-thumbnailer: -s: a value must follow\n" + usage},
        {{"a.dwg", "-x", "u.png"}, 1, "pictavex-thumbnailer: unknown option '-x'\n" + usage},
        {{"a.dwg", "u.png", "v.png"},
         1,
         "pictavex-thumbnailer: a drawing and an output file are needed\n" + usage},
    };
    for (const auto& row : rows) {
        std::filesystem::remove(m_dir / "u.png");
        const ToolRun run = RunProgram(PICTAVEX_THUMBNAILER, m_dir.Path(), row.arguments);
        EXPECT_EQ(run.status, row.status) << row.arguments.back();
        EXPECT_EQ(run.err, row.err) << row.arguments.back();
        EXPECT_EQ(Exists("u.png"), row.status == 0) << row.arguments.back();
        if (row.status == 0) {
            EXPECT_EQ(ReadFile(m_dir / "u.png"), three);
        }
        EXPECT_FALSE(Exists("-s")) << "an option was taken for the output";
    }
}

// A file that is not a drawing fails; a drawing without a preview does not. Names that
// matched nothing are counted, and so are outputs that were already right.
TEST_F(ScriptTest, TheSummaryCountsEveryOutcome) {
    Put("a.dwg");
    Put("empty.dwg", Bytes{});
    Put("text.dwg", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
    Put("r12.dwg", DwgBuilder().Version("AC1009").Sentinel(Bytes(16, 0)).Build());
    const ToolRun first = Run({"a.dwg", "empty.dwg", "text.dwg", "r12.dwg", "typo.dwg"});
    EXPECT_EQ(first.out, Line("a.dwg", "a.bmp") +
                             Line("empty.dwg", "empty.bmp", "not a DWG or DXF drawing") +
                             Line("text.dwg", "text.bmp", "not a DWG or DXF drawing") +
                             Line("r12.dwg", "r12.bmp", kNoPreview) + Summary(1, 1, 0, 2, 1));
    EXPECT_EQ(first.err, Error("typo.dwg", "No such file or directory"));
    EXPECT_EQ(first.status, 2);
    const ToolRun quiet = Run({"-q", "a.dwg", "text.dwg"});
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, Error("text.dwg", "not a DWG or DXF drawing"));
    EXPECT_EQ(quiet.status, 2);
    EXPECT_TRUE(Run({"a.dwg"}).out.ends_with(Summary(1, 0, 0, 0, 0, 1)));
}

// Options apply to the drawings after them: any after the last drawing is a usage error
// before anything is done, as a Windows path ending in \" that swallowed the next options
// would otherwise write somewhere else. A trailing -q still turns the closing prompt off.
TEST_F(ScriptTest, OptionsAfterTheLastDrawingAreAnError) {
    Put("a.dwg");
    const ToolRun run = Run({"-q", "a.dwg", "-o", "thumbs", "/W"});
    EXPECT_EQ(run.err,
              "pictavex: options after the last drawing apply to none: -o thumbs /W; options "
              "apply to the drawings named after them\nTry 'pictavex --help' for more "
              "information.\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(Exists("a.bmp"));
    EXPECT_FALSE(Exists("thumbs"));
    const ToolRun quietAfter = Run({"a.dwg", "-q"});
    EXPECT_EQ(quietAfter.out, Line("a.dwg", "a.bmp") + "\n");
    EXPECT_EQ(quietAfter.status, 0);
    EXPECT_EQ(Run({"-q", "-w", "-o", "other", "a.dwg"}).err, "");
}

// As getopt reads them: bundled short options, long ones by any prefix only they begin with,
// and a hint for what "-o=t" meant.
TEST_F(ScriptTest, OptionsAreReadAsGnuToolsReadThem) {
    Put("a.dwg");
    const struct {
        std::vector<std::string> arguments;
        std::string out;
        std::string err;
        int status;
    } rows[] = {
        {{"-nq", "a.dwg"}, "", "", 0},
        {{"-wqo", "t", "a.dwg"}, "", "", 0},
        {{"--dry", "--qui", "a.dwg"}, "", "", 0},
        {{"--out=u", "-q", "a.dwg"}, "", "", 0},
        {{"--j", "2", "a.dwg"},
         "",
         "pictavex: option '--j' is ambiguous; possibilities: '--jobs' '--json'\n",
         1},
        {{"-o=t", "a.dwg"}, "", "pictavex: unknown option '-o=t'; did you mean '--output=t'?\n", 1},
        {{"-qh"}, "", "pictavex: unknown option '-qh'\n", 1},
    };
    for (const auto& row : rows) {
        const ToolRun run = Run(row.arguments);
        EXPECT_EQ(run.out, row.out) << row.arguments[0];
        EXPECT_EQ(run.err.substr(0, run.err.find("Try '")), row.err) << row.arguments[0];
        EXPECT_EQ(run.status, row.status) << row.arguments[0];
    }
    EXPECT_FALSE(Exists("a.bmp")) << "-n made it";
    EXPECT_TRUE(Exists("t/a.bmp"));
    const Bytes bmp = ReadFile(m_dir / "t/a.bmp");  // -w: colour-table entry 0 white
    EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.begin() + 57), (Bytes{0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(Exists("u/a.bmp"));
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

// Lists as people make them: CRLF line ends (made on Windows), UTF-16 without a byte-order
// mark (`cmd /u /c dir /b > list`), and with -0 the bytes exactly as given.
TEST_F(ScriptTest, ListsAsWindowsMakesThemAreReadAsLines) {
    for (const char* name : {"a.dwg", "caf\xC3\xA9.dwg", "cr\r.dwg"}) {
        Put(name);
    }
    const std::string crlf = "a.dwg\r\ncaf\xC3\xA9.dwg\r\n";
    WriteFile(m_dir / "crlf", Bytes(crlf.begin(), crlf.end()));
    Put("plan-\xF0\x9F\x98\x80.dwg");  // U+1F600, past U+FFFF: a surrogate pair in UTF-16
    const auto utf16 = [this](const char* name, const std::u16string& text) {
        std::string bytes;
        for (const char16_t unit : text) {
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        }
        WriteFile(m_dir / name, Bytes(bytes.begin(), bytes.end()));
    };
    utf16("utf16", u"a.dwg\r\ncaf\u00e9.dwg\r\n");
    // Notepad's "Unicode" and Windows PowerShell 5's `dir -Name > list`: a byte-order mark.
    utf16("utf16-bom", u"\ufeffa.dwg\r\nplan-\U0001F600.dwg\r\n");
    const std::string mixed = "cr\r.dwg\na.dwg\n";  // line feeds alone: every byte stays
    WriteFile(m_dir / "mixed", Bytes(mixed.begin(), mixed.end()));
    const std::string nul("cr\r.dwg\0", 8);
    WriteFile(m_dir / "nul", Bytes(nul.begin(), nul.end()));
    const struct {
        const char* list;
        std::vector<std::string> options;
        std::vector<std::string> made;
    } rows[] = {
        {"crlf", {}, {"a.bmp", "caf\xC3\xA9.bmp"}},
        {"utf16", {}, {"a.bmp", "caf\xC3\xA9.bmp"}},
        {"utf16-bom", {}, {"a.bmp", "plan-\xF0\x9F\x98\x80.bmp"}},
        {"mixed", {}, {"a.bmp", "cr\r.bmp"}},
        {"nul", {"-0"}, {"cr\r.bmp"}},
    };
    for (const auto& row : rows) {
        const std::string output = std::string("out-") + row.list;
        std::vector<std::string> arguments = {"-q", "-o", output};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        arguments.insert(arguments.end(), {"--files-from", row.list});
        const ToolRun run = Run(arguments);
        EXPECT_EQ(run.err, "") << row.list;
        EXPECT_EQ(run.status, 0) << row.list;
        std::vector<std::string> made;
        for (const auto& [name, bytes] : FilesUnder(m_dir / output)) {
            made.push_back(name);
        }
        EXPECT_EQ(made, row.made) << row.list;
    }
}

}  // namespace
