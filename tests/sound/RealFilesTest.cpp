// Sound files that nobody here wrote, taken from Debian packages at test time and
// cached under the build folder. Without a network the tests skip, saying why.
#include "tests/sound/TestAudioFiles.h"
#include "tests/support/DebianPackage.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <glob.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>

using namespace soundtest;

namespace {

Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Facts {
    int rateHz = 0, channelCount = 0;
    double seconds = 0.0, tolerance = 0.0;  // seconds 0: unknown
};

// Rate, channels and length as ffprobe, an independent decoder, reports them (when it is
// installed). Vorbis lengths are exact; gapless MP3 trimming may differ by a frame or two.
Facts probe(const std::string& path) {
    Facts facts;
    std::FILE* pipe = popen(("ffprobe -v error -select_streams a:0 -show_entries stream=sample_rate,channels:"
                             "format=duration -of csv=p=0 '" + path + "' 2>/dev/null").c_str(), "r");
    char stream[256] = {0}, format[256] = {0};
    if (pipe != nullptr && std::fgets(stream, sizeof stream, pipe) && std::fgets(format, sizeof format, pipe) &&
        std::sscanf(stream, "%d,%d", &facts.rateHz, &facts.channelCount) == 2) {
        facts.seconds = std::atof(format);
    }
    if (pipe != nullptr && pclose(pipe) != 0) {
        facts.seconds = 0.0;
    }
    facts.tolerance = path.compare(path.size() - 4, 4, ".oga") == 0 ? 0.002 : 0.08;
    return facts;
}

// Peak of frames [firstFrame, frameCount) of the sample.
float peakOf(FSOUND_SAMPLE* sample, long long frameCount = 1LL << 62, long long firstFrame = 0) {
    const float* data = AUDIO_Sample_GetData(sample);
    float peak = 0.0f;
    for (long long i = 2 * firstFrame; i < 2 * std::min(frameCount, AUDIO_Sample_GetLength(sample)); ++i) {
        peak = std::max(peak, std::fabs(data[i]));
    }
    return peak;
}

// Plays a sample through the mixer for a while, then frees it: the output's peak level
// must be the peak of the part of the sample that was mixed, unchanged.
void playAndCompare(FSOUND_SAMPLE* sample, int milliseconds) {
    AUDIO_TakePeakLevel();
    int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
    ASSERT_GE(channel, 0);
    long long start = AUDIO_GetChannelStartFrame(channel);
    SDL_Delay(milliseconds);
    long long mixedBefore = AUDIO_GetMixedFrames();
    // Playback starts as far into the sample as the output lags, a block at most on the
    // dummy driver: those first frames are never mixed.
    float fewest = std::min(peakOf(sample, mixedBefore - start, AUDIO_GetDeviceBufferFrames()), 1.0f);
    float most = std::min(peakOf(sample, AUDIO_GetMixedFrames() + AUDIO_GetDeviceBufferFrames() - start), 1.0f);
    FSOUND_Sample_Free(sample);
    float heard = AUDIO_TakePeakLevel();
    EXPECT_GE(heard, fewest - 1e-6f);
    EXPECT_LE(heard, most + 1e-6f);
    EXPECT_GT(mixedBefore - start, milliseconds * 32 / 2);
}

struct RealSet {
    const char* package;
    const char* pattern;  // inside the unpacked package
    size_t minCount;
    int rateHz, channelCount;  // 0: as each file's own facts say
    double seconds;            // 0: as each file's own facts say; below 0: a module
    bool silent;
    const char* damaged;  // a file whose damaged copies are tried, or null
};

const RealSet kSets[] = {
    {"basic256", "/usr/share/doc/basic256/examples/*/*.mp3", 3, 44100, 0, 0, false,
     "/usr/share/doc/basic256/examples/sound/bounce.mp3"},
    {"libjs-jsxc", "/usr/share/libjs-jsxc/sound/Rotary-Phone6.mp3", 1, 24000, 2, 0, false, nullptr},
    {"python3-rtmidi", "/usr/share/doc/python3-rtmidi/examples/*/*.mp3", 1, 44100, 1, 0, false, nullptr},
    // MPEG-2.5 at 8 kHz, mono, and silent.
    {"libmp3-tag-perl", "/usr/share/doc/libmp3-tag-perl/examples/empty_10sec.mp3", 1, 8000, 1, 10.2, true,
     nullptr},
    // Rates from telephone to studio, some mono.
    {"sound-theme-freedesktop", "/usr/share/sounds/freedesktop/stereo/*.oga", 20, 0, 0, 0, false,
     "/usr/share/sounds/freedesktop/stereo/complete.oga"},
    // One of these, area1-game2.mod, is an XM under a MOD name.
    {"tecnoballz-data", "/usr/share/games/tecnoballz/musics/*.mod", 5, 0, 0, -1, false,
     "/usr/share/games/tecnoballz/musics/tecnoballz.mod"},
    {"gl-117-data", "/usr/share/games/gl-117/music/*.s3m", 3, 0, 0, -1, false,
     "/usr/share/games/gl-117/music/dark.s3m"},
    {"heroes-sound-tracks", "/usr/share/games/heroes/mod/*.xm", 3, 0, 0, -1, false,
     "/usr/share/games/heroes/mod/menu.xm"},
};

void PrintTo(const RealSet& set, std::ostream* out) {
    *out << set.package;
}

class RealSoundFiles : public testing::TestWithParam<RealSet> {};

}  // namespace

TEST_P(RealSoundFiles, loadWithTheirFactsPlayAndSurviveDamage) {
    const RealSet& set = GetParam();
    std::string root = debianPackageFolder(set.package);
    if (root.empty()) {
        GTEST_SKIP() << "could not fetch Debian package " << set.package << " with apt-get download (no network?)";
    }
    glob_t found;
    ASSERT_EQ(glob((root + set.pattern).c_str(), 0, nullptr, &found), 0);
    std::vector<std::string> files(found.gl_pathv, found.gl_pathv + found.gl_pathc);
    globfree(&found);
    ASSERT_GE(files.size(), set.minCount);
    std::set<int> rates, channelCounts;
    {
        OpenAudio audio;
        ASSERT_TRUE(audio.opened);
        for (const std::string& path : files) {
            SCOPED_TRACE(path);
            bool first = path == files.front();  // played through the mixer
            AUDIO_TakePeakLevel();
            if (set.seconds < 0) {
                FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
                ASSERT_NE(song, nullptr) << "error " << FSOUND_GetError();
                EXPECT_GT(AUDIO_Song_GetLengthSeconds(song), 1.0);
                EXPECT_LT(AUDIO_Song_GetLengthSeconds(song), 30 * 60.0);
                if (first) {
                    ASSERT_TRUE(FMUSIC_PlaySong(song));
                    SDL_Delay(400);
                    EXPECT_GT(AUDIO_TakePeakLevel(), 0.0f);
                }
                EXPECT_TRUE(FMUSIC_FreeSong(song));
                continue;
            }
            FSOUND_SAMPLE* sample = loadSample(path);
            ASSERT_NE(sample, nullptr) << "error " << FSOUND_GetError();
            int rate = AUDIO_Sample_GetSourceRate(sample), channels = AUDIO_Sample_GetSourceChannels(sample);
            double seconds = AUDIO_Sample_GetLength(sample) / 32000.0;
            Facts want = probe(path);  // the table's facts stand in where ffprobe is missing
            if (want.seconds == 0) {
                want = {set.rateHz, set.channelCount, set.seconds, 0.1};
            }
            EXPECT_TRUE(want.rateHz == 0 || rate == want.rateHz) << rate;
            EXPECT_TRUE(want.channelCount == 0 || channels == want.channelCount) << channels;
            EXPECT_TRUE(want.seconds == 0 || std::fabs(seconds - want.seconds) <= want.tolerance) << seconds;
            float peak = peakOf(sample);
            EXPECT_LE(peak, 2.0f);  // decoded values stay near full scale, finite
            EXPECT_EQ(peak < 0.001f, set.silent) << peak;
            rates.insert(rate);
            channelCounts.insert(channels);
            first ? playAndCompare(sample, 150) : FSOUND_Sample_Free(sample);
        }
    }
    if (set.seconds == 0 && set.rateHz == 0) {  // the set whose facts all come from the files
        EXPECT_LE(*rates.begin(), 8000);
        EXPECT_GE(*rates.rbegin(), 96000);
        EXPECT_EQ(channelCounts.count(1), 1u);
    }
    if (set.damaged == nullptr) {
        return;
    }
    // Damaged copies: cut mid-frame, cut in the header, bytes overwritten, header smashed.
    // Each gives the load line or a "Couldn't load" one; the first half of a file is whole.
    Bytes whole = readBytes(root + set.damaged);
    ASSERT_GT(whole.size(), 1000u);
    std::mt19937 generator(11);
    std::vector<Bytes> copies = {Bytes(whole.begin(), whole.begin() + whole.size() / 2 + 3),
                                 Bytes(whole.begin(), whole.begin() + 40), whole, whole};
    for (int i = 0; i < 64; ++i) {
        copies[2][100 + generator() % (whole.size() - 100)] = static_cast<unsigned char>(generator());
        copies[3][i / 2] = static_cast<unsigned char>(generator());
    }
    std::string extension = std::string(set.damaged).substr(std::string(set.damaged).rfind('.'));
    const std::string mode = set.seconds < 0 ? "MUSIC" : "SOUND";
    for (size_t c = 0; c < copies.size(); ++c) {
        Lines lines = runThrough(writeTemp("damaged" + std::to_string(c) + "-" + set.package +
                                           (extension == ".oga" ? ".ogg" : extension), copies[c]));
        ASSERT_EQ(lines.size(), 4u) << c;
        bool loaded = lines[3] == "Debug: Loaded song with " + mode;
        EXPECT_TRUE(loaded || lines[3] == "Debug: Couldn't load song with " + mode + ": Unknown file format" ||
                    lines[3] == "Debug: Couldn't load song with " + mode + ": Error loading file")
            << c << ": " << lines[3];
        EXPECT_TRUE(loaded || c != 0) << "the first half of the file is whole";
    }
}

INSTANTIATE_TEST_SUITE_P(Debian, RealSoundFiles, testing::ValuesIn(kSets), [](const auto& info) {
    std::string name = info.param.package;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});
