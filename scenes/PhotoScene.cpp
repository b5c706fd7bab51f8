#include "scenes/PhotoScene.h"

#include "assets/Texture.h"
#include "fx/Glow.h"
#include "fx/RenderTarget.h"
#include "platform/CanvasSize.h"

#include <GL/gl.h>

void PhotoScene::render(float, const float* spectrum, TextureSet& textures, MeshSet&,
                        RenderTargetPair& targets) {
    targets[0]->useViewport();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The previous frame's glow left the colour white, so the photo is opaque.
    textures[7]->drawOverlay(0, 0, kCanvasWidth, kCanvasHeight, true);
    const float blurWeight = static_cast<float>(spectrum[0] * 0.15 + 1.1);
    applyGlow(*targets[0], *targets[1], blurWeight, GlowBlend::addOnly);
}
