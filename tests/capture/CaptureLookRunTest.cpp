// How the demo looks at another pixel size, through the capture path: a frame
// drawn at 1600 x 1200 and halved with a box filter is the 800 x 600 frame of
// the same time, but for edges that the larger size draws more finely.
#include "tests/capture/CaptureRunSupport.h"

#include <gtest/gtest.h>

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

void checkHalvedMatches(const char* seconds, double shareWithin8 = 0.98) {
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
    EXPECT_LE(likeness.meanDifference, 1.5) << seconds << " s";
    EXPECT_GE(likeness.pixelsWithin8, shareWithin8) << seconds << " s";
}

}  // namespace

TEST(CaptureLook, halvedAt35sThePhotographMatches800x600) {
    checkHalvedMatches("35");
}

// Below the 98 % the photograph meets: the glow's shrink takes one bilinear
// sample per blur texel from the full-size copy, so at 1600 x 1200 it reads
// finer detail than at 800 x 600, and the blocks differ by more than 8 levels
// on about 2.4 % of the pixels (97.6 % within 8). Held here so it gets no worse.
TEST(CaptureLook, halvedAt10sTheSphereMatches800x600) {
    checkHalvedMatches("10", 0.97);
}

// Below the 98 % the photograph meets: magnified twice with linear filtering,
// the greetings' letters get a [1/8 3/4 1/8] blur that halving does not undo,
// and 3.5 % of the pixels, all on letter edges, differ by more than 8 levels
// (96.5 % within 8). Held here so it gets no worse.
TEST(CaptureLook, halvedAt50sTheGreetingsMatch800x600) {
    checkHalvedMatches("50", 0.96);
}
