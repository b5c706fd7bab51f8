// The browser build's GL compatibility arithmetic against the real thing: Mesa's
// GLU for mip chains and look-at matrices, Mesa's texture generation (read back
// through feedback mode) for sphere mapping, and Mesa's bilinear filtering of
// 8-bit textures, which the web build's filtering program (ByteFilterProgram)
// repeats in GLSL. Natively compiled; the shims only run in the browser.
#include "tests/support/GLTestContext.h"
#include "web/gl/FixedFunctionMath.h"
#include "web/gl/IndexPieces.h"
#include "web/gl/MipmapChain.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

class GLCompatMath : public ::testing::Test {
protected:
    void SetUp() override {
        testgl::ensureContext();
        testgl::resetState();
    }
};

std::vector<uint8_t> noise(size_t count, unsigned seed) {
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = uint8_t(seed >> 16);
    }
    return bytes;
}

// Every level GLU made for the bound texture, as tightly packed bytes.
std::vector<MipLevel> levelsFromGL(GLenum format, int components) {
    std::vector<MipLevel> levels;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int level = 0;; ++level) {
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
        if (w == 0 || h == 0) {
            return levels;
        }
        MipLevel got;
        got.width = w;
        got.height = h;
        got.bytes.resize(size_t(w) * h * components);
        glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, got.bytes.data());
        levels.push_back(std::move(got));
    }
}

// Mesa's 8-bit lerp as the web build's filtering program does it: weight in
// whole 1/256 steps (0..256), result rounded to a level.
int lerpLevels(int a, int b, int weight) {
    return (a * (256 - weight) + b * weight + 128) >> 8;
}

// Draws the bound texture over a side x side viewport at the lower left with
// texture coordinates 0..1, and reads the pixels back (RGBA, bottom row first).
std::vector<uint8_t> drawTextureOver(int side) {
    glViewport(0, 0, side, side);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    return testgl::readPixels(0, 0, side, side);
}

}  // namespace

TEST_F(GLCompatMath, mipChainsMatchGluForScaledAndPowerOfTwoImages) {
    struct Case {
        int width, height, components, alignment;
    };
    // Up and down scaling, one side a power of two, odd sides with row padding,
    // a side of 1, a photograph-like 4:3 size and twice-a-power (GLU's halving path).
    const Case cases[] = {{13, 7, 3, 4}, {64, 64, 4, 4}, {100, 30, 3, 1}, {1, 5, 4, 4},
                          {320, 240, 3, 1}, {128, 64, 3, 1}, {23, 96, 3, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.components);
        const GLenum format = c.components == 4 ? GL_RGBA : GL_RGB;
        const int rowBytes = c.width * c.components;
        const int stride = (rowBytes + c.alignment - 1) / c.alignment * c.alignment;
        const std::vector<uint8_t> image = noise(size_t(stride) * c.height, unsigned(c.width * 31 + c.height));
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, c.alignment);
        ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, c.components, c.width, c.height, format, GL_UNSIGNED_BYTE,
                                    image.data()),
                  0);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        GLint maxSide = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
        const std::vector<MipLevel> expected = levelsFromGL(format, c.components);
        const std::vector<MipLevel> ours = buildMipChain(image.data(), c.width, c.height, c.components, stride, maxSide);
        ASSERT_EQ(ours.size(), expected.size());
        for (size_t level = 0; level < ours.size(); ++level) {
            SCOPED_TRACE(testing::Message() << "level " << level);
            ASSERT_EQ(ours[level].width, expected[level].width);
            ASSERT_EQ(ours[level].height, expected[level].height);
            int worst = 0;
            for (size_t i = 0; i < ours[level].bytes.size(); ++i) {
                worst = std::max(worst, std::abs(int(ours[level].bytes[i]) - int(expected[level].bytes[i])));
            }
            EXPECT_EQ(worst, 0);
        }
        glDeleteTextures(1, &name);
    }
    EXPECT_EQ(gluNearestPower(800), 1024);
    EXPECT_EQ(gluNearestPower(600), 512);
    EXPECT_EQ(gluNearestPower(1), 1);
    EXPECT_TRUE(buildMipChain(nullptr, 4, 4, 3, 12, 64).empty());
    EXPECT_TRUE(buildMipChain(noise(12, 1).data(), 0, 4, 3, 12, 64).empty());
}

TEST_F(GLCompatMath, lookAtMatchesGluForCamerasAllAround) {
    const double eyes[][9] = {{0, 0, 5, 0, 0, 0, 0, 1, 0},
                              {120, -40, 33, 10, 25, 0, 0, 1, 0},
                              {-3, 80, -200, 15, -30, 0, 0, 1, 0},
                              {1, 2, 3, 4, 6, 8, 0.3, 0.2, 0.9}};
    for (const auto& e : eyes) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(e[0], e[1], e[2], e[3], e[4], e[5], e[6], e[7], e[8]);
        float expected[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, expected);
        glLoadIdentity();
        float rotation[16];
        lookAtRotation(e[0], e[1], e[2], e[3], e[4], e[5], e[6], e[7], e[8], rotation);
        glMultMatrixf(rotation);
        glTranslatef(float(-e[0]), float(-e[1]), float(-e[2]));
        float ours[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, ours);
        for (int k = 0; k < 16; ++k) {
            EXPECT_NEAR(ours[k], expected[k], 1e-4f * (1.0f + std::fabs(expected[k]))) << "entry " << k;
        }
    }
}

TEST_F(GLCompatMath, sphereMapCoordinatesMatchMesaTextureGeneration) {
    // A rotated, scaled and moved model view, as the sphere scene's is.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(3.0f, -2.0f, -150.0f);
    glRotatef(37.0f, 0.3f, 1.0f, 0.2f);
    glScalef(1.5f, 0.8f, 1.2f);
    float modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    const std::vector<float> positions = {10, 0, 0, 0, 20, 5, -7, -3, 40, 25, 25, -25, 0, 0, 50, -30, 10, 0};
    const std::vector<float> normals = {1, 0, 0, 0, 2, 0.5f, -0.2f, -0.1f, 1, 0.6f, 0.6f, -0.5f, 0, 0, 3, -1, 0.3f, 0};
    const size_t count = positions.size() / 3;

    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_NORMALIZE);
    // Feedback reports texture coordinates only while a complete texture is on.
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const uint8_t white[4] = {255, 255, 255, 255};
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    glEnable(GL_TEXTURE_2D);
    std::vector<GLfloat> feedback(count * 16 + 64);
    glFeedbackBuffer(GLsizei(feedback.size()), GL_3D_COLOR_TEXTURE, feedback.data());
    glRenderMode(GL_FEEDBACK);
    glBegin(GL_POINTS);
    for (size_t v = 0; v < count; ++v) {
        glNormal3fv(&normals[v * 3]);
        glVertex3fv(&positions[v * 3]);
    }
    glEnd();
    const GLint written = glRenderMode(GL_RENDER);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &name);

    std::vector<float> ours(count * 2);
    sphereMapCoordinates(modelView, positions.data(), normals.data(), count, ours.data());
    // Each point: token, x, y, z, RGBA, STRQ. Points off screen are clipped away,
    // so match by order among those Mesa kept and require most of them.
    ASSERT_GT(written, 0);
    size_t matched = 0;
    for (GLint i = 0; i + 11 < written; i += 12) {
        ASSERT_EQ(GLint(feedback[i]), GL_POINT_TOKEN);
        const float s = feedback[i + 8], t = feedback[i + 9];
        bool found = false;
        for (size_t v = 0; v < count && !found; ++v) {
            found = std::fabs(ours[v * 2] - s) < 1e-4f && std::fabs(ours[v * 2 + 1] - t) < 1e-4f;
        }
        EXPECT_TRUE(found) << "Mesa's (" << s << ", " << t << ") not among ours";
        matched += found;
    }
    EXPECT_GE(matched, 3u);
}

TEST_F(GLCompatMath, mesaFiltersByteTexturesInTwoRoundedStepsWithWeightsInSteps) {
    // A 4 x 4 noise texture, repeated, magnified onto 50 x 50 pixels: the sample
    // points fall at fractions 0.04 x odd + 0.5 of a texel, where one rounding in
    // float, truncated or finer weights, or a single rounding at the end all give
    // other levels in many pixels.
    constexpr int kSide = 4, kView = 50;
    const std::vector<uint8_t> image = noise(kSide * kSide * 3, 7);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kSide, kSide, 0, GL_RGB, GL_UNSIGNED_BYTE, image.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    const std::vector<uint8_t> drawn = drawTextureOver(kView);
    glDeleteTextures(1, &name);

    auto texel = [&](int x, int y, int c) {
        return int(image[(size_t((y + kSide) % kSide) * kSide + size_t((x + kSide) % kSide)) * 3 + c]);
    };
    int compared = 0, mismatched = 0, differsFromFloat = 0;
    for (int py = 0; py < kView; ++py) {
        for (int px = 0; px < kView; ++px) {
            const double u = (px + 0.5) * kSide / kView - 0.5, v = (py + 0.5) * kSide / kView - 0.5;
            const int x0 = int(std::floor(u)), y0 = int(std::floor(v));
            const double wx = (u - x0) * 256, wy = (v - y0) * 256;
            // Where a weight lies half-way between two steps, interpolation error may tip it either way.
            if (std::fabs(wx - std::floor(wx) - 0.5) < 0.01 || std::fabs(wy - std::floor(wy) - 0.5) < 0.01) {
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                const int stepsX = int(std::lround(wx)), stepsY = int(std::lround(wy));
                const int lower = lerpLevels(texel(x0, y0, c), texel(x0 + 1, y0, c), stepsX);
                const int upper = lerpLevels(texel(x0, y0 + 1, c), texel(x0 + 1, y0 + 1, c), stepsX);
                const int expected = lerpLevels(lower, upper, stepsY);
                const int got = drawn[(size_t(py) * kView + px) * 4 + c];
                const double exact = (texel(x0, y0, c) * (1 - wx / 256) + texel(x0 + 1, y0, c) * wx / 256) *
                                         (1 - wy / 256) +
                                     (texel(x0, y0 + 1, c) * (1 - wx / 256) + texel(x0 + 1, y0 + 1, c) * wx / 256) *
                                         wy / 256;
                ++compared;
                mismatched += got != expected;
                differsFromFloat += expected != int(std::lround(exact));
            }
        }
    }
    EXPECT_GT(compared, 3000);
    EXPECT_EQ(mismatched, 0);
    // The case is one where the browser's single float rounding would be seen.
    EXPECT_GT(differsFromFloat, compared / 10);
}

TEST_F(GLCompatMath, mesaPicksTheNearestMipLevelFromHalfAStepAboveTheBaseLevel) {
    // Every level one flat grey (level k reads 40 k + 10), so the colour tells
    // the level. The web build's filtering program picks level 0 up to a scale
    // factor (lambda) of 0.5, then ceil(lambda + 0.5) - 1, up to the last level.
    constexpr int kBase = 64;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    int lastLevel = 0;
    for (int level = 0, side = kBase; side >= 1; ++level, side /= 2) {
        const std::vector<uint8_t> grey(size_t(side) * side * 3, uint8_t(40 * level + 10));
        glTexImage2D(GL_TEXTURE_2D, level, GL_RGB, side, side, 0, GL_RGB, GL_UNSIGNED_BYTE, grey.data());
        lastLevel = level;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Drawn sides from magnified down to a single pixel: lambda = log2(64 / side).
    for (int side : {100, 64, 48, 40, 23, 21, 16, 12, 11, 6, 5, 1}) {
        const double lambda = std::log2(double(kBase) / side);
        const int expected = lambda <= 0.5 ? 0 : std::min(int(std::ceil(lambda + 0.5)) - 1, lastLevel);
        const std::vector<uint8_t> drawn = drawTextureOver(side);
        EXPECT_EQ(int(drawn[(size_t(side / 2) * side + side / 2) * 4]), 40 * expected + 10) << "side " << side;
    }
    glDeleteTextures(1, &name);
}

TEST(IndexPieces, wideIndexListsSplitIntoSixteenBitWindowsOfWholeTriangles) {
    // Two clusters far apart, a triangle straddling both, and a plain small list.
    std::vector<uint32_t> indices = {0, 1, 2, 5, 6, 7, 100000, 100001, 100002, 3, 100003, 4, 100004, 100005, 100006};
    size_t dropped = 9;
    const std::vector<IndexPiece> pieces = splitIntoPieces(indices.data(), indices.size(), 3, kMaxPieceSpan, &dropped);
    EXPECT_EQ(dropped, 1u);
    std::vector<uint32_t> rebuilt;
    for (const IndexPiece& piece : pieces) {
        EXPECT_LE(piece.vertexSpan, kMaxPieceSpan);
        EXPECT_EQ(piece.indices.size() % 3, 0u);
        for (uint16_t index : piece.indices) {
            EXPECT_LT(index, piece.vertexSpan);
            rebuilt.push_back(piece.firstVertex + index);
        }
    }
    const std::vector<uint32_t> kept = {0, 1, 2, 5, 6, 7, 100000, 100001, 100002, 100004, 100005, 100006};
    EXPECT_EQ(rebuilt, kept);
    EXPECT_EQ(pieces.size(), 2u);

    const uint32_t small[] = {9, 8, 7, 7, 8, 10};
    const std::vector<IndexPiece> one = splitIntoPieces(small, 6, 3, kMaxPieceSpan, nullptr);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].firstVertex, 7u);
    EXPECT_EQ(one[0].vertexSpan, 4u);
    EXPECT_EQ(one[0].indices, (std::vector<uint16_t>{2, 1, 0, 0, 1, 3}));
    // A trailing partial triangle is not drawn, as GL would not draw it either.
    EXPECT_EQ(splitIntoPieces(small, 5, 3, kMaxPieceSpan, nullptr)[0].indices.size(), 3u);
    EXPECT_TRUE(splitIntoPieces(small, 0, 3, kMaxPieceSpan, nullptr).empty());
}
