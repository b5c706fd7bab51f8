#pragma once
// Image files written by the asset tests with libpng and libjpeg, so every
// expected pixel is known from the bytes that went in.
#include <cstdint>
#include <string>
#include <vector>

namespace assettest {

// A PNG to write: samples are the packed rows in the file's own layout (16-bit
// samples big-endian, sub-byte samples packed high bit first).
struct PngSpec {
    int width = 1;
    int height = 1;
    int colourType = 2;  // PNG_COLOR_TYPE_RGB
    int bitDepth = 8;
    std::vector<uint8_t> samples;
    std::vector<uint8_t> paletteRgb;   // 3 bytes per entry, palette images only
    std::vector<uint8_t> transparency; // tRNS alpha per palette entry, if any
    double fileGamma = 0.0;            // 0: no gAMA chunk
};

bool writePng(const std::string& path, const PngSpec& desc);

// Writes a baseline JPEG of 1 (grey), 3 (RGB) or 4 (CMYK, Adobe inverted) components.
bool writeJpeg(const std::string& path, int width, int height, int componentCount,
               const std::vector<uint8_t>& samples, int quality = 95);

// The RGBA bytes of level 0 of the texture bound to GL_TEXTURE_2D, row 0 first.
std::vector<uint8_t> boundTextureRgba(int* width = nullptr, int* height = nullptr);

}  // namespace assettest
