// Damaged and foreign files given to the sound system: the matching "Couldn't load"
// line, or the part that is whole loaded; no crash, no hang, every later step safe.
#include "tests/sound/TestAudioFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>

using namespace soundtest;

namespace {

Bytes randomBytes(size_t count, unsigned seed, const std::string& prefix = "") {
    std::mt19937 generator(seed);
    Bytes bytes(prefix.begin(), prefix.end());
    while (bytes.size() < prefix.size() + count) {
        bytes.push_back(static_cast<unsigned char>(generator()));
    }
    return bytes;
}

Bytes firstPart(Bytes bytes, size_t count) {
    bytes.resize(std::min(count, bytes.size()));
    return bytes;
}

}  // namespace

TEST(SoundSystemBadInput, eachDamagedFileGivesItsCouldNotLoadLineOrLoadsWhatIsWhole) {
    Bytes mp3 = encodeMp3(stereoTone(440, 440, 0.5, 32000, 1.0), 32000, 2);
    Bytes overwritten = mp3;
    std::mt19937 generator(3);
    for (int i = 0; i < 200; ++i) {
        overwritten[400 + generator() % (mp3.size() - 400)] = static_cast<unsigned char>(generator());
    }
    Bytes ogg = encodeOgg(stereoTone(440, 440, 0.5, 32000, 4.0), 32000, 2);  // audio outweighs the headers
    Bytes badPattern = tinyMod();
    badPattern[20 + 31 * 30 + 2] = 200;  // the order names a pattern that is not there
    const struct {
        const char* name;
        Bytes bytes;
        const char* reason;  // null: loads
        double minSeconds = 0, maxSeconds = 0;  // of a loaded sample
    } cases[] = {
        {"empty.mp3", {}, "Error loading file"},
        {"words.mp3", randomBytes(0, 0, std::string(200, 'a') + "\nplain text\n"), "Unknown file format"},
        {"random.ogg", randomBytes(20000, 7), "Unknown file format"},
        {"random.mp3", randomBytes(20000, 8, "ID3"), "Error loading file"},
        {"oggs-garbage.ogg", randomBytes(5000, 9, "OggS"), "Unknown file format"},
        {"ogg-headers-only.ogg", firstPart(ogg, 60), "Error loading file"},
        {"module-as.mp3", tinyMod(), "Unknown file format"},
        {"empty.xm", {}, "Error loading file"},
        {"random.xm", randomBytes(20000, 10), "Unknown file format"},
        {"words.s3m", randomBytes(0, 0, "just some words"), "Unknown file format"},
        {"xm-signature-then-garbage.xm", randomBytes(400, 11, "Extended Module: "), "Unknown file format"},
        {"mod-cut-in-header.mod", firstPart(tinyMod(), 600), "Unknown file format"},
        {"cut.mp3", firstPart(mp3, mp3.size() / 2 + 7), nullptr, 0.4, 0.6},
        {"overwritten.mp3", overwritten, nullptr, 0.0, 1.1},
        {"cut.ogg", firstPart(ogg, ogg.size() * 2 / 3), nullptr, 4.0 / 3, 4.0},
        {"header-only.mod", firstPart(tinyMod(), 1084), nullptr},  // no pattern, no sample data
        {"bad-pattern.mod", badPattern, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = writeTemp(c.name, c.bytes);
        bool module = std::string(c.name).find(".mp3") == std::string::npos &&
                      std::string(c.name).find(".ogg") == std::string::npos;
        Lines lines = runThrough(path);
        ASSERT_EQ(lines.size(), 4u);
        std::string mode = module ? "MUSIC" : "SOUND";
        EXPECT_EQ(lines[3], c.reason ? "Debug: Couldn't load song with " + mode + ": " + c.reason
                                     : "Debug: Loaded song with " + mode);
        if (c.reason == nullptr && !module) {
            OpenAudio audio;
            FSOUND_SAMPLE* sample = loadSample(path);
            ASSERT_NE(sample, nullptr);
            EXPECT_GT(AUDIO_Sample_GetLength(sample), c.minSeconds * 32000);
            EXPECT_LT(AUDIO_Sample_GetLength(sample), c.maxSeconds * 32000);
            const float* data = AUDIO_Sample_GetData(sample);
            for (long long i = 0; i < 2 * AUDIO_Sample_GetLength(sample); ++i) {
                ASSERT_TRUE(data[i] >= -4.0f && data[i] <= 4.0f) << i;  // finite, no blow-up
            }
        }
    }
    std::string folder = tempPath("folder.mp3");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    EXPECT_EQ(runThrough(folder), (Lines{"Debug: Detected MP3-format.", "Debug: Starting INIT with SOUND",
                                         "Debug: Started soundsystem with SOUND",
                                         "Debug: Couldn't load song with SOUND: Error loading file"}));
}
