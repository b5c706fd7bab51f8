#include "tools/assetgen/TurtleSdf.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/ScuteLayout.h"

#include <algorithm>
#include <cmath>

namespace {

const float kPlanToBody = 1.08f;  // body units per plan unit

float length3(Vec3 p) { return std::sqrt(dot(p, p)); }

// Polynomial smooth minimum: blends two distances over a band of width k.
float smoothMin(float a, float b, float k) {
    float h = clampf(0.5f + 0.5f * (b - a) / k, 0.0f, 1.0f);
    return b + (a - b) * h - k * h * (1.0f - h);
}

// Ellipsoid distance estimate (good near the surface).
float ellipsoid(Vec3 p, Vec3 r) {
    Vec3 q{p.x / r.x, p.y / r.y, p.z / r.z};
    Vec3 q2{p.x / (r.x * r.x), p.y / (r.y * r.y), p.z / (r.z * r.z)};
    float k0 = length3(q), k1 = length3(q2);
    return k1 > 0 ? k0 * (k0 - 1.0f) / k1 : -std::min(r.x, std::min(r.y, r.z));
}

// A cone with rounded ends from a (radius ra) to b (radius rb), flattened
// vertically by squash (a thin flipper when squash > 1).
float flipper(Vec3 p, Vec3 a, Vec3 b, float ra, float rb, float squash) {
    Vec3 pa = p - a, ba = b - a;
    float h = clampf(dot(pa, ba) / dot(ba, ba), 0.0f, 1.0f);
    Vec3 d = pa - ba * h;
    d.y *= squash;
    // A gentle bulge towards the middle makes the wing shape of a front flipper.
    float r = ra + (rb - ra) * h + 0.05f * std::sin(3.14159f * h) * (ra > 0.1f ? 1.0f : 0.0f);
    return (length3(d) - r) / squash;
}

float carapace(Vec3 p) {
    float planX = p.x / kPlanToBody, planZ = p.z / kPlanToBody;
    float angle = std::atan2(planZ, planX);
    float outline = carapaceOutline(angle) * kPlanToBody;
    float flat = std::sqrt(p.x * p.x + p.z * p.z);
    float height = p.y > 0 ? 0.34f : 0.13f;
    float qx = flat / outline, qy = (p.y + 0.02f) / height;
    float k0 = std::sqrt(qx * qx + qy * qy);
    return (k0 - 1.0f) * std::min(outline, height) * 0.9f;
}

}  // namespace

void carapacePlan(Vec3 p, float& planX, float& planZ) {
    planX = p.x / kPlanToBody;
    planZ = p.z / kPlanToBody;
}

TurtleDistance turtleDistance(Vec3 p) {
    float shell = carapace(p);
    float belly = ellipsoid(p - Vec3{0, -0.06f, 0.0f}, {0.72f, 0.16f, 0.88f});
    float head = ellipsoid(p - Vec3{0, 0.04f, 1.20f}, {0.21f, 0.17f, 0.25f});
    float neck = flipper(p, {0, -0.02f, 0.72f}, {0, 0.02f, 1.05f}, 0.17f, 0.15f, 1.0f);
    float skin = smoothMin(head, neck, 0.08f);
    // Front flippers mid-stroke: swept back, the left one raised a little.
    skin = std::min(skin, flipper(p, {0.50f, 0.0f, 0.55f}, {1.65f, 0.12f, -0.15f}, 0.12f, 0.03f, 2.6f));
    skin = std::min(skin, flipper(p, {-0.50f, 0.0f, 0.55f}, {-1.50f, 0.50f, 0.10f}, 0.12f, 0.03f, 2.6f));
    skin = std::min(skin, flipper(p, {0.32f, -0.05f, -0.72f}, {0.62f, -0.12f, -1.18f}, 0.09f, 0.06f, 2.2f));
    skin = std::min(skin, flipper(p, {-0.32f, -0.05f, -0.72f}, {-0.62f, -0.10f, -1.18f}, 0.09f, 0.06f, 2.2f));
    skin = std::min(skin, flipper(p, {0, -0.04f, -0.85f}, {0, -0.06f, -1.12f}, 0.06f, 0.015f, 1.5f));
    float eye = std::min(length3(p - Vec3{0.15f, 0.09f, 1.29f}), length3(p - Vec3{-0.15f, 0.09f, 1.29f})) - 0.045f;

    TurtleDistance best{shell, TurtlePart::carapace};
    if (belly < best.distance) {
        best = {belly, TurtlePart::plastron};
    }
    float blended = smoothMin(best.distance, skin, 0.06f);
    if (skin < best.distance) {
        best = {blended, TurtlePart::skin};
    } else {
        best.distance = blended;
    }
    if (eye < best.distance) {
        best = {eye, TurtlePart::eye};
    }
    return best;
}
