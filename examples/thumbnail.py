#!/usr/bin/env python3
"""The preview of a drawing at 128 pixels on white, through libpictavex with ctypes: its size,
then its RGBA bytes in hex, as examples/demo.c prints them.

    python3 thumbnail.py house.dwg      (libpictavex.so.1 where the loader finds it)
"""
import ctypes
import sys

lib = ctypes.CDLL("libpictavex.so.1")
lib.pictavex_ctx_new.restype = ctypes.c_void_p
lib.pictavex_ctx_free.argtypes = [ctypes.c_void_p]
lib.pictavex_set_draw.argtypes = [ctypes.c_void_p, ctypes.c_int]
lib.pictavex_load_file.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
lib.pictavex_get_fitted_size.argtypes = [ctypes.c_void_p, ctypes.c_uint32,
                                         ctypes.POINTER(ctypes.c_uint32),
                                         ctypes.POINTER(ctypes.c_uint32)]
lib.pictavex_get_fitted.argtypes = [ctypes.c_void_p, ctypes.c_uint32, ctypes.c_int,
                                    ctypes.c_void_p, ctypes.c_size_t, ctypes.c_size_t]
lib.pictavex_strerror.restype = ctypes.c_char_p
PICTAVEX_FMT_RGBA8 = 1
PICTAVEX_DRAW_MISSING = 1


def thumbnail(path, side=128):
    """(width, height, RGBA bytes) of the drawing's preview fitted in side x side."""
    ctx = lib.pictavex_ctx_new()
    try:
        width, height = ctypes.c_uint32(), ctypes.c_uint32()
        lib.pictavex_set_draw(ctx, PICTAVEX_DRAW_MISSING)  # DXF without a preview: drawn
        status = lib.pictavex_load_file(ctx, path.encode())
        if status == 0:
            status = lib.pictavex_get_fitted_size(ctx, side, width, height)
        pixels = ctypes.create_string_buffer(width.value * height.value * 4)
        if status == 0:
            status = lib.pictavex_get_fitted(ctx, side, PICTAVEX_FMT_RGBA8, pixels,
                                             width.value * 4, len(pixels))
        if status != 0:
            raise OSError(f"{path}: {lib.pictavex_strerror(status).decode()}")
        return width.value, height.value, pixels.raw
    finally:
        lib.pictavex_ctx_free(ctx)


if __name__ == "__main__":
    width, height, rgba = thumbnail(sys.argv[1])
    print(width, height)
    for at in range(0, len(rgba), 16):
        print(" ".join("%02x" % byte for byte in rgba[at:at + 16]))
