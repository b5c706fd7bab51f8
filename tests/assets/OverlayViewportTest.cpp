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
