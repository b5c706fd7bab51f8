#pragma once
// Inputs and read-back checks for the scene tests: textures of known colours
// built straight into GL (the loaders have their own tests), sphere meshes
// written to .ebr files and loaded through Mesh, and a model of the glow on a
// uniform area. Needs the test GL context.
#include "app/Content.h"
#include "assets/EbrWriter.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "fx/RenderTarget.h"
#include "scenes/PhotoScene.h"
#include "scenes/Scene.h"
#include "scenes/ShellScene.h"
#include "scenes/SphereScene.h"
#include "tests/support/GLTestContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace scenetest {

using Rgb = std::array<int, 3>;

constexpr Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0};
constexpr Rgb kFrameColour{102, 51, 204};   // texture 0: opaque outer quarter of each side, clear inside
constexpr Rgb kSphereColour{0, 0, 255};     // texture 1
constexpr Rgb kPhotoTop{60, 40, 20};        // texture 7, upper half
constexpr Rgb kPhotoBottom{20, 40, 60};     // texture 7, lower half
constexpr Rgb kShellColour{0, 200, 0};      // texture 8
constexpr Rgb kGreetsColour{120, 100, 40};  // texture 9: opaque left half, clear right half

// A size x size RGBA texture; texel(x, row) gives the colour and whether it is
// opaque, row 0 being the image's top as the loaders store it.
inline Texture* makeTexture(int size, const std::function<std::pair<Rgb, bool>(int x, int row)>& texel) {
    auto* texture = new Texture("no-such-file.png");  // a PNG that fails leaves no texture
    std::vector<uint8_t> bytes;
    for (int row = 0; row < size; ++row) {
        for (int x = 0; x < size; ++x) {
            const auto [rgb, opaque] = texel(x, row);
            bytes.insert(bytes.end(), {uint8_t(rgb[0]), uint8_t(rgb[1]), uint8_t(rgb[2]), uint8_t(opaque ? 255 : 0)});
        }
    }
    glGenTextures(1, &texture->textureName);
    glBindTexture(GL_TEXTURE_2D, texture->textureName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    return texture;
}

// A latitude-longitude sphere without its polar caps (so every vertex has a
// whole face), counter-clockwise seen from outside.
inline EbrSubMesh sphere(float radius, int rings) {
    EbrSubMesh mesh;
    const int segments = 2 * rings;
    for (int i = 0; i <= rings; ++i) {
        for (int j = 0; j <= segments; ++j) {
            const double theta = M_PI * (i + 1) / (rings + 2), phi = 2 * M_PI * j / segments;
            for (double v : {std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)}) {
                mesh.positions.push_back(float(radius * v));
            }
            mesh.texCoords.insert(mesh.texCoords.end(), {float(j) / segments, float(i) / rings});
        }
    }
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < segments; ++j) {
            const int a = i * (segments + 1) + j, b = a + segments + 1;
            mesh.faces.insert(mesh.faces.end(), {a, a + 1, b, a + 1, b + 1, b});
        }
    }
    return mesh;
}

// Names a scene to draw; the fixture builds it on its current sets at each
// render, so a test may swap an entry between frames.
template <class S>
struct SceneOf {};

// The textures and render targets, made once per process like the demo's, and a
// fresh MeshSet: entries 5 and 6 two loads of one sphere file, 7 a smaller
// sphere, the rest holding no SubMesh. Starts from the fresh window's state.
class SceneTest : public ::testing::Test {
protected:
    SceneTest() : textures(shared().first), targets(shared().second) {
        testgl::resetState();
        for (int i = 0; i < 8; ++i) loadMesh(i, {});
        for (int i : {5, 6}) loadMesh(i, {sphere(40, 16)});
        loadMesh(7, {sphere(40, 6)});
    }

    // Replaces mesh entry index by a load of a file holding these SubMeshes.
    void loadMesh(int index, const std::vector<EbrSubMesh>& subMeshes) {
        const std::string path = ::testing::TempDir() + "morvel-scene-mesh-" + std::to_string(getpid()) + ".ebr";
        ASSERT_TRUE(writeEbr(path.c_str(), subMeshes)) << path;
        owned[index] = std::make_unique<Mesh>(path.c_str());
        std::remove(path.c_str());
        meshes[index] = owned[index].get();
    }

    // Renders one frame with spectrum entry `entry` set to value, the rest zero.
    template <class S>
    void render(SceneOf<S> which, float t, int entry = 0, float value = 0) {
        std::vector<float> spectrum(kSpectrumSize, 0.0f);
        spectrum[entry] = value;
        render(which, t, spectrum.data());
    }
    template <class S>
    void render(SceneOf<S>, float t, const float* spectrum) {
        S scene(contentOf(SceneOf<S>{}), GlowTargets{targets[kScreenCopyTarget], targets[kBlurTarget]});
        scene.render(t, spectrum);
    }

    // Each scene's content, bound from the sets as the demo's program binds it.
    SphereContent contentOf(SceneOf<SphereScene>) {
        return {meshes[kRippledSphereMesh], meshes[kRestSphereMesh], textures[kSphereTexture],
                textures[kBackgroundTexture]};
    }
    PhotoContent contentOf(SceneOf<PhotoScene>) { return {textures[kPhotographTexture]}; }
    ShellContent contentOf(SceneOf<ShellScene>) {
        return {meshes[kShellMesh], textures[kShellTexture], textures[kGreetingsTexture]};
    }

    // What every scene hands to the next frame: colour white, blending off, the
    // full viewport, and the glow's small target filtering linearly again.
    void expectHandOverState() {
        std::array<float, 4> colour{};
        std::array<int, 4> viewport{};
        int filter = 0;
        glGetFloatv(GL_CURRENT_COLOR, colour.data());
        glGetIntegerv(GL_VIEWPORT, viewport.data());
        glBindTexture(GL_TEXTURE_2D, targets[1]->textureName);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
        EXPECT_EQ(colour, (std::array<float, 4>{1, 1, 1, 1}));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_EQ(viewport, (std::array<int, 4>{0, 0, 800, 600}));
        EXPECT_EQ(filter, GL_LINEAR);
    }

    TextureSet& textures;
    RenderTargetPair& targets;
    MeshSet meshes{};

private:
    using Shared = std::pair<TextureSet, RenderTargetPair>;  // the textures, the render targets
    static Shared& shared() {
        static Shared* made = [] {
            testgl::ensureContext();
            auto solid = [](Rgb c) { return [c](int, int) { return std::make_pair(c, true); }; };
            auto* s = new Shared;
            s->first[0] = makeTexture(64, [](int x, int y) { return std::make_pair(kFrameColour, x % 48 < 16 || y % 48 < 16); });
            s->first[1] = makeTexture(8, solid(kSphereColour));
            s->first[7] = makeTexture(256, [](int, int row) { return std::make_pair(row < 128 ? kPhotoTop : kPhotoBottom, true); });
            s->first[8] = makeTexture(8, solid(kShellColour));
            s->first[9] = makeTexture(64, [](int x, int) { return std::make_pair(kGreetsColour, x < 32); });
            s->second = {new RenderTarget(800, 600, 800, 600), new RenderTarget(128, 128, 800, 600)};
            return s;
        }();
        return *made;
    }
    std::array<std::unique_ptr<Mesh>, 8> owned;
};

// The fixture with one scene of type S to render.
template <class S>
class SceneFrames : public SceneTest {
protected:
    SceneOf<S> scene;
};

// A uniform area after the glow's blur (3 passes along x, 3 along y, 7 taps)
// with this weight: each tap lands in the 8-bit frame buffer rounded and its
// factor weight / 7 is itself held in 8 bits, so weight 1 still darkens slightly.
inline Rgb blurredUniform(Rgb colour, float weight) {
    const long tapAlpha = std::lround(weight / 7.0f * 255.0f);
    for (int& value : colour) {
        for (int pass = 0; pass < 6; ++pass) value = std::min(255, 7 * int(std::lround(value * tapAlpha / 255.0)));
    }
    return colour;
}

// a + b saturated like additive blending, and a x b rounded like multiplying blending.
inline Rgb added(Rgb a, Rgb b) {
    for (int c = 0; c < 3; ++c) a[c] = std::min(255, a[c] + b[c]);
    return a;
}
inline Rgb multiplied(Rgb a, Rgb b) {
    for (int c = 0; c < 3; ++c) a[c] = int(std::lround(a[c] * b[c] / 255.0));
    return a;
}

// Whether the RGB bytes at rgb are within tolerance of colour in every channel.
inline bool near(const uint8_t* rgb, Rgb colour, int tolerance) {
    return std::abs(rgb[0] - colour[0]) <= tolerance && std::abs(rgb[1] - colour[1]) <= tolerance &&
           std::abs(rgb[2] - colour[2]) <= tolerance;
}

inline ::testing::AssertionResult pixelNear(int x, int y, Rgb colour, int tolerance) {
    const std::vector<uint8_t> got = testgl::readPixels(x, y, 1, 1);
    if (near(got.data(), colour, tolerance)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << ::testing::PrintToString(Rgb{got[0], got[1], got[2]})
                                         << ", want " << ::testing::PrintToString(colour) << " within " << tolerance;
}

// Number of pixels in the rectangle within tolerance of colour.
inline int countPixelsNear(int x, int y, int width, int height, Rgb colour, int tolerance) {
    const std::vector<uint8_t> pixels = testgl::readPixels(x, y, width, height);
    int count = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) count += near(&pixels[i], colour, tolerance);
    return count;
}

}  // namespace scenetest
