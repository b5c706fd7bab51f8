#include "tools/assetgen/AssetMath.h"

#include <algorithm>

float clampf(float x, float lo, float hi) {
    return std::min(hi, std::max(lo, x));
}

float smoothstep(float e0, float e1, float x) {
    float t = clampf((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}
