// The scenes' whole glow sequence on a known frame, against the same
// operations computed on the CPU, on the back buffer and on a canvas
// framebuffer bound by someone else.
#include "fx/Glow.h"
#include "fx/RenderTarget.h"
#include "tests/fx/FxTest.h"

#include <GL/glext.h>

#include <cstdlib>

using namespace fxtest;

namespace {

class Glow : public GLTest {};

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

const int kRectangle[3] = {250, 240, 200}, kDisc[3] = {230, 40, 30}, kBar[3] = {30, 220, 230};

// A dark gradient with a bright rectangle, a red disc and thin cyan bars:
// sharp bright shapes for the glow to spread.
Image glowTestFrame() {
    Image image(800, 600);
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            const bool rectangle = x >= 300 && x < 500 && y >= 200 && y < 400;
            const bool disc = (x - 150) * (x - 150) + (y - 450) * (y - 450) < 60 * 60;
            const bool bar = x >= 600 && x < 760 && y % 40 < 6;
            const int ground[3] = {20 + x * 40 / 800, 25, 40 + y * 60 / 600};
            const int* rgb = rectangle ? kRectangle : disc ? kDisc : bar ? kBar : ground;
            image.set(x, y, rgb[0], rgb[1], rgb[2]);
        }
    }
    return image;
}

// The frame times the blurred small image drawn back with nearest filtering
// (texel floor((x + 0.5) x 128 / 800)), plus that image. Pixels whose pick lies
// within 0.01 of a texel edge, where GL may round either way, go in ambiguous.
Image glowModel(const Image& frame, std::vector<bool>* ambiguous) {
    Image small = drawScaledLinear(frame, 128, 128);
    for (bool vertical : {false, false, false, true, true, true}) small = blurPassModel(small, 3, vertical, 1.0 / 7.0);
    Image out(800, 600);
    ambiguous->assign(800 * 600, false);
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            const double u = (x + 0.5) * 128 / 800, v = (y + 0.5) * 128 / 600;
            (*ambiguous)[y * 800 + x] = std::abs(u - std::round(u)) < 0.01 || std::abs(v - std::round(v)) < 0.01;
            const uint8_t* blur = small.at(int(u), int(v));
            const uint8_t* sharp = frame.at(x, y);
            double rgb[3];
            for (int c = 0; c < 3; ++c) rgb[c] = (sharp[c] * blur[c] + 127) / 255 + blur[c];
            out.set(x, y, rgb[0], rgb[1], rgb[2]);
        }
    }
    return out;
}

}  // namespace

TEST_F(Glow, givesTheFrameTimesTheBlockyBlurPlusThatBlurOnTheBackBufferAndABoundCanvas) {
    RenderTarget full(800, 600, 800, 600), small(128, 128, 800, 600);
    const Image frame = glowTestFrame();
    drawImage(frame);
    glow(full, small);
    const Image result = readImage(800, 600);
    if (const char* path = std::getenv("MORVEL_GLOW_BMP")) testgl::saveBmp(path, 800, 600);

    std::vector<bool> ambiguous;
    EXPECT_LE(maxDifference(result, glowModel(frame, &ambiguous), ambiguous), 2);
    // Brighter: the rectangle saturates, the ground beside it gains a halo that
    // fades with distance, and far from the shapes the ground still brightens.
    EXPECT_EQ(result.at(400, 300)[0], 255);
    EXPECT_GT(result.at(510, 300)[1], frame.at(510, 300)[1] + 60);
    EXPECT_GT(result.at(505, 300)[1], result.at(530, 300)[1]);
    EXPECT_GT(result.at(50, 100)[2], frame.at(50, 100)[2]);

    // The same on an 800 x 600 framebuffer like the window's canvas (RGB colour,
    // depth and stencil) bound for drawing and reading: the copies read it and
    // the back buffer is left alone.
    fillScreen(70, 80, 90);
    GLuint canvas = 0, buffers[2] = {0, 0};
    glGenFramebuffers(1, &canvas);
    glGenRenderbuffers(2, buffers);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, 800, 600);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, 800, 600);
    glBindFramebuffer(GL_FRAMEBUFFER, canvas);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, buffers[1]);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    fillScreen(0, 0, 0);
    drawImage(frame);
    glow(full, small);
    const Image onCanvas = readImage(800, 600);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(2, buffers);
    glDeleteFramebuffers(1, &canvas);
    // Nearest picks on a texel edge may round differently there; elsewhere the two agree exactly.
    EXPECT_EQ(maxDifference(onCanvas, result, ambiguous), 0);
    EXPECT_EQ(testgl::pixelAt(0, 0) >> 8, 0x46505Au);
    EXPECT_EQ(testgl::pixelAt(799, 599) >> 8, 0x46505Au);
}

namespace {

// Each pixel of image as a 2 x 2 square.
Image doubled(const Image& image) {
    Image out(image.width * 2, image.height * 2);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            const uint8_t* p = image.at(x / 2, y / 2);
            out.set(x, y, p[0], p[1], p[2]);
        }
    }
    return out;
}

// A bound framebuffer like the window's canvas (RGB colour, depth and stencil).
struct CanvasFramebuffer {
    GLuint framebuffer = 0, buffers[2] = {0, 0};
    CanvasFramebuffer(int width, int height) {
        glGenFramebuffers(1, &framebuffer);
        glGenRenderbuffers(2, buffers);
        glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, buffers[1]);
    }
    ~CanvasFramebuffer() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteRenderbuffers(2, buffers);
        glDeleteFramebuffers(1, &framebuffer);
    }
};

}  // namespace

// A 1600 x 1200 frame made of the 800 x 600 one's pixels doubled glows into
// exactly the 800 x 600 result doubled: the same blur input, the same blocks
// on the same pixels, the same blending.
TEST_F(Glow, onATwiceLayoutCanvasGivesTheLayoutSizeGlowWithEveryPixelDoubled) {
    const Image frame = glowTestFrame();
    RenderTarget full(800, 600, 800, 600), small(128, 128, 800, 600);
    drawImage(frame);
    glow(full, small);
    const Image atLayout = readImage(800, 600);

    CanvasFramebuffer canvas(1600, 1200);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    glViewport(0, 0, 1600, 1200);
    RenderTarget largeFull(1600, 1200, 1600, 1200), largeSmall(128, 128, 1600, 1200), layout(800, 600, 1600, 1200);
    drawImage(doubled(frame));
    applyGlow(GlowTargets{&largeFull, &largeSmall, &layout}, 1.0f, GlowBlend::multiplyThenAdd);
    const Image atTwice = readImage(1600, 1200);
    const GlState state = captureState();
    int smallFilter = 0, layoutFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &smallFilter);
    glBindTexture(GL_TEXTURE_2D, layout.textureName);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &layoutFilter);

    // Nearest picks on a block edge may round either way; elsewhere exact.
    std::vector<bool> ambiguous, doubledAmbiguous(1600 * 1200);
    glowModel(frame, &ambiguous);
    for (int y = 0; y < 1200; ++y) {
        for (int x = 0; x < 1600; ++x) doubledAmbiguous[y * 1600 + x] = ambiguous[(y / 2) * 800 + x / 2];
    }
    EXPECT_EQ(maxDifference(atTwice, doubled(atLayout), doubledAmbiguous), 0);
    // What every frame hands on: the canvas viewport, the small target bound,
    // both filtering linearly again for the next frame's shrinks.
    EXPECT_EQ(state.viewport, (Viewport{0, 0, 1600, 1200}));
    EXPECT_EQ(state.texture, int(largeSmall.textureName));
    EXPECT_FALSE(state.blending);
    EXPECT_FALSE(state.texturing);
    EXPECT_EQ(state.colour, (Colour{1, 1, 1, 1}));
    EXPECT_EQ(smallFilter, GL_LINEAR);
    EXPECT_EQ(layoutFilter, GL_LINEAR);
}
