// The in-place box blur of RenderTarget: pixel values after each pass, the
// width-based step, and the GL state it leaves.
#include "fx/RenderTarget.h"
#include "tests/fx/FxTestImages.h"
#include "tests/fx/FxTestState.h"
#include "tests/support/GLTestContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

using fxtest::Image;

class RenderTargetBlur : public ::testing::Test {
protected:
    void SetUp() override {
        testgl::ensureContext();
        testgl::resetState();
    }
    void TearDown() override { testgl::resetState(); }

    // Fills the screen with one grey and copies it into target.
    static void holdGrey(const RenderTarget& target, uint8_t grey) {
        fxtest::fillScreen(grey, grey, grey);
        target.copyScreen();
    }

    static int redAt(int x, int y) { return int(testgl::pixelAt(x, y) >> 24); }
};

TEST_F(RenderTargetBlur, horizontalPassKeepsAUniformInteriorAndDarkensOnlyTheLeftAndRightEdges) {
    RenderTarget small(128, 128, 800, 600);
    holdGrey(small, 140);
    small.blurPass(1, 2, 1.0f, 1.0f, 1, 0);
    // Five taps of 140 / 5 = 28: the outermost column misses two, the next one.
    EXPECT_NEAR(redAt(0, 64), 84, 1);
    EXPECT_NEAR(redAt(1, 64), 112, 1);
    EXPECT_NEAR(redAt(2, 64), 140, 1);
    EXPECT_NEAR(redAt(64, 64), 140, 1);
    EXPECT_NEAR(redAt(126, 64), 112, 1);
    EXPECT_NEAR(redAt(127, 64), 84, 1);
    EXPECT_NEAR(redAt(64, 0), 140, 1);
    EXPECT_NEAR(redAt(64, 127), 140, 1);
    // The result is also the target's new image.
    EXPECT_EQ(fxtest::textureImage(small.textureName).at(0, 64)[0], redAt(0, 64));
}

TEST_F(RenderTargetBlur, spacingWidensTheDarkenedStrip) {
    RenderTarget small(128, 128, 800, 600);
    holdGrey(small, 140);
    small.blurPass(1, 2, 3.0f, 1.0f, 1, 0);
    // Taps 3 pixels apart: columns 0..2 miss two taps, 3..5 miss one.
    EXPECT_NEAR(redAt(2, 64), 84, 1);
    EXPECT_NEAR(redAt(3, 64), 112, 1);
    EXPECT_NEAR(redAt(5, 64), 112, 1);
    EXPECT_NEAR(redAt(6, 64), 140, 1);
    EXPECT_NEAR(redAt(122, 64), 112, 1);
    EXPECT_NEAR(redAt(125, 64), 84, 1);
}

TEST_F(RenderTargetBlur, verticalStepOfANonSquareTargetIsMeasuredInWidths) {
    // 128 x 64: a step of one width-pixel is half a row, so nine taps reach only
    // two rows down and row 2 still sees them all. A step of one row would leave
    // row 2 with seven of nine (140).
    RenderTarget wide(128, 64, 800, 600);
    holdGrey(wide, 180);
    wide.blurPass(1, 4, 1.0f, 1.0f, 0, 1);
    EXPECT_NEAR(redAt(64, 2), 180, 1);
    EXPECT_NEAR(redAt(64, 32), 180, 1);
    EXPECT_NEAR(redAt(0, 32), 180, 1);
    EXPECT_LT(redAt(64, 63), 170);
}

TEST_F(RenderTargetBlur, radiusZeroMultipliesByTheWeightEachRepetition) {
    RenderTarget small(128, 128, 800, 600);
    holdGrey(small, 100);
    small.blurPass(2, 0, 1.0f, 0.5f, 1, 0);
    EXPECT_NEAR(redAt(0, 0), 25, 1);
    EXPECT_NEAR(redAt(127, 127), 25, 1);

    // A per-tap weight above one is clamped by GL like any colour: no change.
    holdGrey(small, 100);
    small.blurPass(1, 0, 1.0f, 2.0f, 0, 1);
    EXPECT_NEAR(redAt(64, 64), 100, 1);
}

TEST_F(RenderTargetBlur, weightAboveOneBrightensAndClampsEachRepetition) {
    RenderTarget small(128, 128, 800, 600);
    holdGrey(small, 100);
    small.blurPass(1, 1, 1.0f, 2.0f, 1, 0);
    EXPECT_NEAR(redAt(64, 64), 200, 2);
    EXPECT_NEAR(redAt(0, 64), 133, 2);
    small.blurPass(1, 1, 1.0f, 2.0f, 1, 0);
    EXPECT_EQ(redAt(64, 64), 255);
}

TEST_F(RenderTargetBlur, singleTapPassKeepsTheImageOfATargetSmallerThanItsTexture) {
    // 100 x 75 in a 128 x 128 texture: the taps must sample only the held corner.
    RenderTarget odd(100, 75, 800, 600);
    const Image pattern = fxtest::blockPattern(100, 75);
    fxtest::drawImage(pattern);
    odd.copyScreen();
    odd.blurPass(1, 0, 1.0f, 1.0f, 1, 0);
    EXPECT_LE(fxtest::maxColourDifference(fxtest::readImage(100, 75), pattern), 1);
}

TEST_F(RenderTargetBlur, blurOfAPatternIsTheBoxFilterAlongXThenY) {
    RenderTarget small(128, 128, 800, 600);
    const Image pattern = fxtest::blockPattern(128, 128);
    fxtest::drawImage(pattern);
    small.copyScreen();
    small.blur(2, 2, 1.0f, 1.0f);

    Image expected = pattern;
    for (bool vertical : {false, true}) {
        for (int repetition = 0; repetition < 2; ++repetition) {
            expected = fxtest::blurPassModel(expected, 2, 1, vertical, 1.0 / 5.0);
        }
    }
    EXPECT_LE(fxtest::maxColourDifference(fxtest::textureImage(small.textureName), expected), 2);
}

TEST_F(RenderTargetBlur, leavesTheScreenBlackOutsideTheTargetCorner) {
    RenderTarget small(128, 128, 800, 600);
    fxtest::fillScreen(255, 255, 255);
    small.copyScreen();
    glClearColor(0.2f, 0.4f, 0.6f, 0.8f);
    small.blur(1, 1, 1.0f, 1.0f);
    EXPECT_EQ(testgl::pixelAt(128, 0) >> 8, 0u);
    EXPECT_EQ(testgl::pixelAt(0, 128) >> 8, 0u);
    EXPECT_EQ(testgl::pixelAt(400, 300) >> 8, 0u);
    EXPECT_EQ(testgl::pixelAt(799, 599) >> 8, 0u);
    EXPECT_EQ(testgl::pixelAt(64, 64) >> 8, 0xFFFFFFu);
    EXPECT_EQ(fxtest::clearColour(), (fxtest::Colour{0, 0, 0, 1}));
}

TEST_F(RenderTargetBlur, leavesTexturingAndBlendingOffColourWhiteAndTheScreenViewport) {
    RenderTarget small(128, 128, 640, 480);
    holdGrey(small, 90);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_ONE, GL_ZERO);
    glColor4f(1, 0, 0, 0.5f);
    glViewport(10, 20, 30, 40);
    glMatrixMode(GL_PROJECTION);
    const fxtest::Matrices before = fxtest::matrices();
    small.blur(1, 2, 1.0f, 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(fxtest::blendFunction(), std::make_pair(GL_SRC_ALPHA, GL_ONE));
    EXPECT_EQ(fxtest::currentColour(), (fxtest::Colour{1, 1, 1, 1}));
    EXPECT_EQ(fxtest::boundTexture(), small.textureName);
    EXPECT_EQ(fxtest::viewport(), (fxtest::Viewport{0, 0, 640, 480}));
    EXPECT_EQ(fxtest::matrices(), before);
    EXPECT_EQ(fxtest::matrixMode(), GL_MODELVIEW);
}

TEST_F(RenderTargetBlur, zeroRepetitionsTouchNoPixelsYetLeaveTheSameState) {
    RenderTarget small(128, 128, 800, 600);
    holdGrey(small, 90);
    fxtest::fillScreen(30, 60, 120);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glColor4f(1, 0, 0, 0.5f);
    glClearColor(0.2f, 0.4f, 0.6f, 0.8f);
    glViewport(10, 20, 30, 40);
    const fxtest::Matrices before = fxtest::matrices();
    for (int32_t repetitions : {0, -3}) {
        small.blurPass(repetitions, 2, 1.0f, 1.0f, 1, 0);
        EXPECT_EQ(testgl::pixelAt(0, 0) >> 8, 0x1E3C78u);
        EXPECT_EQ(testgl::pixelAt(400, 300) >> 8, 0x1E3C78u);
        EXPECT_EQ(fxtest::textureImage(small.textureName).at(64, 64)[0], 90);
        EXPECT_EQ(fxtest::viewport(), (fxtest::Viewport{10, 20, 30, 40}));
        EXPECT_EQ(fxtest::clearColour(), (fxtest::Colour{0.2f, 0.4f, 0.6f, 0.8f}));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_EQ(fxtest::currentColour(), (fxtest::Colour{1, 1, 1, 1}));
        EXPECT_EQ(fxtest::matrices(), before);
    }
}
