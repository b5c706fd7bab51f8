// Sound files that nobody here wrote, taken from Debian packages at test time and
// cached under the build folder. Without a network the tests skip, saying why.
#include "sound/SoundSystem.h"

#include "sound/AudioLibrary.h"
#include "tests/sound/TestAudioFiles.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <glob.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

namespace {

// The cache lives beside the test runner, inside the build folder.
std::string cacheRoot() {
    char exe[4096];
    ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path = length > 0 ? std::string(exe, static_cast<size_t>(length)) : "./x";
    return path.substr(0, path.rfind('/')) + "/real-sound-cache";
}

bool exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

// Downloads and unpacks a Debian package once; the unpacked root, or "" when it cannot.
// Each attempt works in its own folder and renames it into place, so test processes
// running side by side never see half a package.
std::string fetchPackage(const std::string& name) {
    std::string root = cacheRoot();
    std::string dir = root + "/" + name;
    if (exists(dir + "/unpacked")) {
        return dir + "/root";
    }
    std::string command =
        "mkdir -p '" + root + "' && work=$(mktemp -d '" + root + "/fetch-XXXXXX') && " +
        "(cd \"$work\" && timeout 120 apt-get download -q " + name + " >/dev/null 2>&1 && " +
        "dpkg-deb -x ./" + name + "_*.deb root && rm -f ./*.deb && touch unpacked); " +
        "ok=$?; if [ $ok -eq 0 ]; then [ -e '" + dir + "/unpacked' ] || rm -rf '" + dir + "'; " +
        "mv -T \"$work\" '" + dir + "' 2>/dev/null || rm -rf \"$work\"; else rm -rf \"$work\"; fi; " +
        "exit $ok";
    bool fetched = std::system(command.c_str()) == 0;
    return fetched && exists(dir + "/unpacked") ? dir + "/root" : "";
}

std::vector<std::string> globFiles(const std::string& pattern) {
    std::vector<std::string> files;
    glob_t found;
    if (glob(pattern.c_str(), 0, nullptr, &found) == 0) {
        for (size_t i = 0; i < found.gl_pathc; ++i) {
            files.push_back(found.gl_pathv[i]);
        }
    }
    globfree(&found);
    return files;
}

std::string baseName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// The sound system takes everything after a path's first dot as its extension.
std::string dotless(std::string name) {
    for (char& c : name) {
        c = c == '.' ? '-' : c;
    }
    return name;
}

// Constructs, plays, reads the spectrum and shuts down; the lines written.
std::vector<std::string> runThrough(const std::string& path) {
    return soundtest::captureLines([&] {
        SoundSystem sound(path.c_str());
        sound.play();
        SDL_Delay(20);
        float* spectrum = sound.spectrum();
        if (spectrum != nullptr) {
            EXPECT_LE(spectrum[0] + spectrum[3] + spectrum[4] + spectrum[5], 4.0f);
        }
        sound.shutdown();
    });
}

struct ProbeResult {
    bool known = false;
    int rateHz = 0;
    int channelCount = 0;
    double seconds = 0.0;
};

// Rate, channels and duration as ffprobe reports them, when ffprobe is installed.
ProbeResult probe(const std::string& path) {
    ProbeResult result;
    std::string command = "ffprobe -v error -select_streams a:0 -show_entries "
                          "stream=sample_rate,channels:format=duration -of csv=p=0 '" + path +
                          "' 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char stream[256] = {0};
    char format[256] = {0};
    bool read = std::fgets(stream, sizeof stream, pipe) != nullptr &&
                std::fgets(format, sizeof format, pipe) != nullptr;
    bool ok = pclose(pipe) == 0 && read;
    if (ok && std::sscanf(stream, "%d,%d", &result.rateHz, &result.channelCount) == 2) {
        result.seconds = std::atof(format);
        result.known = result.seconds > 0.0;
    }
    return result;
}

Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

float peakOf(FSOUND_SAMPLE* sample) {
    const float* data = AUDIO_Sample_GetData(sample);
    float peak = 0.0f;
    for (long long i = 0; i < 2 * AUDIO_Sample_GetLength(sample); ++i) {
        peak = std::max(peak, std::fabs(data[i]));
    }
    return peak;
}

// Loads a sample file and checks it against ffprobe; returns the handle (library open).
FSOUND_SAMPLE* loadAndCheck(const std::string& path) {
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
    EXPECT_NE(sample, nullptr) << path << ": error " << FSOUND_GetError();
    if (sample == nullptr) {
        return nullptr;
    }
    double seconds = AUDIO_Sample_GetLength(sample) / 32000.0;
    ProbeResult expected = probe(path);
    if (expected.known) {
        EXPECT_EQ(AUDIO_Sample_GetSourceRate(sample), expected.rateHz) << path;
        EXPECT_EQ(AUDIO_Sample_GetSourceChannels(sample), expected.channelCount) << path;
        // Gapless trimming and container rounding differ by a frame or two at most.
        EXPECT_NEAR(seconds, expected.seconds, 0.08) << path;
    }
    float peak = peakOf(sample);
    EXPECT_LE(peak, 2.0f) << path;  // decoded values stay near full scale, finite
    return sample;
}

float peakOfFrames(FSOUND_SAMPLE* sample, long long frameCount) {
    const float* data = AUDIO_Sample_GetData(sample);
    long long count = std::min(frameCount, AUDIO_Sample_GetLength(sample));
    float peak = 0.0f;
    for (long long i = 0; i < 2 * count; ++i) {
        peak = std::max(peak, std::fabs(data[i]));
    }
    return std::min(peak, 1.0f);
}

// Plays a sample through the mixer for a while, then frees it: the output's peak level
// must be the peak of the part of the sample that was mixed, unchanged.
void playAndCompare(FSOUND_SAMPLE* sample, int milliseconds, const std::string& path) {
    AUDIO_TakePeakLevel();
    int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
    ASSERT_GE(channel, 0) << path;
    long long start = AUDIO_GetChannelStartFrame(channel);
    SDL_Delay(milliseconds);
    long long mixedBefore = AUDIO_GetMixedFrames();
    float fewest = peakOfFrames(sample, mixedBefore - start);
    long long mixedAfter = AUDIO_GetMixedFrames() + AUDIO_GetDeviceBufferFrames();
    float most = peakOfFrames(sample, mixedAfter - start);
    FSOUND_Sample_Free(sample);
    float heard = AUDIO_TakePeakLevel();
    EXPECT_GE(heard, fewest - 1e-6f) << path;
    EXPECT_LE(heard, most + 1e-6f) << path;
    EXPECT_GT(mixedBefore - start, milliseconds * 32 / 2) << path;
}

struct OggFacts {
    int rateHz = 0;
    int channelCount = 0;
    double seconds = 0.0;
};

unsigned long long littleEndian(const Bytes& bytes, size_t at, int count) {
    unsigned long long value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | bytes[at + i];
    }
    return value;
}

// Rate and channels from the Vorbis identification header, length from the granule
// position of the last Ogg page: read straight from the bytes, not through a decoder.
OggFacts oggFacts(const Bytes& bytes) {
    OggFacts facts;
    const std::string marker = "\x01vorbis";
    std::string head(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 128));
    size_t id = head.find(marker);
    if (id == std::string::npos || bytes.size() < id + 16) {
        return facts;
    }
    facts.channelCount = bytes[id + 11];
    facts.rateHz = static_cast<int>(littleEndian(bytes, id + 12, 4));
    std::string all(bytes.begin(), bytes.end());
    size_t last = all.rfind("OggS");
    if (last != std::string::npos && last + 14 <= bytes.size() && facts.rateHz > 0) {
        facts.seconds = static_cast<double>(littleEndian(bytes, last + 6, 8)) / facts.rateHz;
    }
    return facts;
}

class RealSoundFiles : public testing::Test {
protected:
    std::string fetchOrSkip(const std::string& package) {
        std::string root = fetchPackage(package);
        if (root.empty()) {
            fetchFailed = true;
        }
        return root;
    }
    bool fetchFailed = false;
};

#define FETCH_OR_SKIP(var, package)                                                           \
    std::string var = fetchOrSkip(package);                                                   \
    if (var.empty()) {                                                                        \
        GTEST_SKIP() << "could not fetch Debian package " << package                          \
                     << " with apt-get download (no network or no apt?)";                      \
    }

}  // namespace

TEST_F(RealSoundFiles, mp3sFromDebianLoadWithTheirRateLengthAndChannels) {
    FETCH_OR_SKIP(basic, "basic256");
    FETCH_OR_SKIP(tag, "libmp3-tag-perl");
    FETCH_OR_SKIP(rtmidi, "python3-rtmidi");
    FETCH_OR_SKIP(jsxc, "libjs-jsxc");
    std::vector<std::string> files = globFiles(basic + "/usr/share/doc/basic256/examples/*/*.mp3");
    ASSERT_GE(files.size(), 3u);
    soundtest::OpenAudio audio;
    ASSERT_TRUE(audio.opened);
    for (const std::string& path : files) {
        FSOUND_SAMPLE* sample = loadAndCheck(path);
        ASSERT_NE(sample, nullptr);
        EXPECT_EQ(AUDIO_Sample_GetSourceRate(sample), 44100) << path;
        EXPECT_GT(peakOf(sample), 0.01f) << path;
        playAndCompare(sample, 120, path);
    }
    std::string phone = jsxc + "/usr/share/libjs-jsxc/sound/Rotary-Phone6.mp3";
    FSOUND_SAMPLE* sample = loadAndCheck(phone);
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(AUDIO_Sample_GetSourceRate(sample), 24000);
    EXPECT_EQ(AUDIO_Sample_GetSourceChannels(sample), 2);
    playAndCompare(sample, 120, phone);
    for (const std::string& path : globFiles(rtmidi + "/usr/share/doc/python3-rtmidi/examples/*/*.mp3")) {
        sample = loadAndCheck(path);
        ASSERT_NE(sample, nullptr);
        EXPECT_EQ(AUDIO_Sample_GetSourceRate(sample), 44100);
        EXPECT_EQ(AUDIO_Sample_GetSourceChannels(sample), 1);
        FSOUND_Sample_Free(sample);
    }
    // MPEG-2.5 at 8 kHz, mono, and silent.
    sample = loadAndCheck(tag + "/usr/share/doc/libmp3-tag-perl/examples/empty_10sec.mp3");
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(AUDIO_Sample_GetSourceRate(sample), 8000);
    EXPECT_EQ(AUDIO_Sample_GetSourceChannels(sample), 1);
    EXPECT_NEAR(AUDIO_Sample_GetLength(sample) / 32000.0, 10.2, 0.1);
    EXPECT_LT(peakOf(sample), 0.01f);
    FSOUND_Sample_Free(sample);
}

TEST_F(RealSoundFiles, freedesktopOggsLoadAtEveryRate) {
    FETCH_OR_SKIP(theme, "sound-theme-freedesktop");
    std::vector<std::string> files = globFiles(theme + "/usr/share/sounds/freedesktop/stereo/*.oga");
    ASSERT_GE(files.size(), 20u);
    soundtest::OpenAudio audio;
    ASSERT_TRUE(audio.opened);
    int lowest = 1000000;
    int highest = 0;
    int monoCount = 0;
    for (const std::string& path : files) {
        OggFacts expected = oggFacts(readBytes(path));
        ASSERT_GT(expected.rateHz, 0) << path;
        FSOUND_SAMPLE* sample =
            FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
        ASSERT_NE(sample, nullptr) << path << ": error " << FSOUND_GetError();
        EXPECT_EQ(AUDIO_Sample_GetSourceRate(sample), expected.rateHz) << path;
        EXPECT_EQ(AUDIO_Sample_GetSourceChannels(sample), expected.channelCount) << path;
        EXPECT_NEAR(AUDIO_Sample_GetLength(sample) / 32000.0, expected.seconds, 0.002) << path;
        EXPECT_GT(peakOf(sample), 0.001f) << path;
        EXPECT_LE(peakOf(sample), 2.0f) << path;
        lowest = std::min(lowest, expected.rateHz);
        highest = std::max(highest, expected.rateHz);
        monoCount += expected.channelCount == 1 ? 1 : 0;
        FSOUND_Sample_Free(sample);
    }
    EXPECT_LE(lowest, 8000);  // the set spans telephone to studio rates
    EXPECT_GE(highest, 96000);
    EXPECT_GT(monoCount, 0);
    std::string bellPath = theme + "/usr/share/sounds/freedesktop/stereo/bell.oga";
    FSOUND_SAMPLE* bell = FSOUND_Sample_Load(FSOUND_UNMANAGED, bellPath.c_str(), FSOUND_STEREO, 0, 0);
    ASSERT_NE(bell, nullptr);
    playAndCompare(bell, 150, bellPath);
}

TEST_F(RealSoundFiles, modulesFromDebianLoadAndPlay) {
    FETCH_OR_SKIP(tecno, "tecnoballz-data");
    FETCH_OR_SKIP(gl117, "gl-117-data");
    FETCH_OR_SKIP(heroes, "heroes-sound-tracks");
    std::vector<std::string> mods = globFiles(tecno + "/usr/share/games/tecnoballz/musics/*.mod");
    std::vector<std::string> s3ms = globFiles(gl117 + "/usr/share/games/gl-117/music/*.s3m");
    std::vector<std::string> xms = globFiles(heroes + "/usr/share/games/heroes/mod/*.xm");
    ASSERT_GE(mods.size(), 5u);
    ASSERT_GE(s3ms.size(), 3u);
    ASSERT_GE(xms.size(), 3u);
    soundtest::OpenAudio audio;
    ASSERT_TRUE(audio.opened);
    for (const std::vector<std::string>* group : {&mods, &s3ms, &xms}) {
        for (const std::string& path : *group) {
            FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
            ASSERT_NE(song, nullptr) << path << ": error " << FSOUND_GetError();
            EXPECT_GT(AUDIO_Song_GetLengthSeconds(song), 1.0) << path;
            EXPECT_LT(AUDIO_Song_GetLengthSeconds(song), 30 * 60.0) << path;
            EXPECT_TRUE(FMUSIC_FreeSong(song));
        }
        // One of each kind through the mixer.
        FMUSIC_MODULE* song = FMUSIC_LoadSong(group->front().c_str());
        AUDIO_TakePeakLevel();
        ASSERT_TRUE(FMUSIC_PlaySong(song));
        SDL_Delay(400);
        EXPECT_GT(AUDIO_TakePeakLevel(), 0.0f) << group->front();
        FMUSIC_FreeSong(song);
    }
}

TEST_F(RealSoundFiles, anXmUnderAModNameStillPlaysAsAModule) {
    FETCH_OR_SKIP(tecno, "tecnoballz-data");
    Bytes bytes = readBytes(tecno + "/usr/share/games/tecnoballz/musics/area1-game2.mod");
    ASSERT_GT(bytes.size(), 17u);
    ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 17), "Extended Module: ");
    std::string path = soundtest::tempPath("area1-game2.mod");
    ASSERT_TRUE(soundtest::writeFile(path, bytes));
    std::vector<std::string> lines = runThrough(path);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Debug: Detected MOD-format.");
    EXPECT_EQ(lines[3], "Debug: Loaded song with MUSIC");
}

TEST_F(RealSoundFiles, damagedCopiesFailCleanlyOrLoadWhatIsWhole) {
    FETCH_OR_SKIP(basic, "basic256");
    FETCH_OR_SKIP(theme, "sound-theme-freedesktop");
    FETCH_OR_SKIP(tecno, "tecnoballz-data");
    FETCH_OR_SKIP(gl117, "gl-117-data");
    FETCH_OR_SKIP(heroes, "heroes-sound-tracks");
    struct Original {
        std::string path;
        std::string extension;
        bool music;
    };
    const Original originals[] = {
        {basic + "/usr/share/doc/basic256/examples/sound/bounce.mp3", "mp3", false},
        {theme + "/usr/share/sounds/freedesktop/stereo/complete.oga", "ogg", false},
        {tecno + "/usr/share/games/tecnoballz/musics/tecnoballz.mod", "mod", true},
        {gl117 + "/usr/share/games/gl-117/music/dark.s3m", "s3m", true},
        {heroes + "/usr/share/games/heroes/mod/menu.xm", "xm", true},
    };
    std::mt19937 generator(11);
    for (const Original& original : originals) {
        Bytes whole = readBytes(original.path);
        ASSERT_GT(whole.size(), 1000u) << original.path;
        std::vector<Bytes> copies;
        copies.emplace_back(whole.begin(), whole.begin() + whole.size() / 2 + 3);  // cut mid-frame
        copies.emplace_back(whole.begin(), whole.begin() + 40);                    // cut in the header
        Bytes overwritten = whole;
        for (int i = 0; i < 64; ++i) {
            overwritten[100 + generator() % (whole.size() - 100)] = static_cast<unsigned char>(generator());
        }
        copies.push_back(overwritten);
        Bytes headerSmashed = whole;
        for (int i = 0; i < 32; ++i) {
            headerSmashed[i] = static_cast<unsigned char>(generator());
        }
        copies.push_back(headerSmashed);
        const std::string mode = original.music ? "MUSIC" : "SOUND";
        for (size_t c = 0; c < copies.size(); ++c) {
            std::string path = soundtest::tempPath("damaged" + std::to_string(c) + "-" +
                                                   dotless(baseName(original.path)) + "." +
                                                   original.extension);
            ASSERT_TRUE(soundtest::writeFile(path, copies[c]));
            std::vector<std::string> lines = runThrough(path);
            ASSERT_EQ(lines.size(), 4u) << path;
            const std::string& outcome = lines[3];
            bool loaded = outcome == "Debug: Loaded song with " + mode;
            bool refused = outcome == "Debug: Couldn't load song with " + mode + ": Unknown file format" ||
                           outcome == "Debug: Couldn't load song with " + mode + ": Error loading file";
            EXPECT_TRUE(loaded || refused) << path << ": " << outcome;
            if (c == 0) {
                EXPECT_TRUE(loaded) << "the first half of " << original.path << " is whole";
            }
        }
    }
}
