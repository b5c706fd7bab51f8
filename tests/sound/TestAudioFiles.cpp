#include "tests/sound/TestAudioFiles.h"

#include "sound/SoundSystem.h"
#include "tests/support/SoundEncoders.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace soundtest {

namespace {

struct TempDir {
    char path[32] = "/tmp/morvel-sound-XXXXXX";
    TempDir() { EXPECT_NE(mkdtemp(path), nullptr); }
    ~TempDir() { std::system(("rm -rf '" + std::string(path) + "'").c_str()); }
};

}  // namespace

std::string tempPath(const std::string& name) {
    static TempDir dir;
    return std::string(dir.path) + "/" + name;
}

std::string writeTemp(const std::string& name, const Bytes& bytes) {
    std::string path = tempPath(name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.flush()) << path;
    return path;
}

std::vector<float> stereoTone(double leftHz, double rightHz, double amplitude, int rateHz, double seconds) {
    std::vector<float> out(2 * static_cast<size_t>(std::llround(seconds * rateHz)));
    for (size_t i = 0; i < out.size(); ++i) {
        double hz = i % 2 == 0 ? leftHz : rightHz;
        out[i] = static_cast<float>(amplitude * std::sin(2.0 * M_PI * hz * (i / 2) / rateHz));
    }
    return out;
}

std::vector<float> toneSteps(const std::vector<double>& hz, double stepSeconds, double amplitude, int rateHz) {
    std::vector<float> out;
    for (double f : hz) {
        std::vector<float> step = stereoTone(f, f, amplitude, rateHz, stepSeconds);
        out.insert(out.end(), step.begin(), step.end());
    }
    return out;
}

Bytes encodeMp3(const std::vector<float>& stereo, int rateHz, int channelCount) {
    Bytes out = soundencode::encodeMp3(stereo, rateHz, channelCount);
    EXPECT_FALSE(out.empty()) << "libmp3lame refused " << rateHz << " Hz, " << channelCount << " channel(s)";
    return out;
}

Bytes encodeOgg(const std::vector<float>& stereo, int rateHz, int channelCount) {
    Bytes out = soundencode::encodeOgg(stereo, rateHz, channelCount);
    EXPECT_FALSE(out.empty()) << "libvorbisenc refused " << rateHz << " Hz, " << channelCount << " channel(s)";
    return out;
}

std::string soundFile(const std::string& name, const std::vector<float>& stereo, int rateHz, int channelCount) {
    bool mp3 = name.size() > 4 && name.compare(name.size() - 4, 4, ".mp3") == 0;
    return writeTemp(name, (mp3 ? encodeMp3 : encodeOgg)(stereo, rateHz, channelCount));
}

std::string captureText(const std::function<void()>& body) {
    testing::internal::CaptureStdout();
    body();
    return testing::internal::GetCapturedStdout();
}

Lines runThrough(const std::string& path) {
    std::istringstream text(captureText([&] {
        SoundSystem sound(path.c_str());
        sound.play();
        SDL_Delay(20);
        const float* spectrum = sound.spectrum();
        for (int k = 0; spectrum != nullptr && k < kSpectrumBinCount; ++k) {
            EXPECT_TRUE(spectrum[k] >= 0.0f && spectrum[k] <= 1.0f) << path << " bin " << k;
        }
        sound.shutdown();
    }));
    Lines lines;
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace soundtest
