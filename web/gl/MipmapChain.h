#pragma once
// The mip chain gluBuild2DMipmaps uploads, computed on the CPU the way Mesa's GLU
// does for unsigned bytes: each side goes to its nearest power of two (rounding up
// only when the two highest bits are set), halved again while it exceeds the
// largest texture side; a box filter with fractional coverage scales the image
// there, then each level halves the one before with rounded 2 x 2 means (truncated
// 2 x 1 means once a side is 1).
// Plain functions; any thread.
#include <cstdint>
#include <vector>

struct MipLevel {
    int width = 0;
    int height = 0;
    // Packed rows (no padding), bottom of the upload first as given.
    std::vector<uint8_t> bytes;
};

// GLU's nearest power of two; 0 for a side below 1.
int gluNearestPower(int side);

// Every level from the scaled base down to 1 x 1. source holds height rows of
// width x components bytes, each row rowStrideBytes apart. Empty when a side or
// the component count is not positive.
std::vector<MipLevel> buildMipChain(const uint8_t* source, int width, int height, int components,
                                    int rowStrideBytes, int maxSide);
