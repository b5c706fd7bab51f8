// The photo scene drawn into a real Mesa context and read back.
#include "scenes/PhotoScene.h"

#include "scenes/SphereScene.h"
#include "tests/scenes/SceneTest.h"

#include <numeric>

using namespace scenetest;

using PhotoFrames = SceneFrames<PhotoScene>;

TEST_F(PhotoFrames, isThePhotographUprightPlusItsGlowWeightedBySpectrumEntryZero) {
    // Right after a sphere frame, whose colour was translucent, the photograph is still opaque.
    SceneOf<SphereScene> sphere;
    render(sphere, 0.6f);
    const struct { float t, bass, weight; } cases[] = {{28, 0, 1.1f}, {35, 0.8f, 1.22f}};
    for (const auto& c : cases) {
        render(scene, c.t, 0, c.bass);
        EXPECT_TRUE(pixelNear(400, 450, added(kPhotoTop, blurredUniform(kPhotoTop, c.weight)), 2)) << c.bass;
        EXPECT_TRUE(pixelNear(400, 150, added(kPhotoBottom, blurredUniform(kPhotoBottom, c.weight)), 2)) << c.bass;
        expectHandOverState();
    }
}

TEST_F(PhotoFrames, dependsOnSpectrumEntryZeroAloneNotOnTheTime) {
    auto frame = [&](float t, float bass) { render(scene, t, 0, bass); return testgl::readPixels(0, 0, 800, 600); };
    EXPECT_TRUE(frame(28.0f, 0.4f) == frame(43.0f, 0.4f));
    const std::vector<uint8_t> quiet = frame(35.0f, 0.0f), loud = frame(35.0f, 0.8f);
    EXPECT_GT(std::accumulate(loud.begin(), loud.end(), 0L), std::accumulate(quiet.begin(), quiet.end(), 0L) + 800L * 600L);
}
