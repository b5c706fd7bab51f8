#include "scenes/SceneSteps.h"

#include "assets/Mesh.h"
#include "fx/RenderTarget.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

void setScenePerspective() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.3333333333333333, 1.0, 1000.0);
}

void setWanderingCamera(float t, double eyeRadius) {
    const double time = t;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(std::sin(0.9 * time) * eyeRadius, std::cos(0.95 * time) * eyeRadius,
              std::sin(0.8 * time) * eyeRadius,
              std::sin(0.85 * time) * 30.0, std::cos(0.75 * time) * 30.0, 0.0,
              0.0, 1.0, 0.0);
}

void applyGlow(RenderTargetPair& targets, float blurWeight, GlowBlend blend) {
    RenderTarget& full = *targets[0];
    RenderTarget& small = *targets[1];
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

SubMesh* firstSubMesh(const Mesh* mesh) {
    if (mesh == nullptr || mesh->subMeshCount <= 0 || mesh->subMeshes == nullptr) {
        return nullptr;
    }
    return mesh->subMeshes[0].get();
}
