#pragma once
// The first scene: a rippling, sphere-mapped sphere under a wandering camera,
// shaken by the spectrum, a full-screen overlay that fades in over two seconds,
// then the glow with its multiplying pass. Holds no state; render needs the
// window's GL context current and runs on its thread.
#include "scenes/Scene.h"

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

class SphereScene : public Scene {
public:
    // Deforms mesh 5 from mesh 6 (skipped when either has no SubMesh or their
    // vertex counts differ), draws it with texture 1 sphere-mapped over a white
    // clear, lays texture 0 over the screen and ends with the glow. Leaves
    // colour white, blending off and the full viewport.
    void render(float t, const float* spectrum, TextureSet& textures, MeshSet& meshes,
                RenderTargetPair& targets) override;
};
