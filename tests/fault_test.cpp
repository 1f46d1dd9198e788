// Damaged, hostile and unusual inputs and outputs, end to end.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstring>
#include <random>

#include "platform/search.h"
#include "tests/dwg_builder.h"
#include "tests/run_tool.h"
#include "tests/temp_dir.h"
#include "thumbnail/dwg_thumbnail.h"

namespace {

const std::string kPrompt = "\n------ Press any key for exit -------";

TEST(FaultTest, ReadErrorInsideADrawingIsReportedAndTheRunGoesOn) {
    // Reading /proc/self/mem at offset 0 fails with EIO: a real read error on a regular file.
    TempDir dir;
    const ToolRun run = RunProgram(PICTAVEX_BINARY, dir.Path(), {"/proc/self/mem"});
    EXPECT_EQ(run.out, "\n/proc/self/mem -> /proc/self/mem.bmp  Ok!" + kPrompt);
    EXPECT_EQ(run.err, "pictavex: /proc/self/mem: Input/output error\n");
    EXPECT_EQ(run.status, 0);
}

TEST(FaultTest, DrawingRemovedAfterTheSearchIsPassedOverSilently) {
    TempDir dir;
    WriteFile(dir / "gone.dwg", DwgBuilder().Entry(2, MakeInfoDib({})).Build());
    ASSERT_EQ(FindMatches(dir / "*.dwg").size(), 1u);
    ::unlink((dir / "gone.dwg").c_str());
    CDwgThumbnail thumbnail(kBlack);
    testing::internal::CaptureStderr();
    thumbnail.Load(dir / "gone.dwg");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(thumbnail.m_dib);
}

// A tiny file system of its own, where mounting is allowed.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& path) : m_path(path) {
        m_mounted = ::geteuid() == 0 && ::mount("tmpfs", path.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk() {
        if (m_mounted) {
            ::umount2(m_path.c_str(), MNT_DETACH);
        }
    }
    bool Mounted() const { return m_mounted; }

private:
    std::string m_path;
    bool m_mounted = false;
};

TEST(FaultTest, FullDiskLeavesTheExistingOutputIntact) {
    TempDir dir;
    ASSERT_EQ(::mkdir((dir / "disk").c_str(), 0755), 0);
    SmallDisk disk(dir / "disk");
    if (!disk.Mounted()) {
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root and mount rights)";
    }
    const Bytes old = {'o', 'l', 'd'};
    WriteFile(dir / "disk/big.bmp", old);
    WriteFile(dir / "big.dwg",
              DwgBuilder().Entry(2, MakeInfoDib({.width = 400, .height = 400})).Build());
    const ToolRun run = RunProgram(PICTAVEX_BINARY, dir.Path(), {"/o", "disk", "big.dwg"});
    EXPECT_EQ(run.out, "\nbig.dwg -> disk/big.bmp  " + kPrompt);
    EXPECT_EQ(run.err, "pictavex: disk/big.bmp: No space left on device\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(ReadFile(dir / "disk/big.bmp"), old);
    EXPECT_EQ(FindMatches(dir / "disk/.*").size(), 0u);  // no temporary left behind
}

// Breaks a drawing the way damaged disks and careless tools do.
Bytes Mutate(Bytes drawing, std::mt19937& random) {
    auto pick = [&random](std::size_t limit) {
        return std::uniform_int_distribution<std::size_t>(0, limit - 1)(random);
    };
    switch (pick(4)) {
        case 0:  // flipped bytes
            for (std::size_t i = pick(8) + 1; i > 0; --i) {
                drawing[pick(drawing.size())] ^= static_cast<std::uint8_t>(pick(255) + 1);
            }
            break;
        case 1:  // cut short
            drawing.resize(pick(drawing.size()));
            break;
        case 2: {  // a wild 32-bit value in the header or the directory
            const std::size_t at = pick(std::min<std::size_t>(drawing.size(), 0x40 + 60) - 4);
            const auto value = static_cast<std::uint32_t>(random());
            std::memcpy(drawing.data() + at, &value, sizeof value);
            break;
        }
        default:  // a wild entry count
            drawing[0x40 + 20] = static_cast<std::uint8_t>(pick(256));
            break;
    }
    return drawing;
}

TEST(FaultTest, BrokenDrawingsDoNotDisturbTheValidOnesInABatch) {
    TempDir dir;
    std::mt19937 random(20261208);
    std::vector<Bytes> dibs;
    for (int i = 0; i < 20; ++i) {
        dibs.push_back(MakeInfoDib({.width = 3 + i, .height = 1 + i % 5}));
        const Bytes drawing = DwgBuilder()
                                  .Entry(1, {'v'})
                                  .Entry(i % 2 ? 3 : 7, Bytes(30, 1))
                                  .Entry(2, dibs.back())
                                  .Build();
        WriteFile(dir / ("valid-" + std::to_string(i) + ".dwg"), drawing);
    }
    for (int i = 0; i < 1000; ++i) {
        const Bytes& dib = dibs[static_cast<std::size_t>(i) % dibs.size()];
        const Bytes drawing = DwgBuilder().Entry(1, {'b'}).Entry(2, dib).Build();
        WriteFile(dir / ("broken-" + std::to_string(i) + ".dwg"), Mutate(drawing, random));
    }
    const ToolRun run = RunProgram(PICTAVEX_BINARY, dir.Path(), {"-q", "*.dwg"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    for (std::size_t i = 0; i < dibs.size(); ++i) {
        const Bytes bmp = ReadFile(dir / ("valid-" + std::to_string(i) + ".bmp"));
        ASSERT_EQ(bmp.size(), dibs[i].size() + 14) << i;
        EXPECT_TRUE(std::equal(dibs[i].begin(), dibs[i].end(), bmp.begin() + 14)) << i;
    }
}

}  // namespace
