// Damaged, hostile and unusual inputs, and a machine short of memory, descriptors or disk.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "tests/png_builder.h"
#include "tests/run_tool.h"
#include "tests/tool_test.h"

namespace {

Bytes Drawing(std::int32_t side = 8) {
    return DwgBuilder().Entry(2, MakeInfoDib({.width = side, .height = side})).Build();
}

TEST(FaultTest, ReadErrorInsideADrawingIsReportedAndTheRunGoesOn) {
    // Reading /proc/self/mem at offset 0 fails with EIO: a real read error on a regular file.
    TempDir dir;
    WriteFile(dir / "a.dwg", Drawing());
    const ToolRun run = RunProgram(PICTAVEX_BINARY, dir.Path(), {"/proc/self/mem", "a.dwg"});
    EXPECT_EQ(run.out, Started("/proc/self/mem", "/proc/self/mem.bmp") + Line("a.dwg", "a.bmp") +
                           Summary(1, 0, 0, 1));
    EXPECT_EQ(run.err, Error("/proc/self/mem", "Input/output error"));
    EXPECT_EQ(run.status, 2);
}

TEST(FaultTest, DrawingRemovedAfterTheSearchIsReported) {
    TempDir dir;
    CDwgThumbnail thumbnail(kBlack);
    testing::internal::CaptureStderr();
    thumbnail.Load(dir / "gone.dwg");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(thumbnail.m_error, dir / "gone.dwg" + ": No such file or directory");
    EXPECT_EQ(thumbnail.m_outcome, LoadOutcome::kFailed);
}

TEST(FaultTest, PermissionsHoldForAnOrdinaryUser) {
    if (!CanRunAsOrdinaryUser()) {
        GTEST_SKIP() << "cannot switch to an ordinary user here (needs root)";
    }
    TempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
    WriteFile(dir / "a.dwg", Drawing());
    ::chmod((dir / "a.dwg").c_str(), 0);
    WriteFile(dir / "b.dwg", Drawing());
    WriteFile(dir / "b.bmp", {'o', 'l', 'd'});
    ::chmod((dir / "b.bmp").c_str(), 0444);
    WriteFile(dir / "c.dwg", Drawing());
    const ToolRun run =
        RunProgram(PICTAVEX_BINARY, dir.Path(), {"*.dwg"}, {.asOrdinaryUser = true});
    EXPECT_EQ(run.out, Started("a.dwg", "a.bmp") + Started("b.dwg", "b.bmp") +
                           Line("c.dwg", "c.bmp") + Summary(1, 0, 0, 2));
    EXPECT_EQ(run.err, Error("a.dwg", "Permission denied") + Error("b.bmp", "Permission denied"));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(ReadFile(dir / "b.bmp"), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
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
    WriteFile(dir / "big.dwg", Drawing(400));
    const ToolRun run = RunProgram(PICTAVEX_BINARY, dir.Path(), {"/o", "disk", "big.dwg"});
    EXPECT_EQ(run.out, Started("big.dwg", "disk/big.bmp") + Summary(0, 0, 0, 1));
    EXPECT_EQ(run.err, Error("disk/big.bmp", "No space left on device"));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(ReadFile(dir / "disk/big.bmp"), old);
    EXPECT_EQ(HiddenFiles(dir / "disk"), std::vector<std::string>{});
}

TEST(FaultTest, FileSizeLimitFailsTheWriteAndKeepsTheOldFile) {
    TempDir dir;
    WriteFile(dir / "big.dwg", Drawing(400));
    WriteFile(dir / "big.bmp", {'o', 'l', 'd'});
    WriteFile(dir / "small.dwg", Drawing());
    const ToolRun run = RunProgram(PICTAVEX_BINARY, dir.Path(), {"-q", "big.dwg", "small.dwg"},
                                   {.limits = {{RLIMIT_FSIZE, 64 * 1024}}});
    EXPECT_EQ(run.err, Error("big.bmp", "File too large"));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(ReadFile(dir / "big.bmp"), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(ReadFile(dir / "small.bmp")[0], 'B');
    EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
}

// With 16 descriptors, a hundred drawings, their re-run (every BMP already right) and
// drawings that fail to read each give back what they took.
TEST(FaultTest, DescriptorsAreNotLeakedAcrossABatch) {
    TempDir dir;
    std::string errors;
    for (int i = 0; i < 100; ++i) {
        WriteFile(dir / ("d" + std::to_string(i) + ".dwg"), Drawing());
    }
    for (int i = 10; i < 30; ++i) {
        WriteFile(dir / ("e" + std::to_string(i) + ".dwg"), DwgBuilder().ImageAddress(-1).Build());
        errors += Error("e" + std::to_string(i) + ".dwg", "Invalid argument");
    }
    for (int run = 0; run < 2; ++run) {
        const ToolRun batch = RunProgram(PICTAVEX_BINARY, dir.Path(), {"-q", "-j", "1", "*.dwg"},
                                         {.limits = {{RLIMIT_NOFILE, 16}}});
        EXPECT_EQ(batch.err, errors) << run;
        EXPECT_EQ(batch.status, 2) << run;
        EXPECT_EQ(ReadFile(dir / "d99.bmp")[0], 'B');
    }
}

TEST(FaultTest, RunningOutOfMemoryFailsOneDrawingNotTheBatch) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "an address-space limit cannot be set under AddressSanitizer";
    }
    TempDir dir;
    std::mt19937 random(9);
    PngSpec noise{.width = 3000, .height = 3000, .colorType = 2};
    noise.rows.resize(std::size_t{3000} * 3000 * 3);
    for (std::uint8_t& byte : noise.rows) {
        byte = static_cast<std::uint8_t>(random());
    }
    WriteFile(dir / "a.dwg", DwgBuilder().Entry(6, EncodePng(noise)).Build());  // a 27 MB bitmap
    WriteFile(dir / "b.dwg", Drawing());
    const ToolRun run = RunProgram(PICTAVEX_BINARY, dir.Path(), {"a.dwg", "b.dwg"},
                                   {.limits = {{RLIMIT_AS, 48u << 20}}});
    EXPECT_EQ(run.out, Started("a.dwg", "a.bmp") + Line("b.dwg", "b.bmp") + Summary(1, 0, 0, 1));
    EXPECT_EQ(run.err, Error("a.dwg", "Cannot allocate memory"));
    EXPECT_EQ(run.status, 2);
}

// Past the first read, a preview's claim is weighed against the file's size before anything
// is allocated for it: 100 KiB cannot supply 60 MiB, whatever memory is left.
TEST(FaultTest, AClaimPastTheFirstReadIsWeighedBeforeItIsAllocated) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "an address-space limit cannot be set under AddressSanitizer";
    }
    TempDir dir;
    Bytes drawing = DwgBuilder().RawEntry(2, 0x20000, 60u << 20).Build();
    drawing.resize(100u << 10);
    WriteFile(dir / "claim.dwg", drawing);
    const ToolRun run = RunProgram(PICTAVEX_BINARY, dir.Path(), {"-j", "1", "claim.dwg"},
                                   {.limits = {{RLIMIT_AS, 60000u << 10}}});
    EXPECT_EQ(run.out, Line("claim.dwg", "claim.bmp", kDamagedReason) + Summary(0, 0, 1));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
}

TEST(FaultTest, HugeClaimsCostNeitherMemoryNorDisk) {
    TempDir dir;
    // A sparse drawing that can supply the 4 GiB its bitmap entry claims.
    Bytes sparse = DwgBuilder().RawEntry(2, 0x100, 0xFFFFFFF8u).Build();
    WriteFile(dir / "sparse.dwg", sparse);
    ASSERT_EQ(::truncate((dir / "sparse.dwg").c_str(), 0x100 + 0xFFFFFFF8ll), 0);
    // A few kilobytes that decode to 8192 x 8192 pixels.
    const Bytes bomb = EncodePng({.width = 8192,
                                  .height = 8192,
                                  .colorType = 0,
                                  .bitDepth = 1,
                                  .rows = Bytes(std::size_t{1024} * 8192)});
    WriteFile(dir / "bomb.dwg", DwgBuilder().Entry(6, bomb).Build());
    // 69 bytes that claim 4096 x 4096 pixels of colour: nothing is allocated for the claim.
    Bytes liar = EncodePng({.width = 1, .height = 1, .colorType = 2, .rows = {1, 2, 3}});
    PatchIhdr(liar, 0, 4096);
    PatchIhdr(liar, 4, 4096);
    WriteFile(dir / "liar.dwg", DwgBuilder().Entry(6, liar).Build());
    WriteFile(dir / "small.dwg", Drawing());
    // The child's peak counts what the test process held when it forked: compare like with like.
    const long baseline = RunProgram(PICTAVEX_BINARY, dir.Path(), {"small.dwg"}).peakMemoryKib;
    const ToolRun run =
        RunProgram(PICTAVEX_BINARY, dir.Path(), {"sparse.dwg", "bomb.dwg", "liar.dwg"});
    EXPECT_EQ(run.out, Line("sparse.dwg", "sparse.bmp", kDamagedReason) +
                           Line("bomb.dwg", "bomb.bmp", kDamagedReason) +
                           Line("liar.dwg", "liar.bmp", kDamagedReason) + Summary(0, 0, 3));
    EXPECT_EQ(run.status, 0);
    EXPECT_LT(run.peakMemoryKib, baseline + 16 * 1024);
    EXPECT_FALSE(std::filesystem::exists(dir / "sparse.bmp"));
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
    for (int i = 0; i < 100; ++i) {
        const Bytes& dib = dibs[static_cast<std::size_t>(i) % dibs.size()];
        const Bytes drawing = DwgBuilder().Entry(1, {'b'}).Entry(2, dib).Build();
        WriteFile(dir / ("broken-" + std::to_string(i) + ".dwg"), Mutate(drawing, random));
    }
    const ToolRun run = RunProgram(PICTAVEX_BINARY, dir.Path(), {"-q", "*.dwg"});
    EXPECT_EQ(run.out, "");
    for (std::size_t i = 0; i < dibs.size(); ++i) {
        const Bytes bmp = ReadFile(dir / ("valid-" + std::to_string(i) + ".bmp"));
        ASSERT_EQ(bmp.size(), dibs[i].size() + 14) << i;
        EXPECT_TRUE(std::equal(dibs[i].begin(), dibs[i].end(), bmp.begin() + 14)) << i;
    }
}

}  // namespace
