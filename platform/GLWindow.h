#pragma once
// The one top-level window with its OpenGL compatibility context, made current
// on the constructing thread, which must issue every later GL call.
// When the drawable is not exactly width x height (desktop full-screen, tiling
// window managers, high-DPI), everything is drawn into an off-screen canvas of
// that size, and present scales it into the drawable with black bars.
#include <cstdint>

struct SDL_Window;
union SDL_Event;

class GLWindow {
public:
    // Creates the window (desktop full-screen or windowed with a width x height
    // client area), its context and the initial GL state: full viewport,
    // 45-degree perspective, depth test, normalisation and back-face culling on.
    // A failing step shows its message box and construction stops there.
    GLWindow(int32_t width, int32_t height, int32_t colourBits, bool fullscreen, const char* title);

    // Takes at most one pending event. A quit event returns false and shows
    // nothing; otherwise the frame is flushed and shown, then the event handled.
    bool present();

    // Releases the context and destroys the window; nonzero when the window
    // system was set up and is now released.
    int close();

    SDL_Window* window = nullptr;
    void* renderContext = nullptr;
    const char* title = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    bool registered = false;
    // Off-screen canvas (frame buffer object and its two render buffers); 0 when
    // drawing goes straight to the back buffer.
    unsigned int canvasFramebuffer = 0;
    unsigned int canvasColour = 0;
    unsigned int canvasDepthStencil = 0;

private:
    void updateCanvas();
    void showCanvas() const;
};

// The GL state a fresh window starts with: viewport (0, 0, width, height), a
// 45-degree perspective with the aspect width / height in floating point,
// identity model-view (matrix mode left there), depth test, normalisation and
// back-face culling on. Tests and benchmarks reset their contexts with it too.
void setInitialGLState(int32_t width, int32_t height);

// Handles one event as the window's default handling would: Escape key-down
// posts a quit event; a close request (close button, window manager) asks the
// run to end. Refers to no window object.
void handleWindowEvent(const SDL_Event& event);

// True while the Escape key is down, or once the window's close button, Alt+F4,
// SIGINT or SIGTERM asked the run to end.
bool escapeRequested();

// Forgets an earlier close request (for tests).
void clearCloseRequest();
