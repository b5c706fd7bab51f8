#pragma once
// The page's canvas with its WebGL 1 context under the fixed-function
// emulation: what GLWindow is natively. Its pixel size is chosen at start-up
// (the page's CSS box times devicePixelRatio, within what the context can
// draw) and the page scales the canvas into a 4:3 box with black bars. Main
// thread only.
#include "platform/CanvasSize.h"

#include <cstdint>

// What the context reports it can draw.
struct WebGLLimits {
    int32_t maxTextureSize = 0;
    int32_t maxRenderbufferSize = 0;
    int32_t maxViewportWidth = 0;
    int32_t maxViewportHeight = 0;
};

class WebCanvas {
public:
    // Creates the context on the page's #canvas and makes it current.
    // keepFrames keeps the drawing buffer after a frame is shown, so a still
    // can be read back from the page. False, after a page message, when WebGL
    // is not available. The context lives as long as the page, so "play
    // again" needs no reload.
    bool open(bool keepFrames);
    // The context's size limits; after open.
    WebGLLimits limits() const;
    // Gives the canvas that pixel size and returns the drawing buffer the
    // browser made for it, which can be smaller where memory is short.
    CanvasSize resize(CanvasSize size);
    // The same initial GL state as the native window, for that pixel size.
    void setInitialState(CanvasSize size);
};
