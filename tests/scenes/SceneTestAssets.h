#pragma once
// Small inputs for the scene tests, written into a temporary folder and loaded
// through the real loaders: solid and framed PNG images, a two-tone JPEG and
// geodesic-sphere meshes. Needs the test GL context for the textures and targets.
#include "scenes/Scene.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assets/EbrWriter.h"

namespace scenetest {

struct Rgb {
    int r, g, b;
};

// Colours the fixture's images carry, so tests can predict pixels.
constexpr Rgb kFrameColour{102, 51, 204};   // texture 0: opaque outer quarter of each side
constexpr Rgb kSphereColour{0, 0, 255};     // texture 1
constexpr Rgb kPhotoTop{60, 40, 20};        // texture 7, upper half
constexpr Rgb kPhotoBottom{20, 40, 60};     // texture 7, lower half
constexpr Rgb kShellColour{0, 200, 0};      // texture 8
constexpr Rgb kGreetsColour{120, 100, 40};  // texture 9: opaque left half, clear right half

// A geodesic sphere of the given radius: 20 x 4^subdivisions triangles,
// counter-clockwise seen from outside.
EbrSubMesh geodesicSphere(float radius, int subdivisions);

// The process-wide textures and render targets (made once, never released, like
// the demo's) and a fresh MeshSet per instance: entries 5 and 6 are two loads of
// one sphere file, entry 7 a smaller sphere; the rest hold no SubMesh.
class SceneAssets {
public:
    SceneAssets();
    // Replaces mesh entry index by a load of a file holding these SubMeshes.
    void loadMesh(int index, const std::vector<EbrSubMesh>& subMeshes);

    TextureSet& textures;
    RenderTargetPair& targets;
    MeshSet meshes{};

private:
    std::array<std::shared_ptr<Mesh>, 8> ownedMeshes_;
};

// A spectrum of kSpectrumSize zeros with entry index set to value.
std::vector<float> spectrumWith(int index, float value);

// A uniform area after the glow's blur (3 passes along x, 3 along y) with this
// weight. Each of a pass's 7 taps lands in the 8-bit frame buffer rounded, and
// its blend factor weight / 7 is itself held in 8 bits, so a weight of 1 still
// darkens slightly while weights above 1 brighten.
Rgb blurredUniform(Rgb colour, float weight);

// a + b per channel, saturated like additive blending into the frame buffer.
Rgb added(Rgb a, Rgb b);

// a x b per channel with 8-bit rounding, like multiplying blending.
Rgb multiplied(Rgb a, Rgb b);

// The colour of pixel (x, y) of the back buffer.
Rgb pixelColour(int x, int y);

// Whether pixel (x, y) of the back buffer is within tolerance of colour, each channel.
::testing::AssertionResult pixelNear(int x, int y, Rgb colour, int tolerance);

// Number of pixels in the rectangle whose channels are within tolerance of colour.
int countPixelsNear(int x, int y, int width, int height, Rgb colour, int tolerance);

// Checks the state every scene must hand to the next frame: colour white,
// blending off, the full 800 x 600 viewport.
void expectHandOverState();

}  // namespace scenetest
