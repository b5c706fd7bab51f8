#pragma once
// The demo's one composition: the content (soundtrack, ten textures, eight
// meshes, two render targets) for a canvas of a given pixel size, and the three
// scenes, each bound to the entries it draws with. Every front end draws
// through it: the native demo, the web page, the capture tool and the
// benchmarks. Main thread, with the window's GL context current.
#include "app/Content.h"
#include "platform/CanvasSize.h"
#include "scenes/Scene.h"

#include <array>
#include <memory>

class DemoProgram {
public:
    static constexpr int kSceneCount = 3;

    // Nothing loaded yet: load() does it all, or a start-up fills the content
    // step by step and then makes the scenes.
    explicit DemoProgram(CanvasSize canvas) : canvas(canvas) {}

    // Loads the content in its fixed order, then makes the scenes.
    void load();
    // Makes the three scenes on the loaded content; after the content.
    void createScenes();

    // Draws scene 0, 1 or 2 for time t into the back buffer, not presented.
    void drawScene(int scene, float t, const float* spectrum);
    // Clears to black and draws every scene that shows at t: the one picture of
    // that moment, for stills, captures and benchmarks.
    void drawFrame(float t, const float* spectrum);

    CanvasSize canvasSize() const { return canvas; }

    Content content;

private:
    CanvasSize canvas;
    std::array<std::unique_ptr<Scene>, kSceneCount> scenes;
};
