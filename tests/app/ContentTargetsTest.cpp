// The render targets a canvas gets: the pair at every size, and the glow's
// layout-size step only where the canvas is larger than the layout.
#include "app/Content.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TargetRecorder : ContentSteps {
    void openSound(const char*) override {}
    void loadTexture(size_t, const char*) override {}
    void loadMesh(size_t, const char*) override {}
    void createTarget(size_t index, int width, int height, int screenWidth, int screenHeight) override {
        targets.push_back(std::to_string(index) + " " + std::to_string(width) + "x" + std::to_string(height) +
                          " of " + std::to_string(screenWidth) + "x" + std::to_string(screenHeight));
    }
    std::vector<std::string> targets;
};

std::vector<std::string> targetsFor(CanvasSize canvas) {
    TargetRecorder recorder;
    loadContent(recorder, canvas);
    return recorder.targets;
}

}  // namespace

TEST(ContentTargets, aCanvasLargerThanTheLayoutAlsoGetsALayoutSizeStepForTheGlow) {
    using Targets = std::vector<std::string>;
    EXPECT_EQ(targetsFor({800, 600}), (Targets{"0 800x600 of 800x600", "1 128x128 of 800x600"}));
    EXPECT_EQ(targetsFor({400, 300}), (Targets{"0 400x300 of 400x300", "1 128x128 of 400x300"}));
    // Higher than the layout but narrower: the step would not fit the canvas.
    EXPECT_EQ(targetsFor({640, 1080}), (Targets{"0 640x1080 of 640x1080", "1 128x128 of 640x1080"}));
    EXPECT_EQ(targetsFor({1440, 1080}),
              (Targets{"0 1440x1080 of 1440x1080", "1 128x128 of 1440x1080", "2 800x600 of 1440x1080"}));
    EXPECT_EQ(targetsFor({800, 601}), (Targets{"0 800x601 of 800x601", "1 128x128 of 800x601", "2 800x600 of 800x601"}));
}
