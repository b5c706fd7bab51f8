#pragma once
// The second scene: one photograph over the whole screen with a glow that
// pulses with spectrum entry 0. Holds no state; render needs the window's GL
// context current and runs on its thread.
#include "scenes/Scene.h"

class PhotoScene : public Scene {
public:
    // Clears to black, lays texture 7 over the screen and adds its glow, blurred
    // with weight s[0] x 0.15 + 1.1. Ignores t and the meshes. Leaves colour
    // white, blending off and the full viewport.
    void render(float t, const float* spectrum, TextureSet& textures, MeshSet& meshes,
                RenderTargetPair& targets) override;
};
