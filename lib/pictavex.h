/* pictavex.h: the preview pictures of DWG and DXF drawings, as pixels, for any program.
 *
 * A context holds one drawing at a time. Load a drawing from a path, a buffer or a read
 * callback, then ask for its preview fitted to N x N pixels as 8-bit RGBA or BGRA, or for the
 * BMP file that `pictavex` would write. Nothing is printed, no global state is kept, and two
 * threads with two contexts never meet. Every call returns PICTAVEX_OK or an error code;
 * pictavex_strerror() describes each. */
#ifndef PICTAVEX_H
#define PICTAVEX_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(PICTAVEX_STATIC)
#if defined(PICTAVEX_BUILDING)
#define PICTAVEX_API __declspec(dllexport)
#else
#define PICTAVEX_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define PICTAVEX_API __attribute__((visibility("default")))
#else
#define PICTAVEX_API
#endif

#define PICTAVEX_VERSION_MAJOR 1
#define PICTAVEX_VERSION_MINOR 0
#define PICTAVEX_VERSION_PATCH 0

enum pictavex_errno {
    PICTAVEX_OK = 0,
    PICTAVEX_EINVAL = 1,       /* a bad argument: a null pointer, a zero size, an unknown format */
    PICTAVEX_ENOMEM = 2,       /* memory ran out */
    PICTAVEX_EREAD = 3,        /* the drawing could not be read: pictavex_get_errno() says why */
    PICTAVEX_ENOT_DRAWING = 4, /* the file begins neither as a DWG nor as a DXF drawing */
    PICTAVEX_ENO_PREVIEW = 5,  /* the drawing holds no preview */
    PICTAVEX_EDAMAGED = 6,     /* its preview is cut short, inconsistent or too large */
    PICTAVEX_ELIMIT = 7,       /* its preview is over one of the context's limits */
    PICTAVEX_ENOT_LOADED = 8,  /* no drawing with a preview is loaded */
    PICTAVEX_EBUFSIZ = 9       /* the caller's buffer is too small */
};

enum pictavex_preview_kind {
    PICTAVEX_PREVIEW_BITMAP = 1, /* a packed bitmap, as R13 to 2010 drawings keep it */
    PICTAVEX_PREVIEW_PNG = 2     /* a PNG image, as 2013 and later drawings keep it */
};

enum pictavex_format {
    PICTAVEX_FMT_RGBA8 = 1, /* red, green, blue, alpha: a byte each, alpha not premultiplied */
    PICTAVEX_FMT_BGRA8 = 2  /* blue, green, red, alpha, as Windows bitmaps want them */
};

/* Whether a DXF drawing is drawn from its geometry (pictavex_set_draw). */
enum pictavex_draw {
    PICTAVEX_DRAW_STORED = 0,  /* the stored preview only: the default */
    PICTAVEX_DRAW_MISSING = 1, /* the stored preview, else the drawing drawn */
    PICTAVEX_DRAW_ALWAYS = 2   /* the drawing drawn, whatever is stored */
};

/* What the fitted, PNG and BMP getters give (pictavex_get_picture_kind). */
enum pictavex_picture_kind {
    PICTAVEX_PICTURE_STORED = 1, /* the drawing's stored preview */
    PICTAVEX_PICTURE_DRAWN = 2   /* a picture drawn from its geometry */
};

/* Limits for drawing suited to a desktop's thumbnailer, which runs on every drawing of each
 * folder a user opens (pictavex_set_draw_limits). */
#define PICTAVEX_DESKTOP_DRAW_ENTITIES 2097152u
#define PICTAVEX_DESKTOP_DRAW_MILLISECONDS 5000u

typedef struct pictavex_ctx pictavex_ctx;

/* Reads `length` bytes at `offset` of the drawing into `buffer` and sets `*got` to the count
 * read, fewer only at its end. Returns 0, or an errno value that fails the load. */
typedef int pictavex_read_fn(void* user, uint64_t offset, void* buffer, size_t length, size_t* got);

/* A new context (white background, the library's own limits), or NULL without memory. */
PICTAVEX_API pictavex_ctx* pictavex_ctx_new(void);
PICTAVEX_API void pictavex_ctx_free(pictavex_ctx* ctx);

/* The background, 0xRRGGBB, that previews are recoloured to and transparency blended over:
 * for drawings loaded after the call. */
PICTAVEX_API int pictavex_set_background(pictavex_ctx* ctx, uint32_t rgb);
/* The largest preview side in pixels, stored preview in bytes and decoded bitmap in bytes
 * that a load accepts (0 keeps the library's own: 4096, 64 MiB, 64 MiB, also the most
 * allowed). A preview over one is PICTAVEX_ELIMIT, and nothing is allocated for it. */
PICTAVEX_API int pictavex_set_limits(pictavex_ctx* ctx, uint32_t max_side,
                                     uint64_t max_preview_bytes, uint64_t max_decode_bytes);

/* The most bytes of a drawing read to find a preview whose place no header gives, as a DXF
 * drawing's (0 keeps the library's own: 256 MiB); a preview not found within them is
 * PICTAVEX_ELIMIT. Text DXF ends its search at a zero byte. For drawings loaded after the call. */
PICTAVEX_API int pictavex_set_scan_limit(pictavex_ctx* ctx, uint64_t max_scan_bytes);

/* Whether DXF drawings loaded after the call are drawn from their geometry: a pictavex_draw.
 * A drawn picture is drawn at the side a getter asks for (the BMP getter: 256 pixels). */
PICTAVEX_API int pictavex_set_draw(pictavex_ctx* ctx, int draw);
/* What drawing one drawing may take: the entities resolved (each copy of a block counted),
 * which makes a drawing over it PICTAVEX_ELIMIT on every machine, and the milliseconds, a
 * safety net alone; 0 for the library's own (8388608 entities, 20000 ms). */
PICTAVEX_API int pictavex_set_draw_limits(pictavex_ctx* ctx, uint64_t max_entities,
                                          uint32_t max_milliseconds);

/* Loads a drawing, replacing the one before. PICTAVEX_OK when it holds a usable preview. */
PICTAVEX_API int pictavex_load_file(pictavex_ctx* ctx, const char* path);
PICTAVEX_API int pictavex_load_buffer(pictavex_ctx* ctx, const void* data, size_t size);
PICTAVEX_API int pictavex_load_stream(pictavex_ctx* ctx, pictavex_read_fn* read, void* user,
                                      uint64_t size);
/* The errno value of the last PICTAVEX_EREAD, else 0. */
PICTAVEX_API int pictavex_get_errno(const pictavex_ctx* ctx);
/* Why the last load failed to read the drawing, as a text ("No such file or directory", "not
 * a regular file"), or an empty text; valid until the next load. */
PICTAVEX_API const char* pictavex_get_read_error(const pictavex_ctx* ctx);

/* The loaded drawing's version text ("AC1015"; a DXF drawing's $ACADVER), empty when it has
 * none; valid until the next load. */
PICTAVEX_API const char* pictavex_get_version_text(const pictavex_ctx* ctx);
/* The preview's kind and size as stored. */
/* Whether the getters below give the stored preview or a drawn picture: a pictavex_picture_kind. */
PICTAVEX_API int pictavex_get_picture_kind(const pictavex_ctx* ctx, int* kind);
PICTAVEX_API int pictavex_get_preview(const pictavex_ctx* ctx, int* kind, uint32_t* width,
                                      uint32_t* height);

/* The preview fitted inside side x side (0: as stored), never enlarged: its size, then its
 * pixels, rows top first, `stride` bytes apart in `out` of `out_size` bytes. */
PICTAVEX_API int pictavex_get_fitted_size(pictavex_ctx* ctx, uint32_t side, uint32_t* width,
                                          uint32_t* height);
PICTAVEX_API int pictavex_get_fitted(pictavex_ctx* ctx, uint32_t side, int format, void* out,
                                     size_t stride, size_t out_size);

/* The same picture as a PNG file, as `pictavex -f png -s side` writes it: its size, then its
 * bytes. */
PICTAVEX_API int pictavex_get_fitted_png_size(pictavex_ctx* ctx, uint32_t side, size_t* size);
PICTAVEX_API int pictavex_get_fitted_png(pictavex_ctx* ctx, uint32_t side, void* out,
                                         size_t out_size);

/* The BMP file of the preview as stored, on the background, as `pictavex` writes it: its
 * size, then its bytes. */
PICTAVEX_API int pictavex_get_bmp_size(const pictavex_ctx* ctx, size_t* size);
PICTAVEX_API int pictavex_get_bmp(const pictavex_ctx* ctx, void* out, size_t out_size);

PICTAVEX_API const char* pictavex_strerror(int err);
/* "1.0.0" */
PICTAVEX_API const char* pictavex_version_string(void);

#ifdef __cplusplus
}
#endif

#endif /* PICTAVEX_H */
