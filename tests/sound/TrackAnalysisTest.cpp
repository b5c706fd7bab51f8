#include "sound/TrackAnalysis.h"

#include "sound/AudioLibrary.h"
#include "tests/sound/TestAudioFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using soundtest::tempPath;

namespace {

int loudestBin(const std::vector<float>& spectrum) {
    int best = 0;
    for (int k = 1; k < kSpectrumBinCount; ++k) {
        if (spectrum[k] > spectrum[best]) {
            best = k;
        }
    }
    return best;
}

std::vector<float> at(const TrackAnalysis& offline, double seconds) {
    std::vector<float> out(kSpectrumBinCount, -1.0f);
    offline.spectrumAt(seconds, out.data());
    return out;
}

float largest(const std::vector<float>& spectrum) {
    return spectrum[loudestBin(spectrum)];
}

}  // namespace

TEST(TrackAnalysis, oggToneReadsItsBinAndAmplitude) {
    std::string path = tempPath("offline-tone.ogg");
    ASSERT_TRUE(soundtest::writeFile(
        path, soundtest::encodeOgg(soundtest::sineStereo(1000.0, 0.6, 32000, 1.0), 32000, 2)));
    TrackAnalysis offline;
    ASSERT_TRUE(offline.load(path.c_str()));
    EXPECT_EQ(offline.errorCode(), 0);
    EXPECT_EQ(offline.mixRateHz(), 32000);
    EXPECT_NEAR(offline.durationSeconds(), 1.0, 0.001);
    std::vector<float> middle = at(offline, 0.5);
    EXPECT_EQ(loudestBin(middle), 32);
    EXPECT_NEAR(middle[32], 0.6f, 0.03f);
    EXPECT_NEAR(middle[31], 0.3f, 0.03f);
}

TEST(TrackAnalysis, timeOutsideTheFileIsSilence) {
    std::string path = tempPath("offline-edges.ogg");
    ASSERT_TRUE(soundtest::writeFile(
        path, soundtest::encodeOgg(soundtest::sineStereo(1000.0, 0.6, 32000, 0.5), 32000, 2)));
    TrackAnalysis offline;
    ASSERT_TRUE(offline.load(path.c_str()));
    EXPECT_EQ(largest(at(offline, 0.0)), 0.0f);   // the window ends where the file starts
    EXPECT_EQ(largest(at(offline, -3.0)), 0.0f);
    EXPECT_EQ(largest(at(offline, 0.5 + 1024.0 / 32000)), 0.0f);  // wholly past the end
    EXPECT_EQ(largest(at(offline, 1e300)), 0.0f);
    EXPECT_GT(largest(at(offline, 0.01)), 0.0f);  // part of the window has sound
}

TEST(TrackAnalysis, followsToneStepsInTime) {
    std::vector<double> frequencies = {500, 1000, 2000, 3125, 4000};  // bins 16, 32, 64, 100, 128
    const int bins[] = {16, 32, 64, 100, 128};
    std::string path = tempPath("offline-steps.ogg");
    ASSERT_TRUE(soundtest::writeFile(
        path, soundtest::encodeOgg(soundtest::toneSteps(frequencies, 0.2, 0.5, 32000), 32000, 2)));
    TrackAnalysis offline;
    ASSERT_TRUE(offline.load(path.c_str()));
    for (size_t i = 0; i < frequencies.size(); ++i) {
        double stepEnd = 0.2 * (i + 1) - 0.02;
        EXPECT_EQ(loudestBin(at(offline, stepEnd)), bins[i]) << "step " << i;
    }
}

TEST(TrackAnalysis, decodesExactlyWhatTheLiveLibraryLoads) {
    std::string path = tempPath("offline-same.mp3");
    ASSERT_TRUE(soundtest::writeFile(
        path, soundtest::encodeMp3(soundtest::sineStereo(700.0, 0.5, 44100, 0.5), 44100, 2)));
    TrackAnalysis offline;
    ASSERT_TRUE(offline.load(path.c_str()));
    soundtest::OpenAudio audio;
    ASSERT_TRUE(audio.opened);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
    ASSERT_NE(sample, nullptr);
    long long frames = AUDIO_Sample_GetLength(sample);
    ASSERT_EQ(frames, offline.pcm().frameCount());
    const float* live = AUDIO_Sample_GetData(sample);
    for (long long i = 0; i < 2 * frames; ++i) {
        ASSERT_EQ(live[i], offline.pcm().frames[i]) << i;
    }
}

TEST(TrackAnalysis, otherMixRatesMoveTheBins) {
    std::string path = tempPath("offline-rate.ogg");
    ASSERT_TRUE(soundtest::writeFile(
        path, soundtest::encodeOgg(soundtest::sineStereo(2000.0, 0.5, 32000, 0.5), 32000, 2)));
    TrackAnalysis offline(16000);
    ASSERT_TRUE(offline.load(path.c_str()));
    EXPECT_EQ(offline.mixRateHz(), 16000);
    EXPECT_NEAR(offline.durationSeconds(), 0.5, 0.001);
    EXPECT_EQ(loudestBin(at(offline, 0.3)), 128);  // 2000 x 1024 / 16000
}

TEST(TrackAnalysis, moduleIsRenderedOncePassThrough) {
    std::string path = tempPath("offline-tiny.mod");
    ASSERT_TRUE(soundtest::writeFile(path, soundtest::tinyMod()));
    TrackAnalysis offline;
    ASSERT_TRUE(offline.load(path.c_str()));
    EXPECT_NEAR(offline.durationSeconds(), 0.48, 0.01);
    EXPECT_GT(largest(at(offline, 0.15)), 0.05f);  // the note sounds for 0.24 s
    EXPECT_LT(largest(at(offline, 0.47)), 0.01f);  // then the pattern is silent
}

TEST(TrackAnalysis, failedLoadKeepsTheReasonAndReadsAsSilence) {
    TrackAnalysis offline;
    EXPECT_FALSE(offline.load(tempPath("absent.mp3").c_str()));
    EXPECT_EQ(offline.errorCode(), FMOD_ERR_FILE_NOTFOUND);
    EXPECT_EQ(offline.durationSeconds(), 0.0);
    EXPECT_EQ(largest(at(offline, 0.5)), 0.0f);
    ASSERT_TRUE(soundtest::writeText(tempPath("words.ogg"), "not a sound at all"));
    EXPECT_FALSE(offline.load(tempPath("words.ogg").c_str()));
    EXPECT_EQ(offline.errorCode(), FMOD_ERR_FILE_FORMAT);
    EXPECT_FALSE(offline.load(nullptr));
    EXPECT_EQ(offline.errorCode(), FMOD_ERR_INVALID_PARAM);
}
