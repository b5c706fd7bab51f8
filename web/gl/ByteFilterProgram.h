#pragma once
// A GLSL program that stands in for the emulation's fixed-function shader when
// a texture without mipmaps is drawn in immediate mode (the glow's copies,
// shrink, blur and final passes). It samples as Mesa does for 8-bit textures:
// the sample point rounded to 1/256 of a texel for the bilinear weights, and
// the result rounded to whole levels after the horizontal and again after the
// vertical step, where the browser interpolates once in float. The glow carries
// each level of difference through its blur into whole blocks of the picture,
// so the steps must match. Main thread only, with the WebGL context current.
#include "web/gl/TextureState.h"

// Whether the program can draw the bound texture the way GL would: an 8-bit
// texture whose minification and magnification filters are both GL_LINEAR or
// both GL_NEAREST.
bool byteFilteringFits(const TextureState& texture);

// Issues the emulation's glEnd with the program in use, the texture's filters
// set to GL_NEAREST for the program's own texel fetches and restored after.
// Vertex position, colour and the first texture coordinate are used as the
// fixed-function pipeline uses them (colour modulates the texture); the texture
// matrix, lighting and fog are not, and the shared code uses none of them here.
// Falls back to the plain glEnd when the program cannot be built.
void endWithByteFiltering(const TextureState& texture);
