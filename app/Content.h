#pragma once
// The fixed content of a run: the soundtrack and the three asset sets that
// every scene receives. Everything is loaded at construction, before the clock
// starts, on the thread that holds the window's GL context.
#include "scenes/Scene.h"
#include "sound/SoundSystem.h"

#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "fx/RenderTarget.h"

#include <array>
#include <optional>

class Content {
public:
    // Creates, in this order: the sound system, the ten textures, the eight
    // meshes (entries 5 and 6 are two independent loads of one file) and the
    // two render targets.
    Content();

    // Starts the soundtrack; called right after the clock starts.
    void startMusic();
    // This iteration's spectrum: the sound system's, or 512 zeros when it has
    // none, so no scene ever reads through a null pointer.
    const float* currentSpectrum();
    // Releases the soundtrack and closes the sound output.
    void shutdownSound();

    SoundSystem sound;
    TextureSet textures{};
    MeshSet meshes{};
    RenderTargetPair targets{};

private:
    // The objects themselves; the sets point at them. They live as long as the
    // run, and their GL names go with the window's context.
    std::array<std::optional<Texture>, 10> loadedTextures;
    std::array<std::optional<Mesh>, 8> loadedMeshes;
    std::array<std::optional<RenderTarget>, 2> createdTargets;
    std::array<float, kSpectrumSize> silence{};
};

// Paths of the soundtrack and of the texture and mesh sets, in load order.
extern const char* const kSoundtrackPath;
extern const char* const kTexturePaths[10];
extern const char* const kMeshPaths[8];
