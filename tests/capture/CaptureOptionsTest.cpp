#include "tools/capture/CaptureOptions.h"

#include <gtest/gtest.h>

namespace {

std::string errorFor(const std::vector<std::string>& args) {
    CaptureOptions options;
    std::string error;
    EXPECT_FALSE(parseCaptureOptions(args, options, error));
    return error;
}

}  // namespace

TEST(CaptureOptions, defaultsToSixtyFramesASecondOverTheWholeTimeline) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parseCaptureOptions({"--out", "demo.mp4"}, options, error)) << error;
    EXPECT_EQ(options.fps, 60);
    long first = -1, end = -1;
    frameRange(options, first, end);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(end, 3600);
    EXPECT_EQ(options.outWidth, 800);
    EXPECT_EQ(options.outHeight, 600);
}

TEST(CaptureOptions, framesAreNumberedFromIntegersWithoutDrift) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parseCaptureOptions({"--fps", "30", "--from", "27.5", "--to", "29.5", "--frames", "f", "--size",
                                     "400x300"},
                                    options, error))
        << error;
    long first = 0, end = 0;
    frameRange(options, first, end);
    EXPECT_EQ(first, 825);
    EXPECT_EQ(end - first, 60);
    EXPECT_EQ(options.outWidth, 400);
    EXPECT_EQ(frameTime(840, 30), 28.0f);
    EXPECT_EQ(frameTime(1290, 30), 43.0f);
    // Summing 1/60 in floats drifts; dividing integers does not.
    float summed = 0;
    for (int i = 0; i < 3599; ++i) summed += 1.0f / 60.0f;
    EXPECT_NE(summed, frameTime(3599, 60));
    EXPECT_EQ(frameTime(3599, 60), static_cast<float>(3599.0 / 60.0));
}

TEST(CaptureOptions, aStillNeedsBothItsTimeAndItsFile) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parseCaptureOptions({"--at", "12.5", "--png", "still.png"}, options, error)) << error;
    EXPECT_TRUE(options.hasAt);
    EXPECT_EQ(options.atSeconds, 12.5);
    EXPECT_EQ(errorFor({"--at", "3"}), "--at and --png go together");
    EXPECT_EQ(errorFor({"--png", "x.png"}), "--at and --png go together");
}

TEST(CaptureOptions, badInputNamesTheProblemInOneLine) {
    EXPECT_EQ(errorFor({"--bogus", "1"}), "unknown option '--bogus'");
    EXPECT_EQ(errorFor({"--out"}), "option --out needs a value");
    EXPECT_EQ(errorFor({"--fps", "0", "--out", "a.mp4"}), "--fps must be a whole number from 1 to 1000, not '0'");
    EXPECT_EQ(errorFor({"--fps", "-5", "--out", "a.mp4"}), "--fps must be a whole number from 1 to 1000, not '-5'");
    EXPECT_EQ(errorFor({"--fps", "abc", "--out", "a.mp4"}), "option --fps wants a number, not 'abc'");
    EXPECT_EQ(errorFor({"--from", "10", "--to", "5", "--out", "a.mp4"}), "--from must not be after --to");
    EXPECT_EQ(errorFor({"--size", "800", "--out", "a.mp4"}),
              "--size wants WIDTHxHEIGHT, such as 1280x960, not '800'");
    EXPECT_EQ(errorFor({"--out", "a.avi"}), "--out must name an .mp4 file, not 'a.avi'");
    EXPECT_EQ(errorFor({"--out", "a.mp4", "--frames", "d"}), "give only one of --out, --frames and --at/--png");
    EXPECT_EQ(errorFor({"--fps", "30"}),
              "say where to write: --out FILE.mp4, --frames DIR or --at SECONDS --png FILE");
    for (const std::string& message : {errorFor({"--bogus", "1"}), errorFor({"--out"})}) {
        EXPECT_EQ(message.find('\n'), std::string::npos);
    }
}
