// The shell scene drawn into a real Mesa context and read back.
#include "scenes/ShellScene.h"

#include "scenes/PhotoScene.h"
#include "tests/scenes/SceneTestAssets.h"
#include "tests/support/GLTestContext.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scenetest;

namespace {

constexpr Rgb kBlack{0, 0, 0};
// The shell's green after its own glow (saturated), as a loose match.
constexpr Rgb kGlowingShell{0, 230, 0};

// The greetings colour with its blur of this weight added.
Rgb greetsWithGlow(float weight) {
    return added(kGreetsColour, blurredUniform(kGreetsColour, weight));
}

struct ShellFrame {
    SceneAssets assets;
    ShellScene scene;

    void render(float t, float bass = 0.0f) {
        std::vector<float> spectrum = spectrumWith(0, bass);
        scene.render(t, spectrum.data(), assets.textures, assets.meshes, assets.targets);
    }
};

}  // namespace

TEST(ShellScene, drawsTheGreetingsSquareInTheLowerLeftOverBlack) {
    ShellFrame frame;
    frame.render(50.0f);
    EXPECT_TRUE(pixelNear(128, 256, greetsWithGlow(0.9f), 2));
    EXPECT_TRUE(pixelNear(100, 100, greetsWithGlow(0.9f), 2));
    EXPECT_TRUE(pixelNear(150, 440, greetsWithGlow(0.9f), 2));
    EXPECT_TRUE(pixelNear(720, 560, kBlack, 0));
    EXPECT_TRUE(pixelNear(128, 590, kBlack, 0));
    expectHandOverState();
}

TEST(ShellScene, letsTheGreetingsGlowPastTheSquaresEdge) {
    ShellFrame frame;
    frame.render(50.0f);
    uint32_t above = testgl::pixelAt(128, 530);
    EXPECT_GT(above >> 24, 2u) << std::hex << above;
}

TEST(ShellScene, drawsTheShellWithItsOwnTexture) {
    ShellFrame frame;
    for (float t : {43.0f, 51.5f, 60.0f}) {
        frame.render(t);
        EXPECT_GT(countPixelsNear(256, 0, 544, 600, kGlowingShell, 60), 2000) << "t = " << t;
    }
}

TEST(ShellScene, glowsBrighterForStrongerBass) {
    ShellFrame frame;
    frame.render(50.0f, 1.0f);
    EXPECT_TRUE(pixelNear(128, 256, greetsWithGlow(1.0f), 2));
    uint32_t loudAbove = testgl::pixelAt(128, 530);
    frame.render(50.0f, 0.0f);
    uint32_t quietAbove = testgl::pixelAt(128, 530);
    EXPECT_GT(loudAbove >> 24, quietAbove >> 24);
}

TEST(ShellScene, clearsAwayThePhotoDrawnEarlierInTheSameIteration) {
    ShellFrame frame;
    PhotoScene photo;
    std::vector<float> silence = spectrumWith(0, 0.0f);
    photo.render(43.0f, silence.data(), frame.assets.textures, frame.assets.meshes, frame.assets.targets);
    frame.render(43.0f);
    EXPECT_TRUE(pixelNear(720, 560, kBlack, 0));
}

TEST(ShellScene, stillDrawsGreetingsAndGlowWithoutAShellMesh) {
    ShellFrame frame;
    frame.assets.loadMesh(7, {});
    frame.render(50.0f);
    EXPECT_EQ(countPixelsNear(0, 0, 800, 600, kGlowingShell, 60), 0);
    EXPECT_TRUE(pixelNear(128, 256, greetsWithGlow(0.9f), 2));
    expectHandOverState();
}
