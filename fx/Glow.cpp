#include "fx/Glow.h"

#include "fx/RenderTarget.h"

void applyGlow(const RenderTarget& full, const RenderTarget& small, float blurWeight, GlowBlend blend) {
    full.copyScreen();
    full.downsampleInto(small);
    small.blur(3, 3, 1.0f, blurWeight);
    // blur leaves the small target's texture bound, so nearest lands on it.
    small.setNearest();
    full.drawFullScreen();
    if (blend == GlowBlend::multiplyThenAdd) {
        small.drawModulate(1.0f, 1.0f, 1.0f, 1.0f);
    }
    small.drawAdditive(1.0f, 1.0f, 1.0f, 1.0f);
    // The next frame's blur samples the small target with linear filtering.
    small.setLinear();
}
