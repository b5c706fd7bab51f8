// The photo scene with its photograph loaded from a JPEG file, as the demo
// loads it, instead of a texture built straight into GL: a photograph larger
// than the screen is drawn shrunk, so the scene reads the loader's mipmaps.
#include "scenes/PhotoScene.h"

#include "tests/assets/AssetTestFiles.h"
#include "tests/scenes/SceneTest.h"

using namespace scenetest;

using LoadedPhotoFrames = SceneFrames<PhotoScene>;

TEST_F(LoadedPhotoFrames, aJpegPhotographLargerThanTheScreenShowsThroughItsMipmaps) {
    // 2048 x 2048 into 800 x 600: level 0 is never the one sampled.
    const int side = 2048;
    std::vector<uint8_t> samples(size_t(side) * side * 3);
    for (size_t p = 0; p < size_t(side) * side; ++p) {
        const Rgb& colour = p < size_t(side) * side / 2 ? kPhotoTop : kPhotoBottom;
        for (int c = 0; c < 3; ++c) samples[p * 3 + c] = uint8_t(colour[c]);
    }
    Texture photo(saveJpeg(side, side, 3, samples, "photo.jpg").c_str());
    ASSERT_NE(photo.textureName, 0u);
    glBindTexture(GL_TEXTURE_2D, photo.textureName);
    GLint levelTwoWidth = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH, &levelTwoWidth);
    ASSERT_EQ(levelTwoWidth, side / 4);
    // The colours as decoded (JPEG moves flat colours by a step or two), read
    // from level 2 a quarter from the top and from the bottom.
    std::vector<uint8_t> level(size_t(side / 4) * (side / 4) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 2, GL_RGB, GL_UNSIGNED_BYTE, level.data());
    auto texel = [&](int row) {
        const uint8_t* p = &level[(size_t(row) * (side / 4) + side / 8) * 3];
        return Rgb{p[0], p[1], p[2]};
    };
    const Rgb top = texel(side / 16), bottom = texel(3 * side / 16);
    EXPECT_TRUE(near(&level[0], kPhotoTop, 6));

    Texture* built = textures[7];
    textures[7] = &photo;
    render(scene, 28.0f);
    textures[7] = built;
    // Upright, with the glow added as for any photograph.
    EXPECT_TRUE(pixelNear(400, 450, added(top, blurredUniform(top, 1.1f)), 2));
    EXPECT_TRUE(pixelNear(400, 150, added(bottom, blurredUniform(bottom, 1.1f)), 2));
    expectHandOverState();
}
