#include "scenes/PhotoScene.h"

#include "assets/Texture.h"
#include "fx/Glow.h"
#include "fx/RenderTarget.h"
#include "platform/CanvasSize.h"

#include <GL/gl.h>

void PhotoScene::render(float, const float* spectrum) {
    glow.screenCopy->useViewport();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The previous frame's glow left the colour white, so the photo is opaque.
    content.photograph->drawOverlay(0, 0, kLayoutWidth, kLayoutHeight, true);
    const float blurWeight = static_cast<float>(spectrum[kBassBin] * 0.15 + 1.1);
    applyGlow(glow, blurWeight, GlowBlend::addOnly);
}
