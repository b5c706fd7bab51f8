#pragma once
// The third scene: a textured shell mesh under a wandering camera on black,
// a square greetings overlay in the lower-left corner, and a glow that follows
// spectrum entry 0. Holds no state; render needs the window's GL context
// current and runs on its thread.
#include "scenes/Scene.h"

class ShellScene : public Scene {
public:
    // Draws mesh 7 with texture 8 (nothing when it holds no SubMesh), lays
    // texture 9 over the lower-left 512 x 512 and adds the glow, blurred with
    // weight s[0] x 0.1 + 0.9. Leaves colour white, blending off and the full
    // viewport.
    void render(float t, const float* spectrum, TextureSet& textures, MeshSet& meshes,
                RenderTargetPair& targets) override;
};
