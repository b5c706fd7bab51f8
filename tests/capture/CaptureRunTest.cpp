// morvel-capture on the generated content, headless.
#include "tests/e2e/RunProcess.h"

#include <png.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <vector>

namespace {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

Image readPng(const std::string& path) {
    Image image;
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        return image;
    }
    png.format = PNG_FORMAT_RGB;
    image.width = png.width;
    image.height = png.height;
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
        image.rgb.clear();
    }
    return image;
}

double meanAbsoluteDifference(const Image& a, const Image& b) {
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    }
    return sum / a.rgb.size();
}

std::string tempFolder() {
    char pattern[] = "/tmp/morvel-capture-test-XXXXXX";
    return mkdtemp(pattern);
}

Image still(const std::string& folder, const char* seconds, const char* name) {
    const std::string file = folder + "/" + name;
    ProcessResult run =
        runIn(MORVEL_E2E_ROOT, std::string(MORVEL_CAPTURE_BINARY) + " --at " + seconds + " --png '" + file + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    return readPng(file);
}

}  // namespace

TEST(CaptureRun, theSameFrameTwiceGivesIdenticalPixels) {
    const std::string folder = tempFolder();
    Image a = still(folder, "12.25", "a.png");
    Image b = still(folder, "12.25", "b.png");
    ASSERT_EQ(a.width, 800);
    ASSERT_EQ(a.height, 600);
    EXPECT_EQ(a.rgb, b.rgb);
    std::system(("rm -rf '" + folder + "'").c_str());
}

TEST(CaptureRun, atTwentyEightThePhotoSceneDrawsOverTheSphereScene) {
    const std::string folder = tempFolder();
    Image sphere = still(folder, "27.9", "sphere.png");
    Image shared = still(folder, "28.0", "shared.png");
    Image photo = still(folder, "28.1", "photo.png");
    ASSERT_EQ(shared.rgb.size(), photo.rgb.size());
    ASSERT_EQ(shared.rgb.size(), sphere.rgb.size());
    // 28.0 shows the photograph (drawn last), not the sphere; the photo's
    // frames differ only by the glow's strength.
    EXPECT_LT(meanAbsoluteDifference(shared, photo), 12.0);
    EXPECT_GT(meanAbsoluteDifference(shared, sphere), 25.0);
    std::system(("rm -rf '" + folder + "'").c_str());
}

TEST(CaptureRun, twoSecondsAtThirtyFramesGiveSixtyNumberedPngs) {
    const std::string folder = tempFolder();
    ProcessResult run = runIn(MORVEL_E2E_ROOT, std::string(MORVEL_CAPTURE_BINARY) +
                                                   " --fps 30 --from 44 --to 46 --size 200x150 --frames '" + folder +
                                                   "/frames'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("frame 60/60"), std::string::npos) << run.err;
    int count = 0;
    if (DIR* dir = opendir((folder + "/frames").c_str())) {
        while (dirent* entry = readdir(dir)) {
            count += std::string(entry->d_name).rfind("frame_", 0) == 0;
        }
        closedir(dir);
    }
    EXPECT_EQ(count, 60);
    Image firstFrame = readPng(folder + "/frames/frame_00000.png");
    EXPECT_EQ(firstFrame.width, 200);
    EXPECT_EQ(firstFrame.height, 150);
    EXPECT_TRUE(readPng(folder + "/frames/frame_00059.png").width == 200);
    EXPECT_EQ(readPng(folder + "/frames/frame_00060.png").width, 0);
    std::system(("rm -rf '" + folder + "'").c_str());
}

TEST(CaptureRun, aShortMp4HasItsFramesSizeRateAndAlignedAudio) {
    const std::string folder = tempFolder();
    const std::string movie = folder + "/short.mp4";
    ProcessResult run = runIn(MORVEL_E2E_ROOT, std::string(MORVEL_CAPTURE_BINARY) +
                                                   " --fps 30 --from 27 --to 29 --size 320x240 --out '" + movie + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    ProcessResult video = runIn(folder, "ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                                        "stream=nb_read_frames,width,height,r_frame_rate,pix_fmt,codec_name "
                                        "-of default=nw=1 short.mp4");
    EXPECT_NE(video.out.find("codec_name=h264"), std::string::npos) << video.out;
    EXPECT_NE(video.out.find("width=320"), std::string::npos);
    EXPECT_NE(video.out.find("height=240"), std::string::npos);
    EXPECT_NE(video.out.find("pix_fmt=yuv420p"), std::string::npos);
    EXPECT_NE(video.out.find("r_frame_rate=30/1"), std::string::npos);
    EXPECT_NE(video.out.find("nb_read_frames=60"), std::string::npos) << video.out;
    ProcessResult audio = runIn(folder, "ffprobe -v error -select_streams a:0 -show_entries "
                                        "stream=codec_name,duration -of default=nw=1 short.mp4");
    EXPECT_NE(audio.out.find("codec_name=aac"), std::string::npos) << audio.out;
    const size_t at = audio.out.find("duration=");
    ASSERT_NE(at, std::string::npos) << audio.out;
    EXPECT_NEAR(std::atof(audio.out.c_str() + at + 9), 2.0, 1.0 / 30.0 + 0.025);
    std::system(("rm -rf '" + folder + "'").c_str());
}

TEST(CaptureRun, badOptionsAndUnwritableOutputsExitTwoWithTheirMessage) {
    const std::string capture = MORVEL_CAPTURE_BINARY;
    ProcessResult unknown = runIn(MORVEL_E2E_ROOT, capture + " --bogus 3");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "morvel-capture: unknown option '--bogus'\n");
    ProcessResult order = runIn(MORVEL_E2E_ROOT, capture + " --from 9 --to 3 --out x.mp4");
    EXPECT_EQ(order.status, 2);
    EXPECT_EQ(order.err, "morvel-capture: --from must not be after --to\n");
    ProcessResult unwritable = runIn(MORVEL_E2E_ROOT, capture + " --out /proc/no-such-dir/x.mp4");
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_EQ(unwritable.err, "morvel-capture: cannot write '/proc/no-such-dir/x.mp4'\n");
    ProcessResult noFfmpeg = runIn(MORVEL_E2E_ROOT, "env PATH=/nonexistent " + capture + " --out never-written.mp4");
    EXPECT_EQ(noFfmpeg.status, 2);
    EXPECT_EQ(noFfmpeg.err, "morvel-capture: ffmpeg was not found on the PATH (scripts/setup installs it)\n");
}
