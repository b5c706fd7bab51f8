// The sphere scene: its ripple as pure arithmetic, and frames drawn into a real
// Mesa context and read back.
#include "scenes/SphereScene.h"

#include "tests/scenes/SceneTest.h"

#include <cmath>
#include <cstring>

using namespace scenetest;

namespace {

using SphereFrames = SceneFrames<SphereScene>;

// A uniform area of colour sharp after the glow: multiplied by its blur, then the blur added.
Rgb afterGlow(Rgb sharp) {
    const Rgb blurred = blurredUniform(sharp, 1.0f);
    return added(multiplied(sharp, blurred), blurred);
}

std::vector<float> floats(const std::unique_ptr<float[]>& values, int vertexCount) {
    return std::vector<float>(values.get(), values.get() + 3 * vertexCount);
}

// Mean position of the pixels close to the sphere's texture colour.
std::pair<double, double> sphereCentroid() {
    const std::vector<uint8_t> pixels = testgl::readPixels(0, 0, 800, 600);
    double sumX = 0, sumY = 0, count = 0;
    for (int i = 0; i < 800 * 600; ++i) {
        if (near(&pixels[4 * i], kSphereColour, 60)) sumX += i % 800, sumY += i / 800, ++count;
    }
    return {sumX / count, sumY / count};
}

}  // namespace

TEST(RippleSphere, movesEachVertexAlongItsRestNormalAndStopsAtTheRestVertexCount) {
    // Rest (24, 30, 32) with normal (0.48, 0.6, 0.64), and one whose normal has a zero y.
    const float positions[] = {24, 30, 32, -7, 0.5f, 13}, normals[] = {0.48f, 0.6f, 0.64f, 0.6f, 0, 0.8f};
    auto rest = SubMesh::allocate(2, 0);
    std::memcpy(rest->positions.get(), positions, sizeof positions);
    std::memcpy(rest->normals.get(), normals, sizeof normals);
    auto target = SubMesh::allocate(3, 0);
    const struct { float t, moved[3]; } cases[] = {{0, {23.9065f, 29.8832f, 31.8754f}}, {1, {23.8290f, 29.7862f, 31.7720f}}};
    for (const auto& c : cases) {
        std::fill_n(target->positions.get(), 9, 1234.0f);
        rippleSphere(c.t, *rest, *target);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(target->positions[k], c.moved[k], 1e-3) << "t = " << c.t;
        EXPECT_EQ(std::vector<float>(&target->positions[6], &target->positions[9]), std::vector<float>(3, 1234.0f))
            << "rest has no third vertex";
        // The zero normal component silences the second vertex at t = 0 only.
        const bool secondAtRest = std::equal(positions + 3, positions + 6, &target->positions[3]);
        EXPECT_EQ(secondAtRest, c.t == 0) << "t = " << c.t;
    }
}

TEST(RippleSphere, aVertexWithoutAFaceStaysAtRestAndLeavesItsNeighboursNormalsFinite) {
    // Vertex 3 sits only in a degenerate face with vertex 0, so its rest normal is not a number.
    const float positions[] = {0, 0, 10, 10, 0, 10, 0, 10, 10, 5, 5, 20};
    const int32_t faces[] = {0, 1, 2, 0, 3, 3};
    auto make = [&] {
        auto sub = SubMesh::allocate(4, 2);
        std::memcpy(sub->positions.get(), positions, sizeof positions);
        std::memcpy(sub->faces.get(), faces, sizeof faces);
        sub->computeNormals();
        return sub;
    };
    auto rest = make();
    auto target = make();
    ASSERT_TRUE(std::isnan(rest->normals[9]));
    for (float t : {0.3f, 1.0f, 17.5f}) {
        rippleSphere(t, *rest, *target);
        EXPECT_EQ(std::vector<float>(&target->positions[9], &target->positions[12]),
                  std::vector<float>(positions + 9, positions + 12)) << "t = " << t;
        target->computeNormals();
        for (int i = 0; i < 9; ++i) ASSERT_TRUE(std::isfinite(target->normals[i])) << "t = " << t << ", " << i;
    }
}

TEST_F(SphereFrames, fadesTheOverlayInOverAWhiteClearByTwoSecondsAndHandsOverTheState) {
    for (float t : {0.0f, 2.0f, 3.0f, 14.0f, 27.5f}) {
        render(scene, t, 4, 0.7f);
        const Rgb overlay = t == 0.0f ? kWhite : afterGlow(kFrameColour);
        EXPECT_TRUE(pixelNear(100, 300, overlay, 3)) << "t = " << t;
        EXPECT_TRUE(pixelNear(700, 500, overlay, 3)) << "t = " << t;
        expectHandOverState();
    }
    // At one second, with no sphere in the way, alpha 0.5 (128 in 8 bits) mixes the frame colour with the white clear.
    loadMesh(5, {});
    render(scene, 1.0f);
    Rgb mixed = kFrameColour;
    for (int& c : mixed) c = int(std::lround((c * 128 + 255 * 127) / 255.0));
    EXPECT_TRUE(pixelNear(100, 300, afterGlow(mixed), 3));
    expectHandOverState();
}

TEST_F(SphereFrames, drawsTheSphereInItsTextureColourShakenBySpectrumEntriesThreeToFive) {
    render(scene, 2.0f);
    EXPECT_GT(countPixelsNear(200, 150, 400, 300, kSphereColour, 60), 5000);
    const auto still = sphereCentroid();
    for (int entry : {3, 4, 5}) {
        render(scene, 2.0f, entry, 0.5f);
        const auto shaken = sphereCentroid();
        EXPECT_GT(std::hypot(shaken.first - still.first, shaken.second - still.second), 10.0) << "entry " << entry;
    }
    render(scene, 2.0f, 0, 1.0f);
    EXPECT_EQ(sphereCentroid(), still) << "other entries leave it in place";
}

TEST_F(SphereFrames, rebuildsEntryFiveFromAnUnchangedEntrySixAndRenormalisesIt) {
    const SubMesh& rest = *meshes[6]->subMeshes[0];
    const int count = rest.vertexCount;
    const std::vector<float> restPositions = floats(rest.positions, count), restNormals = floats(rest.normals, count);
    render(scene, 3.0f);
    render(scene, 1.5f);

    auto expected = SubMesh::allocate(count, rest.faceCount);
    std::memcpy(expected->faces.get(), rest.faces.get(), sizeof(int32_t) * 3 * rest.faceCount);
    rippleSphere(1.5f, rest, *expected);
    expected->computeNormals();
    const SubMesh& drawn = *meshes[5]->subMeshes[0];
    EXPECT_EQ(floats(drawn.positions, count), floats(expected->positions, count));
    EXPECT_EQ(floats(drawn.normals, count), floats(expected->normals, count));
    EXPECT_NE(floats(drawn.positions, count), restPositions);
    EXPECT_EQ(floats(rest.positions, count), restPositions);
    EXPECT_EQ(floats(rest.normals, count), restNormals);
}

TEST_F(SphereFrames, keepsOverlayAndGlowWhenThePairIsMismatchedOrEmpty) {
    // A pair of different sizes is drawn undeformed.
    loadMesh(6, {sphere(40, 6)});
    const SubMesh& drawn = *meshes[5]->subMeshes[0];
    const std::vector<float> loaded = floats(drawn.positions, drawn.vertexCount);
    render(scene, 2.0f);
    EXPECT_EQ(floats(drawn.positions, drawn.vertexCount), loaded);
    EXPECT_TRUE(pixelNear(100, 300, afterGlow(kFrameColour), 3));
    EXPECT_GT(countPixelsNear(200, 150, 400, 300, kSphereColour, 60), 5000);

    // Meshes without a SubMesh draw no sphere.
    loadMesh(5, {});
    loadMesh(6, {});
    render(scene, 2.0f);
    EXPECT_TRUE(pixelNear(100, 300, afterGlow(kFrameColour), 3));
    EXPECT_TRUE(pixelNear(400, 300, kWhite, 1));
    EXPECT_EQ(countPixelsNear(200, 150, 400, 300, kSphereColour, 60), 0);
    expectHandOverState();
}
