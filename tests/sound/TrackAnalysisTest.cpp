#include "sound/TrackAnalysis.h"

#include "tests/sound/TestAudioFiles.h"

#include <gtest/gtest.h>

using namespace soundtest;

namespace {

std::vector<float> at(const TrackAnalysis& track, double seconds) {
    std::vector<float> out(kSpectrumBinCount, -1.0f);
    track.spectrumAt(seconds, out.data());
    return out;
}

}  // namespace

TEST(TrackAnalysis, followsToneStepsAtEitherMixRateWithSilenceOutsideTheFile) {
    const double hz[] = {500, 1000, 2000, 3125, 4000};  // bins 16, 32, 64, 100, 128 at 32 kHz
    std::string path = soundFile("track-steps.ogg", toneSteps({hz, hz + 5}, 0.2, 0.6, 32000), 32000);
    for (int rateHz : {32000, 16000}) {
        SCOPED_TRACE(rateHz);
        TrackAnalysis track(rateHz);
        ASSERT_TRUE(track.load(path.c_str()));
        EXPECT_EQ(track.errorCode(), 0);
        EXPECT_EQ(track.mixRateHz(), rateHz);
        EXPECT_NEAR(track.durationSeconds(), 1.0, 0.001);
        for (int step = 0; step < 5; ++step) {
            int bin = static_cast<int>(hz[step] * kFftSize / rateHz);
            std::vector<float> spectrum = at(track, 0.2 * (step + 1) - 0.02);
            EXPECT_EQ(loudestBin(spectrum.data()), bin) << "step " << step;
            EXPECT_NEAR(spectrum[bin], 0.6f, 0.03f);  // with half on either side
            EXPECT_NEAR(spectrum[bin - 1], 0.3f, 0.03f);
        }
        EXPECT_GT(largest(at(track, 0.01).data()), 0.0f);  // part of the window has sound
        for (double outside : {0.0, -3.0, 1.0 + 1024.0 / rateHz, 1e300}) {
            EXPECT_EQ(largest(at(track, outside).data()), 0.0f) << outside;
        }
    }
    EXPECT_EQ(TrackAnalysis().mixRateHz(), 32000);
}

TEST(TrackAnalysis, moduleIsRenderedOncePassThrough) {
    TrackAnalysis track;
    ASSERT_TRUE(track.load(writeTemp("track-tiny.mod", tinyMod()).c_str()));
    EXPECT_NEAR(track.durationSeconds(), 0.48, 0.01);
    EXPECT_GT(largest(at(track, 0.15).data()), 0.05f);  // the note sounds for 0.24 s
    EXPECT_LT(largest(at(track, 0.47).data()), 0.01f);  // then the pattern is silent
}

TEST(TrackAnalysis, failedLoadKeepsTheReasonAndReadsAsSilence) {
    TrackAnalysis track;
    EXPECT_FALSE(track.load(tempPath("absent.mp3").c_str()));
    EXPECT_EQ(track.errorCode(), FMOD_ERR_FILE_NOTFOUND);
    EXPECT_EQ(track.durationSeconds(), 0.0);
    EXPECT_EQ(largest(at(track, 0.5).data()), 0.0f);
    std::string words = "not a sound at all";
    EXPECT_FALSE(track.load(writeTemp("words.ogg", Bytes(words.begin(), words.end())).c_str()));
    EXPECT_EQ(track.errorCode(), FMOD_ERR_FILE_FORMAT);
    EXPECT_FALSE(track.load(nullptr));
    EXPECT_EQ(track.errorCode(), FMOD_ERR_INVALID_PARAM);
}
