#pragma once
// What every scene receives: the fixed asset sets, filled once at start-up and
// addressed by index, and the one operation a scene offers.
#include "sound/SoundFormat.h"

#include <array>

class Texture;
class Mesh;
class RenderTarget;

// Ten textures, eight meshes and two render targets, in load order.
using TextureSet = std::array<Texture*, 10>;
using MeshSet = std::array<Mesh*, 8>;
using RenderTargetPair = std::array<RenderTarget*, 2>;

// Number of entries a spectrum always has: the sound layer's bin count.
constexpr int kSpectrumSize = kSpectrumBinCount;

// A timed scene. Scenes hold no state between frames.
class Scene {
public:
    virtual ~Scene() = default;
    // Draws one frame for time t (seconds) into the back buffer without
    // presenting it. spectrum has kSpectrumSize entries and is never null.
    virtual void render(float t, const float* spectrum, TextureSet& textures, MeshSet& meshes,
                        RenderTargetPair& targets) = 0;
};
