#include "tools/capture/CaptureOptions.h"
#include "tools/capture/Mp4Encoding.h"

#include <gtest/gtest.h>

namespace {

std::string errorFor(const std::vector<std::string>& args) {
    CaptureOptions options;
    std::string error;
    EXPECT_FALSE(parseCaptureOptions(args, options, error));
    return error;
}

CaptureOptions parsed(const std::vector<std::string>& args) {
    CaptureOptions options;
    std::string error;
    EXPECT_TRUE(parseCaptureOptions(args, options, error)) << error;
    return options;
}

long frameCount(const CaptureOptions& options) {
    long first = 0, end = 0;
    frameRange(options, first, end);
    return end - first;
}

}  // namespace

TEST(CaptureOptions, defaultsToSixtyFramesASecondOverTheWholeTimelineAt800x600) {
    CaptureOptions options = parsed({"--out", "demo.mp4"});
    EXPECT_EQ(options.fps.num, 60);
    EXPECT_EQ(options.fps.den, 1);
    long first = -1, end = -1;
    frameRange(options, first, end);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(end, 3600);
    EXPECT_EQ(options.render.width, 800);
    EXPECT_EQ(options.render.height, 600);
    EXPECT_EQ(options.frame.width, 800);
    EXPECT_EQ(options.frame.height, 600);
}

TEST(CaptureOptions, framesAreNumberedFromIntegersWithoutDrift) {
    CaptureOptions options = parsed({"--fps", "30", "--from", "27.5", "--to", "29.5", "--frames", "f"});
    long first = 0, end = 0;
    frameRange(options, first, end);
    EXPECT_EQ(first, 825);
    EXPECT_EQ(end - first, 60);
    EXPECT_EQ(frameTime(840, {30, 1}), 28.0f);
    EXPECT_EQ(frameTime(1290, {30, 1}), 43.0f);
    // Summing 1/60 in floats drifts; dividing integers does not.
    float summed = 0;
    for (int i = 0; i < 3599; ++i) summed += 1.0f / 60.0f;
    EXPECT_NE(summed, frameTime(3599, {60, 1}));
    EXPECT_EQ(frameTime(3599, {60, 1}), static_cast<float>(3599.0 / 60.0));
}

TEST(CaptureOptions, ntscRatesAreExactFractions) {
    for (const char* spelling : {"29.97", "30000/1001"}) {
        CaptureOptions options = parsed({"--fps", spelling, "--from", "10", "--to", "11", "--out", "a.mp4"});
        EXPECT_EQ(options.fps.num, 30000) << spelling;
        EXPECT_EQ(options.fps.den, 1001) << spelling;
        // 10 s x 29.97 = 299.7, so the first frame is 300, shown at 300 x 1001 / 30000 s.
        long first = 0, end = 0;
        frameRange(options, first, end);
        EXPECT_EQ(first, 300);
        EXPECT_EQ(end, 330);
    }
    EXPECT_EQ(parsed({"--fps", "59.94", "--out", "a.mp4"}).fps.num, 60000);
    EXPECT_EQ(parsed({"--fps", "23.976", "--out", "a.mp4"}).fps.num, 24000);
    EXPECT_EQ(parsed({"--fps", "25/1", "--out", "a.mp4"}).fps.den, 1);
    EXPECT_FLOAT_EQ(frameTime(300, {30000, 1001}), 10.01f);
    // The audio's cut follows the frame: 300 frames at 29.97 are 480480 samples at 48 kHz.
    EXPECT_EQ(frameStartSample(300, {30000, 1001}, 48000), 480480);
    EXPECT_EQ(frameStartSample(1, {30000, 1001}, 48000), 1602);  // 1601.6 rounded
    EXPECT_EQ(frameStartSample(811, {30, 1}, 48000), 1297600);
    for (const char* bad : {"29.5", "30000/1000", "0/1001", "2000000/1001", "1e3x"}) {
        EXPECT_NE(errorFor({"--fps", bad, "--out", "a.mp4"}).find("--fps must be"), std::string::npos) << bad;
    }
}

TEST(CaptureOptions, aKeyframeComesAtLeastEveryTwoSecondsAtEveryRate) {
    for (FrameRate rate : {FrameRate{1, 1}, FrameRate{30, 1}, FrameRate{30000, 1001}, FrameRate{60, 1},
                           FrameRate{60000, 1001}, FrameRate{1000, 1}}) {
        const int interval = keyframeInterval(rate);
        EXPECT_GE(interval, 1);
        EXPECT_LE(interval / rate.perSecond(), 2.0) << rate.num << "/" << rate.den;
        EXPECT_GT(interval / rate.perSecond(), 1.9) << rate.num << "/" << rate.den;
    }
}

TEST(CaptureOptions, presetsFixTheFrameTheRenderAndTheRate) {
    CaptureOptions party = parsed({"--preset", "party", "--out", "party.mp4"});
    EXPECT_EQ(party.frame.width, 1920);
    EXPECT_EQ(party.frame.height, 1080);
    EXPECT_EQ(party.render.width, 1440);
    EXPECT_EQ(party.render.height, 1080);
    EXPECT_EQ(party.fps.num, 30);
    CaptureOptions small = parsed({"--preset", "party-720", "--from", "1", "--to", "2", "--out", "p.mp4"});
    EXPECT_EQ(small.frame.width, 1280);
    EXPECT_EQ(small.render.width, 960);
    EXPECT_EQ(small.render.height, 720);
    EXPECT_EQ(frameCount(small), 30);
    CaptureOptions uhd = parsed({"--preset", "4k", "--out", "p.mp4"});
    EXPECT_EQ(uhd.frame.width, 3840);
    EXPECT_EQ(uhd.render.width, 2880);
    EXPECT_EQ(uhd.render.height, 2160);
    EXPECT_EQ(uhd.fps.num, 60);
    const std::string mixed =
        "--preset makes an MP4 of its own size and rate: give it with --out, without --size, --frame or --fps";
    EXPECT_EQ(errorFor({"--preset", "party", "--size", "800x600", "--out", "a.mp4"}), mixed);
    EXPECT_EQ(errorFor({"--fps", "60", "--preset", "party", "--out", "a.mp4"}), mixed);
    EXPECT_EQ(errorFor({"--preset", "party", "--frames", "d"}), mixed);
    EXPECT_EQ(errorFor({"--preset", "vhs", "--out", "a.mp4"}), "--preset is party, party-720 or 4k, not 'vhs'");
}

TEST(CaptureOptions, theRenderIsCentredInAFrameThatHoldsIt) {
    CaptureOptions options = parsed({"--size", "1440x1080", "--frame", "1920x1080", "--out", "a.mp4"});
    EXPECT_EQ(options.render.width, 1440);
    EXPECT_EQ(options.frame.width, 1920);
    EXPECT_EQ(parsed({"--size", "400x300", "--frames", "f"}).frame.width, 400);
    EXPECT_EQ(errorFor({"--size", "800x600", "--frame", "640x600", "--out", "a.mp4"}),
              "--frame 640x600 must hold the render size 800x600");
    // H.264 in 4:2:0 needs even sides; a PNG does not.
    const std::string odd = "an MP4's frame must have an even width and height (4:2:0 colour), not 801x600";
    EXPECT_EQ(errorFor({"--size", "801x600", "--out", "a.mp4"}), odd);
    EXPECT_EQ(errorFor({"--size", "640x480", "--frame", "801x600", "--out", "a.mp4"}), odd);
    EXPECT_EQ(parsed({"--size", "801x601", "--at", "3", "--png", "a.png"}).render.height, 601);
    EXPECT_EQ(parsed({"--size", "799x600", "--frame", "800x600", "--out", "a.mp4"}).render.width, 799);
}

TEST(CaptureOptions, aStillNeedsBothItsTimeAndItsFileAndNoRange) {
    CaptureOptions options = parsed({"--at", "12.5", "--png", "still.png"});
    EXPECT_TRUE(options.hasAt);
    EXPECT_EQ(options.atSeconds, 12.5);
    EXPECT_EQ(errorFor({"--at", "3"}), "--at and --png go together");
    EXPECT_EQ(errorFor({"--png", "x.png"}), "--at and --png go together");
    const std::string range = "--at draws one still at one time; --from, --to and --fps are for --out and --frames";
    EXPECT_EQ(errorFor({"--at", "3", "--png", "x.png", "--from", "1"}), range);
    EXPECT_EQ(errorFor({"--to", "9", "--at", "3", "--png", "x.png"}), range);
    EXPECT_EQ(errorFor({"--at", "3", "--png", "x.png", "--fps", "30"}), range);
}

TEST(CaptureOptions, timesStayInsideTheTimelineAndARangeHoldsAFrame) {
    EXPECT_EQ(errorFor({"--from", "58", "--to", "66", "--out", "a.mp4"}),
              "--to must be a time from 0 to 60 seconds, not '66'");
    EXPECT_EQ(errorFor({"--from", "70", "--to", "72", "--out", "a.mp4"}),
              "--from must be a time from 0 to 60 seconds, not '70'");
    EXPECT_EQ(errorFor({"--at", "-5", "--png", "a.png"}), "--at must be a time from 0 to 60 seconds, not '-5'");
    EXPECT_EQ(errorFor({"--at", "1e12", "--png", "a.png"}), "--at must be a time from 0 to 60 seconds, not '1e12'");
    EXPECT_EQ(errorFor({"--at", "60.001", "--png", "a.png"}),
              "--at must be a time from 0 to 60 seconds, not '60.001'");
    EXPECT_EQ(errorFor({"--at", "nan", "--png", "a.png"}), "option --at wants a number, not 'nan'");
    EXPECT_EQ(parsed({"--at", "60", "--png", "a.png"}).atSeconds, 60.0);
    EXPECT_EQ(parsed({"--at", "0", "--png", "a.png"}).atSeconds, 0.0);
    EXPECT_EQ(errorFor({"--from", "5", "--to", "5", "--out", "a.mp4"}),
              "no frame falls from --from 5 up to --to 5 at 60 frames per second");
    EXPECT_EQ(errorFor({"--fps", "1", "--from", "0.2", "--to", "0.8", "--frames", "f"}),
              "no frame falls from --from 0.2 up to --to 0.8 at 1 frames per second");
    EXPECT_EQ(frameCount(parsed({"--fps", "1", "--from", "0.5", "--to", "3", "--frames", "f"})), 2);
}

TEST(CaptureOptions, badInputNamesTheProblemInOneLine) {
    EXPECT_EQ(errorFor({"--bogus", "1"}), "unknown option '--bogus'");
    EXPECT_EQ(errorFor({"--out"}), "option --out needs a value");
    EXPECT_EQ(errorFor({"--fps", "0", "--out", "a.mp4"}),
              "--fps must be a whole number from 1 to 1000, or N/1001 such as 30000/1001 (29.97), not '0'");
    EXPECT_EQ(errorFor({"--from", "10", "--to", "5", "--out", "a.mp4"}), "--from must not be after --to");
    EXPECT_EQ(errorFor({"--size", "800", "--out", "a.mp4"}),
              "--size wants WIDTHxHEIGHT with sides from 128 to 16384, such as 1440x1080, not '800'");
    EXPECT_EQ(errorFor({"--frame", "1x1", "--out", "a.mp4"}),
              "--frame wants WIDTHxHEIGHT with sides from 128 to 16384, such as 1440x1080, not '1x1'");
    // Smaller, the glow's 128 x 128 target would reach outside the canvas.
    EXPECT_EQ(errorFor({"--size", "64x48", "--frames", "f"}),
              "--size wants WIDTHxHEIGHT with sides from 128 to 16384, such as 1440x1080, not '64x48'");
    EXPECT_EQ(errorFor({"--out", "a.avi"}), "--out must name an .mp4 file, not 'a.avi'");
    EXPECT_EQ(parsed({"--out", "A.MP4"}).outFile, "A.MP4");
    EXPECT_EQ(errorFor({"--out", "a.mp4", "--frames", "d"}), "give only one of --out, --frames and --at/--png");
    EXPECT_EQ(errorFor({"--fps", "30"}),
              "say where to write: --out FILE.mp4, --frames DIR or --at SECONDS --png FILE");
    for (const std::string& message : {errorFor({"--bogus", "1"}), errorFor({"--out"})}) {
        EXPECT_EQ(message.find('\n'), std::string::npos);
    }
}
