#pragma once
// An 800 x 600 OpenGL compatibility context for tests: a windowed GLWindow,
// the demo's own set-up, on SDL's offscreen driver (a real Mesa context, no
// display). The drawable is exactly 800 x 600, so drawing goes straight into
// the back buffer.
#include <cstdint>
#include <vector>

namespace testgl {

// Creates the context once per process and makes it current; sets the same
// initial state a fresh demo window has (viewport, 45-degree perspective,
// depth test, normalisation and back-face culling on).
void ensureContext();

// Puts back the initial state: identity modelview, the window's projection,
// full viewport, colour white, no blending or texturing, black clear.
void resetState();

// RGBA bytes of a rectangle of the current read buffer, bottom row first.
std::vector<uint8_t> readPixels(int x, int y, int width, int height);

// One pixel as 0xRRGGBBAA.
uint32_t pixelAt(int x, int y);

// Writes a BMP of the lower-left width x height pixels, upright, for looking at
// (convert with ffmpeg to view); returns false when it cannot be written.
bool saveBmp(const char* path, int width, int height);

}  // namespace testgl
