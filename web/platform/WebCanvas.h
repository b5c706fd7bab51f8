#pragma once
// The page's canvas with its WebGL 1 context under the fixed-function
// emulation: what GLWindow is natively. The canvas element is 800 x 600 and the
// page scales it to the window with black bars, so every frame is drawn at
// exactly that size. Main thread only.
#include <cstdint>

class WebCanvas {
public:
    // Creates the context on the page's #canvas, makes it current and sets the
    // same initial GL state as the native window. keepFrames keeps the drawing
    // buffer after a frame is shown, so a still can be read back from the page.
    // False, after a page message, when WebGL is not available.
    // The context lives as long as the page, so "play again" needs no reload.
    bool open(int32_t width, int32_t height, bool keepFrames);
};
