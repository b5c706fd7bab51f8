#pragma once
// A GLSL program that stands in for the emulation's fixed-function shader in
// textured draws. It samples as Mesa does for 8-bit textures: the sample point
// rounded to 1/256 of a texel for the bilinear weights, and the result rounded
// to whole levels after the horizontal and again after the vertical step, where
// the browser interpolates once in float. The glow carries each level of
// difference through its blur into whole blocks of the picture, so the steps
// must match. Main thread only, with the WebGL context current.
#include "web/gl/TextureState.h"

// Whether the program can draw the bound texture the way GL would: an 8-bit
// texture filtered with GL_LINEAR, or GL_LINEAR_MIPMAP_NEAREST and a GL_LINEAR
// magnification (or the same with NEAREST). Mipmaps need the browser's texture
// level and derivative extensions.
bool byteFilteringFits(const TextureState& texture);

// Puts the program in use for the bound texture, whose filters are set to
// nearest for the program's own texel fetches. Vertex position, colour and the
// first texture coordinate are used as the fixed-function pipeline uses them
// (the colour modulates the texture); the texture matrix, lighting and fog are
// not, and the shared code uses none of them. Returns false, changing nothing,
// when the program cannot be built.
bool startByteFiltering(const TextureState& texture);
// Puts back the texture's filters and the fixed-function pipeline.
void stopByteFiltering(const TextureState& texture);
