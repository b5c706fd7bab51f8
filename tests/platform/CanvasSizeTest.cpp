// The canvas's pixel size: read from the command line, fitted to a display's
// 4:3 rectangle and to what a GL driver can draw.
#include "platform/CanvasSize.h"
#include "platform/GLWindow.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>

TEST(CanvasSize, readsDecimalWidthByHeightWithinTheLimitsOnly) {
    CanvasSize size;
    ASSERT_TRUE(parseCanvasSize("1440x1080", size));
    EXPECT_EQ(size, (CanvasSize{1440, 1080}));
    ASSERT_TRUE(parseCanvasSize("128x16384", size));
    EXPECT_EQ(size, (CanvasSize{128, 16384}));
    for (const char* bad : {"", "x", "800", "800x", "x600", "800x600x", "800X600", " 800x600", "800x600 ", "-800x600",
                            "+800x600", "0x10", "127x600", "800x16385", "99999999999999999999x600", "8e2x600",
                            "0x320x240"}) {
        CanvasSize untouched{7, 9};
        EXPECT_FALSE(parseCanvasSize(bad, untouched)) << bad;
        EXPECT_EQ(untouched, (CanvasSize{7, 9})) << bad;
    }
    EXPECT_FALSE(parseCanvasSize(nullptr, size));
}

TEST(CanvasSize, theLargestLayoutFitIsExactlyFourByThreeAndFits) {
    EXPECT_EQ(largestLayoutFit(1920, 1080), (CanvasSize{1440, 1080}));
    EXPECT_EQ(largestLayoutFit(3840, 2160), (CanvasSize{2880, 2160}));
    EXPECT_EQ(largestLayoutFit(800, 600), (CanvasSize{800, 600}));
    EXPECT_EQ(largestLayoutFit(1366, 768), (CanvasSize{1024, 768}));
    EXPECT_EQ(largestLayoutFit(1080, 1920), (CanvasSize{1080, 810}));  // a display on its side
    EXPECT_EQ(largestLayoutFit(1280, 1024), (CanvasSize{1280, 960}));
    EXPECT_EQ(largestLayoutFit(0, 0), (CanvasSize{0, 0}));
}

TEST(CanvasSize, fittingToADriverKeepsTheShapeAndLeavesASizeThatFits) {
    EXPECT_EQ(fitWithin({2880, 2160}, 16384), (CanvasSize{2880, 2160}));
    EXPECT_EQ(fitWithin({2880, 2160}, 2880), (CanvasSize{2880, 2160}));
    EXPECT_EQ(fitWithin({16000, 12000}, 8192), (CanvasSize{8192, 6144}));
    EXPECT_EQ(fitWithin({1200, 1600}, 800), (CanvasSize{600, 800}));
    EXPECT_EQ(fitWithin({16384, 16384}, 4096), (CanvasSize{4096, 4096}));
}

// Full screen on the offscreen driver's 1024 x 768 display, so the canvas is
// off-screen both before and after.
TEST(CanvasSize, aWindowRedrawsAtANewCanvasSizeWithTheViewportToMatch) {
    GLWindow window(800, 600, 32, true, "morvel-canvas-size-test");
    ASSERT_TRUE(window.ready);
    GLint textureSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &textureSide);
    EXPECT_GE(window.maxCanvasSide(), 2880);
    EXPECT_LE(window.maxCanvasSide(), textureSide);

    window.resizeCanvas(1000, 750);
    EXPECT_EQ(window.canvas.width, 1000);
    EXPECT_EQ(window.canvas.height, 750);
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 1000, 750}));
    // The whole new frame is drawable: a clear reaches its far corner.
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    std::array<unsigned char, 4> corner{};
    glReadPixels(999, 749, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner.data());
    EXPECT_EQ(corner, (std::array<unsigned char, 4>{0, 255, 0, 255}));
    window.close();
}
