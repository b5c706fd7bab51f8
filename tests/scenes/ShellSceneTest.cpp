// The shell scene drawn into a real Mesa context and read back.
#include "scenes/ShellScene.h"

#include "scenes/PhotoScene.h"
#include "tests/scenes/SceneTest.h"

using namespace scenetest;

namespace {

using ShellFrames = SceneFrames<ShellScene>;

// The shell's green after its own glow (saturated), as a loose match.
constexpr Rgb kGlowingShell{0, 230, 0};

Rgb greetsWithGlow(float weight) {
    return added(kGreetsColour, blurredUniform(kGreetsColour, weight));
}

}  // namespace

TEST_F(ShellFrames, drawsTheGreetingsSquareInTheLowerLeftOverBlackGlowingWithSpectrumEntryZero) {
    render(scene, 50.0f);
    for (auto xy : {std::make_pair(128, 256), std::make_pair(100, 100), std::make_pair(150, 440)}) {
        EXPECT_TRUE(pixelNear(xy.first, xy.second, greetsWithGlow(0.9f), 2));
    }
    EXPECT_TRUE(pixelNear(720, 560, kBlack, 0));
    EXPECT_TRUE(pixelNear(128, 590, kBlack, 0));
    const int quietHalo = int(testgl::pixelAt(128, 530) >> 24);  // above the square: its glow spills past the edge
    EXPECT_GT(quietHalo, 2);
    expectHandOverState();

    render(scene, 50.0f, 0, 1.0f);
    EXPECT_TRUE(pixelNear(128, 256, greetsWithGlow(1.0f), 2));
    EXPECT_GT(int(testgl::pixelAt(128, 530) >> 24), quietHalo);
}

TEST_F(ShellFrames, clearsThePreviousSceneAndDrawsTheShellWithItsOwnTexture) {
    SceneOf<PhotoScene> photo;
    render(photo, 43.0f);
    for (float t : {43.0f, 51.5f, 60.0f}) {
        render(scene, t);
        EXPECT_TRUE(pixelNear(720, 560, kBlack, 0)) << "t = " << t;
        EXPECT_GT(countPixelsNear(256, 0, 544, 600, kGlowingShell, 60), 2000) << "t = " << t;
    }
}

TEST_F(ShellFrames, stillDrawsGreetingsAndGlowWithoutAShellMesh) {
    loadMesh(7, {});
    render(scene, 50.0f);
    EXPECT_EQ(countPixelsNear(0, 0, 800, 600, kGlowingShell, 60), 0);
    EXPECT_TRUE(pixelNear(128, 256, greetsWithGlow(0.9f), 2));
    expectHandOverState();
}
