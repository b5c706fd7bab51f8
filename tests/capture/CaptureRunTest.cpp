// morvel-capture on the generated content, headless: stills, PNG sequences and
// a plain MP4, and the one-line refusals.
#include "tests/capture/CaptureRunSupport.h"

#include <gtest/gtest.h>

using namespace capture_test;

namespace {

double meanAbsoluteDifference(const Image& a, const Image& b) {
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    }
    return sum / a.rgb.size();
}

Image still(const TempFolder& folder, const std::string& arguments, const std::string& name) {
    const std::string file = folder / name;
    ProcessResult run = capture(arguments + " --png '" + file + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    return readPng(file);
}

}  // namespace

TEST(CaptureRun, theSameFrameTwiceGivesIdenticalPixels) {
    TempFolder folder;
    Image a = still(folder, "--at 12.25", "a.png");
    Image b = still(folder, "--at 12.25", "b.png");
    ASSERT_EQ(a.width, 800);
    ASSERT_EQ(a.height, 600);
    EXPECT_EQ(a.rgb, b.rgb);
}

TEST(CaptureRun, atTwentyEightThePhotoSceneDrawsOverTheSphereScene) {
    TempFolder folder;
    Image sphere = still(folder, "--at 27.9", "sphere.png");
    Image shared = still(folder, "--at 28.0", "shared.png");
    Image photo = still(folder, "--at 28.1", "photo.png");
    ASSERT_EQ(shared.rgb.size(), photo.rgb.size());
    ASSERT_EQ(shared.rgb.size(), sphere.rgb.size());
    // 28.0 shows the photograph (drawn last), not the sphere; the photo's
    // frames differ only by the glow's strength.
    EXPECT_LT(meanAbsoluteDifference(shared, photo), 12.0);
    EXPECT_GT(meanAbsoluteDifference(shared, sphere), 25.0);
}

// The frames are written by several threads: each must land under its own
// number, drawn at its own time, and equal the still of that time.
TEST(CaptureRun, twoSecondsAtThirtyFramesGiveSixtyNumberedPngsEachTheStillOfItsTime) {
    TempFolder folder;
    ProcessResult run = capture("--fps 30 --from 44 --to 46 --size 200x150 --frames '" + (folder / "frames") + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("frame 60/60"), std::string::npos) << run.err;
    const std::vector<std::string> names = namesIn(folder / "frames");
    ASSERT_EQ(names.size(), 60u);
    EXPECT_EQ(names.front(), "frame_00000.png");
    EXPECT_EQ(names.back(), "frame_00059.png");
    Image firstFrame = readPng(folder / "frames/frame_00000.png");
    EXPECT_EQ(firstFrame.width, 200);
    EXPECT_EQ(firstFrame.height, 150);
    // Frame 30 from 44 s at 30 fps shows 45 s; frame 31 shows 45 1/30 s.
    const Image at45 = still(folder, "--at 45 --size 200x150", "at45.png");
    EXPECT_EQ(readPng(folder / "frames/frame_00030.png").rgb, at45.rgb);
    EXPECT_NE(readPng(folder / "frames/frame_00031.png").rgb, at45.rgb);
}

TEST(CaptureRun, aStillIsDrawnAtItsSizeAndCentredInItsFrameOnBlack) {
    TempFolder folder;
    const Image drawn = still(folder, "--at 20 --size 200x150", "drawn.png");
    const Image framed = still(folder, "--at 20 --size 200x150 --frame 240x160", "framed.png");
    ASSERT_EQ(framed.width, 240);
    ASSERT_EQ(framed.height, 160);
    ASSERT_EQ(drawn.width, 200);
    int blackBars = 0, differing = 0;
    for (int y = 0; y < 160; ++y) {
        for (int x = 0; x < 240; ++x) {
            const bool inside = x >= 20 && x < 220 && y >= 5 && y < 155;
            const uint8_t* pixel = framed.at(x, y);
            if (!inside) {
                blackBars += pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 0;
            } else {
                differing += !std::equal(pixel, pixel + 3, drawn.at(x - 20, y - 5));
            }
        }
    }
    EXPECT_EQ(blackBars, 240 * 160 - 200 * 150);
    EXPECT_EQ(differing, 0);
}

TEST(CaptureRun, aShortMp4HasItsFramesSizeRateAndAlignedAudio) {
    TempFolder folder;
    const std::string movie = folder / "short.mp4";
    ProcessResult run = capture("--fps 30 --from 27 --to 29 --size 320x240 --out '" + movie + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string video =
        probeStream(movie, "v:0", "nb_frames,width,height,r_frame_rate,pix_fmt,codec_name");
    EXPECT_EQ(probeValue(video, "codec_name"), "h264") << video;
    EXPECT_EQ(probeValue(video, "width"), "320");
    EXPECT_EQ(probeValue(video, "height"), "240");
    EXPECT_EQ(probeValue(video, "pix_fmt"), "yuv420p");
    EXPECT_EQ(probeValue(video, "r_frame_rate"), "30/1");
    EXPECT_EQ(probeValue(video, "nb_frames"), "60");
    const std::string audio = probeStream(movie, "a:0", "codec_name,duration");
    EXPECT_EQ(probeValue(audio, "codec_name"), "aac") << audio;
    EXPECT_NEAR(std::atof(probeValue(audio, "duration").c_str()), 2.0, 1.0 / 30.0);
}

TEST(CaptureRun, badOptionsAndUnwritableOutputsExitTwoWithTheirMessage) {
    ProcessResult unknown = capture("--bogus 3");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "morvel-capture: unknown option '--bogus'\n");
    ProcessResult order = capture("--from 9 --to 3 --out x.mp4");
    EXPECT_EQ(order.status, 2);
    EXPECT_EQ(order.err, "morvel-capture: --from must not be after --to\n");
    ProcessResult unwritable = capture("--out /proc/no-such-dir/x.mp4");
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_EQ(unwritable.err, "morvel-capture: cannot write '/proc/no-such-dir/x.mp4'\n");
    ProcessResult noFfmpeg = runIn(MORVEL_E2E_ROOT, "env PATH=/nonexistent " MORVEL_CAPTURE_BINARY
                                                    " --out never-written.mp4");
    EXPECT_EQ(noFfmpeg.status, 2);
    EXPECT_EQ(noFfmpeg.err, "morvel-capture: ffmpeg was not found on the PATH (scripts/setup installs it)\n");
    ProcessResult help = capture("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--preset party"), std::string::npos) << help.out;
}
