// The Explorer thumbnail handler under Wine, asked as Explorer and the shell ask it: the same
// pixels as `pictavex -w -f png -s N`, the documented answers, and a registry left as found.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <set>

#include "tests/png_builder.h"
#include "tests/windows_tool.h"

namespace {

const std::string kHandler = PICTAVEX_WINDOWS_HANDLER;
const std::string kClient = PICTAVEX_WINDOWS_CLIENT;
constexpr char kClass[] = "{7FD3B790-684F-4EC2-A31C-3AC6F2262FC4}";
constexpr char kOther[] = "{00000000-1111-2222-3333-444444444444}";
constexpr char kHandlerKey[] = "\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}";

// A Linux path as a Windows program takes it.
std::string WindowsPath(const std::filesystem::path& path) {
    std::string text = "Z:" + path.string();
    for (char& c : text) {
        c = c == '/' ? '\\' : c;
    }
    return text;
}

// Pixels as the client prints them: "W H", then red, green, blue, alpha, 16 bytes a line.
std::string PixelText(const DecodedPng& png) {
    std::string text = std::to_string(png.width) + " " + std::to_string(png.height) + "\n";
    const std::size_t count = std::size_t{png.width} * png.height;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t rgba[4] = {0, 0, 0, 255};
        if (png.colorType == 3) {
            std::copy_n(&png.palette[3 * png.pixels[i]], 3, rgba);
        } else {
            std::copy_n(&png.pixels[4 * i], 4, rgba);
        }
        for (int c = 0; c < 4; ++c) {
            char hex[4];
            std::snprintf(hex, sizeof(hex), "%02x", rgba[c]);
            text += hex;
            text += c == 3 && (i % 4 == 3 || i + 1 == count) ? "\n" : " ";
        }
    }
    return text;
}

class WindowsExplorerTest : public WindowsToolTest {
protected:
    ToolRun Wine(std::vector<std::string> arguments) {
        return RunProgram("/usr/bin/wine", m_dir.Path(), arguments);
    }
    int Regsvr32(std::vector<std::string> options) {
        options.insert(options.begin(), {"regsvr32", "/s"});
        options.push_back(WindowsPath(kHandler));
        return Wine(options).status;
    }
    std::string Registry(const std::string& key) { return Wine({"reg", "query", key, "/s"}).out; }
    std::string Handlers(const std::string& root) {
        std::string text;
        for (const std::string type : {".dwg", ".dxf"}) {
            text += Registry(root + "\\Software\\Classes\\" + type) +
                    Registry(root + "\\Software\\Classes\\SystemFileAssociations\\" + type);
        }
        return text + Registry(root + "\\Software\\Classes\\CLSID\\" + kClass);
    }
    // What the handler gives for a drawing of the test folder, asked `mode`'s way.
    std::string Client(const std::string& mode, const std::string& name, int side) {
        return Wine({kClient, mode, WindowsPath(m_dir / name), std::to_string(side)}).out;
    }
    std::string ToolPixels(const std::string& name, int side) {
        const ToolRun run =
            Run({"-q", "-w", "-d", "missing", "-f", "png", "-s", std::to_string(side), "-o",
                 "expected", name});
        EXPECT_EQ(run.status, 0) << run.err;
        const std::string png = std::filesystem::path(name).stem().string() + ".png";
        return PixelText(DecodePng(ReadFile(m_dir / ("expected/" + png))));
    }
};

// COM finds the class only in the machine's registry under Wine, so these register it there.
class WindowsExplorerPictureTest : public WindowsExplorerTest {
protected:
    void SetUp() override { ASSERT_EQ(Regsvr32({}), 0); }
    void TearDown() override { EXPECT_EQ(Regsvr32({"/u"}), 0); }
};

TEST_F(WindowsExplorerPictureTest, PicturesAreThoseOfTheToolEveryWay) {
    std::filesystem::copy(EXAMPLES "/house.dwg", m_dir / "house.dwg");
    std::filesystem::copy(EXAMPLES "/site.dwg", m_dir / "site.dwg");
    std::filesystem::copy(EXAMPLES "/plan.dxf", m_dir / "plan.dxf");
    std::filesystem::copy(EXAMPLES "/yard.dxf", m_dir / "yard.dxf");  // drawn: it stores none
    Bytes rows(300 * 200 * 3);
    std::minstd_rand random(5);
    for (std::uint8_t& byte : rows) {
        byte = static_cast<std::uint8_t>(random());
    }
    Put("photo.dwg", DwgBuilder()
                         .Version("AC1032")
                         .Entry(6, EncodePng({.width = 300, .height = 200, .rows = rows}))
                         .Build());
    Put("clear.dwg",
        DwgBuilder()
            .Version("AC1027")
            .Entry(6, EncodePng({.width = 3,
                                 .height = 2,
                                 .colorType = 6,
                                 .rows = {255, 0, 0, 255, 0,   255, 0,  0,  0, 0, 255, 128,
                                          9,   9, 9, 255, 200, 100, 50, 60, 1, 2, 3,   4}}))
            .Build());
    // Previews far from the start, as large drawings keep them: read where the stream is asked.
    const Bytes asymmetric = DarkPaletteDib({.width = 37, .height = 23});
    Put("far128k.dwg", DwgBuilder().BlockAt(128 << 10).Entry(2, asymmetric).Build());
    Put("far1m.dwg", DwgBuilder().BlockAt(1 << 20).Entry(2, asymmetric).Build());
    for (const std::string name : {"house.dwg", "site.dwg", "photo.dwg", "clear.dwg", "plan.dxf",
                                   "yard.dxf", "far128k.dwg", "far1m.dwg"}) {
        for (const int side : {128, 256}) {
            const std::string expected = "hr 0x00000000\n" + ToolPixels(name, side);
            const std::string streamed = Client("stream", name, side);
            EXPECT_EQ(streamed.substr(0, streamed.rfind("read ")), expected) << name << side;
            EXPECT_EQ(Client("file", name, side), expected) << name << side;
            EXPECT_EQ(Client("shell", name, side), expected) << name << side;
        }
    }
}

// No preview: S_FALSE and no bitmap. Damaged: ERROR_INVALID_DATA. Not a drawing (empty, text):
// ERROR_BAD_FORMAT. A stream that fails: its own error. Only the start of a drawing is read.
TEST_F(WindowsExplorerPictureTest, OutcomesAreTheDocumentedAnswers) {
    Put("none.dwg", DwgBuilder().Build());
    const Bytes whole = DwgBuilder().Entry(2, DarkPaletteDib({.width = 40, .height = 30})).Build();
    Put("bad.dwg", Bytes(whole.begin(), whole.end() - 10));  // its bitmap cut short
    Put("empty.dwg", {});
    const std::string text = "not a drawing at all\r\n";
    Put("text.dwg", Bytes(text.begin(), text.end()));
    Bytes large = DwgBuilder().Entry(2, DarkPaletteDib({.width = 40, .height = 30})).Build();
    const std::size_t drawing = large.size();
    large.resize(4 << 20, 0x55);  // the rest of a large drawing, never read
    Put("large.dwg", large);
    const struct {
        const char* mode;
        const char* name;
        std::string answer;
    } cases[] = {
        {"stream", "none.dwg", "hr 0x00000001\nread"},
        {"file", "none.dwg", "hr 0x00000001\n"},
        {"stream", "bad.dwg", "hr 0x8007000d\nread"},
        {"file", "bad.dwg", "hr 0x8007000d\n"},
        {"stream", "empty.dwg", "hr 0x8007000b\nread 0\n"},
        {"stream", "text.dwg", "hr 0x8007000b\nread"},
        {"file", "text.dwg", "hr 0x8007000b\n"},
        {"file", "missing.dwg", "hr 0x80070002\n"},
        {"failing", "none.dwg", "hr 0x8003001e\nread 0\n"},
    };
    for (const auto& c : cases) {
        const std::string answer = Client(c.mode, c.name, 96);
        EXPECT_EQ(answer.substr(0, c.answer.size()), c.answer) << c.mode << " " << c.name;
    }
    const std::string streamed = Client("stream", "large.dwg", 32);
    ASSERT_EQ(streamed.substr(0, 20), "hr 0x00000000\n32 24\n");
    const std::size_t read = std::stoul(streamed.substr(streamed.rfind("read ") + 5));
    EXPECT_GE(read, drawing);
    EXPECT_LE(read, drawing + (64 << 10)) << "at most the first read beyond the drawing's preview";
}

// Registered and unregistered, per machine and per user, the registry is as it was; another
// program's handler is never set aside unasked, and comes back.
TEST_F(WindowsExplorerTest, RegistrationLeavesTheRegistryAsFound) {
    const struct {
        std::string root;
        std::vector<std::string> install, uninstall, replace;
    } scopes[] = {
        {"HKLM", {}, {"/u"}, {"/n", "/i:replace"}},
        {"HKCU", {"/n", "/i:user"}, {"/u", "/n", "/i:user"}, {"/n", "/i:user,replace"}},
    };
    for (const auto& scope : scopes) {
        const std::string& root = scope.root;
        const std::string before = Handlers(root);
        ASSERT_EQ(Regsvr32(scope.install), 0) << root;
        const std::string dwgKey = root + "\\Software\\Classes\\.dwg" + kHandlerKey;
        EXPECT_NE(Registry(dwgKey).find(kClass), std::string::npos) << root;
        EXPECT_NE(Registry(root + "\\Software\\Classes\\SystemFileAssociations\\.dxf" + kHandlerKey)
                      .find(kClass),
                  std::string::npos)
            << root;
        const std::string server =
            Registry(root + "\\Software\\Classes\\CLSID\\" + kClass + "\\InprocServer32");
        EXPECT_NE(server.find("pictavex-thumbnail.dll"), std::string::npos) << server;
        EXPECT_NE(server.find("ThreadingModel    REG_SZ    Apartment"), std::string::npos);
        EXPECT_NE(Registry(root + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Shell "
                                  "Extensions\\Approved")
                      .find(kClass),
                  std::string::npos);
        ASSERT_EQ(Regsvr32(scope.uninstall), 0) << root;
        EXPECT_EQ(Handlers(root), before) << root;

        // A CAD program's handler: kept unless replacing is asked for, then put back.
        ASSERT_EQ(Wine({"reg", "add", dwgKey, "/ve", "/d", kOther, "/f"}).status, 0);
        const std::string cad = Handlers(root);
        EXPECT_NE(Regsvr32(scope.install), 0) << root;
        EXPECT_EQ(Handlers(root), cad) << root;
        ASSERT_EQ(Regsvr32(scope.replace), 0) << root;
        EXPECT_NE(Registry(dwgKey).find(kClass), std::string::npos) << root;
        ASSERT_EQ(Regsvr32(scope.uninstall), 0) << root;
        EXPECT_EQ(Handlers(root), cad) << root;
        Wine({"reg", "delete", root + "\\Software\\Classes\\.dwg", "/f"});
        EXPECT_EQ(Handlers(root), before) << root;
    }
}

// The zip's scripts: install.cmd registers the DLL beside it (Wine runs everything as an
// administrator: for the machine), and uninstall.cmd leaves the registry as it was.
TEST_F(WindowsExplorerTest, TheZipsScriptsTurnThumbnailsOnAndOff) {
    const std::string unzip = "import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall('zip')";
    ASSERT_EQ(
        RunProgram("/usr/bin/python3", m_dir.Path(), {"-c", unzip, PICTAVEX_WINDOWS_ZIP}).status,
        0);
    std::filesystem::copy(EXAMPLES "/house.dwg", m_dir / "house.dwg");
    const std::string before = Handlers("HKLM") + Handlers("HKCU");
    // Over a CAD program's handler only when asked to, which uninstall.cmd puts back.
    const std::string dwgKey = std::string("HKLM\\Software\\Classes\\.dwg") + kHandlerKey;
    ASSERT_EQ(Wine({"reg", "add", dwgKey, "/ve", "/d", kOther, "/f"}).status, 0);
    const ToolRun refused =
        Wine({"cmd", "/c", WindowsPath(m_dir / ("zip/" + kZipFolder + "/install.cmd"))});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("\"install.cmd replace\" sets its handler aside."),
              std::string::npos);
    EXPECT_EQ(
        Wine({"cmd", "/c", WindowsPath(m_dir / ("zip/" + kZipFolder + "/install.cmd")), "replace"})
            .status,
        0);
    EXPECT_NE(Registry(dwgKey).find(kClass), std::string::npos);
    EXPECT_EQ(
        Wine({"cmd", "/c", WindowsPath(m_dir / ("zip/" + kZipFolder + "/uninstall.cmd"))}).status,
        0);
    EXPECT_NE(Registry(dwgKey).find(kOther), std::string::npos);
    Wine({"reg", "delete", "HKLM\\Software\\Classes\\.dwg", "/f"});
    const ToolRun installed =
        Wine({"cmd", "/c", WindowsPath(m_dir / ("zip/" + kZipFolder + "/install.cmd"))});
    EXPECT_EQ(installed.status, 0);
    EXPECT_EQ(
        installed.out,
        "install.cmd: Explorer now shows DWG thumbnails for every user of this computer.\r\n");
    EXPECT_NE(
        Registry("HKLM\\Software\\Classes\\CLSID\\" + std::string(kClass) + "\\InprocServer32")
            .find(WindowsPath(m_dir / ("zip/" + kZipFolder + "/pictavex-thumbnail.dll"))),
        std::string::npos);
    EXPECT_EQ(Client("stream", "house.dwg", 256).substr(0, 20), "hr 0x00000000\n64 48\n");
    const ToolRun removed =
        Wine({"cmd", "/c", WindowsPath(m_dir / ("zip/" + kZipFolder + "/uninstall.cmd"))});
    EXPECT_EQ(removed.status, 0);
    EXPECT_EQ(removed.out,
              "uninstall.cmd: Explorer no longer asks Pictavex for DWG thumbnails.\r\n");
    EXPECT_EQ(Handlers("HKLM") + Handlers("HKCU"), before);
    EXPECT_EQ(Client("stream", "house.dwg", 256).substr(0, 14), "hr 0x80040154\n");
}

// Only Windows' own DLLs, and only the entry points of COM and regsvr32.
TEST_F(WindowsExplorerTest, TheDllImportsWindowsAndExportsTheEntryPoints) {
    const std::string headers = WindowsHeaders(kHandler);
    EXPECT_EQ(ImportedDlls(headers),
              (std::set<std::string>{"ADVAPI32.dll", "GDI32.dll", "KERNEL32.dll", "SHELL32.dll",
                                     "msvcrt.dll", "ole32.dll"}));
    const std::size_t table = headers.find("[Ordinal/Name Pointer] Table");
    ASSERT_NE(table, std::string::npos);
    EXPECT_EQ(headers.substr(table, headers.find("\n\n", table) - table),
              "[Ordinal/Name Pointer] Table\n\t[   0] DllCanUnloadNow\n\t[   1] DllGetClassObject\n"
              "\t[   2] DllInstall\n\t[   3] DllRegisterServer\n\t[   4] DllUnregisterServer");
}

}  // namespace
