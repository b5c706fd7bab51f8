// The generated images, decoded the way the demo's texture loaders decode them.
#include <gtest/gtest.h>

#include <string>

#include "assets/JpegImage.h"
#include "assets/PngImage.h"
#include "assets/Texture.h"
#include "platform/MessageBox.h"
#include "tests/tools/GeneratedTree.h"

namespace {

std::string texPath(const char* name) { return generatedFile(std::string("data/tex/") + name); }

// A PNG decoded by the texture path, alpha kept when present.
PngPixels decoded(const char* name) {
    PngPixels pixels;
    EXPECT_TRUE(decodePng(texPath(name).c_str(), true, pixels)) << name;
    return pixels;
}

const uint8_t* pixelAt(const PngPixels& p, uint32_t x, uint32_t y) {
    return &p.bytes[(static_cast<size_t>(y) * p.width + x) * p.channelCount];
}

// Mean of channel c over the image, 0..255.
double meanOf(const PngPixels& p, int c) {
    double sum = 0;
    for (size_t i = c; i < p.bytes.size(); i += p.channelCount) sum += p.bytes[i];
    return sum / (static_cast<double>(p.width) * p.height);
}

// Share of pixels that are (nearly) pure white and opaque: such areas only
// blow out under the scenes' additive glow.
double whiteShare(const PngPixels& p) {
    size_t white = 0;
    for (uint32_t y = 0; y < p.height; ++y) {
        for (uint32_t x = 0; x < p.width; ++x) {
            const uint8_t* q = pixelAt(p, x, y);
            bool opaque = p.channelCount == 3 || q[3] > 200;
            if (opaque && q[0] >= 250 && q[1] >= 250 && q[2] >= 250) ++white;
        }
    }
    return static_cast<double>(white) / (static_cast<double>(p.width) * p.height);
}

struct Expected {
    const char* name;
    uint32_t width, height;
    int channels;
};

const Expected kPngs[] = {{"bakgrunn.png", 1024, 1024, 4}, {"blue.png", 512, 512, 3},   {"vostrumlogo.png", 512, 256, 4},
                          {"quenbar06.png", 512, 64, 4},   {"lol.png", 256, 256, 3},    {"grid.png", 512, 512, 3},
                          {"kuletex.png", 512, 256, 3},    {"green.png", 512, 512, 3},  {"greets.png", 512, 512, 4}};

}  // namespace

TEST(GeneratedImages, everyPngHasItsSizeChannelsAndNoLargeWhiteArea) {
    for (const Expected& e : kPngs) {
        SCOPED_TRACE(e.name);
        PngPixels p = decoded(e.name);
        EXPECT_EQ(p.width, e.width);
        EXPECT_EQ(p.height, e.height);
        EXPECT_EQ(p.channelCount, e.channels);
        EXPECT_EQ(p.fileBitDepth, 8);
        EXPECT_LT(whiteShare(p), 0.02);
    }
}

TEST(GeneratedImages, overlayIsClearInTheMiddleAndFramedWithTitleBelow) {
    PngPixels p = decoded("bakgrunn.png");
    ASSERT_EQ(p.channelCount, 4);
    // The middle third is fully transparent so the sphere shows through.
    for (uint32_t y = 340; y < 680; y += 7) {
        for (uint32_t x = 340; x < 680; x += 7) ASSERT_EQ(pixelAt(p, x, y)[3], 0) << x << "," << y;
    }
    // Dark, mostly opaque corners.
    for (uint32_t c : {2u, 1021u}) {
        EXPECT_GT(pixelAt(p, c, c)[3], 150);
        EXPECT_LT(pixelAt(p, c, c)[0], 60);
    }
    // The title's light letters sit in the lower band.
    int bright = 0;
    for (uint32_t y = 900; y < 1024; ++y) {
        for (uint32_t x = 300; x < 724; ++x) bright += pixelAt(p, x, y)[0] > 200 && pixelAt(p, x, y)[3] > 200;
    }
    EXPECT_GT(bright, 500);
}

TEST(GeneratedImages, greetingsAreOpaqueLettersOnAClearGround) {
    PngPixels p = decoded("greets.png");
    ASSERT_EQ(p.channelCount, 4);
    size_t clear = 0, letters = 0;
    for (uint32_t y = 0; y < p.height; ++y) {
        for (uint32_t x = 0; x < p.width; ++x) {
            const uint8_t* q = pixelAt(p, x, y);
            clear += q[3] == 0;
            letters += q[3] > 240 && q[1] > 180;
        }
    }
    EXPECT_GT(clear, p.width * p.height / 2);
    EXPECT_GT(letters, 2000u);
    EXPECT_EQ(pixelAt(p, 0, 0)[3], 0);
    EXPECT_EQ(pixelAt(p, 511, 511)[3], 0);
}

TEST(GeneratedImages, sphereMapAndShellTextureHaveTheirColours) {
    PngPixels blue = decoded("blue.png");
    EXPECT_GT(meanOf(blue, 2), meanOf(blue, 0) + 40);
    PngPixels green = decoded("green.png");
    // Green-brown: red and green well above blue, and dark seams between plates.
    EXPECT_GT(meanOf(green, 1), meanOf(green, 2) + 15);
    EXPECT_GT(meanOf(green, 0), meanOf(green, 2) + 15);
    size_t dark = 0;
    for (size_t i = 0; i < green.bytes.size(); i += 3) dark += green.bytes[i] + green.bytes[i + 1] < 40;
    EXPECT_GT(dark, green.bytes.size() / 3 / 50);
}

TEST(GeneratedImages, photoIsAnEightHundredBySixHundredBlueSeaWithATurtleInIt) {
    std::vector<std::string> messages;
    MessageSink previous = setMessageSink([&](const char*, const char* text) { messages.push_back(text); });
    JpegImage* photo = loadJpeg(texPath("turtle2.jpg").c_str());
    setMessageSink(previous);
    ASSERT_NE(photo, nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(photo->width, 800);
    EXPECT_EQ(photo->height, 600);
    EXPECT_EQ(photo->rowStride, 800 * 3);
    auto meanIn = [&](int x0, int y0, int x1, int y1, int c) {
        double sum = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) sum += photo->pixels[y * photo->rowStride + x * 3 + c];
        }
        return sum / ((x1 - x0) * (y1 - y0));
    };
    // Blue water around, neither black nor so bright that the added glow burns it out.
    double r = meanIn(0, 0, 800, 600, 0), b = meanIn(0, 0, 800, 600, 2);
    EXPECT_GT(b, r + 15);
    EXPECT_GT(b, 20);
    EXPECT_LT((r + b + meanIn(0, 0, 800, 600, 1)) / 3, 110);
    // Brighter towards the surface than in the deep.
    EXPECT_GT(meanIn(0, 0, 800, 60, 2), meanIn(0, 540, 800, 600, 2));
    // The turtle in the middle is warmer than the water at the bottom edge.
    double middleWarmth = meanIn(300, 250, 500, 350, 0) - meanIn(300, 250, 500, 350, 2);
    double waterWarmth = meanIn(0, 560, 800, 600, 0) - meanIn(0, 560, 800, 600, 2);
    EXPECT_GT(middleWarmth, waterWarmth + 20);
    freeJpeg(photo);
}
