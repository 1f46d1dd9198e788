// JSON Lines for catalogues, and dry runs that write nothing.
#include <gtest/gtest.h>

#include "app/json_text.h"
#include "tests/png_builder.h"
#include "tests/tool_test.h"

namespace {

// Where the builder puts the data of the first of `entries` entries.
std::size_t FirstDataStart(std::size_t entries) {
    return DwgBuilder::kDefaultImageAddress + 21 + 9 * entries;
}

// Each line read back by Python's strict JSON reader: the path's bytes (from the base64
// copy when there is one) in hex, the status and the output's bytes in hex.
std::string DecodedByPython(const std::string& directory, const std::string& jsonLines) {
    WriteFile(directory + "/lines.json", Bytes(jsonLines.begin(), jsonLines.end()));
    const std::string script = R"(
import base64, json, sys
def raw(o, name):
    if o[name] is None: return 'null'
    if name + '_base64' in o: return base64.b64decode(o[name + '_base64']).hex()
    return o[name].encode().hex()
for line in sys.stdin.buffer.read().split(b'\n')[:-1]:
    o = json.loads(line.decode('utf-8'))
    print(raw(o, 'path'), o['status'], raw(o, 'output'))
)";
    return RunProgram("/usr/bin/python3", directory, {"-c", script},
                      {.stdinPath = directory + "/lines.json"})
        .out;
}

std::string Hex(const std::string& bytes) {
    std::string hex;
    for (unsigned char c : bytes) {
        hex += "0123456789abcdef"[c >> 4];
        hex += "0123456789abcdef"[c & 0xF];
    }
    return hex;
}

using JsonTest = ToolTest;

TEST_F(JsonTest, EachDrawingIsOneLineInArgumentOrder) {
    const Bytes header = {'H', 'D', 'R', 0, 'x'};
    const Bytes dib = DarkPaletteDib({.width = 5, .height = 3});
    const Bytes png = EncodePng({.width = 7, .height = 2, .rows = Bytes(42, 0x80)});
    Put("b.dwg", DwgBuilder()
                     .Version("AC1018")
                     .Entry(1, header)
                     .Entry(2, dib)
                     .Entry(3, Bytes(30, 0))
                     .Entry(6, png)
                     .Build());
    Put("p.dwg", DwgBuilder().Version("AC1032").Entry(6, png).Build());
    Put("n.dwg", DwgBuilder().Version("AC9999").Build());
    Put("d.dwg", DwgBuilder().Entry(2, dib).TruncateTo(100).Build());
    Put("bad.dwg", DwgBuilder().ImageAddress(-1).Build());
    Put("zz.dwg", DwgBuilder().Version("ZZ1015").Entry(1, header).Entry(2, dib).Build());
    const std::size_t b = FirstDataStart(4);
    const std::string images =
        R"([{"kind":"header","code":1,"offset":)" + std::to_string(b) + R"(,"size":5},)" +
        R"({"kind":"bitmap","code":2,"offset":)" + std::to_string(b + 5) + R"(,"size":)" +
        std::to_string(dib.size()) + "}," + R"({"kind":"metafile","code":3,"offset":)" +
        std::to_string(b + 5 + dib.size()) + R"(,"size":30},)" +
        R"({"kind":"png","code":6,"offset":)" + std::to_string(b + 35 + dib.size()) +
        R"(,"size":)" + std::to_string(png.size()) + "}]";
    const std::string missing =
        R"({"path":"none.dwg","format":null,"version":null,"release":null,"header":null,"images":[],)"
        R"("preview":null,"output":null,"status":"error",)"
        R"("error":"none.dwg: No such file or directory"})"
        "\n";

    const std::vector<std::string> drawings = {"b.dwg", "p.dwg",          "none.dwg", "n.dwg",
                                               "d.dwg", "/proc/self/mem", "bad.dwg",  "zz.dwg"};
    std::vector<std::string> arguments = {"--json", "-o", "t"};
    arguments.insert(arguments.end(), drawings.begin(), drawings.end());
    const ToolRun run = Run(arguments);
    EXPECT_EQ(
        run.out,
        R"({"path":"b.dwg","format":"dwg","version":"AC1018","release":"R2004","header":"HDR","images":)" +
            images +
            R"(,"preview":{"kind":"bitmap","width":5,"height":3,"bit_depth":8},)"
            R"("output":"t/b.bmp","status":"written","error":null})"
            "\n"
            R"({"path":"p.dwg","format":"dwg","version":"AC1032","release":"R2018","header":"",)"
            R"("images":[{"kind":"png","code":6,"offset":)" +
            std::to_string(FirstDataStart(1)) + R"(,"size":)" + std::to_string(png.size()) +
            R"(}],"preview":{"kind":"png","width":7,"height":2,"bit_depth":24},)"
            R"("output":"t/p.bmp","status":"written","error":null})"
            "\n" +
            missing +
            R"({"path":"n.dwg","format":"dwg","version":"AC9999","release":null,"header":"","images":[],)"
            R"("preview":null,"output":null,"status":"no preview","error":null})"
            "\n"
            R"({"path":"d.dwg","format":"dwg","version":"AC1015","release":"R2000","header":"",)"
            R"("images":[{"kind":"bitmap","code":2,"offset":)" +
            std::to_string(FirstDataStart(1)) + R"(,"size":)" + std::to_string(dib.size()) +
            R"(}],"preview":null,"output":null,"status":"damaged preview","error":null})"
            "\n"
            R"({"path":"/proc/self/mem","format":null,"version":null,"release":null,"header":null,)"
            R"("images":[],"preview":null,"output":null,"status":"error",)"
            R"("error":"/proc/self/mem: Input/output error"})"
            "\n"
            R"({"path":"bad.dwg","format":"dwg","version":"AC1015","release":"R2000","header":"",)"
            R"("images":[],"preview":null,"output":null,"status":"error",)"
            R"("error":"bad.dwg: Invalid argument"})"
            "\n"
            R"({"path":"zz.dwg","format":null,"version":null,"release":null,"header":null,"images":[],)"
            R"("preview":null,"output":null,"status":"error",)"
            R"("error":"zz.dwg: not a DWG or DXF drawing"})"
            "\n");
    EXPECT_EQ(run.err, Error("none.dwg", "No such file or directory") +
                           Error("/proc/self/mem", "Input/output error") +
                           Error("bad.dwg", "Invalid argument") +
                           Error("zz.dwg", "not a DWG or DXF drawing"));
    EXPECT_EQ(run.status, 2);
    // The same lines in quiet mode: JSON is data, not progress text.
    arguments.insert(arguments.begin(), "-q");
    EXPECT_EQ(Run(arguments).out, run.out);
}

TEST_F(JsonTest, NamesThatAreNotUtf8DecodeBackToTheirBytes) {
    const std::string names[] = {"caf\xE9.dwg", "quote\"back\\slash\ttab.dwg",
                                 "\xC3\xA9t\xC3\xA9.dwg", "nl\nx.dwg", "bad\xED\xA0\x80.dwg"};
    std::string expected;
    std::vector<std::string> arguments = {"--json", "--"};
    for (const std::string& name : names) {
        Put(name, DwgBuilder().Entry(2, MakeInfoDib({})).Build());
        arguments.push_back(name);
        const std::string output = name.substr(0, name.size() - 4) + ".bmp";
        expected += Hex(name) + " written " + Hex(output) + "\n";
    }
    const ToolRun run = Run(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(DecodedByPython(m_dir.Path(), run.out), expected) << run.out;
    EXPECT_NE(run.out.find(R"("path":"caf)"
                           "\xEF\xBF\xBD"
                           R"(.dwg","path_base64":"Y2Fm6S5kd2c=")"),
              std::string::npos)
        << run.out;
}

TEST_F(JsonTest, DryRunReadsAndTellsButWritesNothing) {
    Put("a.dwg", DwgBuilder().Entry(2, MakeInfoDib({})).Build());
    Put("n.dwg", DwgBuilder().Build());
    const ToolRun run = Run({"-n", "-o", "thumbs", "a.dwg", "n.dwg"});
    EXPECT_EQ(run.out,
              Line("a.dwg", "thumbs/a.bmp", "dry run") + Line("n.dwg", "thumbs/n.bmp", kNoPreview) +
                  "\n2 drawings: 0 written, 1 not written (dry run), 1 without a preview\n");
    EXPECT_EQ(run.status, 0);
    // The output a run would write, so that a catalogue made by a dry run names it.
    const ToolRun json = Run({"--dry-run", "--json", "-o", "thumbs", "a.dwg"});
    EXPECT_NE(json.out.find(R"("output":"thumbs/a.bmp","status":"dry run")"), std::string::npos)
        << json.out;
    EXPECT_EQ(FilesUnder(m_dir.Path()).size(), 2u);  // the drawings alone: no directory, no image
    EXPECT_FALSE(std::filesystem::exists(m_dir / "thumbs"));
}

TEST(JsonTextTest, EveryValueIsValidJsonAndBadBytesAreKept) {
    const struct {
        std::string value;
        std::string json;
    } cases[] = {
        {"plain", R"("v":"plain")"},
        {"\"\\\n\t\x01\x7F", R"("v":"\"\\\n\t\u0001\u007f")"},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\"v\":\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\""},
        {"\x80", "\"v\":\"\xEF\xBF\xBD\",\"v_base64\":\"gA==\""},
        {"\xC0\xAF", "\"v\":\"\xEF\xBF\xBD\xEF\xBF\xBD\",\"v_base64\":\"wK8=\""},  // overlong
        {"\xED\xA0\x80", "\"v\":\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\",\"v_base64\":\"7aCA\""},
        {"\xF4\x90\x80\x80x",
         "\"v\":\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDx\",\"v_base64\":\"9JCAgHg=\""},
        {"\xE2\x82", "\"v\":\"\xEF\xBF\xBD\xEF\xBF\xBD\",\"v_base64\":\"4oI=\""},  // cut short
        {"\x1F", R"("v":"\u001f")"},
        {"\xE0\x80\x80",  // overlong
         "\"v\":\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\",\"v_base64\":\"4ICA\""},
        {"\xF5\x80\x80\x80",  // no such lead byte
         "\"v\":\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\",\"v_base64\":\"9YCAgA==\""},
        {"\xE2\x82"
         "A",  // cut short by a plain letter
         "\"v\":\"\xEF\xBF\xBD\xEF\xBF\xBD"
         "A\",\"v_base64\":\"4oJB\""},
    };
    for (const auto& c : cases) {
        std::string object = "{";
        AppendJsonText(object, "v", c.value);
        EXPECT_EQ(object, "{" + c.json) << Hex(c.value);
    }
}

}  // namespace
