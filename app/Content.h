#pragma once
// The fixed content of a run: the soundtrack and the three asset sets that
// every scene receives. Everything is loaded before the clock starts, on the
// thread that holds the window's GL context.
#include "scenes/Scene.h"
#include "sound/SoundSystem.h"

#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "fx/RenderTarget.h"

#include <array>
#include <cstddef>
#include <optional>

// The loading steps of the content, one call per object, so that the order
// can be followed step by step.
class ContentSteps {
public:
    virtual ~ContentSteps() = default;
    // Opens the sound system on the soundtrack (format detection, start, load).
    virtual void openSound(const char* path) = 0;
    virtual void loadTexture(size_t index, const char* path) = 0;
    virtual void loadMesh(size_t index, const char* path) = 0;
    // A target mirroring the lower-left width x height pixels of a
    // screenWidth x screenHeight frame.
    virtual void createTarget(size_t index, int width, int height, int screenWidth, int screenHeight) = 0;
};

// Loads the content in its fixed order: the sound system, the ten textures,
// the eight meshes (entries 5 and 6 are two independent loads of one file) and
// the two render targets.
void loadContent(ContentSteps& steps);

class Content final : public ContentSteps {
public:
    // Tag for a content that is filled step by step through ContentSteps.
    struct Empty {};

    // Loads everything, as loadContent orders it.
    Content();
    explicit Content(Empty) {}

    void openSound(const char* path) override;
    void loadTexture(size_t index, const char* path) override;
    void loadMesh(size_t index, const char* path) override;
    void createTarget(size_t index, int width, int height, int screenWidth, int screenHeight) override;

    // Starts the soundtrack; called right after the clock starts.
    void startMusic();
    // This iteration's spectrum: the sound system's, or 512 zeros when it has
    // none, so no scene ever reads through a null pointer.
    const float* currentSpectrum();
    // Releases the soundtrack and closes the sound output.
    void shutdownSound();

    std::optional<SoundSystem> sound;
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
