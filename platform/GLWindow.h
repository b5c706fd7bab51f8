#pragma once
// The one top-level window with its OpenGL compatibility context, made current
// on the constructing thread, which must issue every later GL call.
// When the drawable is not exactly width x height (desktop full-screen, tiling
// window managers, high-DPI, a resize), everything is drawn into an off-screen
// canvas of that size, and present scales it into the drawable with black bars.
#include "platform/Canvas.h"

#include <cstdint>

struct SDL_Window;
union SDL_Event;

class GLWindow {
public:
    // Creates the window (desktop full-screen or windowed with a width x height
    // client area), its context and the initial GL state: full viewport,
    // 45-degree perspective, depth test, normalisation and back-face culling on.
    // A full-screen window stays hidden until its context is current.
    // A failing step shows its message box and construction stops there.
    GLWindow(int32_t width, int32_t height, int32_t colourBits, bool fullscreen, const char* title);

    // Takes at most one pending event. A quit event returns false and shows
    // nothing; otherwise the frame is flushed and shown, then the event handled.
    // The canvas follows the drawable's size from one frame to the next.
    bool present();

    // Releases the context and destroys the window; nonzero when the window
    // system was set up and is now released.
    int close();

    // Ready window only: draws at width x height from now on (a windowed window
    // takes that client size too) and sets the initial GL state for it again.
    void resizeCanvas(int32_t newWidth, int32_t newHeight);
    // Ready window only: the longest canvas side this GL driver can serve: its
    // texture, render buffer and viewport limits, whichever is least.
    int32_t maxCanvasSide() const;

    SDL_Window* window = nullptr;
    void* renderContext = nullptr;
    const char* title = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    bool registered = false;
    // True once every construction step succeeded: the context is current and
    // the initial state set. Nothing may make GL calls through this window
    // otherwise.
    bool ready = false;
    Canvas canvas;

private:
    bool createWindow(bool fullscreen);
    bool fullscreen = false;
    bool createContext();
    void followDrawable();
};

// The desktop size in pixels of the display a new window opens on, for
// choosing a canvas before the window exists; false when SDL cannot tell.
bool desktopDisplaySize(int& displayWidth, int& displayHeight);

// Sets the pixel format every morvel context asks for: double-buffered RGB of
// colourBits (no alpha), 16-bit depth, 8-bit stencil, compatibility profile.
void requestPixelFormat(int32_t colourBits);

// Handles one event as the window's default handling would: Escape key-down
// posts a quit event; a close request (close button, window manager) asks the
// run to stop and posts a quit event. Refers to no window object.
void handleWindowEvent(const SDL_Event& event);

// The failure text for a context that SDL could not create. SDL makes a new
// context current inside its creation call, so a failure to make it current
// arrives there too, told apart only by SDL's error text.
const char* contextFailureText(const char* sdlError);
