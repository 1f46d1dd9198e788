#pragma once
// Batches killed at a random moment while they replace existing bitmaps: every output is
// the old file or the whole new one, a signal that can be caught leaves no hidden file, and
// what a SIGKILL leaves is removed by the next run.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "tests/tool_test.h"

constexpr int kDrawings = 200;
constexpr int kTrials = 50;

class KillTest : public ToolTest {
protected:
    void SetUp() override {
        for (int i = 0; i < kDrawings; ++i) {
            Put(Name(i, ".dwg"),
                DwgBuilder().Entry(2, DarkPaletteDib({.width = 1 + i % 40, .height = 30})).Build());
        }
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(Batch().Wait().status, 0);
        m_runTime = std::chrono::steady_clock::now() - start;
        for (int i = 0; i < kDrawings; ++i) {
            m_new.push_back(ReadFile(m_dir / Name(i, ".bmp")));
        }
    }
    static std::string Name(int i, const char* extension) {
        return "d" + std::to_string(1000 + i) + extension;
    }
    // The batch that is killed: the Linux build, unless a test of another build says otherwise.
    virtual ToolProcess Batch() {
        return ToolProcess(PICTAVEX_BINARY, m_dir.Path(), {"-q", "-j", "8", "*.dwg"});
    }
    Bytes Old(int i) const { return {'o', 'l', 'd', static_cast<std::uint8_t>(i)}; }

    // Every bitmap old or wholly new, and nothing else in the folder but what `allowHidden`
    // lets through, and empty hidden files where `allowEmpty` does (they are removed). The
    // number of other hidden files found.
    int CheckFolder(bool allowHidden, bool allowEmpty = false) {
        int hidden = 0;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
            const std::string name = entry.path().filename();
            // Windows removes a killed run's hidden files itself, maybe while they are listed.
            std::error_code gone;
            const std::uintmax_t size = entry.file_size(gone);
            if (gone && name.starts_with(".pictavex-")) {
                continue;
            }
            if (allowEmpty && name.starts_with(".pictavex-") && size == 0) {
                std::filesystem::remove(entry.path(), gone);
            } else if (name.starts_with(".pictavex-")) {
                ++hidden;
                EXPECT_TRUE(allowHidden) << name;
            } else {
                EXPECT_TRUE(name.ends_with(".dwg") || name.ends_with(".bmp")) << name;
            }
        }
        for (int i = 0; i < kDrawings; ++i) {
            const Bytes bmp = ReadFile(m_dir / Name(i, ".bmp"));
            EXPECT_TRUE(bmp == Old(i) || bmp == m_new[i]) << Name(i, ".bmp");
        }
        return hidden;
    }

    // `trials` batches, each sent the signal at a random moment of its run. Only SIGKILL, or
    // where `mayLeaveEmpty` says so, may leave hidden files, which the next run removes but
    // for empty ones: nothing shows those are a run's own. A batch that did not end by itself
    // ends by the very signal, so that a shell loop around it stops too.
    void KillRandomly(int signalNumber, int trials = kTrials, bool mayLeaveEmpty = false) {
        std::minstd_rand random(static_cast<unsigned>(signalNumber));
        const auto longest = std::chrono::duration_cast<std::chrono::microseconds>(m_runTime * 1.2);
        for (int trial = 0; trial < trials; ++trial) {
            for (int i = 0; i < kDrawings; ++i) {
                WriteFile(m_dir / Name(i, ".bmp"), Old(i));
            }
            ToolProcess tool = Batch();
            std::this_thread::sleep_for(
                std::chrono::microseconds(random() % (longest.count() + 1)));
            ::kill(tool.Pid(), signalNumber);
            const ToolRun run = tool.Wait();
            SCOPED_TRACE("trial " + std::to_string(trial) + ": status " +
                         std::to_string(run.status) + ", signal " + std::to_string(run.signal) +
                         ", " + run.err);
            if (!mayLeaveEmpty && run.status != 0) {
                EXPECT_EQ(run.status, -1);
                EXPECT_EQ(run.signal, signalNumber);
            }
            if (CheckFolder(signalNumber == SIGKILL || mayLeaveEmpty, mayLeaveEmpty) != 0) {
                ASSERT_EQ(Batch().Wait().status, 0);  // the next run cleans up after a SIGKILL
                EXPECT_EQ(CheckFolder(false, mayLeaveEmpty), 0);
            }
        }
    }

    std::vector<Bytes> m_new;
    std::chrono::steady_clock::duration m_runTime{};
};
