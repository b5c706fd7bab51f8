// The sphere scene drawn into a real Mesa context and read back.
#include "scenes/SphereScene.h"

#include "assets/Mesh.h"
#include "tests/scenes/SceneTestAssets.h"
#include "tests/support/GLTestContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace scenetest;

namespace {

constexpr Rgb kWhite{255, 255, 255};

// A pixel inside a uniform area of colour sharp after the glow: multiplied by
// its blur, then the blur added on top.
Rgb afterGlow(Rgb sharp) {
    Rgb blurred = blurredUniform(sharp, 1.0f);
    return added(multiplied(sharp, blurred), blurred);
}

Rgb frameAfterGlow() {
    return afterGlow(kFrameColour);
}

struct SphereFrame {
    SceneAssets assets;
    SphereScene scene;

    void render(float t, const std::vector<float>& spectrum = spectrumWith(0, 0.0f)) {
        scene.render(t, spectrum.data(), assets.textures, assets.meshes, assets.targets);
    }
};

std::vector<float> copyOf(const float* values, int count) {
    return std::vector<float>(values, values + count);
}

// Mean position of the pixels close to the sphere's texture colour.
std::pair<double, double> sphereCentroid() {
    std::vector<uint8_t> pixels = testgl::readPixels(0, 0, 800, 600);
    double sumX = 0, sumY = 0, count = 0;
    for (int i = 0; i < 800 * 600; ++i) {
        const uint8_t* p = &pixels[4 * i];
        if (p[0] < 60 && p[1] < 60 && p[2] > 195) {
            sumX += i % 800;
            sumY += i / 800;
            ++count;
        }
    }
    return {count > 0 ? sumX / count : -1, count > 0 ? sumY / count : -1};
}

}  // namespace

TEST(SphereScene, startsOnWhiteWithTheOverlayInvisible) {
    SphereFrame frame;
    frame.render(0.0f);
    EXPECT_TRUE(pixelNear(100, 300, kWhite, 1));
    EXPECT_TRUE(pixelNear(700, 500, kWhite, 1));
    EXPECT_TRUE(pixelNear(400, 50, kWhite, 1));
}

TEST(SphereScene, showsTheOverlayOpaqueFromTwoSecondsWithTheMultipliedAndAddedGlow) {
    SphereFrame frame;
    for (float t : {2.0f, 3.0f, 27.5f}) {
        frame.render(t);
        EXPECT_TRUE(pixelNear(100, 300, frameAfterGlow(), 3)) << "t = " << t;
        EXPECT_TRUE(pixelNear(700, 500, frameAfterGlow(), 3)) << "t = " << t;
    }
}

TEST(SphereScene, halfFadesTheOverlayAtOneSecond) {
    SphereFrame frame;
    frame.assets.loadMesh(5, {});
    frame.render(1.0f);
    // Alpha 0.5 (128 in 8 bits) mixes the frame colour with the white clear.
    auto half = [](int c) { return static_cast<int>(std::lround((c * 128 + 255 * 127) / 255.0)); };
    Rgb mixed{half(kFrameColour.r), half(kFrameColour.g), half(kFrameColour.b)};
    EXPECT_TRUE(pixelNear(100, 300, afterGlow(mixed), 3));
}

TEST(SphereScene, drawsTheSphereInItsTextureColourThroughTheOverlaysOpening) {
    SphereFrame frame;
    frame.render(2.0f);
    EXPECT_GT(countPixelsNear(200, 150, 400, 300, kSphereColour, 60), 5000);
}

TEST(SphereScene, shakesTheSphereWithSpectrumEntriesThreeToFive) {
    SphereFrame frame;
    frame.render(2.0f);
    auto still = sphereCentroid();
    for (int entry : {3, 4, 5}) {
        frame.render(2.0f, spectrumWith(entry, 0.5f));
        auto shaken = sphereCentroid();
        EXPECT_GT(std::hypot(shaken.first - still.first, shaken.second - still.second), 10.0) << "entry " << entry;
    }
    // Other entries leave it where it was.
    frame.render(2.0f, spectrumWith(0, 1.0f));
    auto unmoved = sphereCentroid();
    EXPECT_NEAR(unmoved.first, still.first, 0.01);
    EXPECT_NEAR(unmoved.second, still.second, 0.01);
}

TEST(SphereScene, rebuildsEntryFiveFromEntrySixAndRenormalisesIt) {
    SphereFrame frame;
    const SubMesh& rest = *frame.assets.meshes[6]->subMeshes[0];
    const int floats = rest.vertexCount * 3;
    std::vector<float> restPositions = copyOf(rest.positions.get(), floats);
    std::vector<float> restNormals = copyOf(rest.normals.get(), floats);

    frame.render(3.0f);
    frame.render(1.5f);

    auto expected = SubMesh::allocate(rest.vertexCount, rest.faceCount);
    std::memcpy(expected->faces.get(), rest.faces.get(), sizeof(int32_t) * 3 * rest.faceCount);
    rippleSphere(1.5f, rest, *expected);
    expected->computeNormals();
    const SubMesh& drawn = *frame.assets.meshes[5]->subMeshes[0];
    EXPECT_EQ(copyOf(drawn.positions.get(), floats), copyOf(expected->positions.get(), floats));
    EXPECT_EQ(copyOf(drawn.normals.get(), floats), copyOf(expected->normals.get(), floats));
    EXPECT_NE(copyOf(drawn.positions.get(), floats), restPositions);

    EXPECT_EQ(copyOf(rest.positions.get(), floats), restPositions);
    EXPECT_EQ(copyOf(rest.normals.get(), floats), restNormals);
}

TEST(SphereScene, handsTheNextFrameWhiteColourNoBlendingAndTheFullViewport) {
    SphereFrame frame;
    for (float t : {0.0f, 1.0f, 14.0f}) {
        frame.render(t, spectrumWith(4, 0.7f));
        expectHandOverState();
    }
}

TEST(SphereScene, skipsTheSphereButKeepsOverlayAndGlowWhenTheMeshIsEmpty) {
    SphereFrame frame;
    frame.assets.loadMesh(5, {});
    frame.assets.loadMesh(6, {});
    frame.render(2.0f);
    EXPECT_TRUE(pixelNear(100, 300, frameAfterGlow(), 3));
    EXPECT_TRUE(pixelNear(400, 300, kWhite, 1));
    EXPECT_EQ(countPixelsNear(200, 150, 400, 300, kSphereColour, 60), 0);
    expectHandOverState();
}

TEST(SphereScene, leavesAMismatchedPairUndeformedAndStillDrawsTheFrame) {
    SphereFrame frame;
    frame.assets.loadMesh(6, {geodesicSphere(40.0f, 1)});
    const SubMesh& drawn = *frame.assets.meshes[5]->subMeshes[0];
    std::vector<float> loaded = copyOf(drawn.positions.get(), drawn.vertexCount * 3);
    frame.render(2.0f);
    EXPECT_EQ(copyOf(drawn.positions.get(), drawn.vertexCount * 3), loaded);
    EXPECT_TRUE(pixelNear(100, 300, frameAfterGlow(), 3));
    EXPECT_GT(countPixelsNear(200, 150, 400, 300, kSphereColour, 60), 5000);
}
