// How the demo looks at another pixel size, through the capture path: a frame
// drawn at 1600 x 1200 and halved with a box filter is the 800 x 600 frame of
// the same time, but for edges that the larger size draws more finely.
#include "tests/capture/CaptureRunSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace capture_test;

namespace {

struct Likeness {
    double meanDifference = 0;   // levels, over every channel of every pixel
    double pixelsWithin8 = 0;    // the share whose three channels are all within 8 levels
};

Likeness halvedAgainst(const Image& large, const Image& small) {
    Likeness likeness;
    long within = 0;
    double sum = 0;
    for (int y = 0; y < small.height; ++y) {
        for (int x = 0; x < small.width; ++x) {
            int largest = 0;
            for (int c = 0; c < 3; ++c) {
                const int box = (large.at(2 * x, 2 * y)[c] + large.at(2 * x + 1, 2 * y)[c] +
                                 large.at(2 * x, 2 * y + 1)[c] + large.at(2 * x + 1, 2 * y + 1)[c] + 2) / 4;
                const int difference = std::abs(box - small.at(x, y)[c]);
                sum += difference;
                largest = std::max(largest, difference);
            }
            within += largest <= 8;
        }
    }
    const double pixels = static_cast<double>(small.width) * small.height;
    likeness.meanDifference = sum / (3 * pixels);
    likeness.pixelsWithin8 = within / pixels;
    return likeness;
}

// Measured on llvmpipe: 98.99 % within 8 levels at 10 s (mean 0.62), 99.89 %
// at 35 s (mean 0.86) and 99.87 % at 50 s (mean 0.07). What is left differs at
// edges the larger size draws more finely (the sphere's outline, the glow's
// input there) and where a glow block's edge falls exactly on a pixel centre.
void checkHalvedMatches(const char* seconds) {
    TempFolder folder;
    ProcessResult large = capture(std::string("--at ") + seconds + " --size 1600x1200 --png '" + (folder / "l.png") + "'");
    ProcessResult small = capture(std::string("--at ") + seconds + " --png '" + (folder / "s.png") + "'");
    ASSERT_EQ(large.status, 0) << large.err;
    ASSERT_EQ(small.status, 0) << small.err;
    const Image largeImage = readPng(folder / "l.png");
    const Image smallImage = readPng(folder / "s.png");
    ASSERT_EQ(largeImage.width, 1600);
    ASSERT_EQ(smallImage.width, 800);
    const Likeness likeness = halvedAgainst(largeImage, smallImage);
    std::printf("halved 1600 x 1200 against 800 x 600 at %s s: mean difference %.3f levels, %.2f %% within 8\n",
                seconds, likeness.meanDifference, 100 * likeness.pixelsWithin8);
    EXPECT_LE(likeness.meanDifference, 1.5) << seconds << " s";
    EXPECT_GE(likeness.pixelsWithin8, 0.98) << seconds << " s";
}

}  // namespace

// The glow's blocks and its input are those of an 800 x 600 canvas; the sphere's
// outline is what differs most.
TEST(CaptureLook, halvedAt10sTheSphereMatches800x600) {
    checkHalvedMatches("10");
}

// The photograph clamps to its edges instead of wrapping to the far side.
TEST(CaptureLook, halvedAt35sThePhotographMatches800x600) {
    checkHalvedMatches("35");
}

// The greetings, one texel per pixel at 800 x 600, become squares of 2 x 2
// pixels instead of a linear blur that halving does not undo.
TEST(CaptureLook, halvedAt50sTheGreetingsMatch800x600) {
    checkHalvedMatches("50");
}
