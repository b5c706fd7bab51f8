// The scenes' whole glow sequence on a known frame, against the same
// operations computed on the CPU, on the back buffer and on a canvas
// framebuffer bound by someone else.
#define GL_GLEXT_PROTOTYPES
#include "fx/RenderTarget.h"
#include "tests/fx/FxTestImages.h"
#include "tests/fx/FxTestState.h"
#include "tests/support/GLTestContext.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using fxtest::Image;

namespace {

// What the scenes do at the end of every frame.
void glow(const RenderTarget& full, const RenderTarget& small) {
    full.copyScreen();
    full.downsampleInto(small);
    small.blur(3, 3, 1.0f, 1.0f);
    small.setNearest();
    full.drawFullScreen();
    small.drawModulate(1, 1, 1, 1);
    small.drawAdditive(1, 1, 1, 1);
    small.setLinear();
}

// The blurred small image after copy, shrink and blur(3, 3, 1, 1).
Image blurredModel(const Image& frame) {
    Image small = fxtest::drawScaledLinear(fxtest::textureOf(frame, 1024, 1024), 0.78125, 0.5859375, 128, 128);
    for (bool vertical : {false, true}) {
        for (int repetition = 0; repetition < 3; ++repetition) {
            small = fxtest::blurPassModel(small, 3, 1, vertical, 1.0 / 7.0);
        }
    }
    return small;
}

// The frame multiplied by the blocky blurred image, then that image added.
Image glowModel(const Image& frame, std::vector<bool>* ambiguous) {
    const Image blocky = fxtest::drawScaledNearest(blurredModel(frame), 800, 600, ambiguous);
    Image out = frame;
    for (size_t i = 0; i < out.rgba.size(); ++i) {
        if (i % 4 != 3) {
            const int multiplied = (frame.rgba[i] * blocky.rgba[i] + 127) / 255;
            out.rgba[i] = uint8_t(std::min(255, multiplied + blocky.rgba[i]));
        }
    }
    return out;
}

// Largest colour difference over the pixels whose nearest pick is unambiguous.
int maxDifferenceWhereDefined(const Image& got, const Image& want, const std::vector<bool>& ambiguous) {
    int worst = 0;
    for (int y = 0; y < want.height; ++y) {
        for (int x = 0; x < want.width; ++x) {
            if (ambiguous[size_t(y) * want.width + x]) {
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                worst = std::max(worst, std::abs(got.at(x, y)[c] - want.at(x, y)[c]));
            }
        }
    }
    return worst;
}

// An 800 x 600 framebuffer like the window's canvas: RGB colour without alpha,
// depth and stencil. Bound for drawing and reading while it lives.
class Canvas {
public:
    Canvas() {
        glGenFramebuffers(1, &framebuffer);
        glGenRenderbuffers(2, renderbuffers);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, 800, 600);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, 800, 600);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffers[0]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, renderbuffers[1]);
    }
    ~Canvas() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteRenderbuffers(2, renderbuffers);
        glDeleteFramebuffers(1, &framebuffer);
    }
    bool complete() const { return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE; }

private:
    GLuint framebuffer = 0;
    GLuint renderbuffers[2] = {0, 0};
};

class Glow : public ::testing::Test {
protected:
    void SetUp() override {
        testgl::ensureContext();
        testgl::resetState();
    }
    void TearDown() override { testgl::resetState(); }
};

}  // namespace

TEST_F(Glow, sceneSequenceGivesTheFrameTimesTheBlockyBlurPlusThatBlur) {
    RenderTarget full(800, 600, 800, 600);
    RenderTarget small(128, 128, 800, 600);
    const Image frame = fxtest::glowTestFrame();
    fxtest::drawImage(frame);
    glow(full, small);
    const Image result = fxtest::readImage(800, 600);
    if (const char* path = std::getenv("MORVEL_GLOW_BMP")) {
        testgl::saveBmp(path, 800, 600);
    }

    std::vector<bool> ambiguous;
    const Image expected = glowModel(frame, &ambiguous);
    EXPECT_LE(maxDifferenceWhereDefined(result, expected, ambiguous), 2);

    // Brighter: the rectangle's centre saturates, the dark ground next to it
    // gains a halo, and far from the shapes the ground still brightens.
    EXPECT_EQ(result.at(400, 300)[0], 255);
    EXPECT_GT(result.at(510, 300)[1], frame.at(510, 300)[1] + 60);
    EXPECT_GT(result.at(50, 100)[2], frame.at(50, 100)[2]);
    // Softened: the halo fades with distance from the rectangle's edge.
    EXPECT_GT(result.at(505, 300)[1], result.at(530, 300)[1]);

    // The state every scene relies on for its next frame.
    EXPECT_EQ(fxtest::currentColour(), (fxtest::Colour{1, 1, 1, 1}));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(fxtest::viewport(), (fxtest::Viewport{0, 0, 800, 600}));
    EXPECT_EQ(fxtest::filters(small.textureName), std::make_pair(GL_LINEAR, GL_LINEAR));
}

TEST_F(Glow, copiesReadTheBoundCanvasAndLeaveTheBackBufferAlone) {
    RenderTarget full(800, 600, 800, 600);
    RenderTarget small(128, 128, 800, 600);
    const Image frame = fxtest::glowTestFrame();
    fxtest::drawImage(frame);
    glow(full, small);
    const Image onBackBuffer = fxtest::readImage(800, 600);

    fxtest::fillScreen(70, 80, 90);
    Image onCanvas;
    {
        Canvas canvas;
        ASSERT_TRUE(canvas.complete());
        fxtest::fillScreen(0, 0, 0);
        fxtest::drawImage(frame);
        glow(full, small);
        onCanvas = fxtest::readImage(800, 600);
    }
    // Nearest picks that fall on a texel edge may round differently in a
    // framebuffer object; everywhere else the two agree exactly.
    std::vector<bool> ambiguous;
    glowModel(frame, &ambiguous);
    EXPECT_EQ(maxDifferenceWhereDefined(onCanvas, onBackBuffer, ambiguous), 0);
    EXPECT_EQ(testgl::pixelAt(0, 0) >> 8, 0x46505Au);
    EXPECT_EQ(testgl::pixelAt(799, 599) >> 8, 0x46505Au);
}
