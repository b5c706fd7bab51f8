// The MP4 sink's promise to ffmpeg: it was told the canvas size up front, so a
// frame of any other size is refused instead of shearing the video, and a
// failed capture leaves no file behind.
#include "platform/CanvasSize.h"
#include "tools/capture/FrameSink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

TEST(FrameSink, mp4TakesOnlyCanvasSizedFramesAndLeavesNothingWhenItFails) {
    if (!ffmpegAvailable()) {
        GTEST_SKIP() << "ffmpeg is not installed (scripts/setup installs it)";
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "morvel-sink-XXXXXX").string();
    const std::filesystem::path folder = mkdtemp(pattern.data());
    const std::string path = (folder / "out.mp4").string();
    std::string error;
    std::unique_ptr<FrameSink> sink = makeMp4Sink(path, kDefaultCanvasSize, 30, 320, 240, (folder / "no-audio.mp3").string(), 0.0, 1.0, error);
    ASSERT_NE(sink, nullptr) << error;

    CapturedFrame halfSize;
    halfSize.width = kDefaultCanvasSize.width / 2;
    halfSize.height = kDefaultCanvasSize.height / 2;
    halfSize.rgb.assign(static_cast<size_t>(halfSize.width) * halfSize.height * 3, 0);
    EXPECT_FALSE(sink->write(halfSize));
    CapturedFrame shortBuffer;
    shortBuffer.width = kDefaultCanvasSize.width;
    shortBuffer.height = kDefaultCanvasSize.height;
    shortBuffer.rgb.assign(16, 0);
    EXPECT_FALSE(sink->write(shortBuffer));

    EXPECT_FALSE(sink->finish(false));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(path + ".partial.mp4"));
    std::filesystem::remove_all(folder);
}
