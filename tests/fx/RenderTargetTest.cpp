// RenderTarget in a real Mesa context: sizes, the pixels each operation draws
// or copies, and the GL state each one leaves.
#include "fx/RenderTarget.h"
#include "tests/fx/FxTest.h"

#include <climits>
#include <functional>
#include <utility>

using namespace fxtest;

namespace {

class RenderTargetGL : public GLTest {};

uint32_t rgbAt(int x, int y) {
    return testgl::pixelAt(x, y) >> 8;
}

// Min and mag filter, s and t wrap.
std::array<int, 4> parameters(unsigned int texture) {
    const GLenum names[] = {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T};
    std::array<int, 4> values{};
    glBindTexture(GL_TEXTURE_2D, texture);
    for (int i = 0; i < 4; ++i) glGetTexParameteriv(GL_TEXTURE_2D, names[i], &values[i]);
    return values;
}

}  // namespace

TEST(RenderTargetSize, powerOfTwoAtLeastRoundsUpBetweenTwoAndTwoToTheThirty) {
    const int32_t cases[][2] = {{800, 1024}, {600, 1024}, {128, 128}, {129, 256}, {3, 4}, {1025, 2048},
                                {(1 << 29) + 1, 1 << 30}, {1 << 30, 1 << 30}, {2, 2}, {1, 2}, {0, 2},
                                {-800, 2}, {INT_MIN, 2}, {(1 << 30) + 1, (1 << 30) + 1}, {INT_MAX, INT_MAX}};
    for (const auto& c : cases) EXPECT_EQ(powerOfTwoAtLeast(c[0]), c[1]) << c[0];
}

TEST_F(RenderTargetGL, constructionMakesAZeroedLinearRepeatingTextureAndItsExtents) {
    RenderTarget full(800, 600, 800, 600), small(128, 128, 800, 600), odd(100, 60, 800, 600);
    EXPECT_EQ(captureState().texture, int(odd.textureName));
    EXPECT_EQ(std::make_pair(full.sExtent, full.tExtent), std::make_pair(0.78125f, 0.5859375f));
    EXPECT_EQ(std::make_pair(small.sExtent, small.tExtent), std::make_pair(1.0f, 1.0f));
    EXPECT_EQ(std::make_pair(odd.sExtent, odd.tExtent), std::make_pair(0.78125f, 0.9375f));
    const Image texels = textureImage(odd.textureName);
    EXPECT_EQ(std::make_pair(texels.width, texels.height), std::make_pair(128, 64));
    EXPECT_EQ(texels.rgba, std::vector<uint8_t>(128 * 64 * 4, 0));
    EXPECT_EQ(parameters(odd.textureName), (std::array<int, 4>{GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT}));
}

TEST_F(RenderTargetGL, copyScreenThenDrawQuadShowsTheFrameUprightOverTheMovedAndResizedViewport) {
    RenderTarget full(800, 600, 800, 600);
    const Image pattern = blockPattern(800, 600);
    drawImage(pattern);
    full.copyScreen();
    const Image texels = textureImage(full.textureName);
    EXPECT_EQ(texels.at(0, 0)[0], pattern.at(0, 0)[0]);
    EXPECT_EQ(texels.at(799, 599)[1], pattern.at(799, 599)[1]);
    EXPECT_EQ(texels.at(900, 100)[3] | texels.at(100, 700)[3], 0);  // beyond the held corner

    // Viewport, drawQuad arguments, and the rectangle the whole frame should land in.
    struct Case { Viewport viewport; float quad[4]; Viewport lands; };
    const Case cases[] = {{{0, 0, 800, 600}, {0, 0, 0, 0}, {0, 0, 800, 600}},
                          {{0, 0, 800, 600}, {10, -20, 0, 0}, {10, -20, 800, 600}},
                          {{0, 0, 800, 600}, {0, 0, -400, -300}, {0, 0, 400, 300}},
                          {{100, 50, 400, 300}, {0, 0, 0, 0}, {100, 50, 400, 300}}};
    for (const Case& c : cases) {
        fillScreen(0, 0, 0);
        glViewport(c.viewport[0], c.viewport[1], c.viewport[2], c.viewport[3]);
        full.drawQuad(c.quad[0], c.quad[1], c.quad[2], c.quad[3]);
        const Image scaled = drawScaledLinear(pattern, c.lands[2], c.lands[3]);
        Image expected(800, 600);
        for (int y = std::max(0, c.lands[1]); y < std::min(600, c.lands[1] + c.lands[3]); ++y) {
            for (int x = std::max(0, c.lands[0]); x < std::min(800, c.lands[0] + c.lands[2]); ++x) {
                std::copy_n(scaled.at(x - c.lands[0], y - c.lands[1]), 3, expected.at(x, y));
            }
        }
        EXPECT_LE(maxDifference(readImage(800, 600), expected), 1) << "case " << (&c - cases);
    }
}

TEST_F(RenderTargetGL, downsampleIntoShrinksTheImageIntoTheSmallTargetAndItsCorner) {
    RenderTarget full(800, 600, 800, 600), small(128, 128, 640, 480);
    const Image pattern = blockPattern(800, 600);
    drawImage(pattern);
    full.copyScreen();
    fillScreen(0, 0, 0);
    full.downsampleInto(small);
    const Image expected = drawScaledLinear(pattern, 128, 128);
    EXPECT_LE(maxDifference(readImage(128, 128), expected), 2);
    EXPECT_LE(maxDifference(textureImage(small.textureName), expected), 2);
    EXPECT_EQ(rgbAt(128, 10) | rgbAt(10, 128), 0u);
}

TEST_F(RenderTargetGL, additiveAndModulatePassesBlendTheImageTimesTheColourIntoTheScreen) {
    RenderTarget full(800, 600, 800, 600);
    struct Case { bool additive; int image[3], screen[3]; float colour[4]; int want[3]; };
    const Case cases[] = {
        // screen + image x colour x alpha: 100 + 60 x 0.5 x 0.5, 50 + 120 x 0.5, 200 + 40 x 0.5
        {true, {60, 120, 40}, {100, 50, 200}, {0.5f, 1, 1, 0.5f}, {115, 110, 220}},
        {true, {60, 120, 40}, {115, 110, 220}, {1, 1, 1, 1}, {175, 230, 255}},
        // screen x image x colour, alpha ignored: 100 x 60 x 0.5 / 255, 50 x 120 / 255, 200
        {false, {60, 120, 255}, {100, 50, 200}, {0.5f, 1, 1, 0.25f}, {12, 24, 200}},
    };
    for (const Case& c : cases) {
        fillScreen(c.image[0], c.image[1], c.image[2]);
        full.copyScreen();
        fillScreen(c.screen[0], c.screen[1], c.screen[2]);
        const float* k = c.colour;
        c.additive ? full.drawAdditive(k[0], k[1], k[2], k[3]) : full.drawModulate(k[0], k[1], k[2], k[3]);
        for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(int(rgbAt(400, 300) >> (16 - 8 * ch)) & 255, c.want[ch], 1) << ch;
    }
}

TEST_F(RenderTargetGL, blurPassOfAUniformGreyDarkensOnlyTheEdgesAcrossItsDirection) {
    struct Case { int width, height, grey, repetitions, radius; float spacing, weight, dx, dy; int tolerance;
                  std::vector<std::array<int, 3>> probes; };
    const Case cases[] = {  // probes: x, y, red
        // Five taps of 140 / 5: the outermost column misses two, the next one.
        {128, 128, 140, 1, 2, 1, 1, 1, 0, 1,
         {{0, 64, 84}, {1, 64, 112}, {2, 64, 140}, {64, 64, 140}, {126, 64, 112}, {127, 64, 84}, {64, 0, 140}, {64, 127, 140}}},
        // Taps 3 pixels apart: columns 0..2 miss two taps, 3..5 one.
        {128, 128, 140, 1, 2, 3, 1, 1, 0, 1, {{2, 64, 84}, {3, 64, 112}, {5, 64, 112}, {6, 64, 140}, {122, 64, 112}, {125, 64, 84}}},
        // 128 x 64: the vertical step is a width-pixel, half a row, so nine taps reach two rows
        // and row 2 sees them all (a one-row step gives 140); the top row misses three or four.
        {128, 64, 180, 1, 4, 1, 1, 0, 1, 10, {{64, 2, 180}, {64, 32, 180}, {0, 32, 180}, {64, 63, 110}}},
        // Radius 0 multiplies by the weight each repetition; a tap weight above one is clamped.
        {128, 128, 100, 2, 0, 1, 0.5f, 1, 0, 1, {{0, 0, 25}, {127, 127, 25}}},
        {128, 128, 100, 1, 0, 1, 2, 0, 1, 1, {{64, 64, 100}}},
        // Three taps of 100 x 2 / 3 brighten; the edge gets two; a second repetition saturates.
        {128, 128, 100, 1, 1, 1, 2, 1, 0, 2, {{64, 64, 200}, {0, 64, 133}}},
        {128, 128, 100, 2, 1, 1, 2, 1, 0, 0, {{64, 64, 255}}},
    };
    for (const Case& c : cases) {
        RenderTarget target(c.width, c.height, 800, 600);
        fillScreen(c.grey, c.grey, c.grey);
        target.copyScreen();
        target.blurPass(c.repetitions, c.radius, c.spacing, c.weight, c.dx, c.dy);
        for (const auto& p : c.probes) {
            EXPECT_NEAR(int(rgbAt(p[0], p[1]) >> 16), p[2], c.tolerance) << "grey " << c.grey << " at " << p[0] << ", " << p[1];
        }
    }
}

TEST_F(RenderTargetGL, blurIsTheBoxFilterAlongXThenYAndClearsTheRestOfTheScreen) {
    RenderTarget small(128, 128, 800, 600);
    const Image pattern = blockPattern(128, 128);
    fillScreen(255, 255, 255);
    drawImage(pattern);
    small.copyScreen();
    small.blur(2, 2, 1.0f, 1.0f);
    Image expected = pattern;
    for (bool vertical : {false, false, true, true}) expected = blurPassModel(expected, 2, vertical, 1.0 / 5.0);
    const Image blurred = textureImage(small.textureName);
    EXPECT_LE(maxDifference(blurred, expected), 2);
    EXPECT_EQ(rgbAt(128, 0) | rgbAt(0, 128) | rgbAt(400, 300) | rgbAt(799, 599), 0u);

    // No repetitions draw, clear or copy nothing.
    fillScreen(30, 60, 120);
    for (int32_t repetitions : {0, -3}) small.blurPass(repetitions, 2, 1.0f, 1.0f, 1, 0);
    EXPECT_EQ(rgbAt(0, 0), 0x1E3C78u);
    EXPECT_EQ(rgbAt(400, 300), 0x1E3C78u);
    EXPECT_EQ(textureImage(small.textureName).rgba, blurred.rgba);

    // A single tap keeps the image of a target smaller than its texture.
    RenderTarget odd(100, 75, 800, 600);
    const Image oddPattern = blockPattern(100, 75);
    drawImage(oddPattern);
    odd.copyScreen();
    odd.blurPass(1, 0, 1.0f, 1.0f, 1, 0);
    EXPECT_LE(maxDifference(readImage(100, 75), oddPattern), 1);
}

TEST_F(RenderTargetGL, setNearestRightAfterBlurFiltersOnlyThatTargetAndSetLinearRestoresIt) {
    RenderTarget full(800, 600, 800, 600), small(128, 128, 800, 600);
    const std::array<int, 4> linear{GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT};
    small.blur(1, 1, 1.0f, 1.0f);
    small.setNearest();
    EXPECT_EQ(parameters(small.textureName), (std::array<int, 4>{GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT}));
    EXPECT_EQ(parameters(full.textureName), linear);
    small.setLinear();
    EXPECT_EQ(parameters(small.textureName), linear);
}

TEST_F(RenderTargetGL, eachOperationLeavesItsDocumentedStateAndRestoresTheMatrices) {
    RenderTarget full(800, 600, 800, 600), small(128, 96, 640, 480), other(8, 8, 8, 8);
    const int name = int(small.textureName);
    const Colour white{1, 1, 1, 1};
    const Viewport screen{0, 0, 640, 480};
    // Texturing and blending off, depth test on, model-view mode, own texture bound.
    auto quad = [&](GlState& s) {
        s.texturing = s.blending = false;
        s.depthTest = true, s.matrixMode = GL_MODELVIEW, s.texture = name;
    };
    auto blended = [&](int source, int destination) {
        return [&, source, destination](GlState& s) {
            quad(s);
            s.blendSource = source, s.blendDestination = destination, s.colour = white;
        };
    };
    const struct {
        const char* name;
        std::function<void()> run;
        std::function<void(GlState&)> change;
    } rows[] = {
        {"useViewport", [&] { small.useViewport(); }, [](GlState& s) { s.viewport = {0, 0, 128, 96}; }},
        {"copyScreen", [&] { small.copyScreen(); }, [&](GlState& s) { s.texture = name, s.viewport = screen; }},
        {"drawQuad", [&] { small.drawQuad(3, 4, 5, 6); }, [&](GlState& s) { quad(s), s.blending = true; }},
        {"downsampleInto", [&] { full.downsampleInto(small); }, [&](GlState& s) { quad(s), s.viewport = screen; }},
        {"drawAdditive", [&] { small.drawAdditive(0.5f, 1, 1, 0.5f); }, blended(GL_SRC_ALPHA, GL_ONE)},
        {"drawModulate", [&] { small.drawModulate(0.5f, 1, 1, 0.5f); }, blended(GL_DST_COLOR, GL_ZERO)},
        {"blur", [&] { small.blur(1, 2, 1, 1); },
         [&](GlState& s) { blended(GL_SRC_ALPHA, GL_ONE)(s), s.viewport = screen, s.clearColour = {0, 0, 0, 1}; }},
        {"blurPass 0", [&] { small.blurPass(0, 2, 1, 1, 1, 0); }, blended(GL_SRC_ALPHA, GL_ONE)},
        {"blurPass -3", [&] { small.blurPass(-3, 2, 1, 1, 1, 0); }, blended(GL_SRC_ALPHA, GL_ONE)},
        {"setLinear", [&] { small.setLinear(); }, [&](GlState& s) { s.texture = name; }},
        {"setNearest", [&] { small.setNearest(); }, [](GlState&) {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        glEnable(GL_TEXTURE_2D), glEnable(GL_BLEND), glDisable(GL_DEPTH_TEST), glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(0.25f, 0.5f, 0.75f, 0.5f), glClearColor(0.2f, 0.4f, 0.6f, 0.8f), glViewport(10, 20, 30, 40);
        glBindTexture(GL_TEXTURE_2D, other.textureName);
        glMatrixMode(GL_MODELVIEW), glLoadIdentity(), glRotatef(30, 0, 0, 1), glMatrixMode(GL_PROJECTION);
        GlState want = captureState();
        row.change(want);
        row.run();
        EXPECT_EQ(captureState().tie(), want.tie());
    }
}
