// The squid mesh: a pointed mantle with two fins, a head with eyes, eight
// arms and two long tentacles with clubs, each part a closed swept surface.
#include "tools/assetgen/Meshes.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/MeshBuilder.h"

#include <algorithm>
#include <cmath>

namespace {


// A straight path of count points from a to b.
std::vector<Vec3> straightPath(Vec3 a, Vec3 b, int count) {
    std::vector<Vec3> path;
    for (int i = 0; i < count; ++i) {
        path.push_back(a + (b - a) * (static_cast<float>(i) / (count - 1)));
    }
    return path;
}

EbrSubMesh mantle() {
    EbrSubMesh mesh;
    mesh.name = "mantle";
    // From the opening (z = 0) to the pointed tip (z = 70): widest near the opening.
    auto radius = [](float f) { return 11.0f * std::pow(std::max(0.0f, std::sin(kPiFloat * (0.5f + 0.5f * f))), 0.7f) + 0.4f; };
    appendSweep(mesh, ringsAlong(straightPath({0, 0, 0}, {0, 0, 70}, 40), radius, 0.85f), 32, -1.5f, 1.0f);
    return mesh;
}

EbrSubMesh fins() {
    EbrSubMesh mesh;
    mesh.name = "fins";
    // One flat rhombic lobe through the mantle's rear, spreading sideways.
    auto radius = [](float f) { return 2.0f + 22.0f * std::sin(kPiFloat * f) * (0.6f + 0.4f * f); };
    std::vector<SweepRing> rings = ringsAlong(straightPath({0, 0, 44}, {0, 0, 72}, 16), radius, 1.0f);
    for (SweepRing& r : rings) {
        r.u = {1, 0, 0};
        r.v = {0, 1, 0};
        r.radiusV = 1.2f;
    }
    appendSweep(mesh, rings, 24, 0.5f, 0.5f);
    return mesh;
}

EbrSubMesh head() {
    EbrSubMesh mesh;
    mesh.name = "head";
    auto radius = [](float f) { return 3.0f + 5.5f * std::sin(kPiFloat * f); };
    appendSweep(mesh, ringsAlong(straightPath({0, 0, 3}, {0, 0, -14}, 14), radius, 0.9f), 24, 1.0f, 1.0f);
    for (float side : {-1.0f, 1.0f}) {
        auto eye = [](float f) { return 2.6f * std::sqrt(std::max(0.0f, std::sin(kPiFloat * f))) + 0.05f; };
        appendSweep(mesh, ringsAlong(straightPath({side * 5.0f, 1.5f, -9}, {side * 9.5f, 1.5f, -9}, 8), eye, 1.0f),
                    12, 0.0f, 0.0f);
    }
    return mesh;
}

// One arm from the head's front, curling; longer and club-ended for a tentacle.
void appendArm(EbrSubMesh& mesh, float angle, float length, bool tentacle) {
    std::vector<Vec3> path;
    const int count = tentacle ? 40 : 28;
    Vec3 start{std::cos(angle) * 4.0f, std::sin(angle) * 4.0f, -12.0f};
    for (int i = 0; i < count; ++i) {
        float f = static_cast<float>(i) / (count - 1);
        float spread = 4.0f + f * length * 0.22f;
        float curl = std::sin(f * 3.0f + angle * 2.0f) * f * length * 0.12f;
        path.push_back({std::cos(angle) * spread + curl * std::sin(angle),
                        std::sin(angle) * spread - curl * std::cos(angle), -12.0f - f * length});
    }
    path[0] = start;
    auto arm = [tentacle](float f) {
        float r = 3.0f * (1.0f - f) + 0.35f;
        if (tentacle) {
            r = 1.3f * (1.0f - f) + 0.4f + 2.0f * std::exp(-std::pow((f - 0.88f) / 0.07f, 2.0f));
        }
        return r;
    };
    appendSweep(mesh, ringsAlong(path, arm, 1.0f), 12, 0.3f, 0.2f);
}

EbrSubMesh arms() {
    EbrSubMesh mesh;
    mesh.name = "arms";
    for (int i = 0; i < 8; ++i) {
        appendArm(mesh, 2.0f * kPiFloat * (i + 0.5f) / 8.0f, 34.0f + 4.0f * (i % 3), false);
    }
    appendArm(mesh, 0.15f * kPiFloat, 66.0f, true);
    appendArm(mesh, 0.85f * kPiFloat, 66.0f, true);
    return mesh;
}

}  // namespace

std::vector<EbrSubMesh> makeSquid() { return {mantle(), fins(), head(), arms()}; }
