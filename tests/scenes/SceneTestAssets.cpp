#include "tests/scenes/SceneTestAssets.h"

#include "assets/EbrWriter.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "fx/RenderTarget.h"
#include "tests/support/GLTestContext.h"

#include <GL/gl.h>
#include <jpeglib.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <utility>

namespace scenetest {
namespace {

using PixelFn = std::function<std::array<uint8_t, 4>(int x, int y)>;

std::string tempFolder() {
    static std::string folder = [] {
        char pattern[] = "/tmp/morvel-scenes-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made != nullptr ? made : "/tmp");
    }();
    return folder;
}

// An 8-bit RGBA PNG; row 0 of pixel() is the image's top row.
void writePng(const std::string& path, int width, int height, const PixelFn& pixel) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::array<uint8_t, 4> p = pixel(x, y);
            std::copy(p.begin(), p.end(), row.begin() + 4 * x);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

// A colour JPEG at the best quality; row 0 of pixel() is the image's top row.
void writeJpeg(const std::string& path, int width, int height, const PixelFn& pixel) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < width; ++x) {
            std::array<uint8_t, 4> p = pixel(x, static_cast<int>(info.next_scanline));
            std::copy(p.begin(), p.begin() + 3, row.begin() + 3 * x);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}

std::array<uint8_t, 4> opaque(Rgb c) {
    return {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b), 255};
}

constexpr std::array<uint8_t, 4> kClear{0, 0, 0, 0};

Texture* loadTexture(const std::string& name, int width, int height, const PixelFn& pixel) {
    std::string path = tempFolder() + "/" + name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0) {
        writeJpeg(path, width, height, pixel);
    } else {
        writePng(path, width, height, pixel);
    }
    return new Texture(path.c_str());
}

// Made once per process: textures and targets live as long as the context.
struct SharedGl {
    TextureSet textures{};
    RenderTargetPair targets{};

    SharedGl() {
        testgl::ensureContext();
        auto solid = [](Rgb c) { return [c](int, int) { return opaque(c); }; };
        textures[0] = loadTexture("frame.png", 64, 64, [](int x, int y) {
            bool border = x < 16 || x >= 48 || y < 16 || y >= 48;
            return border ? opaque(kFrameColour) : kClear;
        });
        textures[1] = loadTexture("blue.png", 8, 8, solid(kSphereColour));
        for (int i = 2; i < 7; ++i) {
            textures[i] = loadTexture("unused" + std::to_string(i) + ".png", 4, 4, solid({255, 0, 255}));
        }
        textures[7] = loadTexture("photo.jpg", 256, 256,
                                  [](int, int y) { return opaque(y < 128 ? kPhotoTop : kPhotoBottom); });
        textures[8] = loadTexture("green.png", 8, 8, solid(kShellColour));
        textures[9] = loadTexture("greets.png", 64, 64,
                                  [](int x, int) { return x < 32 ? opaque(kGreetsColour) : kClear; });
        targets[0] = new RenderTarget(800, 600, 800, 600);
        targets[1] = new RenderTarget(128, 128, 800, 600);
    }
};

SharedGl& sharedGl() {
    static SharedGl* shared = new SharedGl();
    return *shared;
}

int midpoint(std::vector<float>& positions, std::map<std::pair<int, int>, int>& cache, int a, int b) {
    auto key = std::make_pair(std::min(a, b), std::max(a, b));
    auto found = cache.find(key);
    if (found != cache.end()) {
        return found->second;
    }
    float m[3];
    for (int c = 0; c < 3; ++c) {
        m[c] = (positions[3 * a + c] + positions[3 * b + c]) * 0.5f;
    }
    float length = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
    for (float v : m) {
        positions.push_back(v / length);
    }
    int index = static_cast<int>(positions.size() / 3) - 1;
    cache[key] = index;
    return index;
}

}  // namespace

EbrSubMesh geodesicSphere(float radius, int subdivisions) {
    const float g = (1.0f + std::sqrt(5.0f)) / 2.0f;
    const float s = 1.0f / std::sqrt(1.0f + g * g);
    EbrSubMesh mesh;
    mesh.name = "sphere";
    mesh.positions = {-s, g * s, 0, s, g * s, 0, -s, -g * s, 0, s, -g * s, 0,
                      0, -s, g * s, 0, s, g * s, 0, -s, -g * s, 0, s, -g * s,
                      g * s, 0, -s, g * s, 0, s, -g * s, 0, -s, -g * s, 0, s};
    mesh.faces = {0, 11, 5, 0, 5, 1, 0, 1, 7, 0, 7, 10, 0, 10, 11, 1, 5, 9, 5, 11, 4, 11, 10, 2, 10, 7, 6,
                  7, 1, 8, 3, 9, 4, 3, 4, 2, 3, 2, 6, 3, 6, 8, 3, 8, 9, 4, 9, 5, 2, 4, 11, 6, 2, 10,
                  8, 6, 7, 9, 8, 1};
    for (int level = 0; level < subdivisions; ++level) {
        std::map<std::pair<int, int>, int> cache;
        std::vector<int32_t> faces;
        for (size_t f = 0; f < mesh.faces.size(); f += 3) {
            int a = mesh.faces[f], b = mesh.faces[f + 1], c = mesh.faces[f + 2];
            int ab = midpoint(mesh.positions, cache, a, b);
            int bc = midpoint(mesh.positions, cache, b, c);
            int ca = midpoint(mesh.positions, cache, c, a);
            faces.insert(faces.end(), {a, ab, ca, b, bc, ab, c, ca, bc, ab, bc, ca});
        }
        mesh.faces = std::move(faces);
    }
    for (size_t i = 0; i < mesh.positions.size(); i += 3) {
        mesh.texCoords.push_back(std::atan2(mesh.positions[i + 2], mesh.positions[i]) * 0.159f + 0.5f);
        mesh.texCoords.push_back(mesh.positions[i + 1] * 0.5f + 0.5f);
    }
    for (float& v : mesh.positions) {
        v *= radius;
    }
    return mesh;
}

SceneAssets::SceneAssets() : textures(sharedGl().textures), targets(sharedGl().targets) {
    testgl::resetState();
    for (int i = 0; i < 8; ++i) {
        loadMesh(i, {});
    }
    EbrSubMesh sphere = geodesicSphere(40.0f, 3);
    loadMesh(5, {sphere});
    loadMesh(6, {sphere});
    loadMesh(7, {geodesicSphere(40.0f, 1)});
}

void SceneAssets::loadMesh(int index, const std::vector<EbrSubMesh>& subMeshes) {
    std::string path = tempFolder() + "/mesh" + std::to_string(index) + ".ebr";
    ASSERT_TRUE(writeEbr(path.c_str(), subMeshes)) << path;
    ownedMeshes_[index] = std::make_shared<Mesh>(path.c_str());
    meshes[index] = ownedMeshes_[index].get();
}

std::vector<float> spectrumWith(int index, float value) {
    std::vector<float> spectrum(kSpectrumSize, 0.0f);
    spectrum[index] = value;
    return spectrum;
}

Rgb blurredUniform(Rgb colour, float weight) {
    const long tapAlpha = std::lround(weight / 7.0f * 255.0f);
    auto blurChannel = [tapAlpha](int value) {
        for (int pass = 0; pass < 6; ++pass) {
            value = std::min(255, 7 * static_cast<int>(std::lround(value * tapAlpha / 255.0)));
        }
        return value;
    };
    return {blurChannel(colour.r), blurChannel(colour.g), blurChannel(colour.b)};
}

Rgb added(Rgb a, Rgb b) {
    return {std::min(255, a.r + b.r), std::min(255, a.g + b.g), std::min(255, a.b + b.b)};
}

Rgb multiplied(Rgb a, Rgb b) {
    auto channel = [](int x, int y) { return static_cast<int>(std::lround(x * y / 255.0)); };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

Rgb pixelColour(int x, int y) {
    uint32_t p = testgl::pixelAt(x, y);
    return {int(p >> 24), int((p >> 16) & 255), int((p >> 8) & 255)};
}

::testing::AssertionResult pixelNear(int x, int y, Rgb colour, int tolerance) {
    Rgb p = pixelColour(x, y);
    int r = p.r, g = p.g, b = p.b;
    if (std::abs(r - colour.r) <= tolerance && std::abs(g - colour.g) <= tolerance &&
        std::abs(b - colour.b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is (" << r << ", " << g << ", " << b
                                         << "), expected (" << colour.r << ", " << colour.g << ", " << colour.b
                                         << ") within " << tolerance;
}

int countPixelsNear(int x, int y, int width, int height, Rgb colour, int tolerance) {
    std::vector<uint8_t> pixels = testgl::readPixels(x, y, width, height);
    int count = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        if (std::abs(pixels[i] - colour.r) <= tolerance && std::abs(pixels[i + 1] - colour.g) <= tolerance &&
            std::abs(pixels[i + 2] - colour.b) <= tolerance) {
            ++count;
        }
    }
    return count;
}

void expectHandOverState() {
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
    EXPECT_EQ(colour[3], 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    int viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
}

}  // namespace scenetest
