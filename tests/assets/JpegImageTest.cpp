#include "assets/Texture.h"
#include "tests/assets/AssetTestFiles.h"
#include "tests/assets/TestImages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using assettest::scratchPath;
using assettest::writeJpeg;

namespace {

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A flat image of one colour in the given component layout.
std::string flatJpeg(int componentCount, std::vector<uint8_t> pixel, int width = 24, int height = 16) {
    std::vector<uint8_t> samples;
    for (int i = 0; i < width * height; ++i) samples.insert(samples.end(), pixel.begin(), pixel.end());
    std::string path = scratchPath("flat.jpg");
    EXPECT_TRUE(writeJpeg(path, width, height, componentCount, samples));
    return path;
}

void expectEveryPixelNear(const JpegImage& image, int r, int g, int b) {
    for (int32_t i = 0; i < image.width * image.height; ++i) {
        ASSERT_NEAR(image.pixels[i * 3 + 0], r, 3) << "pixel " << i;
        ASSERT_NEAR(image.pixels[i * 3 + 1], g, 3) << "pixel " << i;
        ASSERT_NEAR(image.pixels[i * 3 + 2], b, 3) << "pixel " << i;
    }
}

}  // namespace

TEST(JpegImage, colourImageGivesPackedRgbRowsTopFirst) {
    const int width = 640, height = 480;
    std::vector<uint8_t> samples(size_t(width) * height * 3, 0);
    for (int y = 0; y < height / 2; ++y) {
        for (int x = 0; x < width; ++x) samples[(size_t(y) * width + x) * 3] = 255;  // top half red
    }
    std::string path = scratchPath("photo.jpg");
    ASSERT_TRUE(writeJpeg(path, width, height, 3, samples));
    JpegImage* image = loadJpeg(path.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->rowStride, 1920);
    EXPECT_EQ(image->width, 640);
    EXPECT_EQ(image->height, 480);
    EXPECT_GT(image->pixels[0], 240);
    EXPECT_LT(image->pixels[size_t(479) * 1920], 16);
    freeJpeg(image);
    freeJpeg(nullptr);
}

TEST(JpegImage, greyAndCmykAreConvertedToRgb) {
    JpegImage* grey = loadJpeg(flatJpeg(1, {90}).c_str());
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(grey->rowStride, 3 * grey->width);
    expectEveryPixelNear(*grey, 90, 90, 90);
    freeJpeg(grey);
    // Adobe CMYK is stored inverted: no cyan, full magenta, half yellow, no black.
    JpegImage* cmyk = loadJpeg(flatJpeg(4, {255, 0, 128, 255}).c_str());
    ASSERT_NE(cmyk, nullptr);
    EXPECT_EQ(cmyk->rowStride, 3 * cmyk->width);
    expectEveryPixelNear(*cmyk, 255, 0, 128);
    freeJpeg(cmyk);
}

TEST(JpegImage, unopenableFileShowsItsBoxAndGivesNoImage) {
    assettest::MessageRecorder messages;
    std::string path = scratchPath("absent.jpg");
    EXPECT_EQ(loadJpeg(path.c_str()), nullptr);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].first, path);
    EXPECT_EQ(messages.boxes[0].second, "Unable to load JPG File!");
}

TEST(JpegImageDeathTest, damagedDataEndsTheProcessWithTheDecodersMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string notJpeg = scratchPath("text.jpg");
    ASSERT_TRUE(assettest::writeBytes(notJpeg, {'h', 'e', 'l', 'l', 'o', '\n'}));
    EXPECT_EXIT(loadJpeg(notJpeg.c_str()), ::testing::ExitedWithCode(1), "Not a JPEG file");

    std::vector<uint8_t> bytes = readFile(flatJpeg(3, {1, 2, 3}));
    std::vector<uint8_t> headerOnly(bytes.begin(), bytes.begin() + 20);
    std::string cut = scratchPath("cut.jpg");
    ASSERT_TRUE(assettest::writeBytes(cut, headerOnly));
    EXPECT_EXIT(loadJpeg(cut.c_str()), ::testing::ExitedWithCode(1), "JPEG");
}

TEST(JpegImageDeathTest, absurdSidesAreRefusedAsDamagedBeforeDecoding) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::vector<uint8_t> bytes = readFile(flatJpeg(3, {1, 2, 3}));
    // Find the baseline frame header and claim 64250 x 64250.
    size_t sof = 0;
    for (size_t i = 0; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xff && bytes[i + 1] == 0xc0) {
            sof = i;
            break;
        }
    }
    ASSERT_NE(sof, 0u);
    for (size_t at : {sof + 5, sof + 7}) {
        bytes[at] = 0xfa;
        bytes[at + 1] = 0xfa;
    }
    std::string path = scratchPath("huge.jpg");
    ASSERT_TRUE(assettest::writeBytes(path, bytes));
    EXPECT_EXIT(loadJpeg(path.c_str()), ::testing::ExitedWithCode(1), "Maximum supported image dimension is 16384");
}
