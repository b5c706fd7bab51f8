#include "platform/Canvas.h"

#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>

namespace {

// Frame buffer object entry points, which GL 1.1 headers do not declare.
struct CanvasCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;

    template <typename Call>
    static bool load(Call& call, const char* name) {
        call = reinterpret_cast<Call>(SDL_GL_GetProcAddress(name));
        return call != nullptr;
    }

    bool load() {
        bool ok = load(genFramebuffers, "glGenFramebuffers");
        ok = load(deleteFramebuffers, "glDeleteFramebuffers") && ok;
        ok = load(bindFramebuffer, "glBindFramebuffer") && ok;
        ok = load(genRenderbuffers, "glGenRenderbuffers") && ok;
        ok = load(deleteRenderbuffers, "glDeleteRenderbuffers") && ok;
        ok = load(bindRenderbuffer, "glBindRenderbuffer") && ok;
        ok = load(renderbufferStorage, "glRenderbufferStorage") && ok;
        ok = load(framebufferRenderbuffer, "glFramebufferRenderbuffer") && ok;
        ok = load(checkFramebufferStatus, "glCheckFramebufferStatus") && ok;
        return load(blitFramebuffer, "glBlitFramebuffer") && ok;
    }
};

// Loaded again for each canvas: the entry points belong to the context.
CanvasCalls& canvasCalls() {
    static CanvasCalls calls;
    return calls;
}

}  // namespace

void Canvas::follow(int32_t canvasWidth, int32_t canvasHeight, int drawableWidth, int drawableHeight) {
    const bool needed = drawableWidth != canvasWidth || drawableHeight != canvasHeight;
    if (framebuffer != 0 && (!needed || canvasWidth != width || canvasHeight != height)) {
        release();
    }
    if (needed && framebuffer == 0 && !create(canvasWidth, canvasHeight) && !reportedFailure) {
        reportedFailure = true;
        std::fprintf(stderr, "GLWindow: no %dx%d off-screen canvas for a %dx%d drawable; frames are shown unscaled\n",
                     canvasWidth, canvasHeight, drawableWidth, drawableHeight);
        std::fflush(stderr);
    }
}

bool Canvas::create(int32_t canvasWidth, int32_t canvasHeight) {
    CanvasCalls& gl = canvasCalls();
    if (!gl.load()) {
        return false;
    }
    width = canvasWidth;
    height = canvasHeight;
    gl.genFramebuffers(1, &framebuffer);
    gl.genRenderbuffers(1, &colour);
    gl.genRenderbuffers(1, &depthStencil);
    gl.bindRenderbuffer(GL_RENDERBUFFER, colour);
    gl.renderbufferStorage(GL_RENDERBUFFER, GL_RGB8, width, height);
    gl.bindRenderbuffer(GL_RENDERBUFFER, depthStencil);
    gl.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    gl.bindRenderbuffer(GL_RENDERBUFFER, 0);
    gl.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthStencil);
    if (gl.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        release();
        // A storage request the driver refused leaves its error behind; it
        // belongs to this attempt, not to whoever checks errors next. Bounded,
        // since a lost context reports an error for ever.
        for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
        }
        return false;
    }
    return true;
}

void Canvas::show(int drawableWidth, int drawableHeight) const {
    int shownWidth = drawableWidth;
    int shownHeight = static_cast<int>(static_cast<int64_t>(drawableWidth) * height / width);
    if (shownHeight > drawableHeight) {
        shownHeight = drawableHeight;
        shownWidth = static_cast<int>(static_cast<int64_t>(drawableHeight) * width / height);
    }
    const int left = (drawableWidth - shownWidth) / 2;
    const int bottom = (drawableHeight - shownHeight) / 2;

    CanvasCalls& gl = canvasCalls();
    GLfloat clearColour[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    gl.bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    gl.blitFramebuffer(0, 0, width, height, left, bottom, left + shownWidth, bottom + shownHeight, GL_COLOR_BUFFER_BIT,
                       GL_LINEAR);
    gl.bindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    if (scissor) {
        glEnable(GL_SCISSOR_TEST);
    }
}

void Canvas::bind() const {
    if (framebuffer != 0) {
        canvasCalls().bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    }
}

void Canvas::release() {
    CanvasCalls& gl = canvasCalls();
    if (framebuffer != 0 || colour != 0 || depthStencil != 0) {
        gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
        gl.deleteFramebuffers(1, &framebuffer);
        gl.deleteRenderbuffers(1, &colour);
        gl.deleteRenderbuffers(1, &depthStencil);
    }
    forget();
}

void Canvas::forget() {
    framebuffer = 0;
    colour = 0;
    depthStencil = 0;
}
