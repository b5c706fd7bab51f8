#include "web/platform/WebCanvas.h"

#include "platform/InitialGLState.h"
#include "platform/MessageBox.h"

#include <emscripten.h>

// The context is made through the emulation's own path (Browser.createContext),
// since only that one sets up the fixed-function state behind it. The native
// window has no alpha channel and no multisampling; neither has this.
EM_JS(int, createEmulatedContext, (int keepFrames), {
    const canvas = Module.canvas;
    if (!canvas) return 0;
    const ctx = Browser.createContext(canvas, true, true, {
        alpha: false, depth: true, stencil: false, antialias: false, premultipliedAlpha: false,
        preserveDrawingBuffer: !!keepFrames, majorVersion: 1, minorVersion: 0,
    });
    return ctx ? 1 : 0;
});

// Fills four ints: MAX_TEXTURE_SIZE, MAX_RENDERBUFFER_SIZE, MAX_VIEWPORT_DIMS.
EM_JS(void, readContextLimits, (int32_t* out), {
    const gl = Module.ctx;
    const viewport = gl.getParameter(gl.MAX_VIEWPORT_DIMS);
    HEAP32.set([gl.getParameter(gl.MAX_TEXTURE_SIZE), gl.getParameter(gl.MAX_RENDERBUFFER_SIZE),
                viewport[0], viewport[1]], out >> 2);
});

// Sets the canvas's pixel size; fills two ints with the drawing buffer's.
EM_JS(void, resizeCanvas, (int width, int height, int32_t* out), {
    const canvas = Module.canvas;
    canvas.width = width;
    canvas.height = height;
    HEAP32.set([Module.ctx.drawingBufferWidth, Module.ctx.drawingBufferHeight], out >> 2);
});

bool WebCanvas::open(bool keepFrames) {
    if (!createEmulatedContext(keepFrames ? 1 : 0)) {
        showMessageBox("morvel", "This browser cannot draw with WebGL.");
        return false;
    }
    return true;
}

WebGLLimits WebCanvas::limits() const {
    int32_t values[4] = {};
    readContextLimits(values);
    return {values[0], values[1], values[2], values[3]};
}

CanvasSize WebCanvas::resize(CanvasSize size) {
    int32_t buffer[2] = {};
    resizeCanvas(size.width, size.height, buffer);
    return {buffer[0], buffer[1]};
}

void WebCanvas::setInitialState(CanvasSize size) {
    setInitialGLState(size.width, size.height);
}
