/* The preview of a drawing at 128 pixels on white, as RGBA: its size, then its bytes in hex.
 * A DXF drawing that stores no preview is drawn from its geometry.
 *
 *   cc demo.c $(pkg-config --cflags --libs pictavex) -o demo && ./demo house.dwg */
#include <pictavex.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    pictavex_ctx *ctx = pictavex_ctx_new();
    uint32_t width = 0, height = 0;
    unsigned char *pixels = NULL;
    int status = ctx == NULL ? PICTAVEX_ENOMEM : PICTAVEX_EINVAL;
    if (ctx != NULL && argc == 2 &&
        (status = pictavex_set_draw(ctx, PICTAVEX_DRAW_MISSING)) == PICTAVEX_OK &&
        (status = pictavex_load_file(ctx, argv[1])) == PICTAVEX_OK &&
        (status = pictavex_get_fitted_size(ctx, 128, &width, &height)) == PICTAVEX_OK) {
        const size_t stride = (size_t)width * 4;
        pixels = malloc(stride * height);
        status = pixels == NULL ? PICTAVEX_ENOMEM
                                : pictavex_get_fitted(ctx, 128, PICTAVEX_FMT_RGBA8, pixels, stride,
                                                      stride * height);
    }
    if (status == PICTAVEX_OK) {
        printf("%u %u\n", (unsigned)width, (unsigned)height);
        for (size_t i = 0; i < (size_t)width * height * 4; ++i) {
            printf("%02x%c", pixels[i], i % 16 == 15 ? '\n' : ' ');
        }
    } else {
        fprintf(stderr, "demo: %s: %s\n", argc == 2 ? argv[1] : "usage: demo DRAWING",
                pictavex_strerror(status));
    }
    free(pixels);
    pictavex_ctx_free(ctx);
    return status == PICTAVEX_OK ? 0 : 1;
}
