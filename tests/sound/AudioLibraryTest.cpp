#include "sound/TrackAnalysis.h"
#include "tests/sound/TestAudioFiles.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

using namespace soundtest;

#define EXPECT_FAILS_WITH(failed, code) \
    EXPECT_TRUE(failed);                \
    EXPECT_EQ(FSOUND_GetError(), code)

namespace {

class AudioLibraryTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FSOUND_Init(32000, 8, 0)); }
    void TearDown() override { FSOUND_Close(); }
};

// Spectrum of one side of a loaded sample's frames ending at endFrame.
std::vector<float> sideSpectrum(FSOUND_SAMPLE* sample, int side, long long endFrame) {
    const float* data = AUDIO_Sample_GetData(sample);
    std::vector<float> window(kFftSize, 0.0f), out(kSpectrumBinCount);
    for (int n = 0; n < kFftSize; ++n) {
        long long frame = endFrame - kFftSize + n;
        window[n] = frame >= 0 && frame < AUDIO_Sample_GetLength(sample) ? data[2 * frame + side] : 0.0f;
    }
    FftAnalyzer().analyze(window.data(), out.data());
    return out;
}

// Waits for the mixer to publish its next block; the frames mixed then, and when.
long long nextBlock(Uint64& ticks) {
    long long before = AUDIO_GetMixedFrames(), now = before;
    while (now == before) {
        SDL_Delay(0);
        now = AUDIO_GetMixedFrames();
    }
    ticks = SDL_GetPerformanceCounter();
    return now;
}

}  // namespace

TEST_F(AudioLibraryTest, samplesDecodeWholeAtTheMixRateWithTheirSidesApart) {
    // 1000 Hz is bin 32 at 32 kHz, 3125 Hz bin 100; a mono file's right side copies its left.
    // MP3 trims the encoder delay to within a few frames; Vorbis is exact.
    const struct { const char* name; double rightHz, amplitude; int rateHz, channelCount;
                   double seconds; int frameTolerance; } cases[] = {
        {"stereo32.mp3", 3125, 0.5, 32000, 2, 1.0, 32},
        {"mono44.mp3", 1000, 0.7, 44100, 1, 0.5, 32},
        {"stereo48.ogg", 3125, 0.5, 48000, 2, 0.5, 2},
        {"mono22.ogg", 1000, 0.5, 22050, 1, 0.25, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FSOUND_SAMPLE* sample =
            loadSample(soundFile(c.name, stereoTone(1000, c.rightHz, c.amplitude, c.rateHz, c.seconds),
                                 c.rateHz, c.channelCount));
        ASSERT_NE(sample, nullptr);
        EXPECT_EQ(AUDIO_Sample_GetSourceRate(sample), c.rateHz);
        EXPECT_EQ(AUDIO_Sample_GetSourceChannels(sample), c.channelCount);
        long long frames = AUDIO_Sample_GetLength(sample);
        EXPECT_NEAR(frames, c.seconds * 32000, c.frameTolerance);
        std::vector<float> left = sideSpectrum(sample, 0, frames / 2);
        std::vector<float> right = sideSpectrum(sample, 1, frames / 2);
        EXPECT_EQ(loudestBin(left.data()), 32);
        EXPECT_NEAR(left[32], c.amplitude, 0.05);
        EXPECT_NEAR(*std::max_element(left.begin() + 40, left.end()), 0.0f, 0.01f);  // no alias, no crosstalk
        int rightBin = c.channelCount == 2 ? 100 : 32;
        EXPECT_EQ(loudestBin(right.data()), rightBin);
        EXPECT_NEAR(right[rightBin], c.amplitude, 0.05);
        const float* data = AUDIO_Sample_GetData(sample);
        for (long long i = 0; c.channelCount == 1 && i < frames; ++i) {
            ASSERT_EQ(data[2 * i], data[2 * i + 1]) << i;
        }
        FSOUND_Sample_Free(sample);
    }
}

TEST_F(AudioLibraryTest, offsetAndLengthLoadAFileInsideAnother) {
    Bytes ogg = encodeOgg(stereoTone(1000, 1000, 0.5, 32000, 0.2), 32000, 2);
    Bytes padded(100 + ogg.size() + 50, 'x');
    std::copy(ogg.begin(), ogg.end(), padded.begin() + 100);
    std::string path = writeTemp("inside.ogg", padded);
    EXPECT_EQ(loadSample(path), nullptr);  // starts with text: not a format we know
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);
    FSOUND_SAMPLE* part =
        FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 100, static_cast<int>(ogg.size()));
    ASSERT_NE(part, nullptr);
    EXPECT_NEAR(AUDIO_Sample_GetLength(part), 6400, 2);
}

TEST_F(AudioLibraryTest, dummyDriverMixesAt32kHzInRealTime) {
    EXPECT_STREQ(AUDIO_GetDriverName(), "dummy");
    EXPECT_EQ(AUDIO_GetMixRate(), 32000);
    EXPECT_GT(AUDIO_GetDeviceBufferFrames(), 0);
    // Measured between two block boundaries, so the 16 ms blocks do not blur it: a
    // driver that sleeps a little too long per block (2-3 % here) fails this.
    SDL_Delay(50);
    Uint64 startTicks = 0, endTicks = 0;
    long long startFrames = nextBlock(startTicks);
    SDL_Delay(2000);
    long long frames = nextBlock(endTicks) - startFrames;
    double seconds = static_cast<double>(endTicks - startTicks) / SDL_GetPerformanceFrequency();
    EXPECT_NEAR(frames / seconds, 32000.0, 32000.0 * 0.0125) << frames << " frames in " << seconds << " s";
}

TEST_F(AudioLibraryTest, samplePlaysAtFullLevelFeedsTheFftUnitOnlyWhenOnAndStopsAtItsEnd) {
    FSOUND_SAMPLE* sample = loadSample(soundFile("left-only.ogg", stereoTone(1000, 0, 0.9, 32000, 0.5), 32000));
    ASSERT_NE(sample, nullptr);
    AUDIO_TakePeakLevel();
    int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
    ASSERT_GE(channel, 0);
    SDL_Delay(150);
    EXPECT_EQ(AUDIO_IsChannelPlaying(channel), 1);
    EXPECT_NEAR(AUDIO_TakePeakLevel(), 0.9f, 0.05f);  // the left side reaches the output unattenuated
    float* spectrum = FSOUND_DSP_GetSpectrum();
    ASSERT_NE(spectrum, nullptr);
    EXPECT_EQ(largest(spectrum), 0.0f);  // the FFT unit is still off
    ASSERT_TRUE(FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1));
    EXPECT_EQ(FSOUND_DSP_GetSpectrum(), spectrum);  // the same array, now filled
    EXPECT_EQ(loudestBin(spectrum), 32);
    EXPECT_NEAR(spectrum[32], 0.45f, 0.03f);  // the mono analysis sees (L + R) / 2
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 0);
    EXPECT_EQ(largest(FSOUND_DSP_GetSpectrum()), 0.0f);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
    SDL_Delay(600);
    EXPECT_EQ(AUDIO_IsChannelPlaying(channel), 0);
    EXPECT_EQ(largest(FSOUND_DSP_GetSpectrum()), 0.0f);
}

TEST_F(AudioLibraryTest, moduleHasItsLengthAndKeepsLoopingUntilFreed) {
    FMUSIC_MODULE* song = FMUSIC_LoadSong(writeTemp("tiny.mod", tinyMod()).c_str());
    ASSERT_NE(song, nullptr);
    EXPECT_NEAR(AUDIO_Song_GetLengthSeconds(song), 0.48, 0.001);  // 4 rows x 6 ticks x 20 ms
    EXPECT_EQ(AUDIO_Song_IsPlaying(song), 0);
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    SDL_Delay(1000);  // two passes
    AUDIO_TakePeakLevel();
    SDL_Delay(500);  // each pass sounds for 0.24 s of its 0.48 s, so any half second holds a note
    EXPECT_GT(AUDIO_TakePeakLevel(), 0.1f);
    EXPECT_EQ(AUDIO_Song_IsPlaying(song), 1);
    EXPECT_GT(AUDIO_GetMixedFrames(), 1.4 * 32000);
    EXPECT_TRUE(FMUSIC_FreeSong(song));
    AUDIO_TakePeakLevel();
    SDL_Delay(100);
    EXPECT_EQ(AUDIO_TakePeakLevel(), 0.0f);  // freeing took it out of the mix
}

TEST_F(AudioLibraryTest, aModuleSeeksAndPausesWhereAsked) {
    // Each 0.48-s pass sounds its note for the first 0.24 s: moved back into the
    // silent half again and again (more often than a device block is mixed), it
    // never reaches a note; moved to the start, it sounds.
    FMUSIC_MODULE* song = FMUSIC_LoadSong(writeTemp("seek.mod", tinyMod()).c_str());
    ASSERT_NE(song, nullptr);
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    // Returns the longest this thread took between two moves.
    auto holdInTheSilentHalf = [&](int milliseconds) {
        auto last = std::chrono::steady_clock::now();
        auto longest = std::chrono::steady_clock::duration::zero();
        for (int waited = 0; waited < milliseconds; waited += 40) {
            EXPECT_TRUE(FMUSIC_SetPositionSeconds(song, 0.3));
            SDL_Delay(40);
            auto now = std::chrono::steady_clock::now();
            longest = std::max(longest, now - last);
            last = now;
        }
        return longest;
    };
    // A move that is not made sounds the note every time. A thread held back for as
    // long as the silent half plays (this one, or the audio thread catching up with
    // the clock, on a machine busy with other tests or under a sanitizer) lets it
    // through once in a while, so a hold that sounds is tried again, twice at most.
    holdInTheSilentHalf(200);  // what was mixed before the first move has played
    for (int attempt = 1;; ++attempt) {
        AUDIO_TakePeakLevel();
        const auto longestGap = holdInTheSilentHalf(600);
        const float peak = AUDIO_TakePeakLevel();
        if (peak == 0.0f || attempt == 3) {
            EXPECT_EQ(peak, 0.0f) << "moved back at most "
                                  << std::chrono::duration<double, std::milli>(longestGap).count() << " ms apart";
            break;
        }
        std::printf("held in the silent half again: a note sounded with moves at most %.0f ms apart\n",
                    std::chrono::duration<double, std::milli>(longestGap).count());
    }
    ASSERT_TRUE(FMUSIC_SetPositionSeconds(song, 0.0));
    SDL_Delay(200);
    EXPECT_GT(AUDIO_TakePeakLevel(), 0.1f);

    // Paused for longer than a pass, nothing sounds; resumed, it does.
    ASSERT_TRUE(FMUSIC_SetPaused(song, 1));
    SDL_Delay(200);
    AUDIO_TakePeakLevel();
    SDL_Delay(700);
    EXPECT_EQ(AUDIO_TakePeakLevel(), 0.0f);
    ASSERT_TRUE(FMUSIC_SetPaused(song, 0));
    SDL_Delay(700);
    EXPECT_GT(AUDIO_TakePeakLevel(), 0.1f);
    EXPECT_TRUE(FMUSIC_FreeSong(song));
}

TEST_F(AudioLibraryTest, trackAnalysisDecodesExactlyWhatPlaysAndItsSpectrumMatchesTheHeardFrame) {
    // Tone steps make the spectrum depend on time, so a misaligned window shows; 44.1 kHz
    // makes both paths resample.
    std::vector<float> steps = toneSteps({500, 1000, 2000, 3125, 4000, 6000, 250, 8000}, 0.1, 0.6, 44100);
    std::string path = soundFile("steps.mp3", steps, 44100);
    TrackAnalysis offline;
    ASSERT_TRUE(offline.load(path.c_str()));
    FSOUND_SAMPLE* sample = loadSample(path);
    ASSERT_EQ(AUDIO_Sample_GetLength(sample), offline.frameCount());
    const float* pcm = AUDIO_Sample_GetData(sample);
    for (long long i = 0; i < 2 * offline.frameCount(); ++i) {
        ASSERT_EQ(pcm[i], offline.frames()[i]) << i;
    }
    int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
    ASSERT_GE(channel, 0);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
    long long start = AUDIO_GetChannelStartFrame(channel);
    int misalignedDiffers = 0;
    for (int poll = 0; poll < 12; ++poll) {
        SDL_Delay(50);
        const float* live = FSOUND_DSP_GetSpectrum();
        long long end = AUDIO_GetSpectrumEndFrame();
        // The window ends at the heard frame, which the mixer has already mixed.
        EXPECT_LE(end, AUDIO_GetMixedFrames());
        double seconds = (end - start) / 32000.0;
        std::vector<float> expected(kSpectrumBinCount);
        offline.spectrumAt(seconds, expected.data());
        float worst = 0.0f;
        for (int k = 0; k < kSpectrumBinCount; ++k) {
            worst = std::max(worst, std::fabs(live[k] - expected[k]));
        }
        EXPECT_LT(worst, 1e-4f) << "at " << seconds << " s";
        offline.spectrumAt(seconds + 0.05, expected.data());
        misalignedDiffers += loudestBin(expected.data()) != loudestBin(live) ? 1 : 0;
    }
    EXPECT_GT(misalignedDiffers, 2);  // 50 ms off would have been caught
}

TEST_F(AudioLibraryTest, badHandlesParametersAndFullChannelsFailWithTheirCodes) {
    FSOUND_SAMPLE* sample = loadSample(soundFile("chan.ogg", stereoTone(1000, 1000, 0.1, 32000, 1.0), 32000));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, sample), i);
    }
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, sample), -1);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_CHANNEL_ALLOC);
    EXPECT_EQ(FSOUND_PlaySound(3, sample), 3);  // a named channel is taken over
    EXPECT_EQ(FSOUND_PlaySound(8, sample), -1);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    FSOUND_Sample_Free(sample);  // stops every channel playing it
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(AUDIO_IsChannelPlaying(i), 0) << i;
    }
    FSOUND_Sample_Free(sample);  // a second free is ignored
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, sample), -1);
    EXPECT_EQ(AUDIO_Sample_GetLength(sample), 0);
    FSOUND_Sample_Free(nullptr);
    EXPECT_FALSE(FMUSIC_PlaySong(nullptr));
    EXPECT_FALSE(FMUSIC_FreeSong(nullptr));
    EXPECT_FALSE(FSOUND_DSP_SetActive(nullptr, 1));
    EXPECT_FAILS_WITH(FSOUND_PlaySound(FSOUND_FREE, nullptr) == -1, FMOD_ERR_INVALID_PARAM);
    EXPECT_FAILS_WITH(!FSOUND_Init(32000, 64, 0), FMOD_ERR_BUSY);
    EXPECT_FAILS_WITH(!FSOUND_Sample_Load(FSOUND_UNMANAGED, nullptr, FSOUND_STEREO, 0, 0), FMOD_ERR_INVALID_PARAM);
    EXPECT_FAILS_WITH(!FSOUND_Sample_Load(FSOUND_UNMANAGED, "x.mp3", FSOUND_STEREO, -1, 0),
                      FMOD_ERR_INVALID_PARAM);
    EXPECT_FAILS_WITH(!FMUSIC_LoadSong(nullptr), FMOD_ERR_INVALID_PARAM);
    FSOUND_Close();
    EXPECT_FAILS_WITH(!FSOUND_Init(100, 64, 0), FMOD_ERR_INVALID_PARAM);
    EXPECT_FAILS_WITH(!FSOUND_Init(32000, 0, 0), FMOD_ERR_INVALID_PARAM);
    ASSERT_TRUE(FSOUND_Init(32000, 8, 0));  // for TearDown
}

TEST_F(AudioLibraryTest, aFreedHandleStaysUnknownWhateverIsLoadedAfterIt) {
    // A load right after a free tends to get the freed memory back; its handle must
    // still differ, or freeing the stale handle would free the new sample.
    const std::string ogg = soundFile("again.ogg", stereoTone(1000, 1000, 0.5, 32000, 0.1), 32000);
    const std::string mod = writeTemp("again.mod", tinyMod());
    for (int cycle = 0; cycle < 20; ++cycle) {
        SCOPED_TRACE(cycle);
        FSOUND_SAMPLE* stale = loadSample(ogg);
        ASSERT_NE(stale, nullptr);
        FSOUND_Sample_Free(stale);
        FSOUND_SAMPLE* fresh = loadSample(ogg);
        ASSERT_NE(fresh, nullptr);
        EXPECT_NE(fresh, stale);
        FSOUND_Sample_Free(stale);
        EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
        EXPECT_EQ(AUDIO_Sample_GetLength(stale), 0);
        EXPECT_EQ(AUDIO_Sample_GetLength(fresh), 3200);  // the fresh sample is still there
        EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, stale), -1);
        EXPECT_GE(FSOUND_PlaySound(FSOUND_FREE, fresh), 0);
        FSOUND_Sample_Free(fresh);

        FMUSIC_MODULE* staleSong = FMUSIC_LoadSong(mod.c_str());
        ASSERT_NE(staleSong, nullptr);
        EXPECT_TRUE(FMUSIC_FreeSong(staleSong));
        FMUSIC_MODULE* freshSong = FMUSIC_LoadSong(mod.c_str());
        ASSERT_NE(freshSong, nullptr);
        EXPECT_FALSE(FMUSIC_FreeSong(staleSong));
        EXPECT_FALSE(FMUSIC_PlaySong(staleSong));
        EXPECT_TRUE(FMUSIC_PlaySong(freshSong));
        EXPECT_EQ(AUDIO_Song_IsPlaying(freshSong), 1);
        EXPECT_TRUE(FMUSIC_FreeSong(freshSong));
    }
    // Nor does a handle come back after the library is closed and opened again.
    FSOUND_SAMPLE* beforeClose = loadSample(ogg);
    FSOUND_Close();
    ASSERT_TRUE(FSOUND_Init(32000, 8, 0));
    FSOUND_SAMPLE* afterOpen = loadSample(ogg);
    EXPECT_NE(afterOpen, beforeClose);
    FSOUND_Sample_Free(beforeClose);
    EXPECT_EQ(AUDIO_Sample_GetLength(afterOpen), 3200);
}

TEST(AudioLibraryClosed, callsBeforeInitFailAndCloseStopsOutputAndReleasesWhatIsLoaded) {
    EXPECT_FAILS_WITH(!loadSample("x.mp3"), FMOD_ERR_UNINITIALIZED);
    EXPECT_FAILS_WITH(!FMUSIC_LoadSong("x.xm"), FMOD_ERR_UNINITIALIZED);
    EXPECT_FAILS_WITH(FSOUND_PlaySound(FSOUND_FREE, nullptr) == -1, FMOD_ERR_UNINITIALIZED);
    ASSERT_NE(FSOUND_DSP_GetSpectrum(), nullptr);
    EXPECT_EQ(largest(FSOUND_DSP_GetSpectrum()), 0.0f);
    FSOUND_Close();  // closing what is not open is harmless
    ASSERT_TRUE(FSOUND_Init(32000, 8, 0));
    FSOUND_SAMPLE* sample = loadSample(soundFile("close.ogg", stereoTone(1000, 1000, 0.5, 32000, 1.0), 32000));
    ASSERT_GE(FSOUND_PlaySound(FSOUND_FREE, sample), 0);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
    SDL_Delay(60);
    float* spectrum = FSOUND_DSP_GetSpectrum();
    EXPECT_GT(spectrum[32], 0.3f);
    FSOUND_Close();
    long long mixed = AUDIO_GetMixedFrames();
    SDL_Delay(60);
    EXPECT_EQ(AUDIO_GetMixedFrames(), mixed);
    EXPECT_EQ(AUDIO_Sample_GetLength(sample), 0);  // released with the library
    FSOUND_Sample_Free(sample);                    // and a late free is ignored
    EXPECT_EQ(FSOUND_DSP_GetSpectrum(), spectrum);  // the same array, now silent
    EXPECT_EQ(largest(spectrum), 0.0f);
    EXPECT_STREQ(AUDIO_GetDriverName(), "");
}

TEST(AudioLibraryClosed, noSoundDeviceFallsBackToTheDummyDriver) {
    std::string previous = std::getenv("SDL_AUDIODRIVER");  // the test runner sets it
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    OpenAudio audio;
    setenv("SDL_AUDIODRIVER", previous.c_str(), 1);
    EXPECT_TRUE(audio.opened);
    EXPECT_STREQ(AUDIO_GetDriverName(), "dummy");
    long long before = AUDIO_GetMixedFrames();
    SDL_Delay(100);
    EXPECT_GT(AUDIO_GetMixedFrames(), before);  // time still passes in silence
}
