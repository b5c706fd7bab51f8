// Each preset's file, on a short range, as ffprobe sees it: the codec,
// profile, level, sizes, rate, bit rate, sound and duration a party asks for.
#include "tests/capture/CaptureRunSupport.h"

#include <gtest/gtest.h>

using namespace capture_test;

namespace {

struct PresetCase {
    const char* name;
    double fromSeconds;
    double toSeconds;
    int width, height, renderWidth;
    const char* rate;
    double framesPerSecond;
    const char* level;  // as ffprobe writes it: 41 is 4.1
    int bitRateKbps;
};

// The names of the top-level MP4 boxes in file order.
std::vector<std::string> topLevelBoxes(const std::string& bytes) {
    std::vector<std::string> boxes;
    size_t at = 0;
    while (at + 8 <= bytes.size()) {
        uint64_t size = 0;
        for (int i = 0; i < 4; ++i) size = size << 8 | static_cast<uint8_t>(bytes[at + i]);
        if (size == 1 && at + 16 <= bytes.size()) {
            size = 0;
            for (int i = 8; i < 16; ++i) size = size << 8 | static_cast<uint8_t>(bytes[at + i]);
        }
        boxes.push_back(bytes.substr(at + 4, 4));
        if (size < 8) break;
        at += size;
    }
    return boxes;
}

// x264 writes its settings into the stream as text; the value after key=.
std::string x264Setting(const std::string& bytes, const std::string& key) {
    const size_t settings = bytes.find("x264 - core");
    if (settings == std::string::npos) return "";
    const size_t at = bytes.find(" " + key + "=", settings);
    if (at == std::string::npos) return "";
    const size_t start = at + key.size() + 2;
    return bytes.substr(start, bytes.find(' ', start) - start);
}

void checkPreset(const PresetCase& preset) {
    TempFolder folder;
    const std::string movie = folder / "party.mp4";
    char range[64];
    std::snprintf(range, sizeof range, " --from %g --to %g", preset.fromSeconds, preset.toSeconds);
    ProcessResult run = capture(std::string("--preset ") + preset.name + range + " --out '" + movie + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(folder.names(), std::vector<std::string>{"party.mp4"});

    const std::string video =
        probeStream(movie, "v:0", "codec_name,profile,level,width,height,r_frame_rate,bit_rate,pix_fmt,color_space");
    EXPECT_EQ(probeValue(video, "codec_name"), "h264") << video;
    EXPECT_EQ(probeValue(video, "profile"), "High");
    EXPECT_EQ(probeValue(video, "level"), preset.level);
    EXPECT_EQ(probeValue(video, "width"), std::to_string(preset.width));
    EXPECT_EQ(probeValue(video, "height"), std::to_string(preset.height));
    EXPECT_EQ(probeValue(video, "r_frame_rate"), preset.rate);
    EXPECT_EQ(probeValue(video, "pix_fmt"), "yuv420p");
    EXPECT_EQ(probeValue(video, "color_space"), "bt709");
    // Two passes spread the target over the whole clip, so even a short one
    // lands near it; the settings in the stream say what was asked for.
    const double videoKbps = std::atof(probeValue(video, "bit_rate").c_str()) / 1000.0;
    EXPECT_GT(videoKbps, 0.75 * preset.bitRateKbps) << video;
    EXPECT_LT(videoKbps, 1.25 * preset.bitRateKbps) << video;
    const std::string bytes = readFile(movie);
    EXPECT_EQ(x264Setting(bytes, "rc"), "2pass");
    EXPECT_EQ(x264Setting(bytes, "bitrate"), std::to_string(preset.bitRateKbps));
    EXPECT_EQ(x264Setting(bytes, "keyint"), std::to_string(static_cast<int>(2 * preset.framesPerSecond)));

    const std::string audio = probeStream(movie, "a:0", "codec_name,channels,sample_rate,bit_rate");
    EXPECT_EQ(probeValue(audio, "codec_name"), "aac") << audio;
    EXPECT_EQ(probeValue(audio, "channels"), "2");
    EXPECT_EQ(probeValue(audio, "sample_rate"), "48000");
    EXPECT_GT(std::atof(probeValue(audio, "bit_rate").c_str()), 128000.0) << audio;

    const std::string format =
        runIn(".", "ffprobe -v error -show_entries format=duration -of default=nw=1 '" + movie + "'").out;
    EXPECT_NEAR(std::atof(probeValue(format, "duration").c_str()), preset.toSeconds - preset.fromSeconds,
                1.0 / preset.framesPerSecond)
        << format;
    // +faststart: the index comes before the media, so playback starts at once.
    const std::vector<std::string> boxes = topLevelBoxes(bytes);
    const auto moov = std::find(boxes.begin(), boxes.end(), "moov");
    EXPECT_LT(moov - boxes.begin(), std::find(boxes.begin(), boxes.end(), "mdat") - boxes.begin());

    // The render is pillarboxed: black bars left and right, the picture between
    // (dark at 50 s, but not black).
    const Image first = decodeFirstFrame(movie, preset.width, preset.height, "bt709");
    ASSERT_FALSE(first.rgb.empty());
    const int bar = (preset.width - preset.renderWidth) / 2;
    long barSum = 0, pictureSum = 0;
    for (int y = 0; y < preset.height; y += 4) {
        for (int x = 0; x < bar - 8; x += 2) {
            barSum += first.at(x, y)[1] + first.at(preset.width - 1 - x, y)[1];
        }
        for (int x = bar + 8; x < preset.width - bar - 8; x += 2) {
            pictureSum += first.at(x, y)[1];
        }
    }
    const double rows = preset.height / 4.0;
    EXPECT_LT(barSum / (rows * (bar - 8)), 2.0);
    EXPECT_GT(pictureSum / (rows * (preset.renderWidth - 16) / 2.0), 8.0);
}

}  // namespace

TEST(CapturePreset, partyIs1080pHigh41TwoPassAt8MbpsWithA1440x1080Render) {
    checkPreset({"party", 10.0, 10.3, 1920, 1080, 1440, "30/1", 30.0, "41", 8000});
}

TEST(CapturePreset, party720Is720pHigh31TwoPassAt5MbpsWithA960x720Render) {
    checkPreset({"party-720", 30.0, 30.3, 1280, 720, 960, "30/1", 30.0, "31", 5000});
}

TEST(CapturePreset, fourKIs2160p60High52TwoPassAt40MbpsWithA2880x2160Render) {
    checkPreset({"4k", 50.0, 50.05, 3840, 2160, 2880, "60/1", 60.0, "52", 40000});
}
