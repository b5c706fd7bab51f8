#pragma once
// What every scene offers: one frame at a time t, drawn from the spectrum and
// from the content it was bound to when the program was made.
#include "fx/Glow.h"
#include "sound/SoundFormat.h"

// Number of entries a spectrum always has: the sound layer's bin count.
constexpr int kSpectrumSize = kSpectrumBinCount;

// A timed scene. Scenes hold no state between frames.
class Scene {
public:
    virtual ~Scene() = default;
    // Draws one frame for time t (seconds) into the back buffer without
    // presenting it. spectrum has kSpectrumSize entries and is never null.
    virtual void render(float t, const float* spectrum) = 0;
};
