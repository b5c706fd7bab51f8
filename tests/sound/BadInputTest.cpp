// Damaged and foreign files given to the sound system: the matching "Couldn't load"
// line, no crash, no hang, and every later operation safe.
#include "sound/SoundSystem.h"

#include "sound/AudioLibrary.h"
#include "tests/sound/TestAudioFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>
#include <string>
#include <vector>

using soundtest::captureLines;
using soundtest::tempPath;
using Bytes = std::vector<unsigned char>;

namespace {

Bytes randomBytes(size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    Bytes bytes(count);
    for (unsigned char& byte : bytes) {
        byte = static_cast<unsigned char>(generator() & 0xFF);
    }
    return bytes;
}

Bytes withPrefix(const std::string& prefix, const Bytes& rest) {
    Bytes bytes(prefix.begin(), prefix.end());
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    return bytes;
}

Bytes firstPart(const Bytes& bytes, size_t count) {
    return Bytes(bytes.begin(), bytes.begin() + std::min(count, bytes.size()));
}

Bytes sineMp3() {
    return soundtest::encodeMp3(soundtest::sineStereo(440, 0.5, 32000, 1.0), 32000, 2);
}

Bytes sineOgg() {
    return soundtest::encodeOgg(soundtest::sineStereo(440, 0.5, 32000, 1.0), 32000, 2);
}

struct BadFile {
    const char* name;
    Bytes bytes;
    const char* lastLine;
};

// Constructs, plays, reads the spectrum and shuts down; returns the lines written.
std::vector<std::string> runThrough(const std::string& path) {
    return captureLines([&] {
        SoundSystem sound(path.c_str());
        sound.play();
        for (int frame = 0; frame < 3; ++frame) {
            float* spectrum = sound.spectrum();
            if (spectrum != nullptr) {
                EXPECT_EQ(spectrum[0] + spectrum[3] + spectrum[4] + spectrum[5], 0.0f);
            }
        }
        sound.shutdown();
    });
}

}  // namespace

TEST(SoundSystemBadInput, eachDamagedFileGivesItsCouldNotLoadLineAndStaysSafe) {
    const std::string sound = "Debug: Couldn't load song with SOUND: ";
    const std::string music = "Debug: Couldn't load song with MUSIC: ";
    Bytes mod = soundtest::tinyMod();
    const BadFile cases[] = {
        {"empty.mp3", {}, "Error loading file"},
        {"words.mp3", withPrefix(std::string(200, 'a') + "\nplain text\n", {}), "Unknown file format"},
        {"random.ogg", randomBytes(20000, 7), "Unknown file format"},
        {"random.mp3", withPrefix("ID3", randomBytes(20000, 8)), "Error loading file"},
        {"oggs-garbage.ogg", withPrefix("OggS", randomBytes(5000, 9)), "Unknown file format"},
        {"ogg-headers-only.ogg", firstPart(sineOgg(), 60), "Error loading file"},
        {"module-as.mp3", soundtest::tinyMod(), "Unknown file format"},
        {"empty.xm", {}, "Error loading file"},
        {"random.xm", randomBytes(20000, 10), "Unknown file format"},
        {"words.s3m", withPrefix("just some words", {}), "Unknown file format"},
        {"xm-signature-then-garbage.xm", withPrefix("Extended Module: ", randomBytes(400, 11)),
         "Unknown file format"},
        {"mod-cut-in-header.mod", firstPart(mod, 600), "Unknown file format"},
    };
    for (const BadFile& bad : cases) {
        std::string path = tempPath(bad.name);
        ASSERT_TRUE(soundtest::writeFile(path, bad.bytes));
        std::vector<std::string> lines = runThrough(path);
        ASSERT_EQ(lines.size(), 4u) << bad.name;
        bool isModule = std::string(bad.name).find(".mp3") == std::string::npos &&
                        std::string(bad.name).find(".ogg") == std::string::npos;
        EXPECT_EQ(lines[3], (isModule ? music : sound) + bad.lastLine) << bad.name;
    }
}

TEST(SoundSystemBadInput, aDirectoryNamedLikeASongIsABadFile) {
    std::string path = tempPath("folder.mp3");
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    std::vector<std::string> lines = runThrough(path);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "Debug: Couldn't load song with SOUND: Error loading file");
}

TEST(SoundSystemBadInput, truncatedMp3LoadsTheFramesThatAreWhole) {
    Bytes whole = sineMp3();
    std::string path = tempPath("cut.mp3");
    ASSERT_TRUE(soundtest::writeFile(path, firstPart(whole, whole.size() / 2 + 7)));
    {
        soundtest::OpenAudio audio;
        ASSERT_TRUE(audio.opened);
        FSOUND_SAMPLE* sample =
            FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
        ASSERT_NE(sample, nullptr);
        long long frames = AUDIO_Sample_GetLength(sample);
        EXPECT_GT(frames, 32000 * 4 / 10);
        EXPECT_LT(frames, 32000 * 6 / 10);
    }
    std::vector<std::string> lines = runThrough(path);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "Debug: Loaded song with SOUND");
}

TEST(SoundSystemBadInput, overwrittenBytesInAnMp3StillDecodeOrFailCleanly) {
    Bytes damaged = sineMp3();
    std::mt19937 generator(3);
    for (int i = 0; i < 200; ++i) {
        damaged[400 + generator() % (damaged.size() - 400)] = static_cast<unsigned char>(generator());
    }
    std::string path = tempPath("damaged.mp3");
    ASSERT_TRUE(soundtest::writeFile(path, damaged));
    soundtest::OpenAudio audio;
    ASSERT_TRUE(audio.opened);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
    ASSERT_NE(sample, nullptr);  // the frames that survived still play
    const float* data = AUDIO_Sample_GetData(sample);
    for (long long i = 0; i < 2 * AUDIO_Sample_GetLength(sample); ++i) {
        ASSERT_TRUE(data[i] >= -4.0f && data[i] <= 4.0f) << i;  // finite, no blow-up
    }
    EXPECT_GE(FSOUND_PlaySound(FSOUND_FREE, sample), 0);
}

TEST(SoundSystemBadInput, truncatedOggLoadsWhatIsWhole) {
    // Noise, so that the audio pages outweigh the codec's setup headers.
    std::mt19937 generator(5);
    std::vector<float> noise(2 * 32000);
    for (float& value : noise) {
        value = static_cast<float>(generator() % 2001) / 1000.0f - 1.0f;
        value *= 0.5f;
    }
    Bytes whole = soundtest::encodeOgg(noise, 32000, 2);
    std::string path = tempPath("cut.ogg");
    ASSERT_TRUE(soundtest::writeFile(path, firstPart(whole, whole.size() * 2 / 3)));
    soundtest::OpenAudio audio;
    ASSERT_TRUE(audio.opened);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
    ASSERT_NE(sample, nullptr);
    EXPECT_GT(AUDIO_Sample_GetLength(sample), 32000 / 3);
    EXPECT_LT(AUDIO_Sample_GetLength(sample), 32000);
}

TEST(SoundSystemBadInput, damagedModulesLoadWhatIsWholeAndPlaySafely) {
    Bytes mod = soundtest::tinyMod();
    Bytes headerOnly = firstPart(mod, 1084);  // no pattern and no sample data
    Bytes badPattern = mod;
    badPattern[20 + 31 * 30 + 2] = 200;  // the order names a pattern that is not there
    for (const Bytes* bytes : {&headerOnly, &badPattern}) {
        std::string path = tempPath(bytes == &headerOnly ? "header-only.mod" : "bad-pattern.mod");
        ASSERT_TRUE(soundtest::writeFile(path, *bytes));
        std::vector<std::string> lines = runThrough(path);
        ASSERT_EQ(lines.size(), 4u) << path;
        EXPECT_EQ(lines[3], "Debug: Loaded song with MUSIC") << path;
    }
}
