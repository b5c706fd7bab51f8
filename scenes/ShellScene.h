#pragma once
// The third scene: a textured shell mesh under a wandering camera on black,
// a square greetings overlay in the lower-left corner, and a glow that follows
// the bass. Holds no state; render needs the window's GL context current and
// runs on its thread.
#include "scenes/Scene.h"

class Mesh;
class Texture;

// What the shell scene draws with.
struct ShellContent {
    Mesh* shell = nullptr;
    Texture* shellTexture = nullptr;  // on the shell's own texture coordinates
    Texture* greetings = nullptr;     // the 512 x 512 overlay
};

class ShellScene : public Scene {
public:
    // The spectrum bin whose level weighs the glow's blur.
    static constexpr int kBassBin = 0;

    ShellScene(const ShellContent& content, const GlowTargets& glow) : content(content), glow(glow) {}

    // Draws the shell with its texture (nothing when it holds no SubMesh), lays
    // the greetings over the lower-left 512 x 512 and adds the glow, blurred
    // with weight bass x 0.1 + 0.9. Leaves colour white, blending off and the
    // full viewport.
    void render(float t, const float* spectrum) override;

private:
    ShellContent content;
    GlowTargets glow;
};
