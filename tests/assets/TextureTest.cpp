#include "assets/Texture.h"
#include "tests/assets/AssetTestFiles.h"
#include "tests/assets/TestImages.h"
#include "tests/support/GLTestContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>

using assettest::MessageRecorder;
using assettest::PngSpec;
using assettest::scratchPath;

namespace {

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override {
        testgl::ensureContext();
        testgl::resetState();
    }
};

// A 2x2 RGBA PNG: red, green on the top row; blue, white below.
PngSpec quadrants(uint8_t alpha = 255) {
    PngSpec desc;
    desc.width = 2;
    desc.height = 2;
    desc.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    desc.samples = {255, 0, 0, alpha, 0, 255, 0, alpha, 0, 0, 255, alpha, 255, 255, 255, alpha};
    return desc;
}

std::string writeQuadrantsPng(const std::string& name, uint8_t alpha = 255) {
    std::string path = scratchPath(name);
    EXPECT_TRUE(assettest::writePng(path, quadrants(alpha)));
    return path;
}

// A colour JPEG whose columns run from black at the left to white at the right.
std::string writeRampJpeg(const std::string& name, int width, int height) {
    std::vector<uint8_t> samples;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t v = uint8_t(x * 255 / (width - 1));
            samples.insert(samples.end(), {v, v, v});
        }
    }
    std::string path = scratchPath(name);
    EXPECT_TRUE(assettest::writeJpeg(path, width, height, 3, samples));
    return path;
}

GLint boundParameter(GLenum parameter) {
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
}

GLint integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

bool near(uint32_t actual, uint32_t expected, int tolerance = 3) {
    for (int shift = 8; shift < 32; shift += 8) {
        int a = int(actual >> shift & 0xff), e = int(expected >> shift & 0xff);
        if (a - e > tolerance || e - a > tolerance) return false;
    }
    return true;
}

}  // namespace

TEST_F(TextureTest, onlyTheFourSpellingsAfterTheFirstDotTakeThePngPath) {
    for (const char* name : {"a.png", "b.Png", "c.PNg", "d.PNG"}) {
        SCOPED_TRACE(name);
        Texture texture(writeQuadrantsPng(name).c_str());
        ASSERT_NE(texture.textureName, 0u);
        EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), texture.textureName);
        EXPECT_EQ(boundParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
        EXPECT_EQ(boundParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
        EXPECT_EQ(texture.width, 2);
    }
    for (const char* name : {"e.pNG", "f.pnG", "g.png2", "some.dir/a.png", "noextension"}) {
        SCOPED_TRACE(name);
        Texture texture(writeRampJpeg(name, 16, 8).c_str());
        ASSERT_NE(texture.textureName, 0u);
        EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), texture.textureName);
        EXPECT_EQ(boundParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
        EXPECT_EQ(boundParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        EXPECT_EQ(texture.width, 16);
        EXPECT_EQ(texture.height, 8);
    }
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(TextureTest, pngThatFailsLeavesNameZeroWithoutMessage) {
    std::string path = scratchPath("broken.png");
    ASSERT_TRUE(assettest::writeBytes(path, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0}));
    MessageRecorder messages;
    Texture broken(path.c_str());
    Texture missing(scratchPath("missing.png").c_str());
    EXPECT_EQ(broken.textureName, 0u);
    EXPECT_EQ(missing.textureName, 0u);
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(TextureTest, missingJpegShowsOneBoxAndLeavesNoImage) {
    MessageRecorder messages;
    std::string path = scratchPath("missing.jpg");
    Texture texture(path.c_str());
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].first, path);
    EXPECT_EQ(messages.boxes[0].second, "Unable to load JPG File!");
    EXPECT_EQ(texture.textureName, 0u);
    EXPECT_EQ(texture.width, 0);
    EXPECT_EQ(texture.height, 0);
}

TEST_F(TextureTest, jpegWithRowsNotAMultipleOfFourBytesUploadsWithoutSkew) {
    // 641 x 64 in 64-pixel stripes, red then blue. Read with a 4-byte row
    // alignment, row y would start y bytes late: colours rotate and drift.
    const int width = 641, height = 64;
    std::vector<uint8_t> samples;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool red = (x / 64) % 2 == 0;
            samples.insert(samples.end(), {uint8_t(red ? 255 : 0), 0, uint8_t(red ? 0 : 255)});
        }
    }
    std::string path = scratchPath("wide.jpg");
    ASSERT_TRUE(assettest::writeJpeg(path, width, height, 3, samples));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    Texture texture(path.c_str());
    EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 4);
    EXPECT_EQ(texture.width, 641);
    int uploadWidth = 0, uploadHeight = 0;
    std::vector<uint8_t> rgba = assettest::boundTextureRgba(&uploadWidth, &uploadHeight);
    ASSERT_GE(uploadWidth, 512);
    // Mesa's GLU leaves the last row of a rescaled image black whatever the
    // alignment, so that row says nothing about skew.
    for (int y = 0; y + 1 < uploadHeight; ++y) {
        for (int stripe = 0; stripe < 10; ++stripe) {
            const int x = (32 + 64 * stripe) * uploadWidth / width;
            const uint8_t* p = &rgba[(size_t(y) * uploadWidth + x) * 4];
            const bool red = stripe % 2 == 0;
            ASSERT_NEAR(p[0], red ? 255 : 0, 48) << "stripe " << stripe << " row " << y;
            ASSERT_NEAR(p[1], 0, 48) << "stripe " << stripe << " row " << y;
            ASSERT_NEAR(p[2], red ? 0 : 255, 48) << "stripe " << stripe << " row " << y;
        }
    }
}

TEST_F(TextureTest, jpegRecordsTheFileSizeWhateverTheUploadSize) {
    Texture texture(writeRampJpeg("photo.jpg", 640, 480).c_str());
    EXPECT_EQ(texture.width, 640);
    EXPECT_EQ(texture.height, 480);
}

TEST_F(TextureTest, overlayShowsTheImageUprightOverTheWholeViewportAndLeavesBlendingOn) {
    Texture texture(writeQuadrantsPng("overlay.png").c_str());
    glMatrixMode(GL_PROJECTION);
    GLfloat projection[16], projectionAfter[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    glMatrixMode(GL_TEXTURE);  // the overlay must end in modelview whatever it found
    texture.drawOverlay(0, 0, 800, 600, true);
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), texture.textureName);
    glGetFloatv(GL_PROJECTION_MATRIX, projectionAfter);
    EXPECT_EQ(std::memcmp(projection, projectionAfter, sizeof projection), 0);
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_EQ(modelview[14], 3.0f);
    // Texel centres land at the quadrant centres: red top left, white bottom right.
    EXPECT_TRUE(near(testgl::pixelAt(200, 450), 0xff0000ff)) << std::hex << testgl::pixelAt(200, 450);
    EXPECT_TRUE(near(testgl::pixelAt(600, 450), 0x00ff00ff)) << std::hex << testgl::pixelAt(600, 450);
    EXPECT_TRUE(near(testgl::pixelAt(200, 150), 0x0000ffff)) << std::hex << testgl::pixelAt(200, 150);
    EXPECT_TRUE(near(testgl::pixelAt(600, 150), 0xffffffff)) << std::hex << testgl::pixelAt(600, 150);
}

TEST_F(TextureTest, overlayBlendsByAlphaOnlyWhenAsked) {
    Texture texture(writeQuadrantsPng("half.png", 128).c_str());
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    texture.drawOverlay(400, 300, 400, 300, false);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(near(testgl::pixelAt(500, 525), 0xff0000ff)) << std::hex << testgl::pixelAt(500, 525);
    EXPECT_TRUE(near(testgl::pixelAt(200, 150), 0x000000ff));  // outside the rectangle
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    texture.drawOverlay(400, 300, 400, 300, true);
    EXPECT_TRUE(near(testgl::pixelAt(500, 525), 0x800000ff)) << std::hex << testgl::pixelAt(500, 525);
    glBlendFunc(GL_ONE, GL_ZERO);
    texture.drawOverlay(0, 0, 10, 10, false);  // blending found on stays on, its function untouched
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_ONE);
}

TEST_F(TextureTest, bindAndUnbindSwitchTexturingButUnbindKeepsTheBinding) {
    Texture first(writeQuadrantsPng("first.png").c_str());
    Texture second(writeQuadrantsPng("second.png").c_str());
    first.bind();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), first.textureName);
    first.unbind();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, first.textureName);
    EXPECT_EQ(boundParameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    second.setClamp();
    EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), second.textureName);
    EXPECT_EQ(boundParameter(GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(boundParameter(GL_TEXTURE_WRAP_T), GL_CLAMP);
    first.bind();
    second.setRepeat();
    EXPECT_EQ(boundParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(boundParameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) == GL_FALSE);  // bind's enable is untouched by setRepeat
}
