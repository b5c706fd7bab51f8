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

// A canvas larger than the layout, shrunk straight to 128 x 128, would give
// the blur one bilinear sample of finer detail per texel, and its blocks,
// stretched with nearest filtering, would break on other pixels than at the
// layout size. Both steps go through the layout size instead; the frame being
// drawn is the scratch surface, as for the shrink itself, and the sharp frame
// is put back from the full copy afterwards.
static void applyGlowThroughLayout(const RenderTarget& full, const RenderTarget& layout,
                                   const RenderTarget& small, float blurWeight, GlowBlend blend) {
    full.copyScreen();
    full.downsampleInto(layout);
    layout.downsampleInto(small);
    small.blur(3, 3, 1.0f, blurWeight);
    small.setNearest();
    // The blocks as a layout-size canvas shows them, then stretched without
    // blending between them: whole multiples of the layout repeat each pixel.
    small.downsampleInto(layout);
    layout.setNearest();
    full.drawFullScreen();
    if (blend == GlowBlend::multiplyThenAdd) {
        layout.drawModulate(1.0f, 1.0f, 1.0f, 1.0f);
    }
    layout.drawAdditive(1.0f, 1.0f, 1.0f, 1.0f);
    // The next frame shrinks the layout copy with linear filtering; the small
    // target's setLinear comes last, so its texture is the one left bound.
    layout.setLinear();
    small.setLinear();
}

void applyGlow(const GlowTargets& targets, float blurWeight, GlowBlend blend) {
    if (targets.layoutCopy == nullptr) {
        applyGlow(*targets.screenCopy, *targets.blurTarget, blurWeight, blend);
        return;
    }
    applyGlowThroughLayout(*targets.screenCopy, *targets.layoutCopy, *targets.blurTarget, blurWeight, blend);
}
