// drawOverlay's 800 x 600 space is fixed whatever the viewport: it maps onto
// the viewport that is set, not onto the window.
#include "assets/Texture.h"
#include "tests/assets/AssetTestFiles.h"

TEST(TextureOverlay, theOverlaySpaceStretchesOverAViewportOfAnySizeAndPlace) {
    freshGl();
    Texture solid(savePng({2, 2, PNG_COLOR_TYPE_RGB, 8, {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0}}, "red.png").c_str());
    ASSERT_NE(solid.textureName, 0u);
    const struct {
        int viewport[4];
        int overlay[4];
        int insideX, insideY, outsideX, outsideY;
    } cases[] = {
        // The space's lower-left quarter fills a quarter-size viewport's lower-left quarter.
        {{0, 0, 400, 300}, {0, 0, 400, 300}, 195, 145, 205, 155},
        // The space's upper-right quarter is the viewport's upper-right quarter.
        {{0, 0, 400, 300}, {400, 300, 400, 300}, 300, 225, 100, 75},
        // A viewport away from the corner carries the space's origin with it.
        {{200, 100, 400, 300}, {0, 0, 400, 300}, 250, 150, 500, 300},
        // A narrow, tall viewport stretches the space unevenly.
        {{100, 0, 200, 600}, {400, 0, 400, 600}, 290, 590, 110, 10},
    };
    for (const auto& c : cases) {
        glViewport(0, 0, 800, 600);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glViewport(c.viewport[0], c.viewport[1], c.viewport[2], c.viewport[3]);
        solid.drawOverlay(c.overlay[0], c.overlay[1], c.overlay[2], c.overlay[3], false);
        expectPixels({{c.insideX, c.insideY, 0xff0000ff}, {c.outsideX, c.outsideY, 0x000000ff}});
    }
    glViewport(0, 0, 800, 600);
}

// At the layout size an overlay samples as its texture was set up; on any other
// viewport it clamps to its edges, and it keeps its texels as squares where the
// viewport is a whole multiple of an overlay that shows one texel per unit.
TEST(OverlaySampling, onlyTheLayoutSizeKeepsTheTexturesOwnWrapAndOnlyWholeMultiplesGoNearest) {
    const struct {
        int viewport[2], overlay[2], texture[2];
        bool asMade, nearest;
    } cases[] = {
        {{800, 600}, {512, 512}, {512, 512}, true, false},
        {{800, 600}, {800, 600}, {1024, 1024}, true, false},
        {{1600, 1200}, {512, 512}, {512, 512}, false, true},
        {{2400, 1800}, {512, 512}, {512, 512}, false, true},
        // 1.8 times: nearest would give texels of uneven widths.
        {{1440, 1080}, {512, 512}, {512, 512}, false, false},
        // Whole multiples, but of different sizes across and up.
        {{1600, 1800}, {512, 512}, {512, 512}, false, false},
        // Stretched at the layout size already, so it was linear there.
        {{1600, 1200}, {800, 600}, {1024, 1024}, false, false},
        {{1600, 1200}, {512, 512}, {256, 256}, false, false},
        // A texture whose uploaded size is not known (not a power of two).
        {{1600, 1200}, {512, 512}, {0, 0}, false, false},
        {{400, 300}, {512, 512}, {512, 512}, false, false},
    };
    for (const auto& c : cases) {
        const OverlaySampling s =
            overlaySampling(c.viewport[0], c.viewport[1], c.overlay[0], c.overlay[1], c.texture[0], c.texture[1]);
        const std::string where = std::to_string(c.viewport[0]) + "x" + std::to_string(c.viewport[1]) + " overlay " +
                                  std::to_string(c.overlay[0]) + " texture " + std::to_string(c.texture[0]);
        EXPECT_EQ(s.asMade, c.asMade) << where;
        EXPECT_EQ(s.clampToEdge, !c.asMade) << where;
        EXPECT_EQ(s.nearest, c.nearest) << where;
    }
}

// Four columns, red, green, white and blue, each the same from top to bottom.
static std::string columnsPng() {
    std::vector<uint8_t> samples;
    for (int y = 0; y < 4; ++y) {
        for (uint8_t rgb : {255, 0, 0, 0, 255, 0, 255, 255, 255, 0, 0, 255}) samples.push_back(rgb);
    }
    return savePng({4, 4, PNG_COLOR_TYPE_RGB, 8, samples}, "columns.png");
}

TEST(TextureOverlay, onATwiceLayoutViewportTexelsBecomeSharpSquaresAndEdgesDoNotWrap) {
    freshGl();
    Texture columns(columnsPng().c_str());
    ASSERT_NE(columns.textureName, 0u);
    const uint32_t red = 0xff0000ff, green = 0x00ff00ff, white = 0xffffffff, blue = 0x0000ffff;

    // At the layout size the loader's repeat shows: the left edge of a twice
    // stretched overlay takes in a quarter of the far (blue) column.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    columns.drawOverlay(0, 0, 8, 8, false);
    expectPixels({{0, 0, 0xbf0040ff}});

    // Twice the layout (clipped by the 800 x 600 frame): one texel per unit
    // becomes 2 x 2 pixels of exactly its colour.
    glViewport(0, 0, 1600, 1200);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    columns.drawOverlay(0, 0, 4, 4, false);
    expectPixels({{0, 0, red}, {1, 1, red}, {2, 0, green}, {3, 1, green}, {4, 0, white}, {5, 1, white},
                  {6, 0, blue}, {7, 1, blue}}, 0);
    // Stretched four times it stays linear, but its left edge is the red column alone.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    columns.drawOverlay(0, 0, 16, 16, false);
    expectPixels({{0, 0, red}, {3, 0, red}}, 1);

    // Wrap and filters are put back as they were found, GL_CLAMP included.
    expectGl({{GL_TEXTURE_WRAP_S, GL_REPEAT}, {GL_TEXTURE_WRAP_T, GL_REPEAT}, {GL_TEXTURE_MAG_FILTER, GL_LINEAR}},
             true);
    columns.setClamp();
    columns.drawOverlay(0, 0, 4, 4, false);
    expectGl({{GL_TEXTURE_WRAP_S, GL_CLAMP}, {GL_TEXTURE_WRAP_T, GL_CLAMP}, {GL_TEXTURE_MAG_FILTER, GL_LINEAR}},
             true);
    glViewport(0, 0, 800, 600);
}
