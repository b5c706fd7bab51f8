#pragma once
// Shared pieces of the render-target tests: known images drawn into and read
// from the draw buffer, a CPU model of the glow's sampling and blending on
// 8-bit colour, and the GL state the operations touch. Need the test GL context.
#define GL_GLEXT_PROTOTYPES
#include "tests/support/GLTestContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <tuple>
#include <vector>

namespace fxtest {

// RGBA bytes, bottom row first (GL's order).
struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    explicit Image(int w = 0, int h = 0) : width(w), height(h), rgba(size_t(w) * size_t(h) * 4, 0) {}
    uint8_t* at(int x, int y) { return &rgba[(size_t(y) * width + x) * 4]; }
    const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
    void set(int x, int y, double r, double g, double b) {
        const double rgb[3] = {r, g, b};
        for (int c = 0; c < 3; ++c) at(x, y)[c] = uint8_t(std::lround(std::clamp(rgb[c], 0.0, 255.0)));
        at(x, y)[3] = 255;
    }
};

// Blocks of 8 x 8 pixels whose colours differ from every neighbour's.
inline Image blockPattern(int width, int height) {
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.set(x, y, (x / 8 * 37 + 11) % 256, (y / 8 * 53 + 7) % 256, ((x / 8 + y / 8) * 29 + 90) % 256);
        }
    }
    return image;
}

// Writes the image to the lower-left corner of the draw buffer; leaves the
// depth test, texturing and blending off.
inline void drawImage(const Image& image) {
    glDisable(GL_DEPTH_TEST), glDisable(GL_TEXTURE_2D), glDisable(GL_BLEND);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glWindowPos2i(0, 0);
    glDrawPixels(image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
}

// Clears the whole colour buffer to one opaque colour.
inline void fillScreen(int red, int green, int blue) {
    glClearColor(red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

inline Image readImage(int width, int height) {
    Image image(width, height);
    image.rgba = testgl::readPixels(0, 0, width, height);
    return image;
}

// Level 0 of the texture as RGBA bytes; leaves it bound.
inline Image textureImage(unsigned int texture) {
    int width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    Image image(width, height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    return image;
}

// Largest red, green or blue difference, skipping pixels flagged in skip.
inline int maxDifference(const Image& a, const Image& b, const std::vector<bool>& skip = {}) {
    if (a.rgba.size() != b.rgba.size()) return 256;
    int worst = 0;
    for (size_t i = 0; i < a.rgba.size(); ++i) {
        if (i % 4 != 3 && (skip.empty() || !skip[i / 4])) worst = std::max(worst, std::abs(a.rgba[i] - b.rgba[i]));
    }
    return worst;
}

// image held in the lower-left of a larger zero-filled texture, drawn with
// linear filtering into a width x height viewport (texel i spans i .. i + 1).
inline Image drawScaledLinear(const Image& image, int width, int height) {
    auto texel = [&](int x, int y, int c) {
        return x >= 0 && y >= 0 && x < image.width && y < image.height ? double(image.at(x, y)[c]) : 0.0;
    };
    Image out(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = (x + 0.5) / width * image.width - 0.5, v = (y + 0.5) / height * image.height - 0.5;
            const int x0 = int(std::floor(u)), y0 = int(std::floor(v));
            const double ax = u - x0, ay = v - y0;
            double rgb[3];
            for (int c = 0; c < 3; ++c) {
                rgb[c] = (texel(x0, y0, c) * (1 - ax) + texel(x0 + 1, y0, c) * ax) * (1 - ay) +
                         (texel(x0, y0 + 1, c) * (1 - ax) + texel(x0 + 1, y0 + 1, c) * ax) * ay;
            }
            out.set(x, y, rgb[0], rgb[1], rgb[2]);
        }
    }
    return out;
}

// One blur pass of whole-pixel taps along x or y on a cleared buffer: each tap
// blended with GL_SRC_ALPHA, GL_ONE at an 8-bit alpha of tapWeight and rounded
// to 8 bits as the frame buffer does; taps falling off the image add nothing.
inline Image blurPassModel(const Image& image, int radius, bool vertical, double tapWeight) {
    const double alpha = std::round(std::clamp(tapWeight, 0.0, 1.0) * 255.0) / 255.0;
    Image out(image.width, image.height);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            int sum[3] = {0, 0, 0};
            for (int tap = -radius; tap <= radius; ++tap) {
                const int sx = vertical ? x : x - tap, sy = vertical ? y - tap : y;
                if (sx < 0 || sx >= image.width || sy < 0 || sy >= image.height) continue;
                for (int c = 0; c < 3; ++c) sum[c] = std::min(255, sum[c] + int(std::lround(image.at(sx, sy)[c] * alpha)));
            }
            out.set(x, y, sum[0], sum[1], sum[2]);
        }
    }
    return out;
}

using Viewport = std::array<int, 4>;
using Colour = std::array<float, 4>;

// The GL state the render-target operations set or must restore.
struct GlState {
    bool texturing, blending, depthTest;
    int blendSource, blendDestination, matrixMode, texture;
    Viewport viewport;
    Colour colour, clearColour;
    std::array<float, 32> matrices;  // projection, then model-view
    auto tie() const {
        return std::tie(texturing, blending, depthTest, blendSource, blendDestination, matrixMode, texture, viewport,
                        colour, clearColour, matrices);
    }
};

inline GlState captureState() {
    GlState s{};
    s.texturing = glIsEnabled(GL_TEXTURE_2D), s.blending = glIsEnabled(GL_BLEND), s.depthTest = glIsEnabled(GL_DEPTH_TEST);
    glGetIntegerv(GL_BLEND_SRC, &s.blendSource);
    glGetIntegerv(GL_BLEND_DST, &s.blendDestination);
    glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture);
    glGetIntegerv(GL_VIEWPORT, s.viewport.data());
    glGetFloatv(GL_CURRENT_COLOR, s.colour.data());
    glGetFloatv(GL_COLOR_CLEAR_VALUE, s.clearColour.data());
    glGetFloatv(GL_PROJECTION_MATRIX, s.matrices.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, s.matrices.data() + 16);
    return s;
}

class GLTest : public ::testing::Test {
protected:
    void SetUp() override { testgl::ensureContext(), testgl::resetState(); }
    void TearDown() override { testgl::resetState(); }
};

}  // namespace fxtest
