#pragma once
// One GL texture that mirrors the lower-left targetWidth x targetHeight pixels
// of whatever is being drawn to, plus the copy, shrink, blur and blended
// full-screen passes of the glow. Needs the window's GL context current.
// The frame being drawn is the scratch surface: no frame buffers of its own.
#include <cstdint>

// The smallest power of two 2^k (1 <= k <= 30) not below size; 2 for sizes of 2
// or less; size itself when it is above 2^30.
int32_t powerOfTwoAtLeast(int32_t size);

class RenderTarget {
public:
    // Stores the sizes and creates a zero-filled RGBA texture, left bound.
    RenderTarget(int32_t targetWidth, int32_t targetHeight, int32_t screenWidth, int32_t screenHeight);

    // Viewport (0, 0, targetWidth, targetHeight).
    void useViewport() const;
    // Copies the held rectangle into the texture; leaves it bound and the screen viewport set.
    void copyScreen() const;
    // Draws this image into other's size at the lower-left corner and copies it
    // into other; leaves blending and texturing off, other's texture bound and
    // other's screen viewport set.
    void downsampleInto(const RenderTarget& other) const;
    // Draws the held image as one quad: the viewport moved by (xOffset, yOffset)
    // pixels and enlarged by (extraWidth, extraHeight); leaves this texture
    // bound, texturing off, the depth test on and both matrices as found.
    void drawQuad(float xOffset, float yOffset, float extraWidth, float extraHeight) const;
    // drawQuad(0, 0, 0, 0).
    void drawFullScreen() const;
    // Adds the image times the colour over the viewport; leaves blending off and colour white.
    void drawAdditive(float red, float green, float blue, float alpha) const;
    // Multiplies the viewport by the image times the colour; leaves blending off and colour white.
    void drawModulate(float red, float green, float blue, float alpha) const;
    // Box-blurs the image in place along (xDirection, yDirection), repetitions
    // times: each pass sums 2 x radius + 1 taps (radius counts taps on each
    // side) spaced `spacing` pixels of the target's width apart, in both
    // directions (so a vertical step on a non-square target is not `spacing`
    // rows), each weighted weight / (2 x radius + 1). Leaves texturing and
    // blending off with the blend function SRC_ALPHA, ONE, the clear colour
    // black (0, 0, 0, 1) once a pass ran, colour white, the depth test on, this
    // texture bound, the screen viewport and both matrices as found.
    void blurPass(int32_t repetitions, int32_t radius, float spacing, float weight, float xDirection,
                  float yDirection) const;
    // blurPass along x, then along y; leaves the same state as blurPass.
    void blur(int32_t repetitions, int32_t radius, float spacing, float weight) const;
    // Binds the texture and sets linear filtering.
    void setLinear() const;
    // Sets nearest filtering on whatever texture is bound.
    void setNearest() const;

    unsigned int textureName = 0;
    int32_t targetWidth = 0;
    int32_t targetHeight = 0;
    int32_t textureWidth = 0;
    int32_t textureHeight = 0;
    float sExtent = 0;
    float tExtent = 0;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
};
