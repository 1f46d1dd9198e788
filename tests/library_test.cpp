// libpictavex through its C API: every outcome a code, the pixels of the tool, inputs from a
// path, a buffer and a stream alike, the caller's limits, and not a byte on stdout or stderr.
#include "lib/pictavex.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "tests/dxf_builder.h"
#include "tests/png_builder.h"
#include "tests/run_tool.h"
#include "tests/tool_test.h"

namespace {

struct Context {
    Context() : ctx(pictavex_ctx_new()) {}
    ~Context() { pictavex_ctx_free(ctx); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    pictavex_ctx* ctx;
};

// A 3 x 2 bitmap, each pixel its own colour, bottom row stored first.
Bytes Colours() {
    Bytes dib = MakeInfoDib({.width = 3, .height = 2, .bitsPerPixel = 24, .tableEntries = 0});
    const std::uint8_t bgr[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  0, 0, 0,  // bottom row, padded
                                10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0};
    std::copy(std::begin(bgr), std::end(bgr), dib.begin() + 40);
    return dib;
}

class LibraryTest : public ToolTest {
protected:
    Context m_context;
    pictavex_ctx* ctx = m_context.ctx;
};

TEST_F(LibraryTest, EveryOutcomeIsACode) {
    Put("good.dwg", DwgBuilder().Entry(2, Colours()).Build());
    Put("none.dwg", DwgBuilder().Build());
    Put("damaged.dwg", DwgBuilder().Entry(2, Colours()).TruncateTo(100).Build());
    Put("text.dwg", {'n', 'o', 't', 'e', 's'});
    const struct {
        std::string name;
        int status;
        int error;
    } cases[] = {{"good.dwg", PICTAVEX_OK, 0},
                 {"none.dwg", PICTAVEX_ENO_PREVIEW, 0},
                 {"damaged.dwg", PICTAVEX_EDAMAGED, 0},
                 {"text.dwg", PICTAVEX_ENOT_DRAWING, 0},
                 {"missing.dwg", PICTAVEX_EREAD, ENOENT},
                 {"", PICTAVEX_EREAD, ENOENT}};
    for (const auto& c : cases) {
        EXPECT_EQ(pictavex_load_file(ctx, (m_dir / c.name).c_str()),
                  c.name.empty() ? PICTAVEX_EREAD : c.status)
            << c.name;
        EXPECT_EQ(pictavex_get_errno(ctx), c.name.empty() ? EISDIR : c.error) << c.name;
        EXPECT_STREQ(pictavex_get_read_error(ctx), c.name.empty() ? "Is a directory"
                                                   : c.error != 0 ? "No such file or directory"
                                                                  : "")
            << c.name;
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    EXPECT_EQ(pictavex_get_fitted_size(ctx, 0, &width, &height), PICTAVEX_ENOT_LOADED);
    EXPECT_EQ(pictavex_load_file(nullptr, "x"), PICTAVEX_EINVAL);
    EXPECT_EQ(pictavex_load_file(ctx, nullptr), PICTAVEX_EINVAL);
    EXPECT_EQ(pictavex_load_buffer(ctx, nullptr, 1), PICTAVEX_EINVAL);
    EXPECT_EQ(pictavex_load_stream(ctx, nullptr, nullptr, 1), PICTAVEX_EINVAL);
    EXPECT_EQ(pictavex_set_background(ctx, 0x1000000), PICTAVEX_EINVAL);
    EXPECT_EQ(pictavex_load_buffer(ctx, nullptr, 0), PICTAVEX_ENOT_DRAWING);
    EXPECT_STREQ(pictavex_strerror(PICTAVEX_ELIMIT), "preview over a limit");
    EXPECT_STREQ(pictavex_strerror(12345), "unknown error");
    EXPECT_STREQ(pictavex_version_string(), PICTAVEX_VERSION);
}

// The pixels, top row first, in either order of channels, at any stride; a buffer too small
// is refused and left alone.
TEST_F(LibraryTest, PixelsAreTheBitmapsInEitherOrderAtAnyStride) {
    const Bytes drawing = DwgBuilder().Version("AC1018").Entry(2, Colours()).Build();
    ASSERT_EQ(pictavex_load_buffer(ctx, drawing.data(), drawing.size()), PICTAVEX_OK);
    EXPECT_STREQ(pictavex_get_version_text(ctx), "AC1018");
    int kind = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    ASSERT_EQ(pictavex_get_preview(ctx, &kind, &width, &height), PICTAVEX_OK);
    EXPECT_EQ(kind, PICTAVEX_PREVIEW_BITMAP);
    EXPECT_EQ(width, 3u);
    EXPECT_EQ(height, 2u);
    const Bytes rgba = {12, 11, 10, 255, 15, 14, 13, 255, 18, 17, 16, 255, 0xEE, 0xEE,
                        3,  2,  1,  255, 6,  5,  4,  255, 9,  8,  7,  255, 0xEE, 0xEE};
    Bytes out(28, 0xEE);
    ASSERT_EQ(pictavex_get_fitted(ctx, 0, PICTAVEX_FMT_RGBA8, out.data(), 14, out.size()),
              PICTAVEX_OK);
    EXPECT_EQ(out, rgba);
    Bytes bgra(24, 0);
    ASSERT_EQ(pictavex_get_fitted(ctx, 8, PICTAVEX_FMT_BGRA8, bgra.data(), 12, bgra.size()),
              PICTAVEX_OK);
    EXPECT_EQ(Bytes(bgra.begin(), bgra.begin() + 4), (Bytes{10, 11, 12, 255}));
    Bytes small(23, 0xAA);
    EXPECT_EQ(pictavex_get_fitted(ctx, 0, PICTAVEX_FMT_RGBA8, small.data(), 12, small.size()),
              PICTAVEX_EBUFSIZ);
    EXPECT_EQ(pictavex_get_fitted(ctx, 0, PICTAVEX_FMT_RGBA8, out.data(), 11, out.size()),
              PICTAVEX_EBUFSIZ);
    EXPECT_EQ(small, Bytes(23, 0xAA));
    EXPECT_EQ(pictavex_get_fitted(ctx, 0, 3, out.data(), 12, out.size()), PICTAVEX_EINVAL);
}

// The BMP file is byte for byte what the tool writes, on the context's background.
TEST_F(LibraryTest, TheBmpIsTheToolsOwn) {
    Put("d.dwg", DwgBuilder().Entry(2, DarkPaletteDib({.width = 5, .height = 3})).Build());
    ASSERT_EQ(Run({"-q", "-w", "d.dwg"}).status, 0);
    ASSERT_EQ(pictavex_load_file(ctx, (m_dir / "d.dwg").c_str()), PICTAVEX_OK);
    std::size_t size = 0;
    ASSERT_EQ(pictavex_get_bmp_size(ctx, &size), PICTAVEX_OK);
    Bytes bmp(size);
    EXPECT_EQ(pictavex_get_bmp(ctx, bmp.data(), size - 1), PICTAVEX_EBUFSIZ);
    ASSERT_EQ(pictavex_get_bmp(ctx, bmp.data(), size), PICTAVEX_OK);
    EXPECT_EQ(bmp, ReadFile(m_dir / "d.bmp"));
    ASSERT_EQ(pictavex_set_background(ctx, 0x000000), PICTAVEX_OK);
    ASSERT_EQ(pictavex_load_file(ctx, (m_dir / "d.dwg").c_str()), PICTAVEX_OK);
    ASSERT_EQ(Run({"-q", "d.dwg"}).status, 0);
    ASSERT_EQ(pictavex_get_bmp(ctx, bmp.data(), size), PICTAVEX_OK);
    EXPECT_EQ(bmp, ReadFile(m_dir / "d.bmp"));
    // Any background, given as 0xRRGGBB: colour-table entry 0 holds it as blue, green, red.
    ASSERT_EQ(pictavex_set_background(ctx, 0x102030), PICTAVEX_OK);
    ASSERT_EQ(pictavex_load_file(ctx, (m_dir / "d.dwg").c_str()), PICTAVEX_OK);
    ASSERT_EQ(pictavex_get_bmp(ctx, bmp.data(), size), PICTAVEX_OK);
    EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.begin() + 58), (Bytes{0x30, 0x20, 0x10, 0}));
}

// The PNG file is byte for byte what `pictavex -f png -s N` writes, shrunk or as stored.
TEST_F(LibraryTest, ThePngIsTheToolsOwn) {
    Put("d.dwg", DwgBuilder().Entry(2, DarkPaletteDib({.width = 40, .height = 30})).Build());
    ASSERT_EQ(pictavex_load_file(ctx, (m_dir / "d.dwg").c_str()), PICTAVEX_OK);
    for (const std::uint32_t side : {0u, 16u, 40u}) {
        ASSERT_EQ(Run({"-q", "-w", "-f", "png", "-s", std::to_string(side), "d.dwg"}).status, 0);
        std::size_t size = 0;
        ASSERT_EQ(pictavex_get_fitted_png_size(ctx, side, &size), PICTAVEX_OK);
        Bytes png(size);
        EXPECT_EQ(pictavex_get_fitted_png(ctx, side, png.data(), size - 1), PICTAVEX_EBUFSIZ);
        ASSERT_EQ(pictavex_get_fitted_png(ctx, side, png.data(), size), PICTAVEX_OK);
        EXPECT_EQ(png, ReadFile(m_dir / "d.png")) << side;
    }
}

// A stream is read as the caller gives it: short reads at the end only, and an error fails
// the load with the caller's errno value.
struct Stream {
    const Bytes* bytes;
    int failAt = -1;  // the read that fails, counted from 0
    int reads = 0;
};

int ReadStream(void* user, std::uint64_t offset, void* buffer, std::size_t length,
               std::size_t* got) {
    auto& stream = *static_cast<Stream*>(user);
    if (stream.reads++ == stream.failAt) {
        return EIO;
    }
    *got = std::min<std::size_t>(length, stream.bytes->size() - offset);
    std::copy_n(stream.bytes->begin() + static_cast<long>(offset), *got,
                static_cast<std::uint8_t*>(buffer));
    return 0;
}

TEST_F(LibraryTest, AStreamIsReadLikeAFile) {
    const Bytes drawing = DwgBuilder().Entry(2, Colours()).Build();
    Stream whole{&drawing};
    ASSERT_EQ(pictavex_load_stream(ctx, ReadStream, &whole, drawing.size()), PICTAVEX_OK);
    Stream failing{&drawing, 0};
    EXPECT_EQ(pictavex_load_stream(ctx, ReadStream, &failing, drawing.size()), PICTAVEX_EREAD);
    EXPECT_EQ(pictavex_get_errno(ctx), EIO);
    // A size claimed past what the stream holds: the preview's block is cut short.
    Stream cut{&drawing};
    const Bytes shorter(drawing.begin(), drawing.end() - 10);
    cut.bytes = &shorter;
    EXPECT_EQ(pictavex_load_stream(ctx, ReadStream, &cut, shorter.size()), PICTAVEX_EDAMAGED);
}

struct CountingStream {
    const Bytes* bytes;
    std::uint64_t read = 0;
};

int ReadCounting(void* user, std::uint64_t offset, void* buffer, std::size_t length,
                 std::size_t* got) {
    auto& stream = *static_cast<CountingStream*>(user);
    *got = std::min<std::size_t>(length, stream.bytes->size() - offset);
    std::copy_n(stream.bytes->begin() + static_cast<long>(offset), *got,
                static_cast<std::uint8_t*>(buffer));
    stream.read += *got;
    return 0;
}

// A DXF drawing gives the pixels of a DWG drawing with the same bitmap. Its section, at the
// end of 6 MiB, is found reading the start and at most the last MiB and a bit; a count over
// the caller's limit is refused.
TEST_F(LibraryTest, DxfDrawingsReadOnlyTheirEnds) {
    const Bytes dwg = DwgBuilder().Entry(2, Colours()).Build();
    const Bytes dxf = BuildDxf({.lineEnd = "\r\n", .preview = Colours(), .entityBytes = 6 << 20});
    Bytes expected(24);
    ASSERT_EQ(pictavex_load_buffer(ctx, dwg.data(), dwg.size()), PICTAVEX_OK);
    ASSERT_EQ(pictavex_get_fitted(ctx, 0, PICTAVEX_FMT_RGBA8, expected.data(), 12, 24),
              PICTAVEX_OK);
    CountingStream stream{&dxf};
    ASSERT_EQ(pictavex_load_stream(ctx, ReadCounting, &stream, dxf.size()), PICTAVEX_OK);
    EXPECT_STREQ(pictavex_get_version_text(ctx), "AC1015");
    Bytes rgba(24);
    ASSERT_EQ(pictavex_get_fitted(ctx, 0, PICTAVEX_FMT_RGBA8, rgba.data(), 12, 24), PICTAVEX_OK);
    EXPECT_EQ(rgba, expected);
    EXPECT_LE(stream.read, (1u << 20) + (128u << 10)) << "of " << dxf.size();
    ASSERT_EQ(pictavex_set_limits(ctx, 0, Colours().size() - 1, 0), PICTAVEX_OK);
    EXPECT_EQ(pictavex_load_buffer(ctx, dxf.data(), dxf.size()), PICTAVEX_ELIMIT);
}

// Limits below the library's own refuse a preview before its pixels are allocated.
TEST_F(LibraryTest, LimitsRefuseLargePreviews) {
    const Bytes png = EncodePng(
        {.width = 300, .height = 200, .colorType = 0, .rows = Bytes(std::size_t{300} * 200, 0x40)});
    const Bytes drawing = DwgBuilder().Entry(6, png).Build();
    const struct {
        std::uint32_t side;
        std::uint64_t preview, decode;
        int status;
    } cases[] = {{0, 0, 0, PICTAVEX_OK},
                 {299, 0, 0, PICTAVEX_ELIMIT},
                 {300, png.size() - 1, 0, PICTAVEX_ELIMIT},
                 {300, png.size(), 300 * 200 * 3, PICTAVEX_ELIMIT},
                 {300, png.size(), 40 + 300 * 200 * 3, PICTAVEX_OK}};
    for (const auto& c : cases) {
        ASSERT_EQ(pictavex_set_limits(ctx, c.side, c.preview, c.decode), PICTAVEX_OK);
        EXPECT_EQ(pictavex_load_buffer(ctx, drawing.data(), drawing.size()), c.status) << c.side;
    }
}

// A 20 KB drawing whose PNG preview is 4096 x 4096 (48 MiB as a bitmap) fits the default
// decode limit of 64 MiB: made into a 256-pixel thumbnail in a child process, it peaks under
// that limit and a few MiB; under a limit of 32 MiB it is refused and nothing is allocated.
TEST_F(LibraryTest, ALargePreviewStaysWithinTheDecodeLimit) {
    if (kAddressSanitizer || kThreadSanitizer) {
        GTEST_SKIP() << "a sanitizer's own memory counts in the peak";
    }
    const Bytes drawing = DwgBuilder()
                              .Entry(6, EncodePng({.width = 4096,
                                                   .height = 4096,
                                                   .colorType = 0,
                                                   .rows = Bytes(std::size_t{4096} * 4096, 0x33)}))
                              .Build();
    const auto peakOfChild = [&](std::uint64_t decodeLimit, int& status) {
        int pipe[2];
        EXPECT_EQ(::pipe(pipe), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            rusage before{};
            ::getrusage(RUSAGE_SELF, &before);
            pictavex_ctx* own = pictavex_ctx_new();
            pictavex_set_limits(own, 0, 0, decodeLimit);
            int result = pictavex_load_buffer(own, drawing.data(), drawing.size());
            std::vector<std::uint8_t> pixels(std::size_t{256} * 256 * 4);
            if (result == PICTAVEX_OK) {
                result = pictavex_get_fitted(own, 256, PICTAVEX_FMT_RGBA8, pixels.data(), 256 * 4,
                                             pixels.size());
            }
            rusage after{};
            ::getrusage(RUSAGE_SELF, &after);
            const long grown[2] = {after.ru_maxrss - before.ru_maxrss, result};
            ::_exit(::write(pipe[1], grown, sizeof grown) == sizeof grown ? 0 : 1);
        }
        ::close(pipe[1]);
        long grown[2] = {-1, -1};
        EXPECT_EQ(::read(pipe[0], grown, sizeof grown), static_cast<ssize_t>(sizeof grown));
        ::close(pipe[0]);
        ::waitpid(child, nullptr, 0);
        status = static_cast<int>(grown[1]);
        return grown[0];  // KiB the child's peak grew by
    };
    int status = -1;
    const long grown = peakOfChild(0, status);
    EXPECT_EQ(status, PICTAVEX_OK);
    EXPECT_LT(grown, (64 + 8) * 1024);
    const long refused = peakOfChild(32u << 20, status);
    EXPECT_EQ(status, PICTAVEX_ELIMIT);
    EXPECT_LT(refused, 4 * 1024);
}

// Two threads, each with its own context, on the same drawing: the same pixels.
TEST_F(LibraryTest, ContextsOnThreadsNeverMeet) {
    Put("d.dwg", DwgBuilder().Entry(2, DarkPaletteDib({.width = 40, .height = 30})).Build());
    std::vector<Bytes> results(2);
    std::vector<std::thread> threads;
    for (Bytes& result : results) {
        threads.emplace_back([&result, path = m_dir / "d.dwg"] {
            for (int round = 0; round < 50; ++round) {
                Context own;
                result.assign(std::size_t{20} * 15 * 4, 0);
                if (pictavex_load_file(own.ctx, path.c_str()) != PICTAVEX_OK ||
                    pictavex_get_fitted(own.ctx, 20, PICTAVEX_FMT_RGBA8, result.data(), 80,
                                        result.size()) != PICTAVEX_OK) {
                    result.clear();
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(results[0].size(), std::size_t{20} * 15 * 4);
    EXPECT_EQ(results[0], results[1]);
}

// Not a byte on the host's stdout or stderr, whatever the call and its outcome.
TEST_F(LibraryTest, NothingIsPrinted) {
    Put("good.dwg", DwgBuilder().Entry(2, Colours()).Build());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    for (const char* name : {"good.dwg", "missing.dwg", ""}) {
        pictavex_load_file(ctx, (m_dir / name).c_str());
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        pictavex_get_fitted_size(ctx, 1, &width, &height);
    }
    pictavex_load_buffer(ctx, "AC1015", 6);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
