// The program binds each scene to its entries of the sets: drawn through it,
// the patterned content gives the same reviewed frames as the scenes bound by
// name in the scene tests. A swapped entry (the shell's texture for the
// greetings, the rest sphere for the rippled one) changes a frame.
#include "app/DemoProgram.h"

#include "tests/scenes/ReferenceFrames.h"

using namespace scenetest;

namespace {

class ProgramFrames : public ReferenceFrames {
protected:
    ProgramFrames() {
        program.content.textures = textures;
        program.content.meshes = meshes;
        program.content.targets = targets;
        program.createScenes();
    }

    DemoProgram program{kDefaultCanvasSize};
};

TEST_F(ProgramFrames, eachSceneDrawsWithItsOwnEntries) {
    // Two sphere frames: a ripple applied to the rest shape itself shows only
    // from the second frame on.
    program.drawScene(0, 1.3f, spectrumWith({}).data());
    expectReference("sphere-1.3s");
    program.drawScene(0, 10.0f, spectrumWith({{3, 0.1f}, {4, 0.3f}, {5, 0.5f}, {0, 0.9f}}).data());
    expectReference("sphere-10s");
    program.drawScene(1, 35.0f, spectrumWith({{0, 0.6f}, {3, 1.0f}}).data());
    expectReference("photo-35s-bass");
    program.drawScene(2, 50.0f, spectrumWith({{0, 0.4f}, {5, 1.0f}}).data());
    expectReference("shell-50s-bass");
}

// One picture of a moment: at a shared bound both scenes draw in timeline
// order, so the later one is what shows.
TEST_F(ProgramFrames, aFrameIsEverySceneThatShowsInTimelineOrder) {
    program.drawFrame(57.0f, spectrumWith({}).data());
    expectReference("shell-57s");
    program.drawFrame(43.0f, spectrumWith({}).data());
    const std::vector<uint8_t> atBound = testgl::readPixels(0, 0, 800, 600);
    program.drawScene(2, 43.0f, spectrumWith({}).data());
    EXPECT_TRUE(atBound == testgl::readPixels(0, 0, 800, 600));
}

}  // namespace
