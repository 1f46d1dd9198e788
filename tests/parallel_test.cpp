// The many-machine recipe, run on this one with two job slots: GNU parallel shards a
// `find -print0` list into runs of the tool and keeps their JSON lines in list order.
#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/tool_test.h"

namespace {

constexpr char kParallel[] = "/usr/bin/parallel";
// As the README gives it, with smaller shards so that a small archive makes several.
constexpr char kRecipe[] =
    "find archive -name '*.dwg' -print0 |"
    " parallel --pipe --recend '\\0' -N 40 --keep-order --jobs 2"
    " pictavex -q --json -o thumbs --files-from - > catalogue.jsonl";

using ParallelTest = ToolTest;

TEST_F(ParallelTest, ShardedRunsGiveTheCatalogueAndFilesOfOneRun) {
    if (::access(kParallel, X_OK) != 0) {
        GTEST_SKIP() << "GNU parallel is not installed (apt-get install parallel)";
    }
    for (int i = 0; i < 200; ++i) {
        const std::string name =
            "archive/" + std::to_string(i % 7) + "/d" + std::to_string(i) + ".dwg";
        Put(name, i % 13 == 0 ? DwgBuilder().Build()
                              : DwgBuilder().Entry(2, DarkPaletteDib({.width = 1 + i})).Build());
    }
    Put("archive/odd * name?.dwg", DwgBuilder().Entry(2, MakeInfoDib({})).TruncateTo(90).Build());
    const std::string path =
        "PATH=" + std::filesystem::path(PICTAVEX_BINARY).parent_path().string() + ":$PATH; ";

    const ToolRun list =
        RunProgram("/bin/sh", m_dir.Path(), {"-c", "find archive -name '*.dwg' -print0 > list"});
    ASSERT_EQ(list.status, 0);
    const ToolRun single = Run({"-q", "--json", "-o", "thumbs", "--files-from", "list"});
    ASSERT_EQ(single.status, 0) << single.err;
    std::filesystem::rename(m_dir / "thumbs", m_dir / "thumbs.single");

    const ToolRun sharded = RunProgram("/bin/sh", m_dir.Path(), {"-c", path + kRecipe});
    EXPECT_EQ(sharded.status, 0) << sharded.err;
    const Bytes catalogue = ReadFile(m_dir / "catalogue.jsonl");
    EXPECT_EQ(std::string(catalogue.begin(), catalogue.end()), single.out);
    EXPECT_EQ(std::count(single.out.begin(), single.out.end(), '\n'), 201);
    EXPECT_EQ(FilesUnder(m_dir / "thumbs").size(), 184u);
    EXPECT_TRUE(FilesUnder(m_dir / "thumbs") == FilesUnder(m_dir / "thumbs.single"));
}

}  // namespace
