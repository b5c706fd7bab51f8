#include "assets/Texture.h"

#include "assets/JpegImage.h"
#include "tests/assets/AssetTestFiles.h"
#include "tests/support/GLTestContext.h"

#include <algorithm>

// A 2x2 RGBA PNG: red, green on the top row; blue, white below.
static std::string quadrantsPng(const std::string& name = "image.png", uint8_t alpha = 255) {
    return savePng({2, 2, PNG_COLOR_TYPE_RGB_ALPHA, 8,
                    {255, 0, 0, alpha, 0, 255, 0, alpha, 0, 0, 255, alpha, 255, 255, 255, alpha}}, name);
}

TEST(JpegImage, colourGreyAndCmykGivePackedRgbRowsTopFirst) {
    std::vector<uint8_t> samples(640 * 480 * 3, 0);
    for (size_t p = 0; p < 640 * 240; ++p) samples[p * 3] = 255;  // top half red
    JpegImage* photo = loadJpeg(saveJpeg(640, 480, 3, samples).c_str());
    ASSERT_NE(photo, nullptr);
    EXPECT_EQ(std::make_tuple(photo->width, photo->height, photo->rowStride), std::make_tuple(640, 480, 1920));
    EXPECT_TRUE(photo->pixels[0] > 240 && photo->pixels[479 * 1920] < 16);
    freeJpeg(photo);
    freeJpeg(nullptr);
    // Flat grey, and flat Adobe CMYK, which is stored inverted: no cyan, full magenta, half yellow, no black.
    for (const std::vector<uint8_t>& pixel : {std::vector<uint8_t>{90}, std::vector<uint8_t>{255, 0, 128, 255}}) {
        std::vector<uint8_t> flat;
        for (int p = 0; p < 24 * 16; ++p) flat.insert(flat.end(), pixel.begin(), pixel.end());
        JpegImage* image = loadJpeg(saveJpeg(24, 16, int(pixel.size()), flat).c_str());
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(image->rowStride, 3 * 24);
        for (int s = 0; s < 24 * 16 * 3; ++s) ASSERT_NEAR(image->pixels[s], pixel[s % 3 % pixel.size()], 3) << s;
        freeJpeg(image);
    }
}

TEST(JpegImageDeathTest, damagedDataAndAbsurdSidesEndTheProcessWithTheDecodersMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::vector<uint8_t> bytes = readBytes(saveJpeg(24, 16, 1, std::vector<uint8_t>(24 * 16, 9)));
    std::vector<uint8_t> huge = bytes;  // the baseline frame header claims 64250 x 64250
    const uint8_t frameMarker[] = {0xff, 0xc0};
    const size_t sof = std::search(huge.begin(), huge.end(), frameMarker, frameMarker + 2) - huge.begin();
    ASSERT_LT(sof + 9, huge.size());
    for (size_t at : {sof + 5, sof + 6, sof + 7, sof + 8}) huge[at] = 0xfa;
    const std::pair<std::string, const char*> cases[] = {
        {saveBytes("text.jpg", {'h', 'e', 'l', 'l', 'o', '\n'}), "Not a JPEG file"},
        {saveBytes("cut.jpg", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 20)), "JPEG"},
        {saveBytes("huge.jpg", huge), "Maximum supported image dimension is 16384"},
    };
    for (const auto& [path, message] : cases) EXPECT_EXIT(loadJpeg(path.c_str()), testing::ExitedWithCode(1), message);
}

TEST(Texture, onlyTheFourSpellingsAfterTheFirstDotTakeThePngPath) {
    freshGl();
    const std::pair<const char*, bool> cases[] = {{"a.png", true}, {"b.Png", true}, {"c.PNg", true},
                                                  {"d.PNG", true}, {"e.pNG", false}, {"f.pnG", false},
                                                  {"g.png2", false}, {"some.dir/a.png", false}, {"noextension", false}};
    for (auto [name, png] : cases) {
        SCOPED_TRACE(name);
        Texture texture((png ? quadrantsPng(name) : saveJpeg(24, 16, 1, std::vector<uint8_t>(384, 9), name)).c_str());
        EXPECT_EQ(std::make_pair(texture.width, texture.height), png ? std::make_pair(2, 2) : std::make_pair(24, 16));
        expectGl({{GL_TEXTURE_BINDING_2D, int(texture.textureName)}, {GL_TEXTURE_2D, 0}});
        expectGl({{GL_TEXTURE_MIN_FILTER, png ? GL_LINEAR : GL_LINEAR_MIPMAP_NEAREST},
                  {GL_TEXTURE_MAG_FILTER, GL_LINEAR}, {GL_TEXTURE_WRAP_S, GL_REPEAT}}, true);
    }
}

TEST(Texture, failedPngLeavesNameZeroQuietlyAndMissingJpegShowsOneBox) {
    freshGl();
    MessageRecorder messages;
    EXPECT_EQ(Texture(saveBytes("bad.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0}).c_str()).textureName +
                  Texture(scratchPath("missing.png").c_str()).textureName, 0u);
    EXPECT_TRUE(messages.boxes.empty());
    const std::string path = scratchPath("missing.jpg");
    Texture missingJpeg(path.c_str());
    EXPECT_EQ(missingJpeg.textureName, 0u);
    EXPECT_EQ(std::make_pair(missingJpeg.width, missingJpeg.height), std::make_pair(0, 0));
    EXPECT_EQ(messages.boxes, (decltype(messages.boxes){{path, "Unable to load JPG File!"}}));
}

TEST(Texture, jpegWithRowsNotAMultipleOfFourBytesUploadsWithoutSkew) {
    freshGl();
    // 641 x 64 in 64-pixel stripes, red then blue. Read with the 8-byte row
    // alignment, row y would start y bytes late: colours rotate and drift.
    std::vector<uint8_t> samples;
    for (int p = 0; p < 641 * 64; ++p) {
        const bool red = (p % 641 / 64) % 2 == 0;
        samples.insert(samples.end(), {uint8_t(red ? 255 : 0), 0, uint8_t(red ? 0 : 255)});
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    Texture texture(saveJpeg(641, 64, 3, samples).c_str());
    expectGl({{GL_UNPACK_ALIGNMENT, 8}});
    EXPECT_EQ(texture.width, 641);  // the file's size, not the upload's
    int width = 0, height = 0;
    std::vector<uint32_t> texels = boundTexels(&width, &height);
    ASSERT_GE(width, 512);
    // Mesa's GLU leaves the last row of a rescaled image black whatever the
    // alignment, so that row says nothing about skew.
    for (int k = 0; k < (height - 1) * 10; ++k) {
        const int y = k / 10, stripe = k % 10;
        const uint32_t texel = texels[y * width + (32 + 64 * stripe) * width / 641];
        ASSERT_TRUE(near(texel, stripe % 2 == 0 ? 0xff0000ff : 0x0000ffff, 48)) << std::hex << texel << " at " << k;
    }
}

TEST(Texture, overlayShowsTheImageUprightBlendedOnlyWhenAskedAndPutsStateBack) {
    freshGl();
    Texture texture(quadrantsPng("half.png", 128).c_str());
    auto matrix = [](GLenum which) { std::vector<GLfloat> m(16); glGetFloatv(which, m.data()); return m; };
    const std::vector<GLfloat> projection = matrix(GL_PROJECTION_MATRIX);
    glTranslatef(1, 2, 3);
    glMatrixMode(GL_TEXTURE);  // the overlay must end in modelview whatever it found
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    texture.drawOverlay(0, 0, 800, 600, true);
    expectGl({{GL_MATRIX_MODE, GL_MODELVIEW}, {GL_BLEND, 1}, {GL_BLEND_SRC, GL_SRC_ALPHA},
              {GL_BLEND_DST, GL_ONE_MINUS_SRC_ALPHA}, {GL_TEXTURE_2D, 0},
              {GL_TEXTURE_BINDING_2D, int(texture.textureName)}});
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX)[14], 3.0f);
    // Texel centres land at the quadrant centres, half over the black: red top left, white bottom right.
    expectPixels({{200, 450, 0x800000ff}, {600, 450, 0x008000ff}, {200, 150, 0x000080ff}, {600, 150, 0x808080ff}});
    glDisable(GL_BLEND);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    texture.drawOverlay(400, 300, 400, 300, false);
    expectGl({{GL_BLEND, 0}});
    expectPixels({{500, 525, 0xff0000ff}, {200, 150, 0x000000ff} /* outside the rectangle */});
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    texture.drawOverlay(0, 0, 10, 10, false);  // blending found on stays on, its function untouched
    expectGl({{GL_BLEND, 1}, {GL_BLEND_SRC, GL_ONE}});
}

TEST(Texture, bindAndUnbindSwitchTexturingButUnbindKeepsTheBinding) {
    freshGl();
    Texture first(quadrantsPng().c_str()), second(quadrantsPng().c_str());
    first.bind();
    expectGl({{GL_TEXTURE_2D, 1}, {GL_TEXTURE_BINDING_2D, int(first.textureName)}});
    first.unbind();
    expectGl({{GL_TEXTURE_2D, 0}, {GL_TEXTURE_BINDING_2D, int(first.textureName)}});
    second.setClamp();
    expectGl({{GL_TEXTURE_2D, 0}, {GL_TEXTURE_BINDING_2D, int(second.textureName)}});
    expectGl({{GL_TEXTURE_WRAP_S, GL_CLAMP}, {GL_TEXTURE_WRAP_T, GL_CLAMP}}, true);
    first.bind();
    second.setRepeat();
    expectGl({{GL_TEXTURE_2D, 1}, {GL_TEXTURE_BINDING_2D, int(second.textureName)}});
    expectGl({{GL_TEXTURE_WRAP_S, GL_REPEAT}, {GL_TEXTURE_WRAP_T, GL_REPEAT}}, true);
}
