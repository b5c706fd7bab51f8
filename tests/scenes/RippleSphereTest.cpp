// The sphere's ripple as pure arithmetic: no GL context involved.
#include "scenes/SphereScene.h"

#include "assets/Mesh.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

// A SubMesh whose vertices carry the given positions and normals, no faces.
std::unique_ptr<SubMesh> restMesh(const std::vector<Vec3>& positions, const std::vector<Vec3>& normals) {
    auto mesh = SubMesh::allocate(static_cast<int32_t>(positions.size()), 0);
    for (size_t i = 0; i < positions.size(); ++i) {
        std::memcpy(&mesh->positions[3 * i], &positions[i], sizeof(Vec3));
        std::memcpy(&mesh->normals[3 * i], &normals[i], sizeof(Vec3));
        mesh->texCoords[2 * i] = 0.0f;
        mesh->texCoords[2 * i + 1] = 0.0f;
    }
    return mesh;
}

Vec3 positionOf(const SubMesh& mesh, int i) {
    return {mesh.positions[3 * i], mesh.positions[3 * i + 1], mesh.positions[3 * i + 2]};
}

// Rest (24, 30, 32) with unit normal (0.48, 0.6, 0.64), and a vertex whose
// normal has a zero y component.
struct TwoVertices {
    std::unique_ptr<SubMesh> rest = restMesh({{24, 30, 32}, {-7, 0.5f, 13}}, {{0.48f, 0.6f, 0.64f}, {0.6f, 0, 0.8f}});
    std::unique_ptr<SubMesh> target = SubMesh::allocate(2, 0);
};

}  // namespace

TEST(RippleParameters, followTheirOwnSineAtOneSecond) {
    RippleParameters p = rippleParameters(1.0f);
    EXPECT_NEAR(p.fx, 8.36588, 1e-4);
    EXPECT_NEAR(p.fy, 8.85423, 1e-4);
    EXPECT_NEAR(p.fz, 8.56483, 1e-4);
    EXPECT_NEAR(p.amp, 64.5635, 1e-4);
}

TEST(RippleSphere, movesAVertexAlongItsRestNormalByTheRippleOfTheTime) {
    TwoVertices mesh;
    rippleSphere(0.0f, *mesh.rest, *mesh.target);
    Vec3 p = positionOf(*mesh.target, 0);
    EXPECT_NEAR(p.x, 23.9065, 1e-3);
    EXPECT_NEAR(p.y, 29.8832, 1e-3);
    EXPECT_NEAR(p.z, 31.8754, 1e-3);
    rippleSphere(1.0f, *mesh.rest, *mesh.target);
    p = positionOf(*mesh.target, 0);
    EXPECT_NEAR(p.x, 23.8290, 1e-3);
    EXPECT_NEAR(p.y, 29.7862, 1e-3);
    EXPECT_NEAR(p.z, 31.7720, 1e-3);
}

TEST(RippleSphere, leavesAVertexWithAZeroNormalComponentAtRestAtTimeZero) {
    TwoVertices mesh;
    rippleSphere(0.0f, *mesh.rest, *mesh.target);
    Vec3 p = positionOf(*mesh.target, 1);
    EXPECT_EQ(p.x, -7.0f);
    EXPECT_EQ(p.y, 0.5f);
    EXPECT_EQ(p.z, 13.0f);
    // Later the same vertex does move: the zero only silences it at t = 0.
    rippleSphere(0.7f, *mesh.rest, *mesh.target);
    EXPECT_NE(positionOf(*mesh.target, 1).x, -7.0f);
}

TEST(RippleSphere, neverChangesTheRestCopy) {
    TwoVertices mesh;
    auto before = restMesh({positionOf(*mesh.rest, 0), positionOf(*mesh.rest, 1)},
                           {{0.48f, 0.6f, 0.64f}, {0.6f, 0, 0.8f}});
    rippleSphere(2.5f, *mesh.rest, *mesh.target);
    EXPECT_EQ(0, std::memcmp(before->positions.get(), mesh.rest->positions.get(), 6 * sizeof(float)));
    EXPECT_EQ(0, std::memcmp(before->normals.get(), mesh.rest->normals.get(), 6 * sizeof(float)));
}

TEST(RippleSphere, stopsAtTheRestCopysVertexCount) {
    auto rest = restMesh({{24, 30, 32}}, {{0.48f, 0.6f, 0.64f}});
    auto target = SubMesh::allocate(3, 0);
    for (int i = 0; i < 9; ++i) {
        target->positions[i] = 1234.0f;
    }
    rippleSphere(0.0f, *rest, *target);
    EXPECT_NEAR(target->positions[0], 23.9065, 1e-3);
    for (int i = 3; i < 9; ++i) {
        EXPECT_EQ(target->positions[i], 1234.0f) << "component " << i;
    }
}
