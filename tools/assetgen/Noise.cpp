#include "tools/assetgen/Noise.h"

#include <cmath>

uint32_t hash3(int32_t x, int32_t y, int32_t z, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B1u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA77u;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE3Du;
    h = (h << 17) | (h >> 15);
    h ^= static_cast<uint32_t>(z) * 0x27D4EB2Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float hashUnit(int32_t x, int32_t y, int32_t z, uint32_t seed) {
    return static_cast<float>(hash3(x, y, z, seed) >> 8) * (1.0f / 16777216.0f);
}

namespace {

float fade(float t) { return t * t * (3.0f - 2.0f * t); }

float lattice(int32_t x, int32_t y, int period, uint32_t seed) {
    if (period > 0) {
        x = ((x % period) + period) % period;
        y = ((y % period) + period) % period;
    }
    return hashUnit(x, y, 0, seed);
}

float interpolated(float x, float y, int period, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    float u = fade(x - fx), v = fade(y - fy);
    float a = lattice(ix, iy, period, seed), b = lattice(ix + 1, iy, period, seed);
    float c = lattice(ix, iy + 1, period, seed), d = lattice(ix + 1, iy + 1, period, seed);
    return (a + (b - a) * u) + ((c + (d - c) * u) - (a + (b - a) * u)) * v;
}

}  // namespace

float valueNoise(float x, float y, uint32_t seed) { return interpolated(x, y, 0, seed); }

float tiledNoise(float x, float y, int period, uint32_t seed) {
    return interpolated(x, y, period, seed);
}

float fractalNoise(float x, float y, int octaves, uint32_t seed) {
    float sum = 0.0f, weight = 0.5f, total = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * valueNoise(x, y, seed + o * 101u);
        total += weight;
        x = x * 2.03f + 17.1f;
        y = y * 2.03f - 9.7f;
        weight *= 0.5f;
    }
    return sum / total;
}

CellSample cellNoise(float x, float y, uint32_t seed) {
    int32_t ix = static_cast<int32_t>(std::floor(x)), iy = static_cast<int32_t>(std::floor(y));
    CellSample best{1e9f, 1e9f, 0, 0};
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            int32_t cx = ix + dx, cy = iy + dy;
            float px = cx + 0.15f + 0.7f * hashUnit(cx, cy, 1, seed);
            float py = cy + 0.15f + 0.7f * hashUnit(cx, cy, 2, seed);
            float d = std::hypot(px - x, py - y);
            if (d < best.nearest) {
                best.second = best.nearest;
                best = CellSample{d, best.second, cx, cy};
            } else if (d < best.second) {
                best.second = d;
            }
        }
    }
    return best;
}
