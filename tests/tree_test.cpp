// Walking folders (-r): every drawing under a folder, in a stable order, pictures mirrored
// under -o, never through a link nor into the output folder, and the walk goes on past a
// folder that cannot be read.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/test_helpers.h"
#include "tests/tool_test.h"

namespace {

class TreeTest : public ToolTest {
protected:
    void SetUp() override {
        Put("plans/p1/Plan.dwg", DwgBuilder().Entry(2, DarkPaletteDib({.width = 3})).Build());
        Put("plans/p2/Plan.DWG", DwgBuilder().Entry(2, DarkPaletteDib({.width = 5})).Build());
        Put("plans/p2/sub/x.dxf", BuildDxfLike());
        Put("plans/q\"uote/a.dwg", DwgBuilder().Entry(2, DarkPaletteDib({.width = 7})).Build());
        Put("plans/.hidden/h.dwg", DwgBuilder().Entry(2, DarkPaletteDib({})).Build());
        Put("plans/notes.txt", {'n'});
        EXPECT_EQ(::symlink("..", (m_dir / "plans/p2/loop").c_str()), 0);
        EXPECT_EQ(::symlink("p1", (m_dir / "plans/p3").c_str()), 0);
    }
    // A DXF drawing is walked as a DWG one is; its bitmap is taken from a DWG built alike.
    static Bytes BuildDxfLike() {
        const Bytes dib = DarkPaletteDib({.width = 2, .height = 2});
        std::string text =
            "  0\nSECTION\n  2\nTHUMBNAILIMAGE\n 90\n" + std::to_string(dib.size()) + "\n310\n";
        for (const std::uint8_t byte : dib) {
            const char* digits = "0123456789ABCDEF";
            text += digits[byte >> 4];
            text += digits[byte & 15];
        }
        text += "\n  0\nENDSEC\n  0\nEOF\n";
        return Bytes(text.begin(), text.end());
    }
    // Each picture of a single run on its drawing, to compare the walk's with.
    Bytes Single(const std::string& drawing) {
        EXPECT_EQ(Run({"-q", "-o", "single", drawing}).status, 0) << drawing;
        const std::string base = std::filesystem::path(drawing).stem().string();
        return ReadFile(m_dir / ("single/" + base + ".bmp"));
    }
};

TEST_F(TreeTest, AWalkMirrorsTheTreeAndFollowsNoLink) {
    const ToolRun run = Run({"-r", "-o", "thumbs", "plans"});
    EXPECT_EQ(run.out, Line("plans/p1/Plan.dwg", "thumbs/p1/Plan.bmp") +
                           Line("plans/p2/Plan.DWG", "thumbs/p2/Plan.bmp") +
                           Line("plans/p2/sub/x.dxf", "thumbs/p2/sub/x.bmp") +
                           Line("plans/q\"uote/a.dwg", "thumbs/q\"uote/a.bmp") + Summary(4));
    EXPECT_EQ(run.status, 0);
    std::vector<std::string> made;
    for (const auto& [name, bytes] : FilesUnder(m_dir / "thumbs")) {
        made.push_back(name);
    }
    EXPECT_EQ(made, (std::vector<std::string>{"p1/Plan.bmp", "p2/Plan.bmp", "p2/sub/x.bmp",
                                              "q\"uote/a.bmp"}));
    EXPECT_EQ(ReadFile(m_dir / "thumbs/p1/Plan.bmp"), Single("plans/p1/Plan.dwg"));
    EXPECT_EQ(ReadFile(m_dir / "thumbs/p2/Plan.bmp"), Single("plans/p2/Plan.DWG"));
    EXPECT_EQ(ReadFile(m_dir / "thumbs/p2/sub/x.bmp"), Single("plans/p2/sub/x.dxf"));
    ASSERT_EQ(Run({"-q", "-j", "1", "-r", "-o", "one", "plans"}).status, 0);
    EXPECT_EQ(FilesUnder(m_dir / "one"), FilesUnder(m_dir / "thumbs"));

    // Without -o, beside each drawing; one worker and the default give the same text and JSON.
    ASSERT_EQ(Run({"-q", "-r", "plans"}).status, 0);
    EXPECT_TRUE(Exists("plans/p2/sub/x.bmp"));
    EXPECT_FALSE(Exists("plans/.hidden/h.bmp"));
    const ToolRun again = Run({"-r", "plans"});
    EXPECT_TRUE(again.out.ends_with(Summary(4, 0, 0, 0, 0, 4))) << again.out;
    EXPECT_EQ(Run({"-j", "1", "-r", "plans"}).out, again.out);
    const ToolRun json = Run({"--json", "-n", "-r", "plans"});
    EXPECT_EQ(Run({"-j", "1", "--json", "-n", "-r", "plans"}).out, json.out);
    EXPECT_NE(json.out.find(R"("path":"plans/q\"uote/a.dwg")"), std::string::npos) << json.out;
}

// --include chooses the names a walk takes, in place of drawings; each applies to the walks
// after it, and it takes a name, not a path.
TEST_F(TreeTest, IncludeChoosesTheNamesTaken) {
    Put("plans/p1/Old.DWG.Bak", DwgBuilder().Entry(2, DarkPaletteDib({.width = 4})).Build());
    const ToolRun run = Run({"-n", "--include=*.dwg.bak", "--incl", "x.*", "-r", "plans"});
    EXPECT_EQ(run.out, Line("plans/p1/Old.DWG.Bak", "plans/p1/Old.DWG.bmp", "dry run") +
                           Line("plans/p2/sub/x.dxf", "plans/p2/sub/x.bmp", "dry run") +
                           "\n2 drawings: 0 written, 2 not written (dry run)\n");
    EXPECT_EQ(run.status, 0);
    const ToolRun path = Run({"-n", "--include=p1/*.dwg", "-r", "plans"});
    EXPECT_EQ(path.err,
              "pictavex: --include: 'p1/*.dwg' is not a name pattern (such as "
              "'*.dwg')\nTry 'pictavex --help' for more information.\n");
    EXPECT_EQ(path.out, "");
    EXPECT_EQ(path.status, 1);
}

// Folders that a wildcard matches are walked each under its own name, as `cp -r` copies them,
// but not through a link; a folder in a list is walked as one named.
TEST_F(TreeTest, FoldersFromWildcardsAndLists) {
    const ToolRun run = Run({"-q", "-r", "-o", "out", "plans/p*"});
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<std::string> made;
    for (const auto& [name, bytes] : FilesUnder(m_dir / "out")) {
        made.push_back(name);
    }
    EXPECT_EQ(made, (std::vector<std::string>{"p1/Plan.bmp", "p2/Plan.bmp", "p2/sub/x.bmp"}));
    EXPECT_EQ(ReadFile(m_dir / "out/p2/Plan.bmp"), Single("plans/p2/Plan.DWG"));

    Put("list.txt", {'p', 'l', 'a', 'n', 's', '/', 'p', '2', '\n'});
    const ToolRun listed = Run({"-n", "-r", "-o", "listed", "--files-from", "list.txt"});
    EXPECT_EQ(listed.out, Line("plans/p2/Plan.DWG", "listed/Plan.bmp", "dry run") +
                              Line("plans/p2/sub/x.dxf", "listed/sub/x.bmp", "dry run") +
                              "\n2 drawings: 0 written, 2 not written (dry run)\n");
}

// Many folders, listed ahead of the walk several at once: the order stays that of one
// folder after another, each before the folders under it, with one worker or many.
TEST_F(TreeTest, ManyFoldersKeepTheWalksOrder) {
    const Bytes drawing = DwgBuilder().Entry(2, DarkPaletteDib({.width = 3})).Build();
    std::string expected;
    for (int i = 0; i < 40; ++i) {
        const std::string folder = "many/d" + std::to_string(100 + i);
        Put(folder + "/a.dwg", drawing);
        Put(folder + "/s/b.dwg", drawing);
        Put(folder + "/s/t/c.dwg", drawing);
        expected +=
            Line(folder + "/a.dwg", "out/" + folder.substr(5) + "/a.bmp", "dry run") +
            Line(folder + "/s/b.dwg", "out/" + folder.substr(5) + "/s/b.bmp", "dry run") +
            Line(folder + "/s/t/c.dwg", "out/" + folder.substr(5) + "/s/t/c.bmp", "dry run");
    }
    expected += "\n120 drawings: 0 written, 120 not written (dry run)\n";
    EXPECT_EQ(Run({"-n", "-r", "-o", "out", "many"}).out, expected);
    EXPECT_EQ(Run({"-j", "1", "-n", "-r", "-o", "out", "many"}).out, expected);
    EXPECT_EQ(Run({"-j", "16", "-n", "-r", "-o", "out", "many"}).out, expected);
}

// A folder of the mirror that is already there as a link is never written through: the
// drawings of p2 and of p2/sub fail, each folder saying why, the others are written, and
// where the link leads stays as it was.
TEST_F(TreeTest, AMirroredFolderThatIsALinkIsNotWrittenThrough) {
    std::filesystem::create_directories(m_dir / "elsewhere");
    std::filesystem::create_directories(m_dir / "thumbs");
    ASSERT_EQ(::symlink("../elsewhere", (m_dir / "thumbs/p2").c_str()), 0);
    const ToolRun run = Run({"-q", "-r", "-o", "thumbs", "plans"});
    EXPECT_EQ(run.err, Error("thumbs/p2", "a link, never written through") +
                           Error("thumbs/p2", "a link, never written through"));
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(FilesUnder(m_dir / "elsewhere").empty());
    std::vector<std::string> made;
    for (const auto& [name, bytes] : FilesUnder(m_dir / "thumbs")) {
        made.push_back(name);
    }
    EXPECT_EQ(made, (std::vector<std::string>{"p1/Plan.bmp", "q\"uote/a.bmp"}));
    const ToolRun counted = Run({"-r", "-o", "thumbs", "plans"});
    EXPECT_TRUE(counted.out.ends_with(Summary(2, 0, 0, 2, 0, 2))) << counted.out;
}

// A folder is made for a picture only: a drawing without one, a dry run and a name that
// matched nothing leave no folder behind, under -o or in its mirror.
TEST_F(TreeTest, FoldersAreMadeOnlyForPictures) {
    Put("plans/p4/s/none.dwg", DwgBuilder().Build());
    Put("plans/p4/t/broken.dwg", DwgBuilder().Entry(2, DarkPaletteDib({})).TruncateTo(90).Build());
    ASSERT_EQ(Run({"-q", "-r", "-o", "thumbs", "plans/p4"}).status, 0);
    EXPECT_FALSE(Exists("thumbs"));
    ASSERT_EQ(Run({"-q", "-o", "flat", "plans/p4/s/none.dwg"}).status, 0);
    EXPECT_FALSE(Exists("flat"));
    ASSERT_EQ(Run({"-q", "-n", "-r", "-o", "dry", "plans"}).status, 0);
    EXPECT_FALSE(Exists("dry"));
    ASSERT_EQ(Run({"-q", "-r", "-o", "thumbs", "plans"}).status, 0);
    EXPECT_TRUE(Exists("thumbs/p1/Plan.bmp"));
    EXPECT_FALSE(Exists("thumbs/p4"));
}

// Each folder with drawings in flight is held open: a walk of many small folders, with few
// descriptors allowed, waits for its workers rather than run out of them.
TEST_F(TreeTest, AWalkOfManyFoldersHoldsFewOpen) {
    const Bytes drawing = DwgBuilder().Entry(2, DarkPaletteDib({.width = 3})).Build();
    for (int i = 0; i < 600; ++i) {
        Put("small/f" + std::to_string(1000 + i) + "/a.dwg", drawing);
    }
    const ToolRun run =
        Run({"-q", "-j", "16", "-r", "-o", "out", "small"}, {.limits = {{RLIMIT_NOFILE, 400}}});
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(FilesUnder(m_dir / "out").size(), 600u);
}

// The output folder inside the walked tree is never walked: what it holds is no input.
TEST_F(TreeTest, TheOutputFolderIsNotWalked) {
    Put("plans/thumbs/old.dwg", DwgBuilder().Entry(2, DarkPaletteDib({})).Build());
    ASSERT_EQ(Run({"-q", "-r", "-o", "plans/thumbs", "plans"}).status, 0);
    EXPECT_TRUE(Exists("plans/thumbs/p1/Plan.bmp"));
    EXPECT_FALSE(Exists("plans/thumbs/old.bmp"));
    EXPECT_FALSE(Exists("plans/thumbs/thumbs"));
}

// A folder named without -r is an error with a hint; a folder that cannot be read is
// reported and the walk goes on.
TEST_F(TreeTest, FoldersThatCannotBeWalked) {
    const ToolRun plain = Run({"-q", "plans"});
    EXPECT_EQ(plain.err, Error("plans", "Is a directory (-r walks it)"));
    EXPECT_EQ(plain.status, 2);
    if (!CanRunAsOrdinaryUser()) {
        GTEST_SKIP() << "no ordinary user to be refused a folder";
    }
    Put("plans/p0/locked.dwg", DwgBuilder().Entry(2, DarkPaletteDib({})).Build());
    for (const char* folder :
         {"", "plans", "plans/p1", "plans/p2", "plans/p2/sub", "plans/q\"uote"}) {
        ::chmod((m_dir / folder).c_str(), 0777);
    }
    ::chmod((m_dir / "plans/p0").c_str(), 0);
    const ToolRun run = Run({"-q", "-r", "-o", "out", "plans"}, {.asOrdinaryUser = true});
    EXPECT_EQ(run.err, Error("plans/p0", "Permission denied"));
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Exists("out/p2/sub/x.bmp"));
    ::chmod((m_dir / "plans/p0").c_str(), 0755);
}

}  // namespace

namespace {

// A folder written as shells' completion writes it, with a separator after it, is walked as
// the folder; "p*/" takes the folders it matches alone; "a.dwg/" is no folder.
TEST_F(TreeTest, ATrailingSeparatorNamesTheFolder) {
    ASSERT_EQ(Run({"-q", "-r", "-o", "plain", "plans/p2"}).status, 0);
    const auto expected = FilesUnder(m_dir / "plain");
    ASSERT_FALSE(expected.empty());
    for (const std::string named : {"plans/p2/", "plans/p2//"}) {
        const ToolRun run = Run({"-q", "-r", "-o", "slash", named});
        EXPECT_EQ(run.status, 0) << named << run.err;
        EXPECT_EQ(run.err, "") << named;
        EXPECT_EQ(FilesUnder(m_dir / "slash"), expected) << named;
        std::filesystem::remove_all(m_dir / "slash");
    }
    Put("plans/p9.dwg", DwgBuilder().Entry(2, DarkPaletteDib({})).Build());
    ASSERT_EQ(Run({"-q", "-r", "-o", "folders", "plans/p*/"}).status, 0);
    EXPECT_TRUE(Exists("folders/p1/Plan.bmp"));
    EXPECT_TRUE(Exists("folders/p2/Plan.bmp"));
    EXPECT_FALSE(Exists("folders/p9.bmp"));  // a drawing, not a folder
    const ToolRun file = Run({"-q", "-o", "file", "plans/p9.dwg/"});
    EXPECT_EQ(file.status, 2);
    EXPECT_EQ(file.err, Error("plans/p9.dwg/", "Not a directory"));
    EXPECT_FALSE(Exists("file"));
}

}  // namespace
