#pragma once
// Helpers shared by the asset tests (with the headers they all use): scratch
// files, images written with libpng and libjpeg (so every expected pixel is known
// from the bytes that went in), GL read-back, message recording, and real images
// from Debian packages.
#include "platform/MessageBox.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// A fresh path in this process's temp folder ending in name (which may hold folders).
std::string scratchPath(const std::string& name);
// Writes bytes to a fresh scratch path ending in name and returns the path.
std::string saveBytes(const std::string& name, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readBytes(const std::string& path);

// Records every message box (caption, text) shown while it lives, instead of showing it.
struct MessageRecorder {
    MessageRecorder() { setMessageSink([this](const char* c, const char* t) { boxes.push_back({c, t}); }); }
    ~MessageRecorder() { setMessageSink(nullptr); }
    std::vector<std::pair<std::string, std::string>> boxes;
};

// A PNG to write: samples are packed rows in the file's own layout (16-bit
// samples big-endian, sub-byte samples high bits first).
struct TestPng {
    int width = 1, height = 1, colourType = PNG_COLOR_TYPE_RGB, bitDepth = 8;
    std::vector<uint8_t> samples = {}, paletteRgb = {}, transparency = {};  // tRNS alpha per palette entry
    double fileGamma = 0.0;                                                 // 0: no gAMA chunk
};
// With no samples, only the signature and header chunks are written.
std::string savePng(const TestPng& png, const std::string& name = "image.png");

// A baseline JPEG of 1 (grey), 3 (RGB) or 4 (Adobe CMYK) components per pixel.
std::string saveJpeg(int width, int height, int componentCount, const std::vector<uint8_t>& samples,
                     const std::string& name = "image.jpg");

// Makes the test GL context current with its initial state, and no VIEWING_GAMMA.
void freshGl();
// Expects each (name, value): glGetIntegerv values (capabilities read as 1 or 0) or,
// with texture true, parameters of the texture bound to GL_TEXTURE_2D.
void expectGl(std::initializer_list<std::pair<unsigned int, int>> expected, bool texture = false);
// Level 0 of the texture bound to GL_TEXTURE_2D as 0xRRGGBBAA texels, row 0 first.
std::vector<uint32_t> boundTexels(int* width = nullptr, int* height = nullptr);
// Whether red, green and blue of two 0xRRGGBBAA values are each within tolerance.
bool near(uint32_t actual, uint32_t expected, int tolerance = 3);
// Expects the frame's pixel at each (x, y) near the given 0xRRGGBBAA colour.
void expectPixels(std::initializer_list<std::tuple<int, int, uint32_t>> expected, int tolerance = 3);

// The files of a Debian package (those matching pattern, when given), fetched
// by debianPackageFolder: its folder + subfolder, or "" when it cannot be had.
std::string packageFolder(const std::string& package, const std::string& subfolder, const std::string& pattern = "*");
// libpng's own decode (its simplified reader) as 0xRRGGBBAA texels, rows top first; empty when it fails.
std::vector<uint32_t> referenceTexels(const std::string& path, int& width, int& height);
