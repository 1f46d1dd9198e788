#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "tests/run_tool.h"
#include "tests/tool_test.h"

namespace {

const std::string kUsage =
    "\n\nUsage: Pictavex [options] dwgfile"
    "\nPictavex (c) 2026 the Pictavex authors"
    "\ndwgfile may contain wildcards ('*' and/or '?')."
    "\nOptions: "
    "\n\t/q : Without any messages"
    "\n\t/w : White background color"
    "\n\t/o : Directory for output files"
    "\n\t/f : Format of output files: bmp (the default) or png"
    "\n\t/s : Largest side of output pictures in pixels (0: as stored)"
    "\nExit status 2: a drawing could not be read or a BMP file could not be written."
    "\n\t--files-from FILE : Drawing names from FILE (- for stdin), one a line or NUL-separated"
    "\n\t-- : Every argument after it is a drawing"
    "\n\t--help, --version"
    "\n\t/j : Number of workers (0: one for each processor; the default: that, at most 8,"
    " and more while they wait for a share or a disk)"
    "\n\t/n, --dry-run : Read and tell, write no picture"
    "\n\t--json : One JSON object per drawing on stdout in place of the progress text";

Bytes Drawing(std::int32_t width = 8) {
    return DwgBuilder()
        .Entry(1, {'h'})
        .Entry(2, DarkPaletteDib({.width = width, .height = 4}))
        .Build();
}

class CliTest : public ToolTest {
protected:
    void MakeDir(const std::string& name) { ::mkdir((m_dir / name).c_str(), 0755); }
    // Blue, green, red of colour-table entry 0 in a written BMP.
    Bytes BackgroundOf(const std::string& name) {
        const Bytes bmp = ReadFile(m_dir / name);
        return Bytes(bmp.begin() + 14 + 40, bmp.begin() + 14 + 40 + 3);
    }
};

TEST_F(CliTest, NoArgumentsShowsUsageAndPrompt) {
    const ToolRun run = Run({});
    EXPECT_EQ(run.err, kUsage + "\n");
    EXPECT_EQ(run.out, "");  // no terminal: no prompt
    EXPECT_EQ(run.status, 0);
}

TEST_F(CliTest, EachDrawingLineSaysWhatBecameOfIt) {
    Put("a.dwg", Drawing());
    Put("b.dwg", DwgBuilder().Entry(1, {'x'}).Build());
    Put("c.dwg", DwgBuilder().Entry(2, Bytes(41, 40)).Build());  // one byte past a bare header
    Put("d.txt", Drawing());
    MakeDir("e.dwg");  // a directory that `*` matches is no drawing
    const ToolRun run = Run({"*.dwg"});
    EXPECT_EQ(run.out, Line("a.dwg", "a.bmp") + Line("b.dwg", "b.bmp", kNoPreview) +
                           Line("c.dwg", "c.bmp", kDamagedReason) + Summary(1, 1, 1));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
    const Bytes bmp = ReadFile(m_dir / "a.bmp");
    Bytes dib = DarkPaletteDib({.width = 8, .height = 4});
    SetQuad(dib, 0, 0, 0, 0);
    SetQuad(dib, 225, 0xFF, 0xFF, 0xFF);
    SetQuad(dib, 245, 0xFF, 0xFF, 0xFF);
    SetQuad(dib, 226, 0, 0, 0);
    EXPECT_TRUE(std::equal(dib.begin(), dib.end(), bmp.begin() + 14, bmp.end()));
    for (const char* name : {"b.bmp", "c.bmp", "d.bmp", "e.bmp"}) {
        EXPECT_FALSE(Exists(name)) << name;
    }
}

TEST_F(CliTest, OptionsApplyToTheArgumentsAfterThem) {
    Put("a.dwg", Drawing());
    Put("b.dwg", Drawing());
    const ToolRun run = Run({"a.dwg", "-Q", "/W", "b.dwg"});
    EXPECT_EQ(run.out, Line("a.dwg", "a.bmp") + "\n");  // text ends with a line feed
    EXPECT_EQ(BackgroundOf("a.bmp"), (Bytes{0, 0, 0}));
    EXPECT_EQ(BackgroundOf("b.bmp"), (Bytes{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Run({"/q", "a.dwg"}).out, "");
    const ToolRun alone = Run({"/w"});  // an option with no drawing after it does nothing
    EXPECT_EQ(alone.out, "");
    EXPECT_EQ(alone.status, 1);
}

TEST_F(CliTest, OptionLikeNamesLongerThanAnOptionAreDrawings) {
    Put("-old.dwg", Drawing());
    MakeDir("west");
    Put("west/a.dwg", Drawing());
    const std::string absolute = m_dir / "west/a.dwg";
    const ToolRun run = Run({"-old.dwg", absolute});
    EXPECT_EQ(run.out,
              Line("-old.dwg", "-old.bmp") + Line(absolute, m_dir / "west/a.bmp") + Summary(2));
    EXPECT_TRUE(Exists("-old.bmp"));
}

TEST_F(CliTest, OutputDirectoryIsCreatedAndReplacedInOrder) {
    MakeDir("plans");
    Put("plans/A.DWG", Drawing());
    Put("b.dwg", Drawing());
    const ToolRun run = Run({"/o", "out1/deeper", "plans/*", "-o", "out2", "b.dwg", "/o", "",
                             "b.dwg", "/o", "-q", "b.dwg"});
    EXPECT_EQ(run.out, Line("plans/A.DWG", "out1/deeper/A.bmp") + Line("b.dwg", "out2/b.bmp") +
                           Line("b.dwg", "b.bmp") + Line("b.dwg", "-q/b.bmp") + Summary(4));
    EXPECT_EQ(run.status, 0);
    for (const char* name : {"out1/deeper/A.bmp", "out2/b.bmp", "b.bmp", "-q/b.bmp"}) {
        EXPECT_TRUE(Exists(name)) << name;
    }
    EXPECT_EQ(Run({"-o", "unused", "none*.dwg"}).status, 2);
    EXPECT_FALSE(Exists("unused"));  // made only for a drawing that goes there
    struct stat info {};
    ASSERT_EQ(::stat((m_dir / "out1").c_str(), &info), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(info.st_mode & 07777, 0777 & ~mask);
}

// An output folder is made for the first picture that goes there: one that cannot be made
// fails the drawings whose pictures go there, and a drawing without a picture needs none.
TEST_F(CliTest, UnusableOutputDirectoryFailsOnlyTheDrawingsWithPictures) {
    Put("a.dwg", Drawing());
    Put("plain.dwg", DwgBuilder().Build());
    Put("file", {'x'});
    const ToolRun run =
        Run({"/o", "file/sub", "a.dwg", "plain.dwg", "/o", "file", "a.dwg", "/o", ".", "a.dwg"});
    EXPECT_EQ(run.out, Started("a.dwg", "file/sub/a.bmp") +
                           Line("plain.dwg", "file/sub/plain.bmp", kNoPreview) +
                           Started("a.dwg", "file/a.bmp") + Line("a.dwg", "./a.bmp") +
                           Summary(1, 1, 0, 2));
    EXPECT_EQ(run.err, Error("file/sub", "Not a directory") + Error("file", "Not a directory"));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(ReadFile(m_dir / "file"), Bytes{'x'});
}

TEST_F(CliTest, DrawingsThatCannotBeReadAreReportedAndFailTheRun) {
    Put("bad.dwg", DwgBuilder().ImageAddress(-1).Build());
    Put("good.dwg", Drawing());
    ASSERT_EQ(::symlink("loop.dwg", (m_dir / "loop.dwg").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (m_dir / "dangling.dwg").c_str()), 0);
    const std::string tooLong(300, 'x');
    const ToolRun run =
        Run({"*.dwg", "nosuch.dwg", "plans/*.dxf", tooLong + ".dwg", "dangling.dwg"});
    EXPECT_EQ(run.out, Started("bad.dwg", "bad.bmp") + Started("dangling.dwg", "dangling.bmp") +
                           Line("good.dwg", "good.bmp") + Started("loop.dwg", "loop.bmp") +
                           Started("dangling.dwg", "dangling.bmp") + Summary(1, 0, 0, 4, 3));
    EXPECT_EQ(run.err, Error("bad.dwg", "Invalid argument") +
                           Error("dangling.dwg", "No such file or directory") +
                           Error("loop.dwg", "Too many levels of symbolic links") +
                           Error("nosuch.dwg", "No such file or directory") +
                           Error("plans/*.dxf", "No such file or directory") +
                           Error(tooLong + ".dwg", "File name too long") +
                           Error("dangling.dwg", "No such file or directory"));
    EXPECT_EQ(run.status, 2);
    const ToolRun quiet = Run({"-q", "bad.dwg"});
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, Error("bad.dwg", "Invalid argument"));
    EXPECT_EQ(quiet.status, 2);
}

TEST_F(CliTest, DevicesAndFifosAreNeverOpened) {
    ASSERT_EQ(::mkfifo((m_dir / "pipe.dwg").c_str(), 0600), 0);
    // A writer waits until some reader opens the FIFO: it must still be waiting afterwards.
    const pid_t writer = ::fork();
    if (writer == 0) {
        ::open((m_dir / "pipe.dwg").c_str(), O_WRONLY);
        ::_exit(0);
    }
    const ToolRun wildcard = Run({"*.dwg"});
    const ToolRun named = Run({"pipe.dwg", "/dev/null"});
    int status = 0;
    EXPECT_EQ(::waitpid(writer, &status, WNOHANG), 0) << "the FIFO was opened";
    ::kill(writer, SIGKILL);
    ::waitpid(writer, &status, 0);
    EXPECT_EQ(wildcard.out, Summary(0));
    EXPECT_EQ(wildcard.status, 0);
    EXPECT_EQ(named.out, Started("pipe.dwg", "pipe.bmp") + Started("/dev/null", "/dev/null.bmp") +
                             Summary(0, 0, 0, 2));
    EXPECT_EQ(named.err,
              Error("pipe.dwg", "not a regular file") + Error("/dev/null", "not a regular file"));
    EXPECT_EQ(named.status, 2);
}

TEST_F(CliTest, ASecondDrawingForTheSameBitmapIsRefused) {
    MakeDir("d1");
    MakeDir("d2");
    Put("a.dwg", Drawing());
    Put("a.DWG", DwgBuilder().Entry(2, MakeInfoDib({.width = 3})).Build());
    Put("d1/x.dwg", Drawing());
    Put("d2/x.dwg", DwgBuilder().Entry(2, MakeInfoDib({.width = 3})).Build());
    const ToolRun run = Run({"a.*", "-o", "thumbs", "d1/x.dwg", "-o", "./thumbs/", "d2/x.dwg", "-o",
                             "thumbs//", "d2/x.dwg"});
    EXPECT_EQ(run.out, Line("a.DWG", "a.bmp") + Started("a.dwg", "a.bmp") +
                           Line("d1/x.dwg", "thumbs/x.bmp") +
                           Started("d2/x.dwg", "./thumbs/x.bmp") +
                           Started("d2/x.dwg", "thumbs//x.bmp") + Summary(2, 0, 0, 3));
    EXPECT_EQ(run.err, Error("a.bmp", "already written for a.DWG") +
                           Error("./thumbs/x.bmp", "already written for d1/x.dwg") +
                           Error("thumbs//x.bmp", "already written for d1/x.dwg"));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(U32At(ReadFile(m_dir / "a.bmp"), 18), 3u);  // the first one's width
    EXPECT_EQ(U32At(ReadFile(m_dir / "thumbs/x.bmp"), 18), 8u);
}

// A leading dot starts a name: `.plan` and `.site` get outputs of their own.
TEST_F(CliTest, NameThatStartsWithADotKeepsItWhole) {
    Put(".dwg", Drawing());
    Put(".plan", Drawing(3));
    Put(".site", Drawing(5));
    EXPECT_EQ(Run({".dwg", ".plan", ".site"}).out, Line(".dwg", ".dwg.bmp") +
                                                       Line(".plan", ".plan.bmp") +
                                                       Line(".site", ".site.bmp") + Summary(3));
    EXPECT_EQ(U32At(ReadFile(m_dir / ".plan.bmp"), 18), 3u);
    EXPECT_EQ(U32At(ReadFile(m_dir / ".site.bmp"), 18), 5u);
    EXPECT_EQ(Run({"-w", ".*"}).out,
              Line(".dwg", ".dwg.bmp") + Line(".dwg.bmp", ".dwg.bmp", "not a DWG or DXF drawing") +
                  Line(".plan", ".plan.bmp") +
                  Line(".plan.bmp", ".plan.bmp", "not a DWG or DXF drawing") +
                  Line(".site", ".site.bmp") +
                  Line(".site.bmp", ".site.bmp", "not a DWG or DXF drawing") + Summary(3, 0, 0, 3));
}

}  // namespace
