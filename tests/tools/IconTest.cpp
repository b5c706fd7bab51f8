// The desktop icon the Debian package installs, decoded from the file that
// morvel-assetgen --icon writes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "assets/PngImage.h"
#include "tests/tools/GeneratedTree.h"
#include "tools/assetgen/Icon.h"

namespace {

PngPixels writtenIcon() {
    std::string path = scratchFolder("icon") + "/morvel.png";
    EXPECT_TRUE(writeIcon(path));
    PngPixels pixels;
    EXPECT_TRUE(decodePng(path.c_str(), true, pixels));
    return pixels;
}

const uint8_t* pixelAt(const PngPixels& p, uint32_t x, uint32_t y) {
    return &p.bytes[(static_cast<size_t>(y) * p.width + x) * p.channelCount];
}

int luminance(const uint8_t* q) { return (q[0] * 3 + q[1] * 6 + q[2]) / 10; }

}  // namespace

TEST(Icon, isAnOpaqueRoundBallWithSmoothEdgesOnAClearSquare) {
    PngPixels p = writtenIcon();
    ASSERT_EQ(p.width, static_cast<uint32_t>(kIconSizePx));
    ASSERT_EQ(p.height, static_cast<uint32_t>(kIconSizePx));
    ASSERT_EQ(p.channelCount, 4);
    const uint32_t last = p.width - 1, middle = p.width / 2;
    for (uint32_t c : {0u, last}) {
        EXPECT_EQ(pixelAt(p, c, 0)[3], 0);
        EXPECT_EQ(pixelAt(p, c, last)[3], 0);
    }
    // A margin all round, the ball solid inside it.
    EXPECT_EQ(pixelAt(p, middle, 2)[3], 0);
    EXPECT_EQ(pixelAt(p, 2, middle)[3], 0);
    EXPECT_EQ(pixelAt(p, middle, middle)[3], 255);
    EXPECT_EQ(pixelAt(p, middle, 12)[3], 255);
    // The edge is anti-aliased: some pixel along the middle row is partly covered.
    int partial = 0;
    for (uint32_t x = 0; x < p.width; ++x) partial += pixelAt(p, x, middle)[3] > 0 && pixelAt(p, x, middle)[3] < 255;
    EXPECT_GE(partial, 2);
}

TEST(Icon, reflectsTheBlueStudioAndDarkensTowardsTheRim) {
    PngPixels p = writtenIcon();
    double red = 0, blue = 0, inner = 0, rim = 0;
    int opaque = 0, innerCount = 0, rimCount = 0;
    const double centre = p.width / 2.0, radius = 0.46 * p.width;
    for (uint32_t y = 0; y < p.height; ++y) {
        for (uint32_t x = 0; x < p.width; ++x) {
            const uint8_t* q = pixelAt(p, x, y);
            if (q[3] < 255) continue;
            ++opaque;
            red += q[0];
            blue += q[2];
            double r = std::hypot(x + 0.5 - centre, y + 0.5 - centre) / radius;
            if (r < 0.5) inner += luminance(q), ++innerCount;
            if (r > 0.85) rim += luminance(q), ++rimCount;
        }
    }
    ASSERT_GT(innerCount, 0);
    ASSERT_GT(rimCount, 0);
    EXPECT_GT(opaque, p.width * p.height / 2);
    EXPECT_GT(blue / opaque, red / opaque + 20);
    EXPECT_LT(rim / rimCount, inner / innerCount);
}

TEST(Icon, repeatsItsBytesAndReportsAnUnwritablePath) {
    std::string folder = scratchFolder("icon-twice");
    ASSERT_TRUE(writeIcon(folder + "/a.png"));
    ASSERT_TRUE(writeIcon(folder + "/b.png"));
    EXPECT_EQ(fileBytes(folder + "/a.png"), fileBytes(folder + "/b.png"));
    EXPECT_FALSE(writeIcon(folder + "/no such folder/icon.png"));
}
