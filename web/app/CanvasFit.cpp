#include "web/app/CanvasFit.h"

#include <algorithm>

namespace {

// The largest power of two not above limit; 0 for limits below 1.
int32_t powerOfTwoAtMost(int32_t limit) {
    int32_t power = 0;
    for (int32_t candidate = 1; candidate > 0 && candidate <= limit; candidate *= 2) {
        power = candidate;
    }
    return power;
}

}  // namespace

CanvasLimits canvasLimits(int32_t maxTextureSize, int32_t maxRenderbufferSize, int32_t maxViewportWidth,
                          int32_t maxViewportHeight) {
    const int32_t side = std::min(powerOfTwoAtMost(maxTextureSize), maxRenderbufferSize);
    return {std::min(side, maxViewportWidth), std::min(side, maxViewportHeight)};
}

CanvasLimits tighterLimits(CanvasLimits a, CanvasLimits b) {
    return {std::min(a.maxWidth, b.maxWidth), std::min(a.maxHeight, b.maxHeight)};
}

CanvasSize fitCanvas(CanvasSize requested, CanvasLimits limits) {
    const int32_t smallestStep = kSmallestCanvasSize.width / 4;
    const int32_t limitStep = std::min(limits.maxWidth / 4, limits.maxHeight / 3);
    if (limitStep < smallestStep) {
        return {0, 0};
    }
    const int32_t wantedStep = std::min(requested.width / 4, requested.height / 3);
    const int32_t step = std::clamp(wantedStep, smallestStep, limitStep);
    return {4 * step, 3 * step};
}
