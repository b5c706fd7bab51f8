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
    const int32_t side = std::min({powerOfTwoAtMost(maxTextureSize), maxRenderbufferSize, kMaxCanvasSide});
    return {std::min(side, maxViewportWidth), std::min(side, maxViewportHeight)};
}

CanvasLimits tighterLimits(CanvasLimits a, CanvasLimits b) {
    return {std::min(a.maxWidth, b.maxWidth), std::min(a.maxHeight, b.maxHeight)};
}

CanvasSize fitCanvas(CanvasSize requested, CanvasLimits limits) {
    const CanvasSize largest = largestLayoutFit(limits.maxWidth, limits.maxHeight);
    if (largest.height < kSmallestCanvasSize.height) {
        return {0, 0};
    }
    const CanvasSize wanted = largestLayoutFit(std::min(requested.width, largest.width),
                                               std::min(requested.height, largest.height));
    return wanted.height < kSmallestCanvasSize.height ? kSmallestCanvasSize : wanted;
}
