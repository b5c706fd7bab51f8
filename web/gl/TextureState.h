#pragma once
// What the compatibility layer records of each texture through its shims
// (TextureShims.cpp), for the drawing shims that must know how the bound
// texture is sampled. Main thread only.
#include <GL/gl.h>

struct TextureState {
    // GL_LUMINANCE .. GL_RGBA as uploaded (0 until level 0 has an image).
    GLenum format = 0;
    GLsizei width = 0;
    GLsizei height = 0;
    // Levels 0 .. levelCount - 1 have been given images.
    GLint levelCount = 0;
    // GL's initial values.
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR;
    GLint magFilter = GL_LINEAR;
    GLint wrapS = GL_REPEAT;
    GLint wrapT = GL_REPEAT;
};

// The texture bound to GL_TEXTURE_2D, or null when it has no level-0 image.
const TextureState* boundTextureState();
