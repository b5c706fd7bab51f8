#pragma once
// The glow post-process every scene ends its frame with, on the full-size and
// the small render target. Needs the window's GL context current; keeps no state.
class RenderTarget;

// Whether the glow multiplies the screen by the blurred image before adding it.
enum class GlowBlend { addOnly, multiplyThenAdd };

// Copy the screen into full, shrink it into small, blur there (3 x radius 3,
// spacing 1, blurWeight), then draw the sharp frame and the blurred image back
// over the screen. Leaves blending and texturing off, colour white, the depth
// test on, the full viewport and small's texture bound with linear filtering.
void applyGlow(const RenderTarget& full, const RenderTarget& small, float blurWeight, GlowBlend blend);
