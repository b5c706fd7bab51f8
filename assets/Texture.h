#pragma once
// One GL texture loaded from a PNG or JPEG file at start-up, with the few
// operations the scenes apply to it. Needs the window's GL context current.
// Never destroyed during a run; the GL texture lives as long as the context.
#include <cstdint>

// How an overlay's texture is sampled on a viewport of a given pixel size.
struct OverlaySampling {
    // The texture's own wrap and filters: a viewport of the layout's size shows
    // the overlays exactly as they were made.
    bool asMade = true;
    // Clamped to the edge texels instead of wrapping to the far side: an
    // overlay is one image, and on a larger viewport the wrap would show as
    // a seam along its borders.
    bool clampToEdge = false;
    // Nearest magnification: the overlay shows one texel per pixel at the
    // layout size and the viewport is a whole multiple of it, so each texel
    // becomes a square of pixels as sharp as at the layout size.
    bool nearest = false;
};

// The sampling of an overlay of width x height layout units showing a texture
// of textureWidth x textureHeight texels on a viewportWidth x viewportHeight viewport.
OverlaySampling overlaySampling(int viewportWidth, int viewportHeight, int width, int height, int textureWidth,
                                int textureHeight);

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
    // origin is the lower left, sampled as overlaySampling says for the
    // viewport; leaves this texture bound with its wrap and filters as found,
    // texturing off, the matrix mode at modelview with both matrices as found,
    // and blending on (SRC_ALPHA, ONE_MINUS_SRC_ALPHA) when blend is true, else
    // as found.
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
