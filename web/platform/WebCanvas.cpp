#include "web/platform/WebCanvas.h"

#include "platform/MessageBox.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <emscripten.h>

// The context is made through the emulation's own path (Browser.createContext),
// since only that one sets up the fixed-function state behind it. The native
// window has no alpha channel and no multisampling; neither has this.
EM_JS(int, createEmulatedContext, (int width, int height, int keepFrames), {
    const canvas = Module.canvas;
    if (!canvas) return 0;
    canvas.width = width;
    canvas.height = height;
    const ctx = Browser.createContext(canvas, true, true, {
        alpha: false, depth: true, stencil: false, antialias: false, premultipliedAlpha: false,
        preserveDrawingBuffer: !!keepFrames, majorVersion: 1, minorVersion: 0,
    });
    return ctx ? 1 : 0;
});

bool WebCanvas::open(int32_t width, int32_t height, bool keepFrames) {
    if (!createEmulatedContext(width, height, keepFrames ? 1 : 0)) {
        showMessageBox("morvel", "This browser cannot draw with WebGL.");
        return false;
    }
    // As the native window's setInitialGLState.
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), 1.0, 10000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glEnable(GL_CULL_FACE);
    return true;
}
