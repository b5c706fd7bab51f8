#pragma once
// GL state queries for the render-target tests: each returns a plain value
// that compares with == and prints in failures. Queries of a texture restore
// the binding they found. Need the test GL context current.
#include "tests/fx/FxTestImages.h"

#include <array>
#include <cstdint>
#include <utility>

class RenderTarget;

namespace fxtest {

// (x, y, width, height) and (red, green, blue, alpha): gtest prints arrays.
using Viewport = std::array<int, 4>;
using Colour = std::array<float, 4>;

// The projection and model-view matrices, in that order.
using Matrices = std::array<float, 32>;

Viewport viewport();
Colour currentColour();
Colour clearColour();
Matrices matrices();
int matrixMode();
unsigned int boundTexture();
std::pair<int, int> blendFunction();

std::pair<int, int> textureSize(unsigned int texture);
// Level 0 of the texture as RGBA bytes.
Image textureImage(unsigned int texture);
// (min filter, mag filter).
std::pair<int, int> filters(unsigned int texture);
int texParameter(unsigned int texture, int name);

// Opaque black, for comparing pixels.
const uint8_t* black();

// Expects pixel (0xRRGGBBAA) to be within tolerance of the colour per channel.
void expectColourNear(uint32_t pixel, int red, int green, int blue, int tolerance);

// Expects what drawAdditive and drawModulate leave: texturing and blending off,
// the given blend function, colour white, depth test on, the target's texture bound.
void expectBlendPassState(const RenderTarget& target, int source, int destination);

}  // namespace fxtest
