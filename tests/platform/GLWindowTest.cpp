// The window runs on SDL's offscreen driver here: a real Mesa context whose
// drawable is 800 x 600 in windowed mode and the virtual desktop's size in
// full-screen mode, which exercises the canvas path.
#include "platform/GLWindow.h"
#include "platform/MessageBox.h"
#include "platform/StopRequests.h"

#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct RecordedBox {
    std::string caption;
    std::string text;
};

class MessageRecorder {
public:
    MessageRecorder() {
        previous = setMessageSink([this](const char* caption, const char* text) { boxes.push_back({caption, text}); });
    }
    ~MessageRecorder() { setMessageSink(previous); }
    std::vector<RecordedBox> boxes;

private:
    MessageSink previous;
};

uint32_t readPixel(int x, int y) {
    unsigned char p[4] = {};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

void pushKey(SDL_Keycode key) {
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    SDL_PushEvent(&event);
}

void pushQuit() {
    SDL_Event event = {};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
}

// Presents until one call reports a quit event; returns how many frames were
// shown before it, or -1 when none came within limit calls. Window-system
// events may sit in the queue ahead of the quit, one taken per present.
int framesBeforeQuit(GLWindow& window, int limit = 20) {
    for (int shown = 0; shown < limit; ++shown) {
        if (!window.present()) {
            return shown;
        }
    }
    return -1;
}

void drainEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
}

}  // namespace

TEST(GLWindow, setsTheInitialStateOfAFreshWindow) {
    GLWindow window(800, 600, 32, false, "morvel-test");
    ASSERT_NE(window.renderContext, nullptr);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    // gluPerspective(45, 4/3, 1, 10000): m[0] = f / aspect, m[5] = f, with
    // f = 1 / tan(22.5 degrees); an integer aspect of 1 would make them equal.
    GLdouble projection[16], modelview[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
    EXPECT_NEAR(projection[5], f, 1e-5);
    EXPECT_NEAR(projection[0], f / (800.0 / 600.0), 1e-5);
    EXPECT_NEAR(projection[10], -(10000.0 + 1.0) / (10000.0 - 1.0), 1e-5);
    EXPECT_NEAR(projection[14], -2.0 * 10000.0 / (10000.0 - 1.0), 1e-5);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(modelview[i], (i % 5 == 0) ? 1.0 : 0.0);
    }
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);
    EXPECT_EQ(window.close(), 1);
}

TEST(GLWindow, presentWithAnEmptyQueueShowsTheFrame) {
    GLWindow window(800, 600, 32, false, "morvel-test");
    drainEvents();
    EXPECT_TRUE(window.present());
    window.close();
}

TEST(GLWindow, quitAtTheHeadOfTheQueueSkipsOneFrameOnly) {
    GLWindow window(800, 600, 32, false, "morvel-test");
    drainEvents();
    pushQuit();
    EXPECT_FALSE(window.present());
    EXPECT_TRUE(window.present());
    window.close();
}

TEST(GLWindow, escapeKeyPostsAQuitEventWithoutClosingTheWindow) {
    GLWindow window(800, 600, 32, false, "morvel-test");
    drainEvents();
    pushKey(SDLK_ESCAPE);
    // The key is taken first and its frame still shown; the quit follows.
    EXPECT_GE(framesBeforeQuit(window), 1);
    EXPECT_TRUE(window.present());
    EXPECT_NE(window.window, nullptr);
    EXPECT_TRUE(stopRequested());  // the tap counts once at the next poll
    EXPECT_FALSE(stopRequested());
    window.close();
}

TEST(GLWindow, otherKeysPostNothing) {
    GLWindow window(800, 600, 32, false, "morvel-test");
    drainEvents();
    pushKey(SDLK_SPACE);
    EXPECT_EQ(framesBeforeQuit(window), -1);
    EXPECT_FALSE(stopRequested());
    window.close();
}

TEST(GLWindow, closeRequestEndsTheRunLikeEscape) {
    GLWindow window(800, 600, 32, false, "morvel-test");
    drainEvents();
    clearStopRequests();
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    event.window.windowID = SDL_GetWindowID(window.window);
    SDL_PushEvent(&event);
    EXPECT_TRUE(stopRequested());
    EXPECT_GE(framesBeforeQuit(window), 1);
    clearStopRequests();
    window.close();
}

TEST(GLWindow, windowedModeDrawsStraightIntoTheBackBuffer) {
    GLWindow window(800, 600, 32, false, "morvel-test");
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window.window, &w, &h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    EXPECT_EQ(window.canvas.framebuffer, 0u);
    window.close();
}

TEST(GLWindow, drawableOfAnotherSizeStillGivesAnExact800By600Frame) {
    GLWindow window(800, 600, 32, true, "morvel-test");
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window.window, &w, &h);
    ASSERT_FALSE(w == 800 && h == 600) << "the offscreen desktop should differ from 800 x 600";
    ASSERT_NE(window.canvas.framebuffer, 0u);

    // A quad split at x = 400: red left, green right; reads and copies see the
    // canvas, exactly 800 x 600, with its corner at (0, 0).
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glViewport(0, 0, 400, 600);
    glScissor(0, 0, 400, 600);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, 800, 600);
    EXPECT_EQ(readPixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(readPixel(399, 599), 0xFF0000FFu);
    EXPECT_EQ(readPixel(400, 0), 0x0000FFFFu);
    EXPECT_EQ(readPixel(799, 599), 0x0000FFFFu);
    GLint alphaBits = -1;
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    EXPECT_EQ(alphaBits, 0);

    // The copy into a texture reads the canvas too.
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    std::vector<unsigned char> zeros(1024 * 1024 * 4, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, 1024, 1024, 0, GL_RGBA, GL_UNSIGNED_BYTE, zeros.data());
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, 800, 600);
    std::vector<unsigned char> texels(1024 * 1024 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    auto texel = [&](int x, int y) { return &texels[(static_cast<size_t>(y) * 1024 + x) * 4]; };
    EXPECT_EQ(texel(10, 10)[0], 255);
    EXPECT_EQ(texel(10, 10)[3], 255);  // no alpha channel: copies read alpha 1
    EXPECT_EQ(texel(700, 500)[2], 255);
    EXPECT_EQ(texel(900, 10)[2], 0);  // outside the copied rectangle
    glDeleteTextures(1, &texture);

    // The shown frame: scaled with the aspect kept, black bars beside or above.
    drainEvents();
    ASSERT_TRUE(window.present());
    auto glBindFramebufferPtr =
        reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(SDL_GL_GetProcAddress("glBindFramebuffer"));
    glBindFramebufferPtr(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_FRONT);
    int shownWidth = w, shownHeight = w * 600 / 800;
    if (shownHeight > h) {
        shownHeight = h;
        shownWidth = h * 800 / 600;
    }
    int left = (w - shownWidth) / 2, bottom = (h - shownHeight) / 2;
    EXPECT_EQ(readPixel(left + shownWidth / 4, bottom + shownHeight / 2), 0xFF0000FFu);
    EXPECT_EQ(readPixel(left + 3 * shownWidth / 4, bottom + shownHeight / 2), 0x0000FFFFu);
    if (left > 0) {
        EXPECT_EQ(readPixel(left / 2, h / 2), 0x000000FFu);
    }
    if (bottom > 0) {
        EXPECT_EQ(readPixel(w / 2, bottom / 2), 0x000000FFu);
    }
    EXPECT_TRUE(left > 0 || bottom > 0 || (shownWidth == w && shownHeight == h));
    glReadBuffer(GL_BACK);
    window.close();
}

TEST(GLWindow, unknownVideoDriverReportsTheRegistrationFailure) {
    MessageRecorder recorder;
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    GLWindow window(800, 600, 32, false, "morvel-test");
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].caption, "GLWindow::GLWindow");
    EXPECT_EQ(recorder.boxes[0].text, "Unable to register window class");
    EXPECT_EQ(window.window, nullptr);
    EXPECT_EQ(window.renderContext, nullptr);
    EXPECT_TRUE(window.present());  // no context: still safe
    EXPECT_EQ(window.close(), 0);
}

TEST(GLWindow, fullScreenWindowIsShownOnlyOnceItsContextIsCurrent) {
    struct Seen {
        bool shown = false;
        bool currentWhenShown = false;
    } seen;
    auto watch = [](void* data, SDL_Event* event) {
        auto* seen = static_cast<Seen*>(data);
        if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_SHOWN && !seen->shown) {
            SDL_Window* current = SDL_GL_GetCurrentWindow();
            seen->shown = true;
            seen->currentWhenShown = current != nullptr && SDL_GetWindowID(current) == event->window.windowID;
        }
        return 1;
    };
    SDL_InitSubSystem(SDL_INIT_EVENTS);
    SDL_AddEventWatch(watch, &seen);
    GLWindow window(800, 600, 32, true, "morvel-test");
    SDL_DelEventWatch(watch, &seen);
    ASSERT_TRUE(window.ready);
    EXPECT_TRUE(seen.shown);
    EXPECT_TRUE(seen.currentWhenShown);
    EXPECT_NE(SDL_GetWindowFlags(window.window) & SDL_WINDOW_SHOWN, 0u);
    window.close();
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

TEST(GLWindow, noGLDriverIsAPixelFormatFailureAndLeavesGLAlone) {
    MessageRecorder recorder;
    setenv("SDL_VIDEO_EGL_DRIVER", "/nonexistent/libEGL.so.1", 1);
    GLWindow window(800, 600, 32, false, "morvel-test");
    unsetenv("SDL_VIDEO_EGL_DRIVER");
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].caption, "GLWindow::GLWindow");
    EXPECT_EQ(recorder.boxes[0].text, "Unable to find a suitable pixelformat");
    EXPECT_NE(window.window, nullptr);  // a plain window could still be made
    EXPECT_EQ(window.renderContext, nullptr);
    EXPECT_FALSE(window.ready);
    EXPECT_TRUE(window.present());
    EXPECT_EQ(window.close(), 1);

    // Nothing of the failed attempt stays loaded: the next window works.
    GLWindow next(800, 600, 32, false, "morvel-test");
    EXPECT_TRUE(next.ready);
    next.close();
}

TEST(GLWindow, contextFailuresAreToldApartBySdlsText) {
    // The texts SDL 2 gives on its EGL and GLX paths.
    EXPECT_STREQ(contextFailureText("Unable to make EGL context current (call to eglMakeCurrent failed, reporting an "
                                    "error of EGL_BAD_ACCESS)"),
                 "Unable to select HRC");
    EXPECT_STREQ(contextFailureText("Unable to make GL context current"), "Unable to select HRC");
    EXPECT_STREQ(contextFailureText("Could not create EGL context (call to eglCreateContext failed, reporting an "
                                    "error of EGL_BAD_MATCH)"),
                 "Unable to create HRC");
    EXPECT_STREQ(contextFailureText("Could not create GL context: BadValue"), "Unable to create HRC");
    EXPECT_STREQ(contextFailureText(nullptr), "Unable to create HRC");
}

TEST(GLWindow, theCanvasFollowsTheDrawableFromOneFrameToTheNext) {
    GLWindow window(800, 600, 32, false, "morvel-test");
    ASSERT_TRUE(window.ready);
    ASSERT_EQ(window.canvas.framebuffer, 0u);
    drainEvents();

    SDL_SetWindowSize(window.window, 1024, 768);
    ASSERT_TRUE(window.present());
    const unsigned int grown = window.canvas.framebuffer;
    ASSERT_NE(grown, 0u);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(readPixel(799, 599), 0x00FF00FFu);  // the canvas is exactly 800 x 600

    SDL_SetWindowSize(window.window, 800, 600);
    ASSERT_TRUE(window.present());
    EXPECT_EQ(window.canvas.framebuffer, 0u);
    auto isFramebuffer = reinterpret_cast<PFNGLISFRAMEBUFFERPROC>(SDL_GL_GetProcAddress("glIsFramebuffer"));
    EXPECT_FALSE(isFramebuffer(grown));
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    glClearColor(0, 0, 0, 1);
    window.close();
}

TEST(GLWindow, aCanvasThatCannotBeCompletedLeaksNoNamesAndSaysSo) {
    // No renderbuffer can hold 100000 columns, so the frame buffer stays incomplete.
    testing::internal::CaptureStderr();
    GLWindow window(100000, 600, 32, true, "morvel-test");
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(window.ready);
    EXPECT_EQ(window.canvas.framebuffer, 0u);
    EXPECT_NE(said.find("no 100000x600 off-screen canvas"), std::string::npos) << said;
    auto isFramebuffer = reinterpret_cast<PFNGLISFRAMEBUFFERPROC>(SDL_GL_GetProcAddress("glIsFramebuffer"));
    auto isRenderbuffer = reinterpret_cast<PFNGLISRENDERBUFFERPROC>(SDL_GL_GetProcAddress("glIsRenderbuffer"));
    for (GLuint name = 1; name <= 8; ++name) {
        EXPECT_FALSE(isFramebuffer(name)) << name;
        EXPECT_FALSE(isRenderbuffer(name)) << name;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    drainEvents();
    EXPECT_TRUE(window.present());  // frames still go to the back buffer
    window.close();
}
