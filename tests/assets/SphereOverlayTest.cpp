// End to end: a sphere written as .ebr, drawn sphere-mapped with one PNG, and a
// second PNG laid over a corner, checked in the frame read back.
#include "assets/EbrWriter.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "tests/assets/AssetTestFiles.h"
#include "tests/assets/TestImages.h"
#include "tests/support/GLTestContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>

using assettest::PngSpec;
using assettest::scratchPath;

namespace {

constexpr int kRings = 24;
constexpr int kSegments = 32;

// A unit UV sphere; each triangle is wound counter-clockwise seen from outside.
EbrSubMesh unitSphere() {
    EbrSubMesh sphere;
    sphere.name = "sphere";
    for (int i = 0; i <= kRings; ++i) {
        const double theta = M_PI * i / kRings;
        for (int j = 0; j <= kSegments; ++j) {
            const double phi = 2 * M_PI * j / kSegments;
            sphere.positions.insert(sphere.positions.end(), {float(std::sin(theta) * std::cos(phi)),
                                                             float(std::cos(theta)),
                                                             float(std::sin(theta) * std::sin(phi))});
            sphere.texCoords.insert(sphere.texCoords.end(), {float(j) / kSegments, float(i) / kRings});
        }
    }
    auto at = [](int i, int j) { return i * (kSegments + 1) + j; };
    for (int i = 0; i < kRings; ++i) {
        for (int j = 0; j < kSegments; ++j) {
            // With y = cos(theta) and z = sin(phi), (i, j), (i, j + 1), (i + 1, j) turns
            // counter-clockwise around the outward direction.
            sphere.faces.insert(sphere.faces.end(), {at(i, j), at(i, j + 1), at(i + 1, j)});
            sphere.faces.insert(sphere.faces.end(), {at(i, j + 1), at(i + 1, j + 1), at(i + 1, j)});
        }
    }
    return sphere;
}

// left half blue, right half green: sphere mapping shows which way normals face.
std::string writeEnvironmentPng() {
    PngSpec desc;
    desc.width = 64;
    desc.height = 64;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) desc.samples.insert(desc.samples.end(), {0, uint8_t(x < 32 ? 0 : 255), uint8_t(x < 32 ? 255 : 0)});
    }
    std::string path = scratchPath("environment.png");
    EXPECT_TRUE(assettest::writePng(path, desc));
    return path;
}

std::string writeRedPng() {
    PngSpec desc;
    desc.width = 2;
    desc.height = 2;
    desc.samples.assign(12, 0);
    for (int p = 0; p < 4; ++p) desc.samples[p * 3] = 255;
    std::string path = scratchPath("red.png");
    EXPECT_TRUE(assettest::writePng(path, desc));
    return path;
}

uint8_t channel(uint32_t rgba, int index) {
    return uint8_t(rgba >> (24 - 8 * index));
}

}  // namespace

TEST(SphereOverlay, loadedNormalsPointOutward) {
    std::string path = scratchPath("sphere.ebr");
    ASSERT_TRUE(writeEbr(path.c_str(), {unitSphere()}));
    Mesh mesh(path.c_str());
    ASSERT_EQ(mesh.subMeshCount, 1);
    const SubMesh& sub = *mesh.subMeshes[0];
    int checked = 0;
    for (int v = 0; v < sub.vertexCount; ++v) {
        const float* n = &sub.normals[v * 3];
        if (std::isnan(n[0])) continue;  // seam copies of the poles touch only degenerate faces
        const float* p = &sub.positions[v * 3];
        EXPECT_GT(n[0] * p[0] + n[1] * p[1] + n[2] * p[2], 0.98f) << "vertex " << v;
        ++checked;
    }
    EXPECT_GT(checked, sub.vertexCount - 4);
}

TEST(SphereOverlay, sphereMappedSphereAndOverlayBothShowInTheFrame) {
    testgl::ensureContext();
    testgl::resetState();
    std::string meshPath = scratchPath("sphere.ebr");
    ASSERT_TRUE(writeEbr(meshPath.c_str(), {unitSphere()}));
    Mesh sphere(meshPath.c_str());
    Texture environment(writeEnvironmentPng().c_str());
    Texture overlay(writeRedPng().c_str());
    ASSERT_NE(environment.textureName, 0u);
    ASSERT_NE(overlay.textureName, 0u);

    glTranslatef(0, 0, -4);
    environment.bind();
    enableSphereMap();
    sphere.draw();
    disableSphereMap();
    environment.unbind();
    glLoadIdentity();
    overlay.drawOverlay(600, 450, 200, 150, true);
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    if (std::getenv("MORVEL_SAVE_FRAMES")) testgl::saveBmp("sphere-overlay.bmp", 800, 600);

    // The sphere (radius about 187 pixels around the centre) reflects the left
    // half of the map on its left side and the right half on its right side.
    const uint32_t left = testgl::pixelAt(400 - 120, 300);
    const uint32_t right = testgl::pixelAt(400 + 120, 300);
    EXPECT_GT(channel(left, 2), 200) << std::hex << left;
    EXPECT_LT(channel(left, 1), 60) << std::hex << left;
    EXPECT_GT(channel(right, 1), 200) << std::hex << right;
    EXPECT_LT(channel(right, 2), 60) << std::hex << right;
    EXPECT_EQ(testgl::pixelAt(400, 300 + 200) & 0xffffff00u, 0u);  // above the sphere: background
    EXPECT_EQ(testgl::pixelAt(10, 10) & 0xffffff00u, 0u);
    // The overlay covers x 600..800, y 450..600 and nothing else.
    EXPECT_EQ(testgl::pixelAt(700, 525) & 0xffffff00u, 0xff000000u);
    EXPECT_EQ(testgl::pixelAt(799, 599) & 0xffffff00u, 0xff000000u);
    EXPECT_EQ(testgl::pixelAt(595, 525) & 0xffffff00u, 0u);
    EXPECT_EQ(testgl::pixelAt(700, 445) & 0xffffff00u, 0u);
}
