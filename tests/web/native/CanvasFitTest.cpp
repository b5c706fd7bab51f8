// The web page's choice of pixel size: the largest 4:3 size in the page's box
// times devicePixelRatio, within what the browser's WebGL can draw.
#include "web/app/CanvasFit.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

constexpr CanvasLimits kRoomy{16384, 16384};

void expectSize(CanvasSize got, int width, int height) {
    EXPECT_EQ(got.width, width);
    EXPECT_EQ(got.height, height);
}

}  // namespace

TEST(CanvasFit, pageBoxesGetTheLargest4To3SizeInside) {
    expectSize(fitCanvas({800, 600}, kRoomy), 800, 600);
    expectSize(fitCanvas({1600, 1200}, kRoomy), 1600, 1200);
    // Pillarboxed on wide screens, letterboxed on tall ones.
    expectSize(fitCanvas({1920, 1080}, kRoomy), 1440, 1080);
    expectSize(fitCanvas({3840, 2160}, kRoomy), 2880, 2160);
    expectSize(fitCanvas({1000, 1000}, kRoomy), 1000, 750);
    // A box a pixel off 4:3 rounds down to whole 4:3 steps, never stretching.
    expectSize(fitCanvas({801, 601}, kRoomy), 800, 600);
    expectSize(fitCanvas({1023, 768}, kRoomy), 1020, 765);
}

TEST(CanvasFit, tinyOrEmptyBoxesGetTheSmallestSizeTheGlowCanUse) {
    expectSize(fitCanvas({0, 0}, kRoomy), kSmallestCanvasSize.width, kSmallestCanvasSize.height);
    expectSize(fitCanvas({-800, 600}, kRoomy), kSmallestCanvasSize.width, kSmallestCanvasSize.height);
    expectSize(fitCanvas({400, 100}, kRoomy), kSmallestCanvasSize.width, kSmallestCanvasSize.height);
    // The glow's 128 x 128 target copies the canvas's lower-left corner.
    EXPECT_GE(kSmallestCanvasSize.height, 128);
    EXPECT_EQ(kSmallestCanvasSize.width * 3, kSmallestCanvasSize.height * 4);
}

TEST(CanvasFit, limitsCapTheSizeAndKeep4To3) {
    expectSize(fitCanvas({5760, 4320}, {4096, 4096}), 4096, 3072);
    expectSize(fitCanvas({5760, 4320}, {4096, 2000}), 2664, 1998);
    expectSize(fitCanvas({INT_MAX, INT_MAX}, {8192, 8192}), 8192, 6144);
    expectSize(fitCanvas({800, 600}, {100, 100}), 0, 0);
}

TEST(CanvasFit, everySizeIs4To3WithinItsLimitsAndAsLargeAsTheyAllow) {
    for (int limit : {172, 200, 1000, 2048, 4095, 4096}) {
        for (int width = 0; width <= 5000; width += 37) {
            for (int height = 0; height <= 5000; height += 41) {
                const CanvasSize got = fitCanvas({width, height}, {limit, limit});
                const std::string where = std::to_string(width) + "x" + std::to_string(height) + " within " +
                                          std::to_string(limit);
                ASSERT_EQ(got.width * 3, got.height * 4) << where;
                ASSERT_LE(got.width, limit) << where;
                ASSERT_LE(got.height, limit) << where;
                ASSERT_GE(got.height, kSmallestCanvasSize.height) << where;
                if (got.width > kSmallestCanvasSize.width) {
                    ASSERT_TRUE(got.width <= width && got.height <= height) << where;
                }
                // The next 4:3 step would leave the box or the limits.
                const bool nextInLimits = got.width + 4 <= limit && got.height + 3 <= limit;
                const bool nextInBox = got.width + 4 <= width && got.height + 3 <= height;
                ASSERT_FALSE(nextInLimits && nextInBox) << where;
            }
        }
    }
}

TEST(CanvasFit, limitsComeFromTextureRenderbufferAndViewport) {
    // The full-size target's texture has power-of-two sides: a texture limit
    // that is not a power of two allows only the power of two below it.
    const CanvasLimits texture = canvasLimits(3000, 16384, 16384, 16384);
    EXPECT_EQ(texture.maxWidth, 2048);
    EXPECT_EQ(texture.maxHeight, 2048);
    const CanvasLimits renderbuffer = canvasLimits(8192, 5000, 16384, 16384);
    EXPECT_EQ(renderbuffer.maxWidth, 5000);
    const CanvasLimits viewport = canvasLimits(8192, 8192, 8192, 4000);
    EXPECT_EQ(viewport.maxWidth, 8192);
    EXPECT_EQ(viewport.maxHeight, 4000);
    // No side beyond what the native build allows either.
    const CanvasLimits huge = canvasLimits(1 << 20, 1 << 20, 1 << 20, 1 << 20);
    EXPECT_EQ(huge.maxWidth, kMaxCanvasSide);
    const CanvasLimits none = canvasLimits(0, 8192, 8192, 8192);
    EXPECT_EQ(none.maxWidth, 0);
    const CanvasLimits both = tighterLimits({4096, 3000}, {5000, 2000});
    EXPECT_EQ(both.maxWidth, 4096);
    EXPECT_EQ(both.maxHeight, 2000);
}
