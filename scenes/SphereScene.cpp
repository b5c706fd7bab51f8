#include "scenes/SphereScene.h"

#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "fx/Glow.h"
#include "fx/RenderTarget.h"
#include "platform/CanvasSize.h"
#include "scenes/SceneCamera.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

// The frequencies' constants are 32-bit floats and the amplitude's are doubles;
// each product and sum is taken in double and only the result is narrowed, so
// that the shape at a given t is reproducible to the last bit.
RippleParameters rippleParameters(float t) {
    const double time = t;
    RippleParameters p;
    p.fx = static_cast<float>(std::sin(time) * double(4.0f) + double(5.0f));
    p.fy = static_cast<float>(std::sin(time * double(1.3f)) * double(4.0f) + double(5.0f));
    p.fz = static_cast<float>(std::sin(time * double(1.1f)) * double(4.0f) + double(5.0f));
    p.amp = static_cast<float>(std::sin(time * 1.4) * 30.0 + 35.0);
    return p;
}

void rippleSphere(float t, const SubMesh& rest, SubMesh& target) {
    const int32_t vertexCount = std::min(target.vertexCount, rest.vertexCount);
    if (vertexCount <= 0) {
        return;
    }
    const RippleParameters p = rippleParameters(t);
    const double time = t;
    const double fx = p.fx, fy = p.fy, fz = p.fz, amp = p.amp;
    const float* normal = rest.normals.get();
    const float* position = rest.positions.get();
    float* out = target.positions.get();
    for (int32_t i = 0; i < vertexCount; ++i, normal += 3, position += 3, out += 3) {
        const double nx = normal[0], ny = normal[1], nz = normal[2];
        // A vertex with no face (or only degenerate ones) has a not-a-number
        // rest normal; it stays put rather than spread NaN through the next
        // normal pass to the faces around it.
        if (!std::isfinite(nx) || !std::isfinite(ny) || !std::isfinite(nz)) {
            out[0] = position[0];
            out[1] = position[1];
            out[2] = position[2];
            continue;
        }
        const double k = std::sin(fx * nx + time) * std::sin(fy * ny + time) * std::sin(fz * nz + time);
        out[0] = static_cast<float>(k * nx * amp + position[0]);
        out[1] = static_cast<float>(k * ny * amp + position[1]);
        out[2] = static_cast<float>(k * nz * amp + position[2]);
    }
}

// The first SubMesh of mesh, or null when there is no mesh or it holds none
// (a file that was missing or damaged).
static SubMesh* firstSubMesh(const Mesh* mesh) {
    if (mesh == nullptr || mesh->subMeshCount <= 0 || mesh->subMeshes == nullptr) {
        return nullptr;
    }
    return mesh->subMeshes[0].get();
}

// Rebuilds the drawn sphere from the rest one and renormalises it, when the pair is intact.
static void deformSphere(float t, Mesh* drawn, const Mesh* rest) {
    SubMesh* target = firstSubMesh(drawn);
    const SubMesh* source = firstSubMesh(rest);
    // Both come from one file; a pair that differs was damaged on loading.
    if (target == nullptr || source == nullptr || target->vertexCount != source->vertexCount) {
        return;
    }
    rippleSphere(t, *source, *target);
    drawn->computeNormals();
}

void SphereScene::render(float t, const float* spectrum) {
    glow.screenCopy->useViewport();
    deformSphere(t, content.rippledSphere, content.restSphere);

    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setScenePerspective();
    setWanderingCamera(t, 150.0);
    glRotatef(t * 30.0f, 1.0f, 1.0f, 1.0f);
    // The alpha does not change the opaque sphere (blending is off) but fades
    // in the overlay drawn under the same colour.
    glColor4f(1.0f, 1.0f, 1.0f, static_cast<float>(t * 0.5));
    glTranslatef(spectrum[kShakeBinX] * kShakeDistance, spectrum[kShakeBinY] * kShakeDistance,
                 spectrum[kShakeBinZ] * kShakeDistance);

    content.sphereTexture->bind();
    enableSphereMap();
    if (content.rippledSphere != nullptr) {
        content.rippledSphere->draw();
    }
    disableSphereMap();
    content.sphereTexture->unbind();

    content.background->drawOverlay(0, 0, kLayoutWidth, kLayoutHeight, true);
    applyGlow(glow, 1.0f, GlowBlend::multiplyThenAdd);
}
