#include "tools/assetgen/ScuteLayout.h"

#include <algorithm>
#include <cmath>

namespace {

const float kPi = 3.14159265358979f;
const int kMarginalCount = 24;

// Centres of the five vertebral and eight costal plates.
const float kSeeds[13][2] = {{0.0f, 0.62f},    {0.0f, 0.31f},   {0.0f, 0.0f},     {0.0f, -0.31f},
                             {0.0f, -0.60f},   {0.43f, 0.47f},  {-0.43f, 0.47f},  {0.50f, 0.15f},
                             {-0.50f, 0.15f},  {0.50f, -0.17f}, {-0.50f, -0.17f}, {0.42f, -0.48f},
                             {-0.42f, -0.48f}};

float gaussian(float x, float width) { return std::exp(-(x * x) / (width * width)); }

// Signed angular distance from a to b, wrapped into (-pi, pi].
float angleBetween(float a, float b) {
    float d = std::fmod(b - a + 3.0f * kPi, 2.0f * kPi) - kPi;
    return d;
}

// The central plate nearest (x, z) and the distance to its Voronoi edges.
ScuteSample centralPlate(float x, float z) {
    int best = 0;
    float bestD = 1e9f;
    for (int i = 0; i < 13; ++i) {
        float d = std::hypot(x - kSeeds[i][0], z - kSeeds[i][1]);
        if (d < bestD) { bestD = d; best = i; }
    }
    float seam = 1e9f;
    for (int i = 0; i < 13; ++i) {
        if (i == best) continue;
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
    r += 0.07f * gaussian(angleBetween(angle, -0.5f * kPi), 0.35f);
    r -= 0.035f * gaussian(angleBetween(angle, 0.5f * kPi), 0.18f);
    // The rear marginals end in a saw-tooth edge.
    float sector = (angle / (2.0f * kPi) + 1.0f) * kMarginalCount;
    float frac = sector - std::floor(sector);
    float rear = std::max(0.0f, -s);
    r *= 1.0f + 0.025f * rear * rear * std::sin(kPi * frac);
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
    float sector = (angle / (2.0f * kPi) + 1.0f) * kMarginalCount + 0.5f;
    int index = static_cast<int>(std::floor(sector)) % kMarginalCount;
    float frac = sector - std::floor(sector);
    float ringDist = std::hypot(x, z);
    float sideSeam = std::min(frac, 1.0f - frac) * (2.0f * kPi / kMarginalCount) * ringDist;
    float innerSeam = (radius - kMarginalStart) * outline;
    float outerSeam = std::max(0.0f, (1.0f - radius) * outline);
    float seam = std::min(sideSeam, std::min(innerSeam, outerSeam));
    // Marginals grow from the middle of their outer edge.
    float middle = (std::floor(sector) - 0.5f) / kMarginalCount * 2.0f * kPi;
    float reach = carapaceOutline(middle) * 0.97f;
    return ScuteSample{13 + index, seam, radius, std::cos(middle) * reach, std::sin(middle) * reach};
}
