// Every call of the C API on every kind of drawing, sizes at the edge of wrapping, a context
// reused from drawing to drawing, and pictures taller than one working band.
#include "lib/pictavex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "tests/dxf_builder.h"
#include "tests/png_builder.h"

namespace {

struct Context {
    Context() : ctx(pictavex_ctx_new()) {}
    ~Context() { pictavex_ctx_free(ctx); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    pictavex_ctx* ctx;
};

// The colour of pixel (x, y), different in every row and column: a picture turned, mirrored
// or shifted by a row shows it.
struct Rgb {
    std::uint8_t r, g, b;
};
Rgb ColourAt(std::uint32_t x, std::uint32_t y) {
    return {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
            static_cast<std::uint8_t>(x >> 8 | (y >> 8) << 4 | 0x80)};
}

// A 24-bit bitmap of width x height with ColourAt's pixels, bottom row stored first.
Bytes ColourDib(std::uint32_t width, std::uint32_t height) {
    Bytes dib = MakeInfoDib({.width = static_cast<std::int32_t>(width),
                             .height = static_cast<std::int32_t>(height),
                             .bitsPerPixel = 24,
                             .tableEntries = 0});
    const std::size_t stride = (std::size_t{width} * 3 + 3) / 4 * 4;
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = dib.data() + 40 + stride * (height - 1 - y);
        for (std::uint32_t x = 0; x < width; ++x) {
            const Rgb c = ColourAt(x, y);
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
        }
    }
    return dib;
}

Bytes RgbPng(std::uint32_t width, std::uint32_t height) {
    PngSpec spec{.width = width, .height = height, .colorType = 2};
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const Rgb c = ColourAt(x, y);
            spec.rows.insert(spec.rows.end(), {c.r, c.g, c.b});
        }
    }
    return EncodePng(spec);
}

// What each call answers for a drawing of one kind.
struct Kind {
    const char* name;
    Bytes drawing;
    int load;      // the load's status, and that of every call about the preview
    int kind = 0;  // the preview's kind, when it has one
};

TEST(LibraryCallsTest, EveryCallAnswersWithACodeForEveryKindOfDrawing) {
    const Kind kinds[] = {
        {"DWG bitmap", DwgBuilder().Entry(2, ColourDib(5, 3)).Build(), PICTAVEX_OK,
         PICTAVEX_PREVIEW_BITMAP},
        {"DWG PNG", DwgBuilder().Version("AC1032").Entry(6, RgbPng(5, 3)).Build(), PICTAVEX_OK,
         PICTAVEX_PREVIEW_PNG},
        {"DXF", BuildDxf({.preview = ColourDib(5, 3)}), PICTAVEX_OK, PICTAVEX_PREVIEW_BITMAP},
        {"no preview", DwgBuilder().Build(), PICTAVEX_ENO_PREVIEW},
        {"DXF without a preview", BuildDxf({.section = false}), PICTAVEX_ENO_PREVIEW},
        {"damaged", DwgBuilder().Entry(2, ColourDib(5, 3)).TruncateTo(100).Build(),
         PICTAVEX_EDAMAGED},
        {"not a drawing", Bytes{'n', 'o', 't', 'e', 's'}, PICTAVEX_ENOT_DRAWING},
    };
    for (const Kind& k : kinds) {
        Context context;
        pictavex_ctx* ctx = context.ctx;
        EXPECT_EQ(pictavex_get_preview(ctx, nullptr, nullptr, nullptr), PICTAVEX_ENOT_LOADED);
        ASSERT_EQ(pictavex_load_buffer(ctx, k.drawing.data(), k.drawing.size()), k.load) << k.name;
        const int asked = k.load == PICTAVEX_OK ? PICTAVEX_OK : PICTAVEX_ENOT_LOADED;
        int kind = 0;
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        EXPECT_EQ(pictavex_get_preview(ctx, &kind, &width, &height), asked) << k.name;
        EXPECT_EQ(kind, k.kind) << k.name;
        EXPECT_EQ(pictavex_get_fitted_size(ctx, 4, &width, &height), asked) << k.name;
        Bytes rgba(5 * 3 * 4, 0xEE);
        EXPECT_EQ(pictavex_get_fitted(ctx, 0, PICTAVEX_FMT_RGBA8, rgba.data(), 20, rgba.size()),
                  asked)
            << k.name;
        std::size_t size = 0;
        EXPECT_EQ(pictavex_get_fitted_png_size(ctx, 4, &size), asked) << k.name;
        Bytes file(1 << 16);
        EXPECT_EQ(pictavex_get_fitted_png(ctx, 4, file.data(), file.size()), asked) << k.name;
        EXPECT_EQ(pictavex_get_bmp_size(ctx, &size), asked) << k.name;
        EXPECT_EQ(pictavex_get_bmp(ctx, file.data(), file.size()), asked) << k.name;
        EXPECT_EQ(pictavex_get_errno(ctx), 0) << k.name;
        EXPECT_STREQ(pictavex_get_read_error(ctx), "") << k.name;
        if (k.load != PICTAVEX_OK) {
            continue;
        }
        EXPECT_EQ(width, 4u) << k.name;  // 5 x 3 fitted in 4 x 4
        EXPECT_EQ(height, 2u) << k.name;
        for (std::uint32_t at = 0; at < 15; ++at) {
            const Rgb c = ColourAt(at % 5, at / 5);
            EXPECT_EQ(Bytes(rgba.begin() + 4 * at, rgba.begin() + 4 * at + 4),
                      (Bytes{c.r, c.g, c.b, 255}))
                << k.name << " pixel " << at;
        }
    }
}

// A size the caller gives that wraps when multiplied out is refused, never written past.
TEST(LibraryCallsTest, BufferSizesThatWrapAreRefused) {
    Context context;
    const Bytes drawing = DwgBuilder().Entry(2, ColourDib(3, 3)).Build();
    ASSERT_EQ(pictavex_load_buffer(context.ctx, drawing.data(), drawing.size()), PICTAVEX_OK);
    constexpr std::size_t kMost = std::numeric_limits<std::size_t>::max();
    const struct {
        std::size_t stride, size;
        int status;
    } cases[] = {
        {12, 36, PICTAVEX_OK},
        {12, 35, PICTAVEX_EBUFSIZ},
        {(kMost >> 1) + 5, 24, PICTAVEX_EBUFSIZ},  // twice the stride is 8 past a wrap
        {(kMost >> 1) + 1, 12, PICTAVEX_EBUFSIZ},  // twice the stride is 0 past a wrap
        {kMost, 64, PICTAVEX_EBUFSIZ},
        {kMost - 11, kMost, PICTAVEX_EBUFSIZ},  // the last row's 12 bytes wrap the sum
    };
    for (const auto& c : cases) {
        Bytes out(64, 0xEE);
        EXPECT_EQ(
            pictavex_get_fitted(context.ctx, 0, PICTAVEX_FMT_RGBA8, out.data(), c.stride, c.size),
            c.status)
            << c.stride << " " << c.size;
        if (c.status != PICTAVEX_OK) {
            EXPECT_EQ(out, Bytes(64, 0xEE)) << c.stride;
        }
    }
}

// One context, one drawing after another at the same side: each call gives its own drawing.
TEST(LibraryCallsTest, AReusedContextGivesEachDrawingsOwnPicture) {
    Context context;
    const Bytes a = DwgBuilder().Entry(2, ColourDib(40, 30)).Build();
    Bytes other = ColourDib(40, 30);
    std::fill(other.begin() + 40, other.end(), 0x33);
    const Bytes b = DwgBuilder().Entry(2, other).Build();
    for (const bool png : {false, true}) {
        Bytes first(20 * 15 * 4);
        Bytes second(first.size());
        ASSERT_EQ(pictavex_load_buffer(context.ctx, a.data(), a.size()), PICTAVEX_OK);
        std::size_t firstSize = 0;
        ASSERT_EQ(png ? pictavex_get_fitted_png(context.ctx, 20, first.data(), first.size())
                      : pictavex_get_fitted(context.ctx, 20, PICTAVEX_FMT_RGBA8, first.data(), 80,
                                            first.size()),
                  PICTAVEX_OK);
        ASSERT_EQ(pictavex_get_fitted_png_size(context.ctx, 20, &firstSize), PICTAVEX_OK);
        ASSERT_EQ(pictavex_load_buffer(context.ctx, b.data(), b.size()), PICTAVEX_OK);
        ASSERT_EQ(png ? pictavex_get_fitted_png(context.ctx, 20, second.data(), second.size())
                      : pictavex_get_fitted(context.ctx, 20, PICTAVEX_FMT_RGBA8, second.data(), 80,
                                            second.size()),
                  PICTAVEX_OK);
        EXPECT_NE(first, second) << (png ? "PNG" : "pixels");
        if (!png) {
            EXPECT_EQ(Bytes(second.begin(), second.begin() + 4), (Bytes{0x33, 0x33, 0x33, 255}));
        }
    }
}

// Pictures taller than a working band (1 MiB of pixels: 256 rows of 1024) are whole, each
// row in its place.
TEST(LibraryCallsTest, TallPicturesAreWholeBandAfterBand) {
    for (const auto& [width, height] : {std::pair{1024u, 600u}, std::pair{672u, 448u}}) {
        Context context;
        const Bytes drawing = DwgBuilder().Entry(2, ColourDib(width, height)).Build();
        ASSERT_EQ(pictavex_load_buffer(context.ctx, drawing.data(), drawing.size()), PICTAVEX_OK);
        const std::size_t stride = std::size_t{width} * 4 + 8;
        Bytes out(stride * height, 0xEE);
        ASSERT_EQ(
            pictavex_get_fitted(context.ctx, 0, PICTAVEX_FMT_BGRA8, out.data(), stride, out.size()),
            PICTAVEX_OK);
        std::size_t wrong = 0;
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                const Rgb c = ColourAt(x, y);
                const std::uint8_t* pixel = out.data() + stride * y + 4 * x;
                wrong += pixel[0] != c.b || pixel[1] != c.g || pixel[2] != c.r || pixel[3] != 255;
            }
            wrong += out[stride * y + 4 * width] != 0xEE;  // the gap between rows is the caller's
        }
        EXPECT_EQ(wrong, 0u) << width << " x " << height;
    }
}

}  // namespace

namespace {

struct CountedBytes {
    const Bytes* bytes;
    std::uint64_t read = 0;
};

int ReadCounted(void* user, uint64_t offset, void* buffer, size_t length, size_t* got) {
    auto* source = static_cast<CountedBytes*>(user);
    *got = offset >= source->bytes->size()
               ? 0
               : std::min<std::size_t>(length, source->bytes->size() - offset);
    std::copy_n(source->bytes->data() + offset, *got, static_cast<std::uint8_t*>(buffer));
    source->read += *got;
    return 0;
}

// A DXF of 3 MiB whose section comes before its entities, which the search reaches after the
// file's last MiB: found within the library's own limit and within 2 MiB, and refused, after
// reading no more than it allows, within 1 MiB.
TEST(LibraryCallsTest, TheSearchReadsNoMoreThanTheCallerAllows) {
    Context context;
    const Bytes dxf =
        BuildDxf({.preview = ColourDib(5, 3), .atEnd = false, .entityBytes = 3 << 20});
    const struct {
        std::uint64_t limit;
        int status;
    } cases[] = {{0, PICTAVEX_OK}, {1 << 20, PICTAVEX_ELIMIT}, {2 << 20, PICTAVEX_OK}};
    for (const auto& c : cases) {
        ASSERT_EQ(pictavex_set_scan_limit(context.ctx, c.limit), PICTAVEX_OK);
        CountedBytes source{&dxf};
        EXPECT_EQ(pictavex_load_stream(context.ctx, ReadCounted, &source, dxf.size()), c.status)
            << c.limit;
        if (c.status == PICTAVEX_ELIMIT) {
            EXPECT_LE(source.read, c.limit + (64u << 10)) << "the start is read to tell a DXF";
        }
    }
    EXPECT_EQ(pictavex_set_scan_limit(nullptr, 0), PICTAVEX_EINVAL);
}

}  // namespace

namespace {

// Drawing through the API: stored only by default, so that programs built before see no
// change; asked for, a DXF without a whole preview is drawn at each side asked, larger than
// the default too; the preview call still speaks of what was stored; a bad choice is refused.
TEST(LibraryCallsTest, DrawingIsChosenPerContextAndDrawnAtTheSideAsked) {
    const Bytes none = BuildDxf({.section = false, .lines = 4});
    const Bytes damaged = BuildDxf({.preview = ColourDib(5, 3), .count = 9, .lines = 4});
    const Bytes whole = BuildDxf({.preview = ColourDib(5, 3), .lines = 4});
    Context context;
    pictavex_ctx* ctx = context.ctx;
    int kind = 0;
    EXPECT_EQ(pictavex_get_picture_kind(ctx, &kind), PICTAVEX_ENOT_LOADED);
    EXPECT_EQ(pictavex_load_buffer(ctx, none.data(), none.size()), PICTAVEX_ENO_PREVIEW);
    EXPECT_EQ(pictavex_set_draw(ctx, 3), PICTAVEX_EINVAL);
    EXPECT_EQ(pictavex_set_draw(nullptr, PICTAVEX_DRAW_MISSING), PICTAVEX_EINVAL);
    EXPECT_EQ(pictavex_get_picture_kind(ctx, nullptr), PICTAVEX_EINVAL);
    ASSERT_EQ(pictavex_set_draw(ctx, PICTAVEX_DRAW_MISSING), PICTAVEX_OK);
    const struct {
        const Bytes& drawing;
        int kind;
        int preview;  // what the preview call says
    } rows[] = {
        {none, PICTAVEX_PICTURE_DRAWN, PICTAVEX_ENO_PREVIEW},
        {damaged, PICTAVEX_PICTURE_DRAWN, PICTAVEX_EDAMAGED},
        {whole, PICTAVEX_PICTURE_STORED, PICTAVEX_OK},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(pictavex_load_buffer(ctx, row.drawing.data(), row.drawing.size()), PICTAVEX_OK);
        EXPECT_EQ(pictavex_get_picture_kind(ctx, &kind), PICTAVEX_OK);
        EXPECT_EQ(kind, row.kind);
        EXPECT_EQ(pictavex_get_preview(ctx, nullptr, nullptr, nullptr), row.preview);
    }
    ASSERT_EQ(pictavex_load_buffer(ctx, none.data(), none.size()), PICTAVEX_OK);
    for (const std::uint32_t side : {40u, 300u, 40u}) {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        ASSERT_EQ(pictavex_get_fitted_size(ctx, side, &width, &height), PICTAVEX_OK);
        EXPECT_EQ(std::max(width, height), side);  // drawn at the side, however large
        Bytes rgba(std::size_t{width} * height * 4, 0xEE);
        ASSERT_EQ(
            pictavex_get_fitted(ctx, side, PICTAVEX_FMT_RGBA8, rgba.data(), width * 4, rgba.size()),
            PICTAVEX_OK);
        std::size_t inked = 0;
        for (std::size_t at = 0; at < rgba.size(); at += 4) {
            inked += rgba[at] != 0xFF || rgba[at + 1] != 0xFF || rgba[at + 2] != 0xFF ? 1 : 0;
            EXPECT_EQ(rgba[at + 3], 0xFF);
        }
        EXPECT_GT(inked, side / 2) << side;  // lines of ink on the white background
        EXPECT_LT(inked, rgba.size() / 8) << side;
    }
    std::size_t bmp = 0;
    EXPECT_EQ(pictavex_get_bmp_size(ctx, &bmp), PICTAVEX_OK);
    Bytes file(bmp);
    ASSERT_EQ(pictavex_get_bmp(ctx, file.data(), file.size()), PICTAVEX_OK);
    const auto u32 = [&file](std::size_t at) {
        return std::uint32_t{file[at]} | std::uint32_t{file[at + 1]} << 8 |
               std::uint32_t{file[at + 2]} << 16 | std::uint32_t{file[at + 3]} << 24;
    };
    EXPECT_EQ(std::max(u32(18), u32(22)), 256u);  // drawn at the default side
    // Always drawn: even a whole stored preview gives way.
    ASSERT_EQ(pictavex_set_draw(ctx, PICTAVEX_DRAW_ALWAYS), PICTAVEX_OK);
    ASSERT_EQ(pictavex_load_buffer(ctx, whole.data(), whole.size()), PICTAVEX_OK);
    EXPECT_EQ(pictavex_get_picture_kind(ctx, &kind), PICTAVEX_OK);
    EXPECT_EQ(kind, PICTAVEX_PICTURE_DRAWN);
    // A limit of one entity: the drawing is over it, on every machine.
    ASSERT_EQ(pictavex_set_draw_limits(ctx, 1, 0), PICTAVEX_OK);
    EXPECT_EQ(pictavex_load_buffer(ctx, none.data(), none.size()), PICTAVEX_ELIMIT);
    ASSERT_EQ(pictavex_set_draw_limits(ctx, 0, 0), PICTAVEX_OK);
    EXPECT_EQ(pictavex_load_buffer(ctx, none.data(), none.size()), PICTAVEX_OK);
}

}  // namespace
