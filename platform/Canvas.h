#pragma once
// The off-screen frame a window draws into when its drawable is not exactly
// the requested size: a frame buffer object with an RGB colour buffer (no
// alpha, like the window's pixel format, so copies read alpha 1) and a
// depth-stencil buffer. Needs the window's GL context current.
#include <cstdint>

class Canvas {
public:
    // Makes or drops the canvas so that drawing lands in a frame of exactly
    // width x height for a drawable of the given size, and binds it (or the
    // back buffer) for drawing. A canvas that cannot be completed is deleted,
    // said once on standard error, and drawing goes to the back buffer.
    void follow(int32_t width, int32_t height, int drawableWidth, int drawableHeight);

    // Scales the canvas into the back buffer with its aspect kept and black
    // bars; leaves the back buffer bound for the swap, and the clear colour
    // and scissor test as they were.
    void show(int drawableWidth, int drawableHeight) const;

    // Binds the canvas for drawing again after a swap; nothing without one.
    void bind() const;

    // Deletes the canvas's names and binds the back buffer.
    void release();

    // Forgets the names without GL calls, for when the context is gone.
    void forget();

    unsigned int framebuffer = 0;
    unsigned int colour = 0;
    unsigned int depthStencil = 0;
    int32_t width = 0;
    int32_t height = 0;

private:
    bool create(int32_t canvasWidth, int32_t canvasHeight);
    bool reportedFailure = false;
};
