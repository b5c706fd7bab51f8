#pragma once
// The second scene: one photograph over the whole screen with a glow that
// pulses with the bass. Holds no state; render needs the window's GL context
// current and runs on its thread.
#include "scenes/Scene.h"

class Texture;

// What the photo scene draws with.
struct PhotoContent {
    Texture* photograph = nullptr;
};

class PhotoScene : public Scene {
public:
    // The spectrum bin whose level weighs the glow's blur.
    static constexpr int kBassBin = 0;

    PhotoScene(const PhotoContent& content, const GlowTargets& glow) : content(content), glow(glow) {}

    // Clears to black, lays the photograph over the screen and adds its glow,
    // blurred with weight bass x 0.15 + 1.1. Ignores t. Leaves colour white,
    // blending off and the full viewport.
    void render(float t, const float* spectrum) override;

private:
    PhotoContent content;
    GlowTargets glow;
};
