#pragma once
// The fixed content of a run: the soundtrack and the three asset sets that
// every scene receives. Everything is loaded before the clock starts, on the
// thread that holds the window's GL context.
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "fx/RenderTarget.h"
#include "platform/CanvasSize.h"
#include "scenes/Scene.h"
#include "sound/SoundSystem.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>

// Ten textures, eight meshes and two render targets, in load order.
using TextureSet = std::array<Texture*, 10>;
using MeshSet = std::array<Mesh*, 8>;
using RenderTargetPair = std::array<RenderTarget*, 2>;

// The entries the scenes draw with; the others are loaded all the same.
enum TextureEntry : size_t {
    kBackgroundTexture = 0,
    kSphereTexture = 1,
    kPhotographTexture = 7,
    kShellTexture = 8,
    kGreetingsTexture = 9,
};
enum MeshEntry : size_t {
    kRippledSphereMesh = 5,
    kRestSphereMesh = 6,
    kShellMesh = 7,
};
enum TargetEntry : size_t {
    kScreenCopyTarget = 0,
    kBlurTarget = 1,
    // Made only for a canvas larger than the layout; not part of the pair.
    kLayoutCopyTarget = 2,
};

// The glow's blur target keeps this size at any canvas size, so that its blocks
// keep their share of the screen.
constexpr int kBlurTargetSide = 128;

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
// the two render targets, which mirror a canvas of the given pixel size; then,
// for a canvas larger than the layout, the glow's layout-size step.
void loadContent(ContentSteps& steps, CanvasSize canvas);

class Content final : public ContentSteps {
public:
    // Empty: filled step by step through ContentSteps.
    Content() = default;

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

    // What loading a file again did.
    enum class Reload { kNotUsed, kReloaded, kKeptOld };
    // Rehearsal, native builds only (ContentReload.cpp): loads path again into every
    // entry loaded from it, in place, so that the scenes draw the new one in the next
    // frame; the soundtrack resumes at seconds (paused if paused). A file that no
    // longer loads leaves the old one in place, and why says what was wrong.
    Reload reloadFile(const std::string& path, double seconds, bool paused, std::string& why);

    std::optional<SoundSystem> sound;
    TextureSet textures{};
    MeshSet meshes{};
    RenderTargetPair targets{};
    // The glow's layout-size step; null unless the canvas is larger than the layout.
    RenderTarget* layoutCopy = nullptr;

private:
    // The objects themselves; the sets point at them. They live as long as the
    // run, and their GL names go with the window's context.
    std::array<std::optional<Texture>, 10> loadedTextures;
    std::array<std::optional<Mesh>, 8> loadedMeshes;
    std::array<std::optional<RenderTarget>, 3> createdTargets;
    std::array<float, kSpectrumSize> silence{};

    bool reloadTexture(size_t index, const char* path, std::string& why);
    bool reloadMesh(size_t index, const char* path, std::string& why);
};

// Paths of the soundtrack and of the texture and mesh sets, in load order.
extern const char* const kSoundtrackPath;
extern const char* const kTexturePaths[10];
extern const char* const kMeshPaths[8];
