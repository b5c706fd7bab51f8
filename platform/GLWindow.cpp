#include "platform/GLWindow.h"

#include "platform/InitialGLState.h"
#include "platform/MessageBox.h"
#include "platform/StopRequests.h"

#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* kCaption = "GLWindow::GLWindow";

// Starts SDL's video. With no display and no driver named, the offscreen driver
// still gives a real GL context, so the demo runs headless.
bool startVideo() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
    bool noDisplay = std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr;
    if (noDisplay && std::getenv("SDL_VIDEODRIVER") == nullptr) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    }
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

// SDL chooses and sets the pixel format inside the creation of a GL window.
// When that fails where a plain window can still be made, the format was the
// problem: no GL driver to choose one from, or a format the window refused.
const char* pixelFormatFailureText() {
    if (SDL_GL_LoadLibrary(nullptr) != 0) {
        return "Unable to find a suitable pixelformat";
    }
    SDL_GL_UnloadLibrary();
    return "Unable to set pixel format";
}

}  // namespace

void requestPixelFormat(int32_t colourBits) {
    const int channelBits = (colourBits & 0xFF) >= 24 ? 8 : (colourBits & 0xFF) / 3;
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

const char* contextFailureText(const char* sdlError) {
    std::string error = sdlError != nullptr ? sdlError : "";
    for (char& c : error) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const bool notMadeCurrent = error.find("current") != std::string::npos;
    return notMadeCurrent ? "Unable to select HRC" : "Unable to create HRC";
}

GLWindow::GLWindow(int32_t width, int32_t height, int32_t colourBits, bool fullscreen, const char* title)
    : title(title), width(width), height(height), fullscreen(fullscreen) {
    if (!startVideo()) {
        showMessageBox(kCaption, "Unable to register window class");
        return;
    }
    registered = true;
    watchStopEvents();
    requestPixelFormat(colourBits);
    if (!createWindow(fullscreen) || !createContext()) {
        return;
    }
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    ready = true;
    followDrawable();
    setInitialGLState(width, height);
}

// Full-screen windows start hidden and are shown once their context is
// current; windowed ones are visible from the start. True when a GL window
// was made.
bool GLWindow::createWindow(bool fullscreen) {
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
    int windowWidth = width;
    int windowHeight = height;
    if (fullscreen) {
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
            showMessageBox("Error", "Unable to get displaysettings");
            return false;
        }
        // Created at the desktop's size as well, so that the window covers the
        // screen even where no window manager carries out the full-screen request.
        windowWidth = mode.w;
        windowHeight = mode.h;
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_HIDDEN;
        SDL_ShowCursor(SDL_DISABLE);
    } else {
        flags |= SDL_WINDOW_SHOWN;
    }
    window = SDL_CreateWindow(title, 0, 0, windowWidth, windowHeight, flags);
    if (window != nullptr) {
        return true;
    }
    // A window that cannot be made at all ends construction silently.
    window = SDL_CreateWindow(title, 0, 0, windowWidth, windowHeight, flags & ~SDL_WINDOW_OPENGL);
    if (window != nullptr) {
        showMessageBox(kCaption, pixelFormatFailureText());
    }
    return false;
}

bool GLWindow::createContext() {
    renderContext = SDL_GL_CreateContext(window);
    if (renderContext == nullptr) {
        showMessageBox(kCaption, contextFailureText(SDL_GetError()));
        return false;
    }
    if (SDL_GL_MakeCurrent(window, renderContext) != 0) {
        showMessageBox(kCaption, "Unable to select HRC");
        return false;
    }
    return true;
}

// Draws into an off-screen canvas of exactly width x height whenever the
// drawable has another size, so every copy and blur sees the same frame.
void GLWindow::followDrawable() {
    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    canvas.follow(width, height, drawableWidth, drawableHeight);
}

bool GLWindow::present() {
    SDL_Event event;
    const bool taken = registered && SDL_PollEvent(&event) != 0;
    if (taken && event.type == SDL_QUIT) {
        return false;
    }
    if (ready) {
        glFlush();
        if (canvas.framebuffer != 0) {
            int drawableWidth = 0, drawableHeight = 0;
            SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
            canvas.show(drawableWidth, drawableHeight);
        }
        SDL_GL_SwapWindow(window);
        followDrawable();
        canvas.bind();
    }
    if (taken) {
        handleWindowEvent(event);
    }
    return true;
}

int GLWindow::close() {
    if (window != nullptr) {
        SDL_GL_MakeCurrent(window, nullptr);
    }
    if (renderContext != nullptr) {
        SDL_GL_DeleteContext(renderContext);
        renderContext = nullptr;
    }
    // The canvas's names went with the context.
    canvas.forget();
    ready = false;
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    if (!registered) {
        return 0;
    }
    unwatchStopEvents();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    registered = false;
    return 1;
}

void GLWindow::resizeCanvas(int32_t newWidth, int32_t newHeight) {
    width = newWidth;
    height = newHeight;
    if (!fullscreen) {
        SDL_SetWindowSize(window, width, height);
    }
    followDrawable();
    setInitialGLState(width, height);
}

int32_t GLWindow::maxCanvasSide() const {
    GLint textureSide = 0, viewport[2] = {0, 0}, renderbufferSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &textureSide);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbufferSide);
    // A driver without frame buffer objects reports nothing for them; the
    // canvas then draws straight into the back buffer.
    if (renderbufferSide <= 0) {
        renderbufferSide = textureSide;
    }
    return std::min({textureSide, viewport[0], viewport[1], renderbufferSide});
}

// Windows open at (0, 0), which is on display 0. SDL counts the starts of its
// video, so this one's end leaves any window's own start and end as they were.
bool desktopDisplaySize(int& displayWidth, int& displayHeight) {
    if (!startVideo()) {
        return false;
    }
    SDL_DisplayMode mode;
    const bool known = SDL_GetDesktopDisplayMode(0, &mode) == 0;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (!known) {
        return false;
    }
    displayWidth = mode.w;
    displayHeight = mode.h;
    return true;
}

void handleWindowEvent(const SDL_Event& event) {
    const bool escape = event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE;
    const bool closeRequest = event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE;
    if (closeRequest) {
        requestStop();
    }
    if (escape || closeRequest) {
        SDL_Event quit = {};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
}
