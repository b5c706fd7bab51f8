// What page.js calls in the module: the content list to download, then load,
// start, Escape, a still at a chosen time, the offline spectrum and the pixel
// size the canvas draws at.
#include "app/Content.h"
#include "web/app/WebDemo.h"

#include <emscripten.h>

#include <string>
#include <vector>

namespace {

WebDemo& demo() {
    static WebDemo instance;
    return instance;
}

// The soundtrack, then each texture and mesh file once, in load order.
std::vector<const char*> contentFiles() {
    std::vector<const char*> files = {kSoundtrackPath};
    auto addOnce = [&](const char* path) {
        for (const char* known : files) {
            if (std::string(known) == path) return;
        }
        files.push_back(path);
    };
    for (const char* path : kTexturePaths) addOnce(path);
    for (const char* path : kMeshPaths) addOnce(path);
    return files;
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int morvel_content_count() {
    return static_cast<int>(contentFiles().size());
}

EMSCRIPTEN_KEEPALIVE const char* morvel_content_path(int index) {
    static const std::vector<const char*> files = contentFiles();
    return index >= 0 && index < static_cast<int>(files.size()) ? files[index] : "";
}

EMSCRIPTEN_KEEPALIVE const char* morvel_soundtrack_path() {
    return kSoundtrackPath;
}

// The requested pixel size is the page's CSS box times devicePixelRatio, or
// the size named in its address; the module fits it to 4:3 and the browser.
EMSCRIPTEN_KEEPALIVE int morvel_load(int keepFrames, int requestedWidth, int requestedHeight) {
    return demo().load(keepFrames != 0, {requestedWidth, requestedHeight}) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int morvel_canvas_width() {
    return demo().canvasSize().width;
}

EMSCRIPTEN_KEEPALIVE int morvel_canvas_height() {
    return demo().canvasSize().height;
}

EMSCRIPTEN_KEEPALIVE void morvel_start() {
    demo().start();
}

EMSCRIPTEN_KEEPALIVE void morvel_escape() {
    demo().requestEnd();
}

EMSCRIPTEN_KEEPALIVE void morvel_render_still(double seconds) {
    demo().renderStill(static_cast<float>(seconds));
}

EMSCRIPTEN_KEEPALIVE void morvel_offline_spectrum(double seconds, float* out) {
    demo().offlineSpectrum(seconds, out);
}

}  // extern "C"
