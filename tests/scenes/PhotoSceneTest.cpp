// The photo scene drawn into a real Mesa context and read back.
#include "scenes/PhotoScene.h"

#include "assets/Texture.h"
#include "scenes/SphereScene.h"
#include "tests/scenes/SceneTestAssets.h"
#include "tests/support/GLTestContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

using namespace scenetest;

namespace {

// The decoded photograph at (x, y), drawn alone over the screen.
Rgb photoAt(SceneAssets& assets, int x, int y) {
    testgl::resetState();
    assets.textures[7]->drawOverlay(0, 0, 800, 600, true);
    Rgb sharp = pixelColour(x, y);
    testgl::resetState();
    return sharp;
}

// A uniform part of the photograph with its blur of this weight added.
Rgb withGlow(Rgb sharp, float weight) {
    return added(sharp, blurredUniform(sharp, weight));
}

struct PhotoFrame {
    SceneAssets assets;
    PhotoScene scene;

    std::vector<uint8_t> render(float t, float bass) {
        std::vector<float> spectrum = spectrumWith(0, bass);
        scene.render(t, spectrum.data(), assets.textures, assets.meshes, assets.targets);
        return testgl::readPixels(0, 0, 800, 600);
    }
};

long brightness(const std::vector<uint8_t>& pixels) {
    return std::accumulate(pixels.begin(), pixels.end(), 0L);
}

}  // namespace

TEST(PhotoScene, showsThePhotographUprightWithItsGlowInSilence) {
    PhotoFrame frame;
    Rgb top = photoAt(frame.assets, 400, 450);
    Rgb bottom = photoAt(frame.assets, 400, 150);
    // The photograph's upper half is on top (JPEG keeps flat colours within a step or two).
    EXPECT_NEAR(top.r, kPhotoTop.r, 3);
    EXPECT_NEAR(top.b, kPhotoTop.b, 3);
    EXPECT_NEAR(bottom.r, kPhotoBottom.r, 3);
    EXPECT_NEAR(bottom.b, kPhotoBottom.b, 3);
    frame.render(30.0f, 0.0f);
    EXPECT_TRUE(pixelNear(400, 450, withGlow(top, 1.1f), 2));
    EXPECT_TRUE(pixelNear(400, 150, withGlow(bottom, 1.1f), 2));
    expectHandOverState();
}

TEST(PhotoScene, givesTheSameFrameForTheSameBassAtDifferentTimes) {
    PhotoFrame frame;
    std::vector<uint8_t> early = frame.render(28.0f, 0.4f);
    std::vector<uint8_t> late = frame.render(43.0f, 0.4f);
    EXPECT_TRUE(early == late);
}

TEST(PhotoScene, glowsBrighterForStrongerBass) {
    PhotoFrame frame;
    long quiet = brightness(frame.render(35.0f, 0.0f));
    long loud = brightness(frame.render(35.0f, 0.8f));
    EXPECT_GT(loud, quiet + 800L * 600L);
    Rgb top = photoAt(frame.assets, 400, 450);
    frame.render(35.0f, 0.8f);
    EXPECT_TRUE(pixelNear(400, 450, withGlow(top, 1.22f), 2));
}

TEST(PhotoScene, staysOpaqueRightAfterATranslucentSphereFrame) {
    PhotoFrame frame;
    SphereScene sphere;
    std::vector<float> silence = spectrumWith(0, 0.0f);
    Rgb top = photoAt(frame.assets, 400, 450);
    sphere.render(0.6f, silence.data(), frame.assets.textures, frame.assets.meshes, frame.assets.targets);
    frame.render(28.0f, 0.0f);
    EXPECT_TRUE(pixelNear(400, 450, withGlow(top, 1.1f), 2));
}
