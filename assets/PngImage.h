#pragma once
// Decoding of PNG files into 8-bit RGB or RGBA rows for pngBind. Makes no GL
// calls; the screen gamma comes from VIEWING_GAMMA when it is set.
#include <cstdint>
#include <cstdio>
#include <vector>

// A decoded image: rows top first, channelCount bytes per pixel, packed.
struct PngPixels {
    uint32_t width = 0;
    uint32_t height = 0;
    int channelCount = 0;  // 3 or 4
    int fileBitDepth = 0;
    std::vector<uint8_t> bytes;
};

// The screen gamma the decoder corrects for: 2.2, divided by VIEWING_GAMMA when
// that variable holds a positive number.
double screenGamma();

// Decodes the file; keepAlpha false drops any alpha channel. False on any
// failure (unreadable or not a regular file, not a PNG, damaged, absurdly
// large, short of memory); throws nothing and leaves nothing open.
bool decodePng(const char* path, bool keepAlpha, PngPixels& out);

// The same decode from an open, seekable stream, read whole from its start;
// the stream stays open.
bool decodePngFile(std::FILE* file, bool keepAlpha, PngPixels& out);

// Nearest-neighbour scaling of packed rows to newWidth x newHeight.
std::vector<uint8_t> scaleNearest(const PngPixels& image, uint32_t newWidth, uint32_t newHeight);
