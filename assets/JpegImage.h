#pragma once
// The JPEG reader the textures use: a whole file decoded to packed RGB rows
// through libjpeg's standard error manager. Main thread; no GL.
#include <cstdint>

// A decoded JPEG: rows top first, RGB bytes, rowStride bytes per row, packed.
struct JpegImage {
    int32_t rowStride = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint8_t* pixels = nullptr;
};

// Decodes a JPEG file; the caller owns the record and its pixels (free with
// freeJpeg). Returns null, after the "Unable to load JPG File!" box, when the
// file cannot be opened (a path that is not a regular file counts as one), and
// without a box when memory for the image runs short. Grey and CMYK files are
// converted to RGB. Damaged data, or a side beyond 16384 pixels, ends the
// process inside the decoder with its message on standard error and exit status 1.
JpegImage* loadJpeg(const char* path);

// Releases a record from loadJpeg and its pixels; null is accepted.
void freeJpeg(JpegImage* image);
