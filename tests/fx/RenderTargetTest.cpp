// Sizes, copies, quads and blended passes of RenderTarget, checked by reading
// pixels and GL state back from a real Mesa context.
#include "fx/RenderTarget.h"
#include "tests/fx/FxTestImages.h"
#include "tests/fx/FxTestState.h"
#include "tests/support/GLTestContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <climits>

using fxtest::Image;

TEST(RenderTargetSize, roundsUpToThePowerOfTwoThatHoldsIt) {
    EXPECT_EQ(powerOfTwoAtLeast(800), 1024);
    EXPECT_EQ(powerOfTwoAtLeast(600), 1024);
    EXPECT_EQ(powerOfTwoAtLeast(128), 128);
    EXPECT_EQ(powerOfTwoAtLeast(129), 256);
    EXPECT_EQ(powerOfTwoAtLeast(3), 4);
    EXPECT_EQ(powerOfTwoAtLeast(1025), 2048);
    EXPECT_EQ(powerOfTwoAtLeast((1 << 29) + 1), 1 << 30);
    EXPECT_EQ(powerOfTwoAtLeast(1 << 30), 1 << 30);
}

TEST(RenderTargetSize, sizesOfTwoOrLessIncludingNegativeOnesGiveTwo) {
    for (int32_t size : {2, 1, 0, -1, -800, INT_MIN}) {
        EXPECT_EQ(powerOfTwoAtLeast(size), 2) << size;
    }
}

TEST(RenderTargetSize, sizesAboveTwoToTheThirtyAreKeptUnchanged) {
    EXPECT_EQ(powerOfTwoAtLeast((1 << 30) + 1), (1 << 30) + 1);
    EXPECT_EQ(powerOfTwoAtLeast(INT_MAX), INT_MAX);
}

class RenderTargetGL : public ::testing::Test {
protected:
    void SetUp() override {
        testgl::ensureContext();
        testgl::resetState();
    }
    void TearDown() override { testgl::resetState(); }

    // Puts an image on the screen and copies it into target.
    static void holdImage(const RenderTarget& target, const Image& image) {
        fxtest::drawImage(image);
        target.copyScreen();
    }
};

TEST_F(RenderTargetGL, thePairGetsItsTextureSizesAndExtents) {
    RenderTarget full(800, 600, 800, 600);
    RenderTarget small(128, 128, 800, 600);
    EXPECT_EQ(full.textureWidth, 1024);
    EXPECT_EQ(full.textureHeight, 1024);
    EXPECT_EQ(full.sExtent, 0.78125f);
    EXPECT_EQ(full.tExtent, 0.5859375f);
    EXPECT_EQ(small.textureWidth, 128);
    EXPECT_EQ(small.textureHeight, 128);
    EXPECT_EQ(small.sExtent, 1.0f);
    EXPECT_EQ(small.tExtent, 1.0f);
    EXPECT_EQ(full.targetWidth, 800);
    EXPECT_EQ(full.targetHeight, 600);
    EXPECT_EQ(small.screenWidth, 800);
    EXPECT_EQ(small.screenHeight, 600);
    EXPECT_NE(full.textureName, small.textureName);
}

TEST_F(RenderTargetGL, constructionMakesAZeroedLinearRepeatingTextureAndLeavesItBound) {
    glViewport(10, 20, 30, 40);
    RenderTarget target(100, 60, 800, 600);
    EXPECT_EQ(fxtest::boundTexture(), target.textureName);
    EXPECT_EQ(fxtest::textureSize(target.textureName), std::make_pair(128, 64));
    Image texels = fxtest::textureImage(target.textureName);
    EXPECT_EQ(texels.rgba, std::vector<uint8_t>(128 * 64 * 4, 0));
    EXPECT_EQ(fxtest::filters(target.textureName), std::make_pair(GL_LINEAR, GL_LINEAR));
    EXPECT_EQ(fxtest::texParameter(target.textureName, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(fxtest::texParameter(target.textureName, GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(target.sExtent, 0.78125f);
    EXPECT_EQ(target.tExtent, 0.9375f);
    EXPECT_EQ(fxtest::viewport(), (fxtest::Viewport{10, 20, 30, 40}));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(RenderTargetGL, useViewportSetsTheTargetSize) {
    RenderTarget small(128, 96, 800, 600);
    small.useViewport();
    EXPECT_EQ(fxtest::viewport(), (fxtest::Viewport{0, 0, 128, 96}));
}

TEST_F(RenderTargetGL, copyScreenThenDrawFullScreenGivesTheFrameBackUpright) {
    RenderTarget full(800, 600, 800, 600);
    const Image pattern = fxtest::blockPattern(800, 600);
    fxtest::drawImage(pattern);
    glViewport(0, 0, 128, 128);
    full.copyScreen();
    EXPECT_EQ(fxtest::viewport(), (fxtest::Viewport{0, 0, 800, 600}));
    EXPECT_EQ(fxtest::boundTexture(), full.textureName);

    // Texel (0, 0) holds the lower-left pixel; texels beyond the held corner stay zero.
    Image texels = fxtest::textureImage(full.textureName);
    EXPECT_EQ(texels.at(0, 0)[0], pattern.at(0, 0)[0]);
    EXPECT_EQ(texels.at(799, 599)[1], pattern.at(799, 599)[1]);
    EXPECT_EQ(texels.at(900, 100)[0] | texels.at(900, 100)[3], 0);
    EXPECT_EQ(texels.at(100, 700)[2] | texels.at(100, 700)[3], 0);

    fxtest::fillScreen(0, 0, 0);
    full.drawFullScreen();
    EXPECT_LE(fxtest::maxColourDifference(fxtest::readImage(800, 600), pattern), 1);
}

TEST_F(RenderTargetGL, drawQuadWithoutOffsetsCoversExactlyTheViewport) {
    RenderTarget full(800, 600, 800, 600);
    holdImage(full, fxtest::uniformImage(800, 600, 200, 100, 50));
    fxtest::fillScreen(0, 0, 0);
    glViewport(100, 50, 400, 300);
    full.drawQuad(0, 0, 0, 0);
    EXPECT_EQ(testgl::pixelAt(100, 50) >> 8, 0xC86432u);
    EXPECT_EQ(testgl::pixelAt(499, 349) >> 8, 0xC86432u);
    EXPECT_EQ(testgl::pixelAt(99, 200) >> 8, 0u);
    EXPECT_EQ(testgl::pixelAt(300, 49) >> 8, 0u);
    EXPECT_EQ(testgl::pixelAt(500, 200) >> 8, 0u);
    EXPECT_EQ(testgl::pixelAt(300, 350) >> 8, 0u);
}

TEST_F(RenderTargetGL, drawQuadExtraSizeEnlargesOrShrinksTheQuadFromItsLowerLeftCorner) {
    RenderTarget full(800, 600, 800, 600);
    holdImage(full, fxtest::uniformImage(800, 600, 200, 100, 50));
    fxtest::fillScreen(0, 0, 0);
    full.drawQuad(0, 0, -400, -300);
    EXPECT_EQ(testgl::pixelAt(0, 0) >> 8, 0xC86432u);
    EXPECT_EQ(testgl::pixelAt(399, 299) >> 8, 0xC86432u);
    EXPECT_EQ(testgl::pixelAt(400, 100) >> 8, 0u);
    EXPECT_EQ(testgl::pixelAt(100, 300) >> 8, 0u);
}

TEST_F(RenderTargetGL, drawQuadOffsetsMoveTheImageByWholePixels) {
    RenderTarget full(800, 600, 800, 600);
    const Image pattern = fxtest::blockPattern(800, 600);
    holdImage(full, pattern);

    fxtest::fillScreen(0, 0, 0);
    full.drawQuad(10, 0, 0, 0);
    Image moved = fxtest::readImage(800, 600);
    int worst = 0;
    for (int y = 0; y < 600; y += 7) {
        for (int x = 0; x < 800; ++x) {
            const uint8_t* want = x < 10 ? fxtest::black() : pattern.at(x - 10, y);
            for (int c = 0; c < 3; ++c) {
                worst = std::max(worst, std::abs(moved.at(x, y)[c] - want[c]));
            }
        }
    }
    EXPECT_LE(worst, 1);

    fxtest::fillScreen(0, 0, 0);
    full.drawQuad(0, -20, 0, 0);
    moved = fxtest::readImage(800, 600);
    EXPECT_EQ(moved.at(300, 579)[1], pattern.at(300, 599)[1]);
    EXPECT_EQ(moved.at(300, 0)[1], pattern.at(300, 20)[1]);
    EXPECT_EQ(moved.at(300, 580)[1], 0);
}

TEST_F(RenderTargetGL, drawQuadLeavesTheDepthTestOnTexturingOffAndTheMatricesAsFound) {
    RenderTarget full(800, 600, 800, 600);
    for (bool depthBefore : {false, true}) {
        depthBefore ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
        glBindTexture(GL_TEXTURE_2D, 0);
        glMatrixMode(GL_PROJECTION);
        const fxtest::Matrices before = fxtest::matrices();
        full.drawQuad(3, 4, 5, 6);
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << depthBefore;
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_TRUE(glIsEnabled(GL_BLEND));
        EXPECT_EQ(fxtest::currentColour(), (fxtest::Colour{0.25f, 0.5f, 0.75f, 1.0f}));
        EXPECT_EQ(fxtest::boundTexture(), full.textureName);
        EXPECT_EQ(fxtest::matrices(), before);
        EXPECT_EQ(fxtest::matrixMode(), GL_MODELVIEW);
    }
}

TEST_F(RenderTargetGL, downsampleIntoShrinksTheImageIntoTheSmallTarget) {
    RenderTarget full(800, 600, 800, 600);
    RenderTarget small(128, 128, 640, 480);
    const Image pattern = fxtest::blockPattern(800, 600);
    holdImage(full, pattern);
    fxtest::fillScreen(0, 0, 0);
    glEnable(GL_BLEND);
    full.downsampleInto(small);

    const Image expected = fxtest::drawScaledLinear(fxtest::textureOf(pattern, 1024, 1024), full.sExtent,
                                                    full.tExtent, 128, 128);
    EXPECT_LE(fxtest::maxColourDifference(fxtest::readImage(128, 128), expected), 2);
    EXPECT_LE(fxtest::maxColourDifference(fxtest::textureImage(small.textureName), expected), 2);
    EXPECT_EQ(testgl::pixelAt(128, 10) >> 8, 0u);
    EXPECT_EQ(testgl::pixelAt(10, 128) >> 8, 0u);

    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(fxtest::boundTexture(), small.textureName);
    EXPECT_EQ(fxtest::viewport(), (fxtest::Viewport{0, 0, 640, 480}));
}

TEST_F(RenderTargetGL, drawAdditiveAddsTheImageTimesTheColourWeightedByAlpha) {
    RenderTarget full(800, 600, 800, 600);
    holdImage(full, fxtest::uniformImage(800, 600, 60, 120, 40));
    fxtest::fillScreen(100, 50, 200);
    full.drawAdditive(0.5f, 1.0f, 1.0f, 0.5f);
    // 100 + 60 * 0.5 * 0.5, 50 + 120 * 0.5, 200 + 40 * 0.5
    fxtest::expectColourNear(testgl::pixelAt(400, 300), 115, 110, 220, 1);
    fxtest::expectColourNear(testgl::pixelAt(0, 599), 115, 110, 220, 1);

    full.drawAdditive(1.0f, 1.0f, 1.0f, 1.0f);
    fxtest::expectColourNear(testgl::pixelAt(400, 300), 175, 230, 255, 1);
    fxtest::expectBlendPassState(full, GL_SRC_ALPHA, GL_ONE);
}

TEST_F(RenderTargetGL, drawModulateMultipliesTheScreenByTheImageTimesTheColour) {
    RenderTarget full(800, 600, 800, 600);
    holdImage(full, fxtest::uniformImage(800, 600, 60, 120, 255));
    fxtest::fillScreen(100, 50, 200);
    full.drawModulate(0.5f, 1.0f, 1.0f, 0.25f);
    // 100 * 60 * 0.5 / 255, 50 * 120 / 255, 200 * 255 / 255; alpha does not weigh in
    fxtest::expectColourNear(testgl::pixelAt(400, 300), 12, 24, 200, 1);
    fxtest::expectColourNear(testgl::pixelAt(799, 0), 12, 24, 200, 1);
    fxtest::expectBlendPassState(full, GL_DST_COLOR, GL_ZERO);
}

TEST_F(RenderTargetGL, setNearestChangesOnlyTheBoundTextureAndBindsNothing) {
    RenderTarget full(800, 600, 800, 600);
    RenderTarget small(128, 128, 800, 600);
    small.blur(1, 1, 1.0f, 1.0f);
    small.setNearest();
    EXPECT_EQ(fxtest::filters(small.textureName), std::make_pair(GL_NEAREST, GL_NEAREST));
    EXPECT_EQ(fxtest::filters(full.textureName), std::make_pair(GL_LINEAR, GL_LINEAR));

    glBindTexture(GL_TEXTURE_2D, full.textureName);
    small.setLinear();
    EXPECT_EQ(fxtest::boundTexture(), small.textureName);
    EXPECT_EQ(fxtest::filters(small.textureName), std::make_pair(GL_LINEAR, GL_LINEAR));

    // Whatever is bound gets the nearest filters, not the caller's own texture.
    glBindTexture(GL_TEXTURE_2D, full.textureName);
    small.setNearest();
    EXPECT_EQ(fxtest::boundTexture(), full.textureName);
    EXPECT_EQ(fxtest::filters(full.textureName), std::make_pair(GL_NEAREST, GL_NEAREST));
    EXPECT_EQ(fxtest::filters(small.textureName), std::make_pair(GL_LINEAR, GL_LINEAR));
}
