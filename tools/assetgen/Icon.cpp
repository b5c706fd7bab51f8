#include "tools/assetgen/Icon.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/Images.h"

#include <cmath>
#include <cstdio>

namespace {

// Share of the icon's edge the ball's diameter takes; the rest is a margin
// that desktop themes expect around a round icon.
constexpr float kBallShare = 0.92f;

// The sphere map's colour for a point (x, y) of the unit disc, y up. Seen
// orthographically, GL's sphere mapping gives s = x/2 + 1/2 and t = y/2 + 1/2,
// and blue.png's first row is t = 0.
Rgba reflected(const Canvas& sphereMap, float x, float y) {
    float s = 0.5f * x + 0.5f;
    float t = 0.5f * y + 0.5f;
    return sampleBilinear(sphereMap, s * sphereMap.width(), t * sphereMap.height());
}

// Darkens towards the rim and adds a soft highlight up and to the left, so the
// ball reads as round at small sizes.
Rgba shaded(Rgba colour, float x, float y) {
    float z = std::sqrt(std::fmax(0.0f, 1.0f - x * x - y * y));
    float rim = 0.55f + 0.45f * z;
    float hx = x + 0.35f, hy = y - 0.4f;
    float highlight = 0.5f * std::exp(-(hx * hx + hy * hy) * 18.0f);
    colour.r = clampf(colour.r * rim + highlight, 0.0f, 1.0f);
    colour.g = clampf(colour.g * rim + highlight, 0.0f, 1.0f);
    colour.b = clampf(colour.b * rim + highlight, 0.0f, 1.0f);
    return colour;
}

}  // namespace

Canvas makeIcon(int sizePx) {
    Canvas icon(sizePx, sizePx);
    const Canvas sphereMap = makeBlueSphereMap();
    const float centre = 0.5f * sizePx;
    const float radius = 0.5f * kBallShare * sizePx;
    for (int py = 0; py < sizePx; ++py) {
        for (int px = 0; px < sizePx; ++px) {
            float x = (px + 0.5f - centre) / radius;
            float y = (centre - py - 0.5f) / radius;
            float distancePx = (std::sqrt(x * x + y * y) - 1.0f) * radius;
            float coverage = clampf(0.5f - distancePx, 0.0f, 1.0f);
            if (coverage <= 0.0f) {
                continue;
            }
            float length = std::fmax(1.0f, std::sqrt(x * x + y * y));
            Rgba colour = shaded(reflected(sphereMap, x / length, y / length), x / length, y / length);
            colour.a = 1.0f;
            icon.blend(px, py, colour, coverage);
        }
    }
    return icon;
}

bool writeIcon(const std::string& path) {
    if (makeIcon(kIconSizePx).writePng(path, true)) {
        return true;
    }
    std::fprintf(stderr, "morvel-assetgen: could not write the icon %s\n", path.c_str());
    return false;
}
