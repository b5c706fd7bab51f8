// Start-up time: from nothing to the first frame of the sphere scene shown,
// split into the phases of the demo's start-up order. Runs headless; needs
// data/ in the working directory (scripts/run or morvel-assetgen makes it).
#include "app/Content.h"
#include "bench/support/BenchSupport.h"
#include "platform/GLWindow.h"
#include "scenes/SphereScene.h"

#include <GL/gl.h>

#include <array>
#include <cstdlib>
#include <optional>

int main() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const double start = bench::nowMs();
    GLWindow window(800, 600, 32, false, "morvel-startup-bench");
    const double windowReady = bench::nowMs();
    std::optional<Content> content;
    content.emplace();
    const double contentReady = bench::nowMs();
    SphereScene scene;
    std::array<float, kSpectrumSize> silence{};
    scene.render(0.0f, silence.data(), content->textures, content->meshes, content->targets);
    glFinish();
    window.present();
    const double firstFrame = bench::nowMs();

    bench::JsonObject json;
    json.add("benchmark", "startup")
        .add("renderer", bench::glRenderer())
        .add("window_ms", windowReady - start)
        .add("content_ms", contentReady - windowReady)
        .add("first_frame_ms", firstFrame - contentReady)
        .add("total_ms", firstFrame - start);
    json.print();
    content->shutdownSound();
    window.close();
    return 0;
}
