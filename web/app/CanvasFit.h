#pragma once
// Which pixel size the page's canvas draws at: the page asks for its CSS box
// times devicePixelRatio (or a size named in its address), and the browser's
// WebGL limits cap it. Pure arithmetic, so it is tested natively.
#include "platform/CanvasSize.h"

#include <cstdint>

// The largest width and height the demo can be drawn at in one WebGL context.
struct CanvasLimits {
    int32_t maxWidth = 0;
    int32_t maxHeight = 0;
};

// The smallest 4:3 canvas with no side below kMinCanvasSide: the glow's
// 128 x 128 blur target is a copy of the canvas's lower-left corner.
constexpr CanvasSize kSmallestCanvasSize{4 * ((kMinCanvasSide + 2) / 3), 3 * ((kMinCanvasSide + 2) / 3)};

// The limits from the context's MAX_TEXTURE_SIZE, MAX_RENDERBUFFER_SIZE and
// MAX_VIEWPORT_DIMS, and kMaxCanvasSide. The full-size render target's
// texture has power-of-two sides, so a side may be no larger than the largest
// power of two the texture limit allows.
CanvasLimits canvasLimits(int32_t maxTextureSize, int32_t maxRenderbufferSize, int32_t maxViewportWidth,
                          int32_t maxViewportHeight);

// Both limits at once: the smaller side each way.
CanvasLimits tighterLimits(CanvasLimits a, CanvasLimits b);

// The largest 4:3 size (largestLayoutFit) that fits in the requested one and
// in the limits, so the layout space maps onto the pixels with one scale; at
// least kSmallestCanvasSize. {0, 0} when the limits do not even allow that.
CanvasSize fitCanvas(CanvasSize requested, CanvasLimits limits);
