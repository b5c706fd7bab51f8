#pragma once
// One GL texture loaded from a PNG or JPEG file at start-up, with the few
// operations the scenes apply to it. Needs the window's GL context current.
// Never destroyed during a run; the GL texture lives as long as the context.
#include <cstdint>

class Texture {
public:
    // Runs load(path).
    explicit Texture(const char* path);

    // Binds the texture and sets both wrap modes to GL_CLAMP.
    virtual void setClamp();
    // Binds the texture and sets both wrap modes to GL_REPEAT.
    virtual void setRepeat();
    // Enables GL_TEXTURE_2D and binds the texture.
    virtual void bind();
    // Disables GL_TEXTURE_2D; the binding stays.
    virtual void unbind();
    // Draws the image over (x, y, width, height) of an 800 x 600 space whose
    // origin is the lower left; leaves this texture bound, texturing off, the
    // matrix mode at modelview with both matrices as found, and blending on
    // (SRC_ALPHA, ONE_MINUS_SRC_ALPHA) when blend is true, else as found.
    virtual void drawOverlay(int x, int y, int width, int height, bool blend);

    // Loads the file: PNG when the text after the path's first '.' is exactly
    // png, Png, PNg or PNG; JPEG otherwise. The new texture stays bound. A PNG
    // that fails, a JPEG that cannot be opened, or an image too large for the
    // memory at hand leaves textureName 0 and 0 x 0; it throws nothing.
    void load(const char* path);

    unsigned int textureName = 0;
    int32_t width = 0;
    int32_t height = 0;
};
