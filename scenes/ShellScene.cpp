#include "scenes/ShellScene.h"

#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "fx/Glow.h"
#include "fx/RenderTarget.h"
#include "scenes/SceneCamera.h"

#include <GL/gl.h>

void ShellScene::render(float t, const float* spectrum) {
    glow.screenCopy->useViewport();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setScenePerspective();
    setWanderingCamera(t, 250.0);

    // No sphere mapping: the shell shows its own texture coordinates, under the
    // white colour the previous frame's glow left.
    content.shellTexture->bind();
    if (content.shell != nullptr) {
        content.shell->draw();
    }
    content.shellTexture->unbind();

    // Drawn before the capture, so the greetings glow with the shell.
    content.greetings->drawOverlay(0, 0, 512, 512, true);
    const float blurWeight = static_cast<float>(spectrum[kBassBin] * 0.1 + 0.9);
    applyGlow(glow, blurWeight, GlowBlend::addOnly);
}
