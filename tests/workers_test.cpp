// Workers: any -j must give the files, text and status of one worker, in the same order.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/example_drawing.h"
#include "tests/png_builder.h"
#include "tests/tool_test.h"

namespace {

// Quick and slow drawings mixed, so that workers finish out of order, with every outcome.
class WorkersTest : public ToolTest {
protected:
    void SetUp() override {
        const Bytes large =
            DwgBuilder().Entry(2, DarkPaletteDib({.width = 600, .height = 400})).Build();
        const Bytes png =
            DwgBuilder()
                .Entry(6, EncodePng({.width = 300, .height = 200, .rows = Bytes(180000, 0x5A)}))
                .Build();
        for (int i = 0; i < 150; ++i) {
            const std::string name = "in/d" + std::to_string(1000 + i) + ".dwg";
            switch (i % 6) {
                case 0:
                    Put(name, large);
                    break;
                case 1:
                    Put(name, png);
                    break;
                case 2:
                    Put(name, DwgBuilder().Build());
                    break;  // no preview
                case 3:
                    Put(name, DwgBuilder().Entry(2, MakeInfoDib({})).TruncateTo(80).Build());
                    break;
                default:
                    Put(name, DwgBuilder().Entry(2, DarkPaletteDib({.width = i})).Build());
            }
        }
        Put("in/d1004.dwg", Bytes{'A', 'C'});  // too short for a directory
        Put("one/x.dwg", DwgBuilder().Build());
        Put("two/x.dwg", large);  // x.bmp: the first drawing wrote none, so this one does
        Put("one/y.dwg", large);
        Put("two/y.dwg", png);  // y.bmp: already written for one/y.dwg
        std::filesystem::create_directory(m_dir / "in/sub.dwg");
        std::filesystem::create_directory(m_dir / "blocked");
        ::chmod((m_dir / "blocked").c_str(), 0555);  // outputs here fail, for nobody
        ::chmod(m_dir.Path().c_str(), 0777);
    }

    // Runs the command line as an ordinary user where possible, so that writes can fail.
    ToolRun RunWith(const std::string& workers, std::vector<std::string> arguments) {
        std::filesystem::remove_all(m_dir / "out");
        arguments.insert(arguments.begin(), {"-j", workers});
        return Run(arguments, {.asOrdinaryUser = CanRunAsOrdinaryUser()});
    }
};

TEST_F(WorkersTest, AnyNumberOfWorkersGivesTheFilesAndTextOfOne) {
    const std::vector<std::vector<std::string>> commandLines = {
        {"-o",        "out",          "in/*.dwg",     "out/d1149.bmp",
         "one/x.dwg", "two/x.dwg",    "one/y.dwg",    "two/y.dwg",
         "-w",        "-f",           "png",          "-s",
         "64",        "in/d100?.dwg", "in/sub.dwg",   "nosuch.dwg",
         "-o",        "blocked",      "in/d1006.dwg", "out/*"},
        {"--json", "-o", "out", "in/*.dwg", "-w", "one/y.dwg", "two/y.dwg"},
    };
    for (const auto& arguments : commandLines) {
        const ToolRun one = RunWith("1", arguments);
        ASSERT_GT(one.out.size(), 5000u);
        EXPECT_EQ(one.status, 2);
        const auto written = FilesUnder(m_dir / "out");
        ASSERT_GE(written.size(), 100u);
        for (const std::string workers : {"2", "3", "0"}) {
            const ToolRun many = RunWith(workers, arguments);
            EXPECT_EQ(many.out, one.out) << "-j " << workers;
            EXPECT_EQ(many.err, one.err) << "-j " << workers;
            EXPECT_EQ(many.status, one.status) << "-j " << workers;
            EXPECT_TRUE(FilesUnder(m_dir / "out") == written) << "-j " << workers;
        }
    }
}

}  // namespace
