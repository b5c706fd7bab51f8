#include "platform/GLWindow.h"

#include "platform/MessageBox.h"

#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kCaption = "GLWindow::GLWindow";

// A close request can arrive from a signal handler or SDL's event watch, both C
// callbacks with no room for an object, so it lives here.
std::atomic<bool> gCloseRequested{false};
// Escape pressed since the last poll, so that a tap between two polls still counts.
std::atomic<bool> gEscapeTapped{false};

void onTerminationSignal(int) {
    gCloseRequested.store(true);
}

int watchCloseRequests(void*, SDL_Event* event) {
    if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_CLOSE) {
        gCloseRequested.store(true);
    } else if (event->type == SDL_KEYDOWN && event->key.keysym.sym == SDLK_ESCAPE) {
        gEscapeTapped.store(true);
    }
    return 1;
}

void installCloseHandlers() {
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    SDL_AddEventWatch(watchCloseRequests, nullptr);
}

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

// Frame buffer object entry points, which GL 1.1 headers do not declare.
struct CanvasCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;

    bool load() {
        genFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(SDL_GL_GetProcAddress("glGenFramebuffers"));
        bindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(SDL_GL_GetProcAddress("glBindFramebuffer"));
        genRenderbuffers = reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(SDL_GL_GetProcAddress("glGenRenderbuffers"));
        bindRenderbuffer = reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(SDL_GL_GetProcAddress("glBindRenderbuffer"));
        renderbufferStorage =
            reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(SDL_GL_GetProcAddress("glRenderbufferStorage"));
        framebufferRenderbuffer =
            reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(SDL_GL_GetProcAddress("glFramebufferRenderbuffer"));
        checkFramebufferStatus =
            reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(SDL_GL_GetProcAddress("glCheckFramebufferStatus"));
        blitFramebuffer = reinterpret_cast<PFNGLBLITFRAMEBUFFERPROC>(SDL_GL_GetProcAddress("glBlitFramebuffer"));
        return genFramebuffers && bindFramebuffer && genRenderbuffers && bindRenderbuffer && renderbufferStorage &&
               framebufferRenderbuffer && checkFramebufferStatus && blitFramebuffer;
    }
};

CanvasCalls& canvasCalls() {
    static CanvasCalls calls;
    return calls;
}

}  // namespace

GLWindow::GLWindow(int32_t width, int32_t height, int32_t colourBits, bool fullscreen, const char* title)
    : title(title), width(width), height(height) {
    if (!startVideo()) {
        showMessageBox(kCaption, "Unable to register window class");
        return;
    }
    registered = true;
    installCloseHandlers();

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
    int windowWidth = width;
    int windowHeight = height;
    if (fullscreen) {
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
            showMessageBox("Error", "Unable to get displaysettings");
            return;
        }
        // Created at the desktop's size as well, so that the window covers the
        // screen even where no window manager carries out the full-screen request.
        windowWidth = mode.w;
        windowHeight = mode.h;
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        SDL_ShowCursor(SDL_DISABLE);
    } else {
        flags |= SDL_WINDOW_SHOWN;
    }

    // The pixel format: double-buffered RGB of the requested depth, no alpha,
    // 16-bit depth and 8-bit stencil, in a context that keeps immediate mode.
    int channelBits = (colourBits & 0xFF) >= 24 ? 8 : (colourBits & 0xFF) / 3;
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

    window = SDL_CreateWindow(title, 0, 0, windowWidth, windowHeight, flags);
    if (window == nullptr) {
        return;
    }
    if (SDL_GL_LoadLibrary(nullptr) != 0) {
        showMessageBox(kCaption, "Unable to find a suitable pixelformat");
        return;
    }
    renderContext = SDL_GL_CreateContext(window);
    if (renderContext == nullptr) {
        showMessageBox(kCaption, "Unable to create HRC");
        return;
    }
    if (SDL_GL_MakeCurrent(window, renderContext) != 0) {
        showMessageBox(kCaption, "Unable to select HRC");
        return;
    }
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    updateCanvas();
    setInitialGLState(width, height);
}

void setInitialGLState(int32_t width, int32_t height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), 1.0, 10000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glEnable(GL_CULL_FACE);
}

// Draws into an off-screen canvas of exactly width x height whenever the
// drawable has another size, so every copy and blur sees the same frame.
void GLWindow::updateCanvas() {
    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    if (canvasFramebuffer != 0 || (drawableWidth == width && drawableHeight == height)) {
        return;
    }
    CanvasCalls& gl = canvasCalls();
    if (!gl.load()) {
        return;
    }
    gl.genFramebuffers(1, &canvasFramebuffer);
    gl.genRenderbuffers(1, &canvasColour);
    gl.genRenderbuffers(1, &canvasDepthStencil);
    gl.bindRenderbuffer(GL_RENDERBUFFER, canvasColour);
    gl.renderbufferStorage(GL_RENDERBUFFER, GL_RGB8, width, height);
    gl.bindRenderbuffer(GL_RENDERBUFFER, canvasDepthStencil);
    gl.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    gl.bindRenderbuffer(GL_RENDERBUFFER, 0);
    gl.bindFramebuffer(GL_FRAMEBUFFER, canvasFramebuffer);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, canvasColour);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, canvasDepthStencil);
    if (gl.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
        canvasFramebuffer = 0;
    }
}

// Scales the canvas into the drawable with its aspect kept and black bars.
void GLWindow::showCanvas() const {
    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    int shownWidth = drawableWidth;
    int shownHeight = static_cast<int>(static_cast<int64_t>(drawableWidth) * height / width);
    if (shownHeight > drawableHeight) {
        shownHeight = drawableHeight;
        shownWidth = static_cast<int>(static_cast<int64_t>(drawableHeight) * width / height);
    }
    int left = (drawableWidth - shownWidth) / 2;
    int bottom = (drawableHeight - shownHeight) / 2;

    CanvasCalls& gl = canvasCalls();
    GLfloat clearColour[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    gl.bindFramebuffer(GL_READ_FRAMEBUFFER, canvasFramebuffer);
    gl.blitFramebuffer(0, 0, width, height, left, bottom, left + shownWidth, bottom + shownHeight,
                       GL_COLOR_BUFFER_BIT, GL_LINEAR);
    gl.bindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    if (scissor) {
        glEnable(GL_SCISSOR_TEST);
    }
}

bool GLWindow::present() {
    SDL_Event event;
    bool taken = registered && SDL_PollEvent(&event) != 0;
    if (taken && event.type == SDL_QUIT) {
        return false;
    }
    if (renderContext != nullptr) {
        glFlush();
        if (canvasFramebuffer != 0) {
            showCanvas();
            SDL_GL_SwapWindow(window);
            canvasCalls().bindFramebuffer(GL_FRAMEBUFFER, canvasFramebuffer);
        } else {
            SDL_GL_SwapWindow(window);
        }
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
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    if (!registered) {
        return 0;
    }
    SDL_DelEventWatch(watchCloseRequests, nullptr);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    registered = false;
    return 1;
}

void handleWindowEvent(const SDL_Event& event) {
    if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
        SDL_Event quit = {};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
        gCloseRequested.store(true);
        SDL_Event quit = {};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
}

bool escapeRequested() {
    if (gCloseRequested.load()) {
        return true;
    }
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return false;
    }
    SDL_PumpEvents();
    if (gEscapeTapped.exchange(false)) {
        return true;
    }
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    return keys != nullptr && keys[SDL_SCANCODE_ESCAPE] != 0;
}

void clearCloseRequest() {
    gCloseRequested.store(false);
    gEscapeTapped.store(false);
}
