// The Windows build, cross-compiled with mingw-w64, run under Wine: the same files and text
// as the Linux build, and the Windows rules for paths, names, options and the console.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <set>
#include <string_view>

#include "tests/kill_test.h"
#include "tests/png_builder.h"
#include "tests/tool_test.h"
#include "tests/windows_tool.h"

namespace {

class WindowsTest : public WindowsToolTest {
protected:
    // Every kind of preview the builder makes, and drawings with none or a damaged one.
    void PutDrawings() {
        Bytes palette = DarkPaletteDib({.width = 40, .height = 30});
        SetQuad(palette, 9, 10, 120, 250);
        Bytes noise =
            MakeInfoDib({.width = 33, .height = 17, .bitsPerPixel = 24, .tableEntries = 0});
        std::minstd_rand random(17);
        for (std::size_t i = 40; i < noise.size(); ++i) {
            noise[i] = static_cast<std::uint8_t>(random());
        }
        const Bytes rgba = EncodePng(
            {.width = 3, .height = 2, .colorType = 6, .rows = {255, 0,   0,   255, 0, 255, 0, 0,
                                                               0,   0,   255, 128, 9, 9,   9, 255,
                                                               200, 100, 50,  60,  1, 2,   3, 4}});
        const Bytes indexed = EncodePng({.width = 2,
                                         .height = 2,
                                         .colorType = 3,
                                         .bitDepth = 8,
                                         .rows = {0, 1, 1, 0},
                                         .palette = {250, 0, 0, 0, 0, 250}});
        Put("in/pal.dwg", DwgBuilder().Entry(2, palette).Build());
        Put("in/core.dwg", DwgBuilder().Entry(2, MakeCoreDib(5, 3, 8)).Build());
        Put("in/rgb.dwg", DwgBuilder().Entry(2, noise).Build());
        Put("in/four.dwg",
            DwgBuilder()
                .Entry(2, MakeInfoDib(
                              {.width = 13, .height = 7, .bitsPerPixel = 4, .tableEntries = 16}))
                .Build());
        Put("in/rgba.dwg", DwgBuilder().Version("AC1032").Entry(6, rgba).Build());
        Put("in/indexed.dwg", DwgBuilder().Version("AC1027").Entry(6, indexed).Build());
        Put("in/none.dwg", DwgBuilder().Build());
        Put("in/bad.dwg", DwgBuilder().Entry(2, MakeInfoDib({})).TruncateTo(90).Build());
    }
};

TEST_F(WindowsTest, SameFilesAndTextAsTheLinuxBuild) {
    PutDrawings();
    const std::vector<std::vector<std::string>> variants = {
        {}, {"-w"}, {"-f", "png"}, {"-s", "64"}, {"/W", "/F", "PNG", "/S", "16"}};
    for (std::size_t i = 0; i < variants.size(); ++i) {
        std::vector<std::string> linux = {"-q", "-o", "linux" + std::to_string(i)};
        std::vector<std::string> windows = {"-q", "-o", "windows" + std::to_string(i)};
        linux.insert(linux.end(), variants[i].begin(), variants[i].end());
        windows.insert(windows.end(), variants[i].begin(), variants[i].end());
        linux.push_back("in/*.dwg");
        windows.push_back("in\\*.dwg");
        ASSERT_EQ(Run(linux).status, 0);
        const ToolRun run = RunWindows(windows);
        EXPECT_EQ(run.err, "") << i;
        EXPECT_EQ(run.status, 0) << i;
        const auto expected = FilesUnder(m_dir / ("linux" + std::to_string(i)));
        EXPECT_EQ(expected.size(), 6u) << i;
        EXPECT_EQ(FilesUnder(m_dir / ("windows" + std::to_string(i))), expected) << i;
    }
    for (const bool json : {false, true}) {
        const std::vector<std::string> options =
            json ? std::vector<std::string>{"--json", "-n"} : std::vector<std::string>{"-n"};
        std::vector<std::string> linux = options;
        std::vector<std::string> windows = options;
        linux.push_back("in/*.dwg");
        windows.push_back("in\\*.dwg");
        const ToolRun onLinux = Run(linux);
        const ToolRun onWindows = RunWindows(windows);
        const std::string separator = json ? "\\\\" : "\\";
        EXPECT_EQ(Slashes(onWindows.out, separator), onLinux.out) << json;
        EXPECT_NE(onWindows.out.find("in" + separator + "pal.dwg"), std::string::npos) << json;
        EXPECT_EQ(onWindows.status, onLinux.status);
    }
}

// Drive letters, backslashes, names matched without regard to case, a name the ANSI code
// page cannot spell, /? and options in either case, a read-only output, and a UTF-16 list.
TEST_F(WindowsTest, WindowsPathsNamesAndOptions) {
    const Bytes drawing = DwgBuilder().Entry(2, DarkPaletteDib({.width = 9, .height = 5})).Build();
    Put("Plans/A.DWG", drawing);
    Put("Πλάνο.dwg", drawing);
    ASSERT_EQ(Run({"-q", "-o", "expected", "Plans/A.DWG"}).status, 0);
    const Bytes expected = ReadFile(m_dir / "expected/A.bmp");

    const ToolRun drive =
        RunWindows({"/Q", "-O", "Z:" + Slashes(m_dir.Path()) + "/out", "Z:plans\\*.dwg"});
    EXPECT_EQ(drive.err, "");
    EXPECT_EQ(ReadFile(m_dir / "out/A.bmp"), expected);

    const ToolRun typed = RunWindows({"plans\\a.dwg", "Πλάνο.dwg"});
    EXPECT_EQ(typed.out,
              Line("plans\\A.DWG", "plans\\A.bmp") + Line("Πλάνο.dwg", "Πλάνο.bmp") + Summary(2));
    EXPECT_EQ(ReadFile(m_dir / "Πλάνο.bmp"), expected);

    // Help in the form of Windows' own commands for the Windows ways to ask; the GNU form for
    // --help.
    for (const char* ask : {"/?", "-?", "/H", "/help"}) {
        EXPECT_TRUE(Slashes(RunWindows({ask}).out, "\r\n")
                        .starts_with("Saves the preview pictures of DWG and DXF drawings"))
            << ask;
    }
    EXPECT_TRUE(RunWindows({"--help"}).out.starts_with("Usage: pictavex [OPTION]... DRAWING...\n"));

    // Matches in the order dir shows them: without regard to case.
    Put("order/b.dwg", drawing);
    Put("order/A.dwg", drawing);
    Put("order/C.dwg", drawing);
    EXPECT_EQ(RunWindows({"-n", "order\\*.dwg"}).out,
              Line("order\\A.dwg", "order\\A.bmp", "dry run") +
                  Line("order\\b.dwg", "order\\b.bmp", "dry run") +
                  Line("order\\C.dwg", "order\\C.bmp", "dry run") +
                  "\n3 drawings: 0 written, 3 not written (dry run)\n");

    Put("ro.dwg", drawing);
    Put("ro.bmp", {'o', 'l', 'd'});
    ASSERT_EQ(::chmod((m_dir / "ro.bmp").c_str(), 0444), 0);
    const ToolRun readOnly = RunWindows({"-q", "ro.dwg"});
    // Windows' own text (FormatMessage, in Wine's wording), not the C library's.
    EXPECT_EQ(readOnly.err, Error("ro.bmp", "Access denied"));
    EXPECT_EQ(readOnly.status, 2);
    EXPECT_EQ(ReadFile(m_dir / "ro.bmp"), (Bytes{'o', 'l', 'd'}));

    const std::u16string names = u"\uFEFFro.dwg\r\nΠλάνο.dwg\r\n";
    Bytes list;
    for (const char16_t unit : names) {
        list.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        list.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    Put("list.txt", list);
    ::unlink((m_dir / "Πλάνο.bmp").c_str());
    const ToolRun fromList = RunWindows({"-q", "-o", "listed", "--files-from", "list.txt"});
    EXPECT_EQ(fromList.err, "");
    EXPECT_EQ(ReadFile(m_dir / "listed/Πλάνο.bmp"), expected);
    EXPECT_EQ(ReadFile(m_dir / "listed/ro.bmp"), expected);

    // A `dir /b > list` in the OEM code page (é is 0x82 in 437 and 850), and the same list as
    // `cmd /u` writes it: UTF-16 without a byte-order mark.
    Put("caf\xC3\xA9.dwg", drawing);
    const std::string oem = "caf\x82.dwg\r\nro.dwg\r\n";
    Put("oem.txt", Bytes(oem.begin(), oem.end()));
    const ToolRun fromOem = RunWindows({"-q", "-o", "oem", "--files-from", "oem.txt"});
    EXPECT_EQ(fromOem.err, "");
    EXPECT_EQ(ReadFile(m_dir / "oem/caf\xC3\xA9.bmp"), expected);
    Bytes bare;
    for (const char16_t unit : std::u16string(u"caf\u00e9.dwg\r\nro.dwg\r\n")) {
        bare.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bare.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    Put("bare.txt", bare);
    const ToolRun fromBare = RunWindows({"-q", "-o", "bare", "--files-from", "bare.txt"});
    EXPECT_EQ(fromBare.err, "");
    EXPECT_EQ(ReadFile(m_dir / "bare/caf\xC3\xA9.bmp"), expected);
    EXPECT_EQ(ReadFile(m_dir / "bare/ro.bmp"), expected);
}

// One self-contained exe: no DLL beside it, only those every Windows has.
TEST_F(WindowsTest, ExeImportsOnlyDllsOfEveryWindows) {
    EXPECT_EQ(ImportedDlls(WindowsHeaders(kExe)),
              (std::set<std::string>{"ADVAPI32.dll", "KERNEL32.dll", "SHELL32.dll", "USER32.dll",
                                     "msvcrt.dll"}));
}

TEST_F(WindowsTest, TheZipRunsOnTheShippedExample) {
    const std::string unzip =
        "import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); print(*sorted(z.namelist()));"
        " z.extractall('zip')";
    const ToolRun listed =
        RunProgram("/usr/bin/python3", m_dir.Path(), {"-c", unzip, PICTAVEX_WINDOWS_ZIP});
    std::string expected;
    for (const char* entry :
         {"README.txt", "include/", "include/pictavex.h", "install.cmd", "lib/",
          "lib/libpictavex.dll.a", "lib/pkgconfig/", "lib/pkgconfig/pictavex.pc", "licences/",
          "licences/gcc-runtime.txt", "licences/libspng.txt", "licences/mingw-w64.txt",
          "licences/pictavex.txt", "licences/pixman.txt", "licences/zlib.txt",
          "pictavex-thumbnail.dll", "pictavex.dll", "pictavex.exe", "uninstall.cmd"}) {
        expected += (expected.empty() ? "" : " ") + kZipFolder + "/" + entry;
    }
    EXPECT_EQ(listed.out, expected + "\n");
    const std::string folder = m_dir / ("zip/" + kZipFolder);
    const Bytes readme = ReadFile(folder + "/README.txt");
    const std::string text(readme.begin(), readme.end());
    const auto count = [&text](std::string_view what) {
        std::size_t found = 0;
        for (std::size_t at = text.find(what); at != std::string::npos;
             at = text.find(what, at + 1)) {
            ++found;
        }
        return found;
    };
    EXPECT_EQ(count("\n"), count("\r\n")) << "README.txt's lines end in CRLF";
    EXPECT_GT(count("\n"), 20u);
    ASSERT_EQ(RunProgram("/usr/bin/wine", m_dir.Path(),
                         {folder + "/pictavex.exe", "-q", "-o", "windows", EXAMPLES "/house.dwg"})
                  .status,
              0);
    ASSERT_EQ(Run({"-q", "-o", "linux", EXAMPLES "/house.dwg"}).status, 0);
    EXPECT_EQ(ReadFile(m_dir / "windows/house.bmp"), ReadFile(m_dir / "linux/house.bmp"));
}

// -r walks a tree with FindFirstFileExW: pictures mirrored under -o, and a loop (a link that
// Wine shows as a plain folder) walked once.
TEST_F(WindowsTest, AWalkMirrorsTheTree) {
    const Bytes drawing = DwgBuilder().Entry(2, DarkPaletteDib({.width = 9, .height = 5})).Build();
    Put("plans/p1/Plan.dwg", drawing);
    Put("plans/P2/sub/x.DWG", drawing);
    ASSERT_EQ(::symlink("..", (m_dir / "plans/P2/loop").c_str()), 0);
    const ToolRun run = RunWindows({"-q", "-r", "-o", "thumbs", "plans"});
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
    std::vector<std::string> made;
    for (const auto& [name, bytes] : FilesUnder(m_dir / "thumbs")) {
        made.push_back(name);
        EXPECT_EQ(bytes, FilesUnder(m_dir / "thumbs").begin()->second) << name;
    }
    EXPECT_EQ(made, (std::vector<std::string>{"P2/sub/x.bmp", "p1/Plan.bmp"}));
}

// Paths longer than the 260 characters of Windows' old limit: walked, read and written, in
// folders made as needed.
TEST_F(WindowsTest, LongPathsAreWalkedAndWritten) {
    std::string deep = "plans";
    for (char letter = 'a'; letter < 'g'; ++letter) {
        deep += "/" + std::string(60, letter);
    }
    const Bytes drawing = DwgBuilder().Entry(2, DarkPaletteDib({.width = 9, .height = 5})).Build();
    Put(deep + "/Plan.dwg", drawing);
    const ToolRun walk = RunWindows({"-q", "-r", "-o", "thumbs", "plans"});
    EXPECT_EQ(walk.err, "");
    EXPECT_EQ(walk.status, 0);
    const std::string mirrored = "thumbs" + deep.substr(5) + "/Plan.bmp";
    EXPECT_TRUE(Exists(mirrored)) << mirrored;
    const ToolRun beside = RunWindows({"-q", deep + "/*.dwg"});
    EXPECT_EQ(beside.err, "");
    EXPECT_EQ(ReadFile(m_dir / (deep + "/Plan.bmp")), ReadFile(m_dir / mirrored));
}

// A program under Wine on a terminal, which Wine makes its console: what the screen showed, and
// whether it was still running when `text` appeared (or the patience ran out).
struct ConsoleRun {
    std::string screen;
    bool running = false;
    int master = -1;
    pid_t pid = -1;
};

ConsoleRun StartOnConsole(const std::string& directory, std::vector<std::string> arguments,
                          const std::string& text) {
    ConsoleRun run;
    run.pid = ::forkpty(&run.master, nullptr, nullptr, nullptr);
    if (run.pid == 0) {
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        if (::chdir(directory.c_str()) == 0) {
            ::execvp(argv[0], argv.data());
        }
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int status = 0;
    while (run.screen.find(text) == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        pollfd ready{run.master, POLLIN, 0};
        char buffer[512];
        if (::poll(&ready, 1, 50) == 1) {
            const ssize_t got = ::read(run.master, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            run.screen.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::usleep(300000);  // a run that would not wait has ended by now
    run.running = ::waitpid(run.pid, &status, WNOHANG) == 0;
    return run;
}

void EndConsoleRun(ConsoleRun& run) {
    ::kill(run.pid, SIGKILL);
    ::waitpid(run.pid, nullptr, 0);
    ::close(run.master);
}

// The closing prompt only for a console of the run's own, as a drawing dropped on the exe
// gets; never for runs from cmd.exe, as a .bat file makes them.
TEST_F(WindowsTest, ThePromptOnlyOnAConsoleOfItsOwn) {
    Put("a.dwg", DwgBuilder().Entry(2, DarkPaletteDib({})).Build());
    const std::string prompt = "------ Press any key for exit -------";
    ConsoleRun alone = StartOnConsole(m_dir.Path(), {"wine", kExe, "a.dwg"}, prompt);
    EXPECT_NE(alone.screen.find(prompt), std::string::npos) << alone.screen;
    EXPECT_TRUE(alone.running) << "it did not wait for a key";
    ASSERT_EQ(::write(alone.master, "x", 1), 1);
    int status = -1;
    for (int i = 0; i < 100 && ::waitpid(alone.pid, &status, WNOHANG) == 0; ++i) {
        ::usleep(50000);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the key did not end it";
    ::close(alone.master);

    std::string exe = "Z:" + kExe;
    std::replace(exe.begin(), exe.end(), '/', '\\');
    ConsoleRun batch = StartOnConsole(
        m_dir.Path(), {"wine", "cmd", "/c", exe + " a.dwg & " + exe + " a.dwg & echo done"},
        "done");
    EXPECT_EQ(batch.screen.find(prompt), std::string::npos) << batch.screen;
    EXPECT_NE(batch.screen.find("done"), std::string::npos) << batch.screen;
    EXPECT_FALSE(batch.running) << "a run from cmd.exe waited for a key";
    EndConsoleRun(batch);
}

// Ctrl+C (Wine turns SIGINT into it) while the batch replaces bitmaps: whole files only.
// Wine now and then ends the process at the very start of a write without running the
// console handler: the empty hidden file that leaves is removed by the next run.
class WindowsKillTest : public KillTest {
protected:
    static void SetUpTestSuite() { WindowsToolTest::SetUpTestSuite(); }
    ToolProcess Batch() override {
        return ToolProcess("/usr/bin/wine", m_dir.Path(), {kExe, "-q", "-j", "8", "*.dwg"},
                           {.killAfter = std::chrono::seconds(30)});
    }
};

TEST_F(WindowsKillTest, ControlCLeavesWholeFilesAndTheNextRunCleansUp) {
    KillRandomly(SIGINT, 10, true);
}

}  // namespace

namespace {

// A folder written with a backslash after it, as the README and tab completion write it, is
// walked as the folder is.
TEST_F(WindowsTest, AFolderWithATrailingBackslashIsWalked) {
    PutDrawings();
    ASSERT_EQ(Run({"-q", "-r", "-o", "linux", "in"}).status, 0);
    for (const std::string& named :
         std::vector<std::string>{"in\\", "in\\\\", "Z:" + m_dir.Path() + "\\in\\"}) {
        std::filesystem::remove_all(m_dir / "windows");
        const ToolRun run = RunWindows({"/Q", "/R", "/O", "windows", named});
        EXPECT_EQ(run.status, 0) << named << run.err;
        EXPECT_EQ(FilesUnder(m_dir / "windows"), FilesUnder(m_dir / "linux")) << named;
    }
}

}  // namespace
