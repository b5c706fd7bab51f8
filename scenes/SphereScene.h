#pragma once
// The first scene: a rippling, sphere-mapped sphere under a wandering camera,
// shaken by the spectrum, a full-screen overlay that fades in over two seconds,
// then the glow with its multiplying pass. Holds no state; render needs the
// window's GL context current and runs on its thread.
#include "scenes/Scene.h"

class Mesh;
class Texture;
struct SubMesh;

// The ripple's three frequencies along the normal's axes and its amplitude.
struct RippleParameters {
    float fx, fy, fz, amp;
};

// The ripple parameters at time t (seconds).
RippleParameters rippleParameters(float t);

// Rewrites target's positions as rest's positions moved along rest's normals by
// the ripple at time t. Covers target's vertices but never more than rest has;
// reads rest only, touches nothing but target's positions, allocates nothing.
// A vertex whose rest normal is not a number (it has no face) keeps its rest
// position.
void rippleSphere(float t, const SubMesh& rest, SubMesh& target);

// What the sphere scene draws with. Two loads of one sphere file: the rippled
// one is rewritten every frame from the rest one, which keeps the file's shape.
struct SphereContent {
    Mesh* rippledSphere = nullptr;
    const Mesh* restSphere = nullptr;
    Texture* sphereTexture = nullptr;  // sphere-mapped onto the sphere
    Texture* background = nullptr;     // laid over the whole screen
};

class SphereScene : public Scene {
public:
    // The spectrum bins that shake the sphere along x, y and z, and how far a
    // full-scale bin moves it.
    static constexpr int kShakeBinX = 5;
    static constexpr int kShakeBinY = 3;
    static constexpr int kShakeBinZ = 4;
    static constexpr float kShakeDistance = 55.0f;

    SphereScene(const SphereContent& content, const GlowTargets& glow) : content(content), glow(glow) {}

    // Ripples the sphere from its rest shape (skipped when either has no SubMesh
    // or their vertex counts differ), draws it sphere-mapped over a white clear,
    // lays the background over the screen and ends with the glow. Leaves colour
    // white, blending off and the full viewport.
    void render(float t, const float* spectrum) override;

private:
    SphereContent content;
    GlowTargets glow;
};
