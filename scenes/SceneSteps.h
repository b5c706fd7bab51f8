#pragma once
// Drawing steps that more than one scene shares: the perspective projection,
// the wandering camera and the closing glow post-process. Free functions that
// need the window's GL context current; they keep no state.
#include "scenes/Scene.h"

struct SubMesh;

// Projection matrix = 45-degree perspective, aspect 4/3, depth range 1 to 1000;
// leaves the matrix mode at projection.
void setScenePerspective();

// Model-view = identity, then the camera that drifts around the origin at
// eyeRadius for time t; leaves the matrix mode at model-view.
void setWanderingCamera(float t, double eyeRadius);

// Whether the glow multiplies the screen by the blurred image before adding it.
enum class GlowBlend { addOnly, multiplyThenAdd };

// Copy, shrink, blur (3 x radius 3, spacing 1, blurWeight), then the sharp frame
// and the blurred image back over the screen. Leaves blending and texturing off,
// colour white, the depth test on, the full viewport and target 1 linear.
void applyGlow(RenderTargetPair& targets, float blurWeight, GlowBlend blend);

// The first SubMesh of mesh, or null when there is no mesh or it holds none
// (a file that was missing or damaged).
SubMesh* firstSubMesh(const Mesh* mesh);
