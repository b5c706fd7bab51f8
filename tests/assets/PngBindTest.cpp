#include "assets/PngBind.h"
#include "tests/assets/AssetTestFiles.h"
#include "tests/assets/TestImages.h"
#include "tests/support/GLTestContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

using assettest::boundTextureRgba;
using assettest::PngSpec;
using assettest::scratchPath;
using assettest::writePng;

namespace {

class PngBindTest : public ::testing::Test {
protected:
    void SetUp() override {
        testgl::ensureContext();
        testgl::resetState();
        unsetenv("VIEWING_GAMMA");
    }
    void TearDown() override { unsetenv("VIEWING_GAMMA"); }

    // Writes the PNG and binds it the way textures load it.
    unsigned int bindSpec(const PngSpec& desc, PngInfo* info = nullptr, int trans = PNG_ALPHA) {
        std::string path = scratchPath("image.png");
        EXPECT_TRUE(writePng(path, desc));
        return pngBind(path.c_str(), PNG_NOMIPMAP, trans, info, GL_REPEAT, GL_LINEAR, GL_LINEAR);
    }
};

uint32_t texel(const std::vector<uint8_t>& rgba, int width, int x, int y) {
    const uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// CRC-32 of PNG chunks, bit by bit: only a handful of bytes are ever checked.
uint32_t chunkCrc(const uint8_t* bytes, size_t count) {
    uint32_t crc = 0xffffffffu;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xffffffffu;
}

PngSpec greyPixel(uint8_t value, double fileGamma) {
    PngSpec desc;
    desc.colourType = PNG_COLOR_TYPE_GRAY;
    desc.samples = {value};
    desc.fileGamma = fileGamma;
    return desc;
}


}  // namespace

TEST_F(PngBindTest, rgbImageGoesTopRowFirstWithTheRequestedParameters) {
    PngSpec desc;
    desc.width = 2;
    desc.height = 2;
    desc.samples = {255, 0, 0, 0, 255, 0, /* bottom row */ 0, 0, 255, 10, 20, 30};
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
    std::string path = scratchPath("rgb.png");
    ASSERT_TRUE(writePng(path, desc));
    PngInfo info;
    unsigned int name = pngBind(path.c_str(), PNG_NOMIPMAP, PNG_ALPHA, &info, GL_CLAMP, GL_NEAREST, GL_LINEAR);
    ASSERT_NE(name, 0u);
    GLint value = 0;
    glGetIntegerv(GL_PACK_ALIGNMENT, &value);
    EXPECT_EQ(value, 8);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &value);
    EXPECT_EQ(value, 2);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(GLuint(value), name);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_CLAMP);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_CLAMP);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &value);
    EXPECT_EQ(value, 3);  // uploaded as a component count, as the original library does
    EXPECT_EQ(info.width, 2u);
    EXPECT_EQ(info.height, 2u);
    EXPECT_EQ(info.alpha, 0);
    std::vector<uint8_t> rgba = boundTextureRgba();
    EXPECT_EQ(texel(rgba, 2, 0, 0), 0xff0000ffu);
    EXPECT_EQ(texel(rgba, 2, 1, 0), 0x00ff00ffu);
    EXPECT_EQ(texel(rgba, 2, 0, 1), 0x0000ffffu);
    EXPECT_EQ(texel(rgba, 2, 1, 1), 0x0a141effu);
}

TEST_F(PngBindTest, alphaChannelIsKeptOrDroppedAsAsked) {
    PngSpec desc;
    desc.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    desc.width = 2;
    desc.samples = {1, 2, 3, 4, 200, 100, 50, 255};
    PngInfo info;
    ASSERT_NE(bindSpec(desc, &info), 0u);
    GLint format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(format, 4);
    std::vector<uint8_t> rgba = boundTextureRgba();
    EXPECT_EQ(texel(rgba, 2, 0, 0), 0x01020304u);
    EXPECT_EQ(texel(rgba, 2, 1, 0), 0xc86432ffu);
    ASSERT_NE(bindSpec(desc, &info, PNG_SOLID), 0u);
    EXPECT_EQ(texel(boundTextureRgba(), 2, 0, 0), 0x010203ffu);
}

TEST_F(PngBindTest, greyAndGreyAlphaExpandToRgb) {
    PngSpec grey;
    grey.colourType = PNG_COLOR_TYPE_GRAY;
    grey.width = 2;
    grey.samples = {0, 77};
    ASSERT_NE(bindSpec(grey), 0u);
    EXPECT_EQ(texel(boundTextureRgba(), 2, 1, 0), 0x4d4d4dffu);

    PngSpec twoBit = grey;  // 2-bit samples 3, 1 packed high bits first
    twoBit.bitDepth = 2;
    twoBit.samples = {0xd0};
    ASSERT_NE(bindSpec(twoBit), 0u);
    std::vector<uint8_t> rgba = boundTextureRgba();
    EXPECT_EQ(texel(rgba, 2, 0, 0), 0xffffffffu);
    EXPECT_EQ(texel(rgba, 2, 1, 0), 0x555555ffu);

    PngSpec greyAlpha = grey;
    greyAlpha.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    greyAlpha.samples = {10, 20, 30, 40};
    ASSERT_NE(bindSpec(greyAlpha), 0u);
    EXPECT_EQ(texel(boundTextureRgba(), 2, 1, 0), 0x1e1e1e28u);
}

TEST_F(PngBindTest, palettesExpandAndTransparencyBecomesAlpha) {
    PngSpec desc;
    desc.colourType = PNG_COLOR_TYPE_PALETTE;
    desc.width = 3;
    desc.paletteRgb = {255, 0, 0, 0, 128, 0, 9, 8, 7};
    desc.samples = {2, 0, 1};
    PngInfo info;
    ASSERT_NE(bindSpec(desc, &info), 0u);
    std::vector<uint8_t> rgba = boundTextureRgba();
    EXPECT_EQ(texel(rgba, 4, 0, 0), 0x090807ffu);  // 3 wide scaled to 4: texel 0 is pixel 0
    EXPECT_EQ(texel(rgba, 4, 1, 0), 0x090807ffu);
    EXPECT_EQ(texel(rgba, 4, 2, 0), 0xff0000ffu);
    EXPECT_EQ(texel(rgba, 4, 3, 0), 0x008000ffu);
    EXPECT_EQ(info.width, 3u);

    desc.transparency = {0, 128};  // entry 2 has no tRNS byte: opaque
    ASSERT_NE(bindSpec(desc, &info), 0u);
    GLint format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(format, 4);
    rgba = boundTextureRgba();
    EXPECT_EQ(texel(rgba, 4, 0, 0), 0x090807ffu);
    EXPECT_EQ(texel(rgba, 4, 2, 0), 0xff000000u);
    EXPECT_EQ(texel(rgba, 4, 3, 0), 0x00800080u);
}

TEST_F(PngBindTest, sixteenBitSamplesAreReducedToEight) {
    PngSpec desc;
    desc.bitDepth = 16;
    desc.samples = {0xff, 0xff, 0x80, 0x80, 0x00, 0x00};
    PngInfo info;
    ASSERT_NE(bindSpec(desc, &info), 0u);
    EXPECT_EQ(info.depth, 16);
    EXPECT_EQ(texel(boundTextureRgba(), 1, 0, 0), 0xff8000ffu);
}

TEST_F(PngBindTest, oddSidesScaleToPowersOfTwoByNearestNeighbour) {
    PngSpec desc;
    desc.width = 3;
    desc.height = 5;
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 3; ++x) desc.samples.insert(desc.samples.end(), {uint8_t(x * 60), uint8_t(y * 50), 7});
    }
    PngInfo info;
    ASSERT_NE(bindSpec(desc, &info), 0u);
    EXPECT_EQ(info.width, 3u);
    EXPECT_EQ(info.height, 5u);
    int width = 0, height = 0;
    std::vector<uint8_t> rgba = boundTextureRgba(&width, &height);
    ASSERT_EQ(width, 4);
    ASSERT_EQ(height, 8);
    // Texel (x, y) takes pixel (x * 3 / 4, y * 5 / 8), rounded down.
    const int columns[4] = {0, 0, 1, 2};
    const int rows[8] = {0, 0, 1, 1, 2, 3, 3, 4};
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 4; ++x) {
            uint32_t expected = uint32_t(columns[x] * 60) << 24 | uint32_t(rows[y] * 50) << 16 | 0x07ffu;
            EXPECT_EQ(texel(rgba, 4, x, y), expected) << x << "," << y;
        }
    }
}


TEST_F(PngBindTest, gammaIsCorrectedOnlyWhenFileAndScreenDoNotCancel) {
    struct Case {
        double fileGamma;
        const char* viewing;
        int expected;
    } cases[] = {
        {0.0, nullptr, 128},    // no gAMA: taken as 1/2.2, which cancels the screen's 2.2
        {1.0 / 2.2, nullptr, 128},
        {0.44, nullptr, 128},   // 0.968: within 0.05 of 1
        {1.0, nullptr, 186},    // 255 * (128/255)^(1/2.2)
        {0.0, "1.7", 79},       // screen 2.2/1.7: 255 * (128/255)^1.7
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileGamma);
        if (c.viewing) setenv("VIEWING_GAMMA", c.viewing, 1);
        else unsetenv("VIEWING_GAMMA");
        ASSERT_NE(bindSpec(greyPixel(128, c.fileGamma)), 0u);
        EXPECT_NEAR(int(boundTextureRgba()[0]), c.expected, 1);
    }
}

TEST_F(PngBindTest, failuresReturnZeroAndReportNoSize) {
    PngSpec desc;
    desc.width = 8;
    desc.height = 8;
    desc.samples.assign(8 * 8 * 3, 99);
    std::string good = scratchPath("good.png");
    ASSERT_TRUE(writePng(good, desc));
    std::ifstream in(good, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 60u);

    std::vector<std::vector<uint8_t>> damaged;
    damaged.push_back(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 40));  // ends inside the data
    damaged.push_back({'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g', '\n'});
    std::vector<uint8_t> badCrc = bytes;
    badCrc[30] ^= 0xff;  // inside IHDR
    damaged.push_back(badCrc);
    // A header claiming 40000 x 40000 with a matching checksum.
    std::vector<uint8_t> huge = bytes;
    for (int i : {16, 20}) {
        huge[i] = 0, huge[i + 1] = 0, huge[i + 2] = 0x9c, huge[i + 3] = 0x40;
    }
    uint32_t crc = chunkCrc(huge.data() + 12, 17);
    for (int i = 0; i < 4; ++i) huge[29 + i] = uint8_t(crc >> (24 - 8 * i));
    damaged.push_back(huge);

    for (size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE(i);
        std::string path = scratchPath("bad.png");
        ASSERT_TRUE(assettest::writeBytes(path, damaged[i]));
        PngInfo info;
        info.width = 5;
        EXPECT_EQ(pngBind(path.c_str(), PNG_NOMIPMAP, PNG_ALPHA, &info, GL_REPEAT, GL_LINEAR, GL_LINEAR), 0u);
        EXPECT_EQ(info.width, 0u);
    }
    EXPECT_EQ(pngBind(scratchPath("absent.png").c_str(), 0, PNG_ALPHA, nullptr, GL_REPEAT, GL_LINEAR, GL_LINEAR), 0u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(PngBindTest, mipmapChainIsBuiltOnRequestAndAFailedUploadLeavesNoTexture) {
    PngSpec desc;
    desc.width = 4;
    desc.height = 4;
    desc.samples.assign(4 * 4 * 3, 200);
    std::string path = scratchPath("chain.png");
    ASSERT_TRUE(writePng(path, desc));
    ASSERT_NE(pngBind(path.c_str(), PNG_BUILDMIPMAPS, PNG_ALPHA, nullptr, GL_REPEAT, GL_LINEAR, GL_LINEAR), 0u);
    GLint smallest = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH, &smallest);
    EXPECT_EQ(smallest, 1);
    // A filter GL refuses makes the upload fail: the name made for it is deleted,
    // which puts the default texture back in the binding.
    EXPECT_EQ(pngBind(path.c_str(), PNG_NOMIPMAP, PNG_ALPHA, nullptr, GL_REPEAT, 12345, GL_LINEAR), 0u);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
}
