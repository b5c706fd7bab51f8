// The MP4 sink's promise to ffmpeg: it was told the render size up front, so a
// frame of any other size is refused instead of shearing the video, and a
// failed capture leaves no file behind, temporary ones included.
#include "platform/CanvasSize.h"
#include "tools/capture/FrameSink.h"
#include "tools/capture/FrameWriterThread.h"

#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <thread>

TEST(FrameSink, mp4TakesOnlyRenderSizedFramesAndLeavesNothingWhenItFails) {
    if (!ffmpegAvailable()) {
        GTEST_SKIP() << "ffmpeg is not installed (scripts/setup installs it)";
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "morvel-sink-XXXXXX").string();
    const std::filesystem::path folder = mkdtemp(pattern.data());
    const std::string path = (folder / "out.mp4").string();
    std::string error;
    CaptureOptions options;
    options.fps = {30, 1};
    options.toSeconds = 1.0;
    const Mp4Encoding encoding = mp4EncodingFor(options, (folder / "no-audio.mp3").string());
    std::unique_ptr<FrameSink> sink = makeMp4Sink(path, encoding, error);
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
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    std::filesystem::remove_all(folder);
}

namespace {

std::filesystem::path tempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvel-sink-XXXXXX").string();
    return mkdtemp(pattern.data());
}

// A width x height frame whose GL row r (bottom first), column c holds (r, c, 7).
CapturedFrame patternFrame(long number, int width, int height) {
    CapturedFrame frame;
    frame.number = number;
    frame.width = width;
    frame.height = height;
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) {
            frame.rgb.insert(frame.rgb.end(), {uint8_t(r), uint8_t(c), 7});
        }
    }
    return frame;
}

std::vector<uint8_t> readRgb(const std::string& path, int& width, int& height) {
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    std::vector<uint8_t> rgb;
    if (png_image_begin_read_from_file(&png, path.c_str())) {
        png.format = PNG_FORMAT_RGB;
        rgb.resize(PNG_IMAGE_SIZE(png));
        png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr);
    }
    width = static_cast<int>(png.width);
    height = static_cast<int>(png.height);
    return rgb;
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(FrameSink, aPngHasTheTopRowFirstAndTheRenderCentredOnBlack) {
    const std::filesystem::path folder = tempFolder();
    const std::string path = (folder / "a.png").string();
    ASSERT_TRUE(writeRgbPng(path, patternFrame(0, 2, 3), {6, 5}));
    int width = 0, height = 0;
    const std::vector<uint8_t> rgb = readRgb(path, width, height);
    ASSERT_EQ(width, 6);
    ASSERT_EQ(height, 5);
    auto at = [&](int x, int y) { return std::vector<uint8_t>(&rgb[(y * 6 + x) * 3], &rgb[(y * 6 + x) * 3 + 3]); };
    // Two black columns left and right, one black row above and below.
    EXPECT_EQ(at(1, 1), std::vector<uint8_t>({0, 0, 0}));
    EXPECT_EQ(at(4, 3), std::vector<uint8_t>({0, 0, 0}));
    EXPECT_EQ(at(2, 0), std::vector<uint8_t>({0, 0, 0}));
    EXPECT_EQ(at(3, 4), std::vector<uint8_t>({0, 0, 0}));
    // The picture's top row is GL's last.
    EXPECT_EQ(at(2, 1), std::vector<uint8_t>({2, 0, 7}));
    EXPECT_EQ(at(3, 1), std::vector<uint8_t>({2, 1, 7}));
    EXPECT_EQ(at(2, 3), std::vector<uint8_t>({0, 0, 7}));
    // A frame larger than the picture is refused, and nothing is left.
    EXPECT_FALSE(writeRgbPng((folder / "b.png").string(), patternFrame(0, 8, 3), {6, 5}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    std::filesystem::remove_all(folder);
}

TEST(FrameSink, aStillReplacesItsTargetOnlyWhenWholeAndRefusesLinksAndNodes) {
    const std::filesystem::path folder = tempFolder();
    const std::filesystem::path still = folder / "still.png";
    { std::ofstream(still) << "the earlier still"; }
    std::string error;
    std::unique_ptr<FrameSink> failed = makeStillSink(still.string(), {2, 2}, error);
    ASSERT_NE(failed, nullptr) << error;
    EXPECT_TRUE(failed->write(patternFrame(0, 2, 2)));
    EXPECT_FALSE(failed->finish(false));
    EXPECT_EQ(fileText(still), "the earlier still");
    failed.reset();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);

    std::unique_ptr<FrameSink> done = makeStillSink(still.string(), {2, 2}, error);
    ASSERT_NE(done, nullptr) << error;
    EXPECT_TRUE(done->write(patternFrame(0, 2, 2)));
    EXPECT_TRUE(done->finish(true));
    int width = 0, height = 0;
    EXPECT_EQ(readRgb(still.string(), width, height).size(), 12u);
    done.reset();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);

    const std::filesystem::path link = folder / "link.png";
    std::filesystem::create_symlink(still, link);
    EXPECT_EQ(makeStillSink(link.string(), {2, 2}, error), nullptr);
    EXPECT_EQ(error, "'" + link.string() + "' is a symbolic link; give the path of a regular file or a new one");
    EXPECT_EQ(makeStillSink(folder.string(), {2, 2}, error), nullptr);
    EXPECT_EQ(error, "'" + folder.string() + "' is not a regular file; give the path of a regular file or a new one");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    std::filesystem::remove_all(folder);
}

namespace {

// Counts each frame number written, from any thread.
class CountingSink : public FrameSink {
public:
    bool write(const CapturedFrame& frame) override {
        std::lock_guard<std::mutex> lock(mutex);
        ++written[frame.number];
        threads.insert(std::this_thread::get_id());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return true;
    }
    bool finish(bool success) override { return success; }
    int writerCount() const override { return 3; }

    std::mutex mutex;
    std::map<long, int> written;
    std::set<std::thread::id> threads;
};

}  // namespace

TEST(FrameWriterThread, severalWritersWriteEveryFrameExactlyOnce) {
    CountingSink sink;
    {
        FrameWriterThread writer(sink);
        for (long n = 0; n < 60; ++n) {
            CapturedFrame frame;
            frame.number = n;
            frame.rgb = writer.takeBuffer(12);
            ASSERT_TRUE(writer.push(std::move(frame)));
        }
        EXPECT_TRUE(writer.drain());
        EXPECT_EQ(sink.written.size(), 60u);
    }
    for (const auto& [number, count] : sink.written) {
        EXPECT_EQ(count, 1) << number;
    }
    EXPECT_GT(sink.threads.size(), 1u);
}
