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

void putLe(Bytes& bytes, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A 16-bit PCM WAV of the stereo frames.
Bytes wave(const std::vector<float>& stereo, int rateHz) {
    const uint32_t dataBytes = static_cast<uint32_t>(stereo.size() * 2);
    Bytes bytes = {'R', 'I', 'F', 'F'};
    putLe(bytes, 36 + dataBytes, 4);
    for (char c : std::string("WAVEfmt ")) bytes.push_back(static_cast<unsigned char>(c));
    putLe(bytes, 16, 4);
    putLe(bytes, 1, 2);  // PCM
    putLe(bytes, 2, 2);
    putLe(bytes, static_cast<uint32_t>(rateHz), 4);
    putLe(bytes, static_cast<uint32_t>(rateHz) * 4, 4);
    putLe(bytes, 4, 2);
    putLe(bytes, 16, 2);
    for (char c : std::string("data")) bytes.push_back(static_cast<unsigned char>(c));
    putLe(bytes, dataBytes, 4);
    for (float sample : stereo) putLe(bytes, static_cast<uint32_t>(static_cast<int16_t>(sample * 32767)), 2);
    return bytes;
}

Bytes joined(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
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
}

TEST(SoundSystemBadInput, foldersWhereTheFileBelongsCountAsFilesThatAreNotThere) {
    for (const char* name : {"folder.mp3", "folder.xm"}) {
        SCOPED_TRACE(name);
        std::string folder = tempPath(name);
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
        Lines lines = runThrough(folder);
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[3], std::string("Debug: Couldn't load song with ") +
                                (std::string(name).find("mp3") != std::string::npos ? "SOUND" : "MUSIC") +
                                ": File not found");
    }
}

// MPEG audio has no magic number, and a decoder finds a few things that pass for
// frames in almost any data: a file must be MPEG frames end to end to count as MP3.
TEST(SoundSystemBadInput, otherFormatsNamedMp3AreForeignWhileRealMp3sOfAnySizeLoad) {
    const std::vector<float> tone = stereoTone(440, 660, 0.5, 32000, 2.0);
    Bytes id3(10 + 300000, 0);  // a large tag (a cover picture) before the audio
    id3[0] = 'I', id3[1] = 'D', id3[2] = '3', id3[3] = 3;
    id3[7] = (300000 >> 14) & 0x7f, id3[8] = (300000 >> 7) & 0x7f, id3[9] = 300000 & 0x7f;
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    png = joined(png, wave(stereoTone(50, 70, 0.99, 8000, 3.0), 8000));  // bytes full of 0xff runs
    const Bytes oneFrame = encodeMp3(stereoTone(440, 440, 0.5, 32000, 0.01), 32000, 2);
    const struct {
        const char* name;
        Bytes bytes;
        const char* reason;                     // null: loads
        double minSeconds = 0, maxSeconds = 0;  // of a loaded sample
    } cases[] = {
        {"wave-as.mp3", wave(tone, 32000), "Unknown file format"},
        {"quiet-wave-as.mp3", wave(stereoTone(100, 100, 0.001, 44100, 2.0), 44100), "Unknown file format"},
        {"image-as.mp3", png, "Unknown file format"},
        {"frame-then-text.mp3", joined(oneFrame, Bytes(300000, 'a')), "Error loading file"},
        {"ogg-as.mp3", encodeOgg(tone, 32000, 2), nullptr, 1.9, 2.1},  // content decides the decoder
        {"tone.mp3", encodeMp3(tone, 32000, 2), nullptr, 1.9, 2.1},
        {"mono-22k.mp3", encodeMp3(stereoTone(440, 440, 0.5, 22050, 1.0), 22050, 1), nullptr, 0.9, 1.1},
        {"one-frame.mp3", oneFrame, nullptr, 0.005, 0.1},
        {"tagged.mp3", joined(id3, encodeMp3(tone, 32000, 2)), nullptr, 1.9, 2.1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeTemp(c.name, c.bytes);
        Lines lines = runThrough(path);
        ASSERT_EQ(lines.size(), 4u);
        if (c.reason != nullptr) {
            EXPECT_EQ(lines[3], std::string("Debug: Couldn't load song with SOUND: ") + c.reason);
            continue;
        }
        EXPECT_EQ(lines[3], "Debug: Loaded song with SOUND");
        OpenAudio audio;
        FSOUND_SAMPLE* sample = loadSample(path);
        ASSERT_NE(sample, nullptr);
        EXPECT_GT(AUDIO_Sample_GetLength(sample), c.minSeconds * 32000);
        EXPECT_LT(AUDIO_Sample_GetLength(sample), c.maxSeconds * 32000);
    }
}
