#pragma once
// Images for the render-target tests: drawing known frames into whatever is
// bound for drawing, and a CPU model of the texture sampling and blending the
// glow uses, so read-back pixels can be checked against arithmetic.
// The GL helpers need the test GL context current.
#include <cstdint>
#include <vector>

namespace fxtest {

// RGBA bytes, bottom row first (GL's order).
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    Image() = default;
    Image(int width, int height);
    uint8_t* at(int x, int y);
    const uint8_t* at(int x, int y) const;
};

// An image of one colour (alpha 255).
Image uniformImage(int width, int height, uint8_t red, uint8_t green, uint8_t blue);

// Blocks of 8 x 8 pixels whose colours differ from every neighbour's.
Image blockPattern(int width, int height);

// A dark gradient with a bright rectangle, a red disc and thin cyan bars: a
// frame with sharp bright shapes for the glow to spread.
Image glowTestFrame();

// Writes the image to the lower-left corner of the draw buffer, untouched by
// depth test, texturing and blending; leaves the GL state as found.
void drawImage(const Image& image);

// Clears the whole colour buffer to one colour; leaves the clear colour as found.
void fillScreen(uint8_t red, uint8_t green, uint8_t blue);

// The lower-left width x height pixels of the read buffer.
Image readImage(int width, int height);

// Largest per-channel difference of red, green and blue over the whole image.
int maxColourDifference(const Image& a, const Image& b);

// CPU model of the glow's GL arithmetic on 8-bit colour.
// A texture holding image in its lower-left corner, zeros elsewhere.
Image textureOf(const Image& image, int textureWidth, int textureHeight);

// Bilinear sample at texel coordinates (u, v) (texel i spans i .. i + 1),
// wrapping around like GL_REPEAT; per channel, unrounded.
void sampleLinear(const Image& texture, double u, double v, double out[3]);

// The held image drawn into a width x height viewport with linear filtering.
Image drawScaledLinear(const Image& texture, double sExtent, double tExtent, int width, int height);

// One blur pass of whole-pixel taps (shiftPixels per step along x or y) on a
// cleared buffer, each tap blended with GL_SRC_ALPHA, GL_ONE and alpha
// tapWeight, rounded to 8 bits after every tap as the frame buffer does.
Image blurPassModel(const Image& image, int radius, int shiftPixels, bool vertical, double tapWeight);

// The small image drawn back over a width x height screen with nearest filtering:
// texel floor((x + 0.5) * small.width / width). Pixels whose pick lies within
// 0.01 of a texel edge, where GL may round either way, are flagged in ambiguous.
Image drawScaledNearest(const Image& small, int width, int height, std::vector<bool>* ambiguous);

}  // namespace fxtest
