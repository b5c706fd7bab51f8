#pragma once
// The glow post-process every scene ends its frame with, on the full-size and
// the small render target. Needs the window's GL context current; keeps no state.
class RenderTarget;

// Whether the glow multiplies the screen by the blurred image before adding it.
enum class GlowBlend { addOnly, multiplyThenAdd };

// The glow's render targets: a full-size copy of the canvas, the small texture
// the copy is shrunk and blurred in, and, only for a canvas larger than the
// layout, a layout-size step between the two (null otherwise).
struct GlowTargets {
    RenderTarget* screenCopy = nullptr;
    RenderTarget* blurTarget = nullptr;
    RenderTarget* layoutCopy = nullptr;
};

// Copy the screen into full, shrink it into small, blur there (3 x radius 3,
// spacing 1, blurWeight), then draw the sharp frame and the blurred image back
// over the screen. Leaves blending and texturing off, colour white, the depth
// test on, the full viewport and small's texture bound with linear filtering.
void applyGlow(const RenderTarget& full, const RenderTarget& small, float blurWeight, GlowBlend blend);

// applyGlow through the layout-size step when the targets have one: the frame
// is first shrunk to the layout size and the blurred image is drawn back at the
// layout size before it is stretched over the canvas, so the glow's input and
// its blocks are those of a layout-size canvas at any pixel size. Leaves the
// same state as applyGlow.
void applyGlow(const GlowTargets& targets, float blurWeight, GlowBlend blend);
