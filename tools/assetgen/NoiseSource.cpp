#include "tools/assetgen/NoiseSource.h"

float NoiseSource::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    // Top 24 bits give an exact float in [0, 1).
    return static_cast<float>(state >> 8) * (2.0f / 16777216.0f) - 1.0f;
}
