#include "sound/AudioLibrary.h"

#include "sound/TrackAnalysis.h"
#include "sound/audio/FftAnalyzer.h"
#include "tests/sound/TestAudioFiles.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using soundtest::tempPath;

namespace {

// Opens the library for one test and closes it afterwards, whatever happens.
class AudioLibraryTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FSOUND_Init(32000, 8, 0)); }
    void TearDown() override { FSOUND_Close(); }
};

std::string writeMp3(const std::string& name, const std::vector<float>& stereo, int rateHz,
                     int channelCount) {
    std::string path = tempPath(name);
    EXPECT_TRUE(soundtest::writeFile(path, soundtest::encodeMp3(stereo, rateHz, channelCount)));
    return path;
}

std::string writeOgg(const std::string& name, const std::vector<float>& stereo, int rateHz,
                     int channelCount) {
    std::string path = tempPath(name);
    EXPECT_TRUE(soundtest::writeFile(path, soundtest::encodeOgg(stereo, rateHz, channelCount)));
    return path;
}

// Spectrum of one side of a loaded sample's frames ending at endFrame.
std::vector<float> sideSpectrum(FSOUND_SAMPLE* sample, int side, long long endFrame) {
    const float* data = AUDIO_Sample_GetData(sample);
    long long length = AUDIO_Sample_GetLength(sample);
    std::vector<float> window(kFftSize, 0.0f);
    for (int n = 0; n < kFftSize; ++n) {
        long long frame = endFrame - kFftSize + n;
        window[n] = frame >= 0 && frame < length ? data[2 * frame + side] : 0.0f;
    }
    std::vector<float> out(kSpectrumBinCount);
    FftAnalyzer analyzer;
    analyzer.analyze(window.data(), out.data());
    return out;
}

int loudestBin(const float* spectrum) {
    int best = 0;
    for (int k = 1; k < kSpectrumBinCount; ++k) {
        if (spectrum[k] > spectrum[best]) {
            best = k;
        }
    }
    return best;
}

float largest(const float* spectrum) {
    return spectrum[loudestBin(spectrum)];
}

// Left side 1000 Hz (bin 32), right side 3125 Hz (bin 100), at the given amplitude.
std::vector<float> twoToneStereo(int rateHz, double seconds, double amplitude) {
    std::vector<float> left = soundtest::sineStereo(1000.0, amplitude, rateHz, seconds);
    std::vector<float> right = soundtest::sineStereo(3125.0, amplitude, rateHz, seconds);
    for (size_t i = 1; i < left.size(); i += 2) {
        left[i] = right[i];
    }
    return left;
}

// Waits for the mixer to publish its next block; the frames mixed then, and when.
long long nextBlock(Uint64& ticks) {
    long long before = AUDIO_GetMixedFrames();
    long long now = before;
    while (now == before) {
        SDL_Delay(0);
        now = AUDIO_GetMixedFrames();
    }
    ticks = SDL_GetPerformanceCounter();
    return now;
}

}  // namespace

TEST_F(AudioLibraryTest, opensOnTheDummyDriverAt32kHz) {
    EXPECT_STREQ(AUDIO_GetDriverName(), "dummy");
    EXPECT_EQ(AUDIO_GetMixRate(), 32000);
    EXPECT_GT(AUDIO_GetDeviceBufferFrames(), 0);
}

TEST_F(AudioLibraryTest, mp3DecodesWholeAndGaplessAtTheMixRate) {
    std::string path = writeMp3("one-second.mp3", twoToneStereo(32000, 1.0, 0.5), 32000, 2);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(AUDIO_Sample_GetSourceRate(sample), 32000);
    EXPECT_EQ(AUDIO_Sample_GetSourceChannels(sample), 2);
    EXPECT_NEAR(AUDIO_Sample_GetLength(sample), 32000, 32);  // encoder delay trimmed
    // Sides stay apart: left carries bin 32, right bin 100, each near full value.
    std::vector<float> left = sideSpectrum(sample, 0, 16000);
    std::vector<float> right = sideSpectrum(sample, 1, 16000);
    EXPECT_EQ(loudestBin(left.data()), 32);
    EXPECT_EQ(loudestBin(right.data()), 100);
    EXPECT_NEAR(left[32], 0.5f, 0.05f);
    EXPECT_NEAR(right[100], 0.5f, 0.05f);
    FSOUND_Sample_Free(sample);
}

TEST_F(AudioLibraryTest, mono44kHzMp3IsResampledAndCopiedToBothSides) {
    std::string path = writeMp3("mono44.mp3", soundtest::sineStereo(1000.0, 0.7, 44100, 0.5), 44100, 1);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(AUDIO_Sample_GetSourceRate(sample), 44100);
    EXPECT_EQ(AUDIO_Sample_GetSourceChannels(sample), 1);
    EXPECT_NEAR(AUDIO_Sample_GetLength(sample), 16000, 32);
    const float* data = AUDIO_Sample_GetData(sample);
    for (long long i = 0; i < AUDIO_Sample_GetLength(sample); ++i) {
        ASSERT_EQ(data[2 * i], data[2 * i + 1]) << i;
    }
    // After resampling, 1000 Hz is still bin 32 at 32 kHz, with no alias elsewhere.
    std::vector<float> spectrum = sideSpectrum(sample, 0, 8000);
    EXPECT_EQ(loudestBin(spectrum.data()), 32);
    EXPECT_NEAR(spectrum[32], 0.7f, 0.05f);
    for (int k = 40; k < kSpectrumBinCount; ++k) {
        ASSERT_LT(spectrum[k], 0.01f) << k;
    }
    FSOUND_Sample_Free(sample);
}

TEST_F(AudioLibraryTest, oggDecodesAtItsRateAndKeepsBothSides) {
    std::string path = writeOgg("two-tone48.ogg", twoToneStereo(48000, 0.5, 0.5), 48000, 2);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(AUDIO_Sample_GetSourceRate(sample), 48000);
    EXPECT_EQ(AUDIO_Sample_GetSourceChannels(sample), 2);
    EXPECT_NEAR(AUDIO_Sample_GetLength(sample), 16000, 2);  // Vorbis is sample exact
    std::vector<float> left = sideSpectrum(sample, 0, 8000);
    std::vector<float> right = sideSpectrum(sample, 1, 8000);
    EXPECT_EQ(loudestBin(left.data()), 32);
    EXPECT_EQ(loudestBin(right.data()), 100);
    EXPECT_NEAR(left[32], 0.5f, 0.05f);
    EXPECT_NEAR(right[100], 0.5f, 0.05f);
    FSOUND_Sample_Free(sample);
}

TEST_F(AudioLibraryTest, monoOggAt22kHzLoads) {
    std::string path = writeOgg("mono22.ogg", soundtest::sineStereo(1000.0, 0.5, 22050, 0.25), 22050, 1);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(AUDIO_Sample_GetSourceRate(sample), 22050);
    EXPECT_EQ(AUDIO_Sample_GetSourceChannels(sample), 1);
    EXPECT_NEAR(AUDIO_Sample_GetLength(sample), 8000, 2);
    FSOUND_Sample_Free(sample);
}

TEST_F(AudioLibraryTest, tinyModuleLoadsWithItsLength) {
    std::string path = tempPath("tiny-length.mod");
    ASSERT_TRUE(soundtest::writeFile(path, soundtest::tinyMod()));
    FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
    ASSERT_NE(song, nullptr);
    // Four rows at speed 6 and 125 BPM: 4 x 6 x 20 ms.
    EXPECT_NEAR(AUDIO_Song_GetLengthSeconds(song), 0.48, 0.001);
    EXPECT_EQ(AUDIO_Song_IsPlaying(song), 0);
    EXPECT_TRUE(FMUSIC_FreeSong(song));
}

TEST_F(AudioLibraryTest, playbackOnTheDummyDriverAdvancesInRealTime) {
    // Measured between two block boundaries, so the 16 ms blocks do not blur it: a
    // driver that sleeps a little too long per block (2-3 % here) fails this.
    SDL_Delay(50);
    Uint64 startTicks = 0;
    long long startFrames = nextBlock(startTicks);
    SDL_Delay(2000);
    Uint64 endTicks = 0;
    long long frames = nextBlock(endTicks) - startFrames;
    double seconds = static_cast<double>(endTicks - startTicks) /
                     static_cast<double>(SDL_GetPerformanceFrequency());
    EXPECT_NEAR(frames / seconds, 32000.0, 32000.0 * 0.0125) << frames << " frames in " << seconds << " s";
}

TEST_F(AudioLibraryTest, sampleStopsAtItsEndAndTheSpectrumFallsSilent) {
    std::string path = writeOgg("short.ogg", soundtest::sineStereo(1000.0, 0.8, 32000, 0.25), 32000, 2);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
    ASSERT_NE(sample, nullptr);
    int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
    ASSERT_GE(channel, 0);
    ASSERT_TRUE(FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1));
    EXPECT_EQ(AUDIO_IsChannelPlaying(channel), 1);
    SDL_Delay(150);
    float* spectrum = FSOUND_DSP_GetSpectrum();
    EXPECT_EQ(loudestBin(spectrum), 32);
    EXPECT_GT(spectrum[32], 0.5f);
    SDL_Delay(400);
    EXPECT_EQ(AUDIO_IsChannelPlaying(channel), 0);
    EXPECT_EQ(largest(FSOUND_DSP_GetSpectrum()), 0.0f);
    FSOUND_Sample_Free(sample);
}

TEST_F(AudioLibraryTest, stereoSamplePlaysAtFullVolumeOnBothSides) {
    // A full-scale tone on the left only must reach the output unattenuated.
    std::vector<float> leftOnly = soundtest::sineStereo(1000.0, 0.9, 32000, 0.5);
    for (size_t i = 1; i < leftOnly.size(); i += 2) {
        leftOnly[i] = 0.0f;
    }
    std::string path = writeOgg("left-only.ogg", leftOnly, 32000, 2);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
    ASSERT_NE(sample, nullptr);
    AUDIO_TakePeakLevel();
    ASSERT_GE(FSOUND_PlaySound(FSOUND_FREE, sample), 0);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
    SDL_Delay(200);
    EXPECT_NEAR(AUDIO_TakePeakLevel(), 0.9f, 0.05f);
    // The mono analysis sees (L + R) / 2: half of the left side's 0.9.
    EXPECT_NEAR(FSOUND_DSP_GetSpectrum()[32], 0.45f, 0.03f);
    FSOUND_Sample_Free(sample);
}

TEST_F(AudioLibraryTest, moduleKeepsLoopingPastItsEnd) {
    std::string path = tempPath("tiny-loop.mod");
    ASSERT_TRUE(soundtest::writeFile(path, soundtest::tinyMod()));
    FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
    ASSERT_NE(song, nullptr);
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    SDL_Delay(1000);  // two passes of 0.48 s
    AUDIO_TakePeakLevel();
    // Each pass sounds for 0.24 s of its 0.48 s, so any half second holds a note.
    SDL_Delay(500);
    EXPECT_GT(AUDIO_TakePeakLevel(), 0.1f);
    EXPECT_EQ(AUDIO_Song_IsPlaying(song), 1);
    EXPECT_GT(AUDIO_GetMixedFrames(), 1.4 * 32000);
    EXPECT_TRUE(FMUSIC_FreeSong(song));
    AUDIO_TakePeakLevel();
    SDL_Delay(100);
    EXPECT_EQ(AUDIO_TakePeakLevel(), 0.0f);  // freeing took it out of the mix
}

TEST_F(AudioLibraryTest, liveSpectrumMatchesTheOfflineOneAtThePlaybackTime) {
    // Tone steps make the spectrum depend on time, so a misaligned window shows.
    std::vector<float> steps =
        soundtest::toneSteps({500, 1000, 2000, 3125, 4000, 6000, 250, 8000}, 0.1, 0.6, 32000);
    std::string path = writeMp3("steps.mp3", steps, 32000, 2);
    TrackAnalysis offline;
    ASSERT_TRUE(offline.load(path.c_str()));
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
    ASSERT_NE(sample, nullptr);
    int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
    ASSERT_GE(channel, 0);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
    long long start = AUDIO_GetChannelStartFrame(channel);
    int misalignedDiffers = 0;
    for (int poll = 0; poll < 12; ++poll) {
        SDL_Delay(50);
        const float* live = FSOUND_DSP_GetSpectrum();
        long long end = AUDIO_GetSpectrumEndFrame();
        // The window ends at the heard frame: the mixer's lead less the device buffer.
        EXPECT_LE(end, AUDIO_GetMixedFrames() - AUDIO_GetDeviceBufferFrames());
        double seconds = static_cast<double>(end - start) / 32000.0;
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
    FSOUND_Sample_Free(sample);
}

TEST_F(AudioLibraryTest, spectrumIsZerosUntilTheFftUnitIsOn) {
    std::string path = writeOgg("fft-off.ogg", soundtest::sineStereo(1000.0, 0.8, 32000, 1.0), 32000, 2);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
    ASSERT_GE(FSOUND_PlaySound(FSOUND_FREE, sample), 0);
    SDL_Delay(100);
    float* spectrum = FSOUND_DSP_GetSpectrum();
    ASSERT_NE(spectrum, nullptr);
    EXPECT_EQ(largest(spectrum), 0.0f);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
    EXPECT_GT(FSOUND_DSP_GetSpectrum()[32], 0.5f);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 0);
    EXPECT_EQ(largest(FSOUND_DSP_GetSpectrum()), 0.0f);
    FSOUND_Sample_Free(sample);
}

TEST_F(AudioLibraryTest, runningOutOfChannelsFailsWithChannelAllocation) {
    std::string path = writeOgg("chan.ogg", soundtest::sineStereo(1000.0, 0.1, 32000, 1.0), 32000, 2);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
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
}

TEST_F(AudioLibraryTest, nullAndFreedHandlesDoNothing) {
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, nullptr), -1);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    EXPECT_FALSE(FMUSIC_PlaySong(nullptr));
    EXPECT_FALSE(FMUSIC_FreeSong(nullptr));
    FSOUND_Sample_Free(nullptr);
    EXPECT_FALSE(FSOUND_DSP_SetActive(nullptr, 1));
    std::string path = writeOgg("freed.ogg", soundtest::sineStereo(1000.0, 0.1, 32000, 0.1), 32000, 2);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
    ASSERT_NE(sample, nullptr);
    FSOUND_Sample_Free(sample);
    FSOUND_Sample_Free(sample);  // a second free is ignored
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, sample), -1);
    EXPECT_EQ(AUDIO_Sample_GetLength(sample), 0);
}

TEST_F(AudioLibraryTest, secondInitAndBadParametersFail) {
    EXPECT_FALSE(FSOUND_Init(32000, 64, 0));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_BUSY);
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_UNMANAGED, nullptr, FSOUND_STEREO, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_UNMANAGED, "x.mp3", FSOUND_STEREO, -1, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FMUSIC_LoadSong(nullptr), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    FSOUND_Close();
    EXPECT_FALSE(FSOUND_Init(100, 64, 0));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    EXPECT_FALSE(FSOUND_Init(32000, 0, 0));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    ASSERT_TRUE(FSOUND_Init(32000, 8, 0));  // for TearDown
}

TEST_F(AudioLibraryTest, offsetAndLengthLoadPartOfAFile) {
    std::vector<unsigned char> ogg = soundtest::encodeOgg(soundtest::sineStereo(1000, 0.5, 32000, 0.2), 32000, 2);
    // 100 bytes of text, the Ogg file, 50 more bytes of text.
    std::vector<unsigned char> padded(100 + ogg.size() + 50, 'x');
    std::copy(ogg.begin(), ogg.end(), padded.begin() + 100);
    std::string path = tempPath("inside.ogg");
    ASSERT_TRUE(soundtest::writeFile(path, padded));
    FSOUND_SAMPLE* whole = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
    EXPECT_EQ(whole, nullptr);  // starts with text: not a format we know
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);
    FSOUND_SAMPLE* part = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 100,
                                             static_cast<int>(ogg.size()));
    ASSERT_NE(part, nullptr);
    EXPECT_NEAR(AUDIO_Sample_GetLength(part), 6400, 2);
    FSOUND_Sample_Free(part);
}

TEST(AudioLibraryClosed, callsBeforeInitFailAsNotInitialised) {
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_UNMANAGED, "x.mp3", FSOUND_STEREO, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
    EXPECT_EQ(FMUSIC_LoadSong("x.xm"), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, nullptr), -1);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
    float* spectrum = FSOUND_DSP_GetSpectrum();
    ASSERT_NE(spectrum, nullptr);
    EXPECT_EQ(largest(spectrum), 0.0f);
    FSOUND_Close();  // closing what is not open is harmless
}

TEST(AudioLibraryClosed, closeStopsOutputAndReleasesWhatIsLoaded) {
    ASSERT_TRUE(FSOUND_Init(32000, 8, 0));
    std::string path = writeOgg("close.ogg", soundtest::sineStereo(1000.0, 0.5, 32000, 1.0), 32000, 2);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
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
    const char* saved = std::getenv("SDL_AUDIODRIVER");
    std::string previous = saved != nullptr ? saved : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    bool opened = FSOUND_Init(32000, 8, 0);
    std::string driver = AUDIO_GetDriverName();
    long long before = AUDIO_GetMixedFrames();
    SDL_Delay(100);
    long long after = AUDIO_GetMixedFrames();
    FSOUND_Close();
    setenv("SDL_AUDIODRIVER", previous.c_str(), 1);
    EXPECT_TRUE(opened);
    EXPECT_EQ(driver, "dummy");
    EXPECT_GT(after, before);  // time still passes in silence
}
