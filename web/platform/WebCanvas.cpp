#include "web/platform/WebCanvas.h"

#include "platform/InitialGLState.h"
#include "platform/MessageBox.h"

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
    setInitialGLState(width, height);
    return true;
}
