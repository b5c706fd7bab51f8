#pragma once
// The decode behind loadJpeg, on a decompressor its caller has set up (error
// manager and source). loadJpeg uses libjpeg's standard error manager, which
// ends the process on damaged data; a caller with an error manager that jumps
// back instead (the fuzz target) can release what was made with freeJpegPixels.
#include "assets/JpegImage.h"

#include <cstdio>
// libjpeg's headers need FILE and size_t declared first.
#include <jpeglib.h>

// Larger sides are refused as damaged before any pixel memory is allocated.
constexpr JDIMENSION kMaxJpegSide = 16384;

// Reads the header and every row into image (packed RGB, top row first), then
// finishes the decompression. Grey and CMYK are converted to RGB. False, with
// the decompressor still to be destroyed, when image.pixels cannot be had.
// Damaged data goes to the error manager. Keeps nothing but image.pixels,
// which stays valid for freeJpegPixels whatever way the call ends.
// maxSide lowers the side limit (the fuzz target keeps each input cheap).
bool decodeJpeg(jpeg_decompress_struct& cinfo, JpegImage& image, JDIMENSION maxSide = kMaxJpegSide);

// Releases image.pixels (null is accepted) and sets it to null.
void freeJpegPixels(JpegImage& image);
