#include "tools/assetgen/ScuteLayout.h"

#include "tools/assetgen/AssetMath.h"

#include <algorithm>
#include <cmath>

namespace {

const int kMarginalCount = 24;

// Centres of the five vertebral and eight costal plates.
const float kSeeds[13][2] = {{0.0f, 0.62f},    {0.0f, 0.31f},   {0.0f, 0.0f},     {0.0f, -0.31f},
                             {0.0f, -0.60f},   {0.43f, 0.47f},  {-0.43f, 0.47f},  {0.50f, 0.15f},
                             {-0.50f, 0.15f},  {0.50f, -0.17f}, {-0.50f, -0.17f}, {0.42f, -0.48f},
                             {-0.42f, -0.48f}};

float gaussian(float x, float width) { return std::exp(-(x * x) / (width * width)); }

// Signed angular distance from a to b, wrapped into (-pi, pi].
float angleBetween(float a, float b) {
    float d = std::fmod(b - a + 3.0f * kPiFloat, 2.0f * kPiFloat) - kPiFloat;
    return d;
}

// The central plate nearest (x, z) and the distance to its Voronoi edges.
ScuteSample centralPlate(float x, float z) {
    int best = 0;
    float bestD = 1e9f;
    for (int i = 0; i < 13; ++i) {
        float d = std::hypot(x - kSeeds[i][0], z - kSeeds[i][1]);
        if (d < bestD) {
            bestD = d;
            best = i;
        }
    }
    float seam = 1e9f;
    for (int i = 0; i < 13; ++i) {
        if (i == best) {
            continue;
        }
        float bx = kSeeds[i][0] - kSeeds[best][0], bz = kSeeds[i][1] - kSeeds[best][1];
        float len = std::hypot(bx, bz);
        float mx = (kSeeds[i][0] + kSeeds[best][0]) * 0.5f - x;
        float mz = (kSeeds[i][1] + kSeeds[best][1]) * 0.5f - z;
        seam = std::min(seam, (mx * bx + mz * bz) / len);
    }
    return ScuteSample{best, seam, 0.0f, kSeeds[best][0], kSeeds[best][1]};
}

}  // namespace

float carapaceOutline(float angle) {
    const float a = 0.80f, b = 0.92f;
    float c = std::cos(angle), s = std::sin(angle);
    float r = 1.0f / std::sqrt((c / a) * (c / a) + (s / b) * (s / b));
    // Broad in front, tapering to a point behind, a shallow notch over the neck.
    r *= 1.0f + 0.05f * s;
    r += 0.07f * gaussian(angleBetween(angle, -0.5f * kPiFloat), 0.35f);
    r -= 0.035f * gaussian(angleBetween(angle, 0.5f * kPiFloat), 0.18f);
    // The rear marginals end in a saw-tooth edge.
    float sector = (angle / (2.0f * kPiFloat) + 1.0f) * kMarginalCount;
    float frac = sector - std::floor(sector);
    float rear = std::max(0.0f, -s);
    r *= 1.0f + 0.025f * rear * rear * std::sin(kPiFloat * frac);
    return r;
}

ScuteSample scuteAt(float x, float z) {
    float angle = std::atan2(z, x);
    float outline = carapaceOutline(angle);
    float radius = std::hypot(x, z) / outline;
    if (radius < kMarginalStart) {
        ScuteSample plate = centralPlate(x, z);
        plate.seamDistance = std::min(plate.seamDistance, (kMarginalStart - radius) * outline);
        plate.radius = radius;
        return plate;
    }
    // Marginals: equal sectors of the ring, offset so one sits over the neck.
    float sector = (angle / (2.0f * kPiFloat) + 1.0f) * kMarginalCount + 0.5f;
    int index = static_cast<int>(std::floor(sector)) % kMarginalCount;
    float frac = sector - std::floor(sector);
    float ringDist = std::hypot(x, z);
    float sideSeam = std::min(frac, 1.0f - frac) * (2.0f * kPiFloat / kMarginalCount) * ringDist;
    float innerSeam = (radius - kMarginalStart) * outline;
    float outerSeam = std::max(0.0f, (1.0f - radius) * outline);
    float seam = std::min(sideSeam, std::min(innerSeam, outerSeam));
    // Marginals grow from the middle of their outer edge.
    float middle = (std::floor(sector) - 0.5f) / kMarginalCount * 2.0f * kPiFloat;
    float reach = carapaceOutline(middle) * 0.97f;
    return ScuteSample{13 + index, seam, radius, std::cos(middle) * reach, std::sin(middle) * reach};
}

namespace {

// Seams between the plastron's six pairs of plates, front to back, at the centre line.
const float kPlastronSeams[5] = {0.60f, 0.37f, 0.10f, -0.24f, -0.53f};
// Half-width of the plastron at z: broad across the bridge, narrowing into
// rounded front and rear lobes.
float plastronHalfWidth(float z) {
    float along = z / (z > 0.0f ? 0.80f : 0.82f);
    float shape = std::max(0.0f, 1.0f - along * along * along * along);
    float lobes = 1.0f - 0.22f * gaussian(z - 0.45f, 0.16f) - 0.26f * gaussian(z + 0.50f, 0.16f);
    return 0.46f * std::sqrt(shape) * lobes;
}

}  // namespace

PlastronSample plastronAt(float x, float z) {
    float ax = std::fabs(x);
    float angle = std::atan2(z, ax);
    float outline = carapaceOutline(angle);
    float radius = std::hypot(ax, z) / outline;
    if (radius >= kMarginalStart) {
        ScuteSample m = scuteAt(ax, z);
        return PlastronSample{3, m.id, m.seamDistance, radius};
    }
    float inner = (kMarginalStart - radius) * outline;
    float halfWidth = plastronHalfWidth(z);
    if (ax < halfWidth) {
        // Transverse seams bow backward towards the sides; the centre seam,
        // a broader groove, splits each pair.
        int id = 0;
        float seam = std::min(std::max(0.0f, ax - 0.012f), std::min(halfWidth - ax, inner));
        for (float s : kPlastronSeams) {
            float at = s - 0.10f * ax * ax / 0.2f;
            if (z < at) {
                ++id;
            }
            seam = std::min(seam, std::fabs(z - at));
        }
        return PlastronSample{0, id, seam, radius};
    }
    // Across the bridge, four plates link the plastron to the marginals.
    const float bridge = 0.30f;
    if (std::fabs(z) < bridge) {
        float cell = (z + bridge) / (2.0f * bridge) * 4.0f;
        int id = std::min(3, static_cast<int>(cell));
        float frac = cell - std::floor(cell);
        float across = std::min(frac, 1.0f - frac) * (2.0f * bridge) / 4.0f;
        float seam = std::min(std::min(across, ax - halfWidth), std::min(inner, bridge - std::fabs(z)));
        return PlastronSample{1, id, seam, radius};
    }
    return PlastronSample{2, 0, std::min(ax - halfWidth, inner), radius};
}
