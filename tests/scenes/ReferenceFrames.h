#pragma once
// Whole frames of each scene against references committed under
// tests/scenes/references/, made by the scene tests (MORVEL_WRITE_REFERENCES=1)
// and looked at before they were committed. Per-call checks miss small faults that
// a whole frame shows: an overlay a pixel off, a camera a degree off, a slow
// rotation, a swapped spectrum bin, a glow pass with another filter or blend.
// The content is patterned so that each of those moves pixels: a checkered
// sphere map and shell, striped overlays, a photograph with edges.
//
// On the renderer the references were made with (renderer.txt) frames must be
// identical to the byte; elsewhere rounding may differ, so each channel may be
// off by kOtherDriverLevels in at most kOtherDriverShare of the values.
#include "tests/scenes/SceneTest.h"

#include <png.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace scenetest {

inline const std::string kReferenceFolder = "tests/scenes/references/";
constexpr int kOtherDriverLevels = 3;
constexpr double kOtherDriverShare = 0.001;

// RGB rows, top row first, as a PNG stores them.
struct Frame {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

inline Frame readBackFrame() {
    const std::vector<uint8_t> rgba = testgl::readPixels(0, 0, 800, 600);
    Frame frame{800, 600, std::vector<uint8_t>(800 * 600 * 3)};
    for (int row = 0; row < 600; ++row) {
        const uint8_t* from = &rgba[size_t(599 - row) * 800 * 4];
        uint8_t* to = &frame.rgb[size_t(row) * 800 * 3];
        for (int x = 0; x < 800; ++x) {
            std::memcpy(to + 3 * x, from + 4 * x, 3);
        }
    }
    return frame;
}

inline bool writePng(const std::string& path, const Frame& frame) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = frame.width;
    image.height = frame.height;
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, frame.rgb.data(), 0, nullptr) != 0;
}

inline bool readPng(const std::string& path, Frame& frame) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    frame.width = image.width;
    frame.height = image.height;
    frame.rgb.assign(PNG_IMAGE_SIZE(image), 0);
    return png_image_finish_read(&image, nullptr, frame.rgb.data(), 0, nullptr) != 0;
}

inline std::string renderer() {
    return std::string(reinterpret_cast<const char*>(glGetString(GL_RENDERER))) + " | " +
           reinterpret_cast<const char*>(glGetString(GL_VERSION));
}

inline std::string referenceRenderer() {
    std::ifstream in(kReferenceFolder + "renderer.txt");
    std::string line;
    std::getline(in, line);
    return line;
}

inline bool writingReferences() {
    const char* write = std::getenv("MORVEL_WRITE_REFERENCES");
    return write != nullptr && std::strcmp(write, "1") == 0;
}

// How far got is from want: values off at all, off by more than the other
// drivers' allowance, and the largest difference.
struct Difference {
    long offValues = 0, farValues = 0;
    int largest = 0;
};

inline Difference compare(const Frame& got, const Frame& want) {
    Difference d;
    for (size_t i = 0; i < got.rgb.size(); ++i) {
        const int off = std::abs(int(got.rgb[i]) - int(want.rgb[i]));
        d.offValues += off > 0;
        d.farValues += off > kOtherDriverLevels;
        d.largest = std::max(d.largest, off);
    }
    return d;
}

// The reference fixture: the scene tests' meshes, with patterned textures of
// its own in place of the flat ones.
class ReferenceFrames : public SceneTest {
protected:
    ReferenceFrames() {
        static const TextureSet patterned = [] {
            TextureSet set{};
            // Opaque bars with a colour ramp along them, clear between.
            set[kBackgroundTexture] = makeTexture(64, [](int x, int row) {
                return std::make_pair(Rgb{200, 4 * x, 4 * row}, x % 24 < 6 || row % 20 < 5);
            });
            set[kSphereTexture] = makeTexture(64, [](int x, int row) {
                const bool dark = (x / 8 + row / 8) % 2 == 0;
                return std::make_pair(dark ? Rgb{20, 40, 160} : Rgb{240, 220, 60}, true);
            });
            set[kPhotographTexture] = makeTexture(256, [](int x, int row) {
                const bool stripe = (x / 16) % 3 == 0 || (row / 32) % 4 == 1;
                return std::make_pair(stripe ? Rgb{120, 120, 120} : Rgb{x / 4, row / 4, 50}, true);
            });
            set[kShellTexture] = makeTexture(16, [](int x, int row) {
                return std::make_pair((x / 2 + row / 2) % 2 == 0 ? Rgb{0, 200, 0} : Rgb{160, 30, 90}, true);
            });
            set[kGreetingsTexture] = makeTexture(64, [](int x, int row) {
                return std::make_pair(Rgb{255, 180, 60}, (x / 4) % 2 == 0 && row % 16 < 10);
            });
            return set;
        }();
        for (size_t i : {kBackgroundTexture, kSphereTexture, kPhotographTexture, kShellTexture, kGreetingsTexture}) {
            textures[i] = patterned[i];
        }
    }
    ~ReferenceFrames() override {
        // The other scene tests rely on their flat colours.
        textures = original;
    }

    // Draws scene S at t with the given spectrum bins set, then checks the frame
    // against the reference of that name (or writes it).
    template <class S>
    void expectFrame(const std::string& name, float t, const std::vector<std::pair<int, float>>& bins) {
        render(SceneOf<S>{}, t, spectrumWith(bins).data());
        expectHandOverState();
        expectReference(name);
    }

    // A silent spectrum but for the given bins.
    static std::vector<float> spectrumWith(const std::vector<std::pair<int, float>>& bins) {
        std::vector<float> spectrum(kSpectrumSize, 0.0f);
        for (const auto& [bin, level] : bins) {
            spectrum[bin] = level;
        }
        return spectrum;
    }

    // Checks the frame on screen against the reference of that name (or writes it).
    void expectReference(const std::string& name) {
        const Frame got = readBackFrame();
        const std::string path = kReferenceFolder + name + ".png";
        if (writingReferences()) {
            ASSERT_TRUE(writePng(path, got)) << path;
            std::ofstream(kReferenceFolder + "renderer.txt") << renderer() << "\n";
            return;
        }
        Frame want;
        ASSERT_TRUE(readPng(path, want)) << "cannot read " << path;
        ASSERT_EQ(want.width, got.width);
        ASSERT_EQ(want.height, got.height);
        const Difference d = compare(got, want);
        const std::string failed = ::testing::TempDir() + "morvel-" + name + "-got.png";
        const bool sameRenderer = renderer() == referenceRenderer();
        if (sameRenderer) {
            EXPECT_EQ(d.offValues, 0) << name << ": largest difference " << d.largest << "; frame written to "
                                      << (writePng(failed, got) ? failed : "(nowhere)");
        } else {
            EXPECT_LE(d.farValues, long(kOtherDriverShare * got.rgb.size()))
                << name << " on " << renderer() << ": largest difference " << d.largest << "; frame written to "
                << (writePng(failed, got) ? failed : "(nowhere)");
        }
    }

private:
    TextureSet original = textures;
};

}  // namespace scenetest
