// The sea turtle shell mesh: one closed surface made of rings around the
// vertical axis, from the top of the carapace over a rounded rim to the centre
// of the flatter underside.
#include "tools/assetgen/Meshes.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/MeshBuilder.h"
#include "tools/assetgen/ScuteLayout.h"

#include <algorithm>
#include <cmath>

namespace {

const float kPlanScale = 60.0f;    // mesh units per plan unit
const float kDomeHeight = 21.0f;   // carapace height above the rim
const float kRimHeight = 3.0f;     // top of the rim above the underside's edge
const float kBellyDepth = 7.0f;    // how far the underside bulges below its edge
const int kSegments = 176;
const int kTopRings = 60;
const int kBottomRings = 20;

// One ring of the profile: fraction of the outline radius and a height rule.
struct ProfileRing {
    float radius;
    int kind;  // 0 carapace, 1 rim lip, 2 underside
    float param;
};

// Height of the carapace at plan point (x, z) whose fraction of the outline is radius.
float carapaceHeight(float x, float z, float radius) {
    float dome = std::pow(std::max(0.0f, 1.0f - std::pow(radius, 2.4f)), 0.55f);
    float crest = 1.0f + 0.10f * z;  // highest a little forward of the middle
    float keel = 1.3f * std::exp(-(x * x) / (0.07f * 0.07f)) * std::max(0.0f, 1.0f - radius / 0.8f);
    ScuteSample s = scuteAt(x, z);
    float edge = std::min(1.0f, s.seamDistance / 0.045f);
    float plate = 1.4f * edge * edge * (3.0f - 2.0f * edge);
    float relief = plate * std::min(1.0f, (1.0f - radius) * 12.0f + 0.35f);
    return kRimHeight + (kDomeHeight * crest) * dome + keel + relief;
}

// The profile from just off the top's centre, over the rim, to just off the underside's centre.
std::vector<ProfileRing> profile() {
    std::vector<ProfileRing> rings;
    for (int i = 1; i <= kTopRings; ++i) {
        float f = static_cast<float>(i) / kTopRings;
        rings.push_back({std::sqrt(f) * 0.5f + f * 0.5f, 0, 0});
    }
    // The rim: a rounded lip a little outside the outline.
    for (int k = 1; k <= 5; ++k) {
        float a = 0.5f * kPiFloat - kPiFloat * k / 6.0f;
        rings.push_back({1.0f + 0.03f * std::cos(a), 1, a});
    }
    for (int i = kBottomRings; i >= 1; --i) {
        float f = static_cast<float>(i) / kBottomRings;
        rings.push_back({f, 2, 0});
    }
    return rings;
}

Vec3 ringPoint(const ProfileRing& ring, float angle) {
    float outline = carapaceOutline(angle);
    float x = std::cos(angle) * outline * ring.radius, z = std::sin(angle) * outline * ring.radius;
    float y = 0.0f;
    if (ring.kind == 0) {
        y = carapaceHeight(x, z, ring.radius);
    } else if (ring.kind == 1) {
        y = kRimHeight * 0.5f * (1.0f + std::sin(ring.param));
    } else {
        y = -kBellyDepth * std::sqrt(std::max(0.0f, 1.0f - ring.radius * ring.radius));
    }
    return {x * kPlanScale, y, z * kPlanScale};
}

// The underside takes its paint from green.png's plastron strip: the same t,
// and s growing from the texture's edge with the distance from the centre line.
int32_t addPlastronVertex(EbrSubMesh& mesh, Vec3 p) {
    float across = std::fabs(p.x) / kPlanScale;
    return addVertex(mesh, p, across / kPlastronReach * kPlastronStrip, 0.5f - p.z / (2.0f * kPlanScale));
}

// Texture coordinates are the plan view: s across, t from the head (top row) back.
int32_t addPlanVertex(EbrSubMesh& mesh, Vec3 p) {
    return addVertex(mesh, p, 0.5f + p.x / (2.0f * kPlanScale), 0.5f - p.z / (2.0f * kPlanScale));
}

// Moves the mesh so that its bounding box is centred on the origin.
void centre(EbrSubMesh& mesh) {
    for (int c = 0; c < 3; ++c) {
        float lo = 1e9f, hi = -1e9f;
        for (size_t i = c; i < mesh.positions.size(); i += 3) {
            lo = std::min(lo, mesh.positions[i]);
            hi = std::max(hi, mesh.positions[i]);
        }
        float mid = (lo + hi) * 0.5f;
        for (size_t i = c; i < mesh.positions.size(); i += 3) {
            mesh.positions[i] -= mid;
        }
    }
}

}  // namespace

std::vector<EbrSubMesh> makeTurtleShell() {
    EbrSubMesh mesh;
    mesh.name = "turtleskall";
    const std::vector<ProfileRing> rings = profile();
    const int ringCount = static_cast<int>(rings.size());
    int32_t top = addPlanVertex(mesh, {0, carapaceHeight(0, 0, 0), 0});
    // Each ring's first vertex as the upper and as the lower edge of a band.
    // The underside's outer ring comes twice, so that the rim's band keeps
    // the carapace's paint and the underside's bands the plastron's.
    std::vector<int32_t> asUpper(ringCount), asLower(ringCount);
    for (int i = 0; i < ringCount; ++i) {
        bool underside = rings[i].kind == 2;
        bool outerUnderside = underside && i > 0 && rings[i - 1].kind != 2;
        for (int copy = 0; copy < (outerUnderside ? 2 : 1); ++copy) {
            bool plastron = underside && !(outerUnderside && copy == 0);
            int32_t first = static_cast<int32_t>(mesh.positions.size() / 3);
            for (int j = 0; j < kSegments; ++j) {
                Vec3 p = ringPoint(rings[i], 2.0f * kPiFloat * j / kSegments);
                plastron ? addPlastronVertex(mesh, p) : addPlanVertex(mesh, p);
            }
            if (copy == 0) {
                asLower[i] = first;
            }
            asUpper[i] = first;
        }
    }
    int32_t bottom = addPlastronVertex(mesh, {0, -kBellyDepth, 0});
    auto upper = [&](int i, int j) { return asUpper[i] + (j % kSegments); };
    auto lower = [&](int i, int j) { return asLower[i] + (j % kSegments); };
    for (int j = 0; j < kSegments; ++j) {
        addTriangle(mesh, top, lower(0, j + 1), lower(0, j));
        addTriangle(mesh, bottom, upper(ringCount - 1, j), upper(ringCount - 1, j + 1));
    }
    for (int i = 0; i + 1 < ringCount; ++i) {
        for (int j = 0; j < kSegments; ++j) {
            addTriangle(mesh, upper(i, j), upper(i, j + 1), lower(i + 1, j + 1));
            addTriangle(mesh, upper(i, j), lower(i + 1, j + 1), lower(i + 1, j));
        }
    }
    orientOutward(mesh);
    centre(mesh);
    return {mesh};
}
