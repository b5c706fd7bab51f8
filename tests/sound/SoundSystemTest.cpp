#include "sound/SoundSystem.h"

#include "tests/sound/TestAudioFiles.h"

#include <SDL.h>
#include <gtest/gtest.h>

using namespace soundtest;

namespace {

// What a recognised file writes while it is constructed: every line flushed with a newline.
std::string linesFor(const std::string& format, const std::string& mode, bool started,
                     const std::string& outcome) {
    return "Debug: Detected " + format + "-format.\nDebug: Starting INIT with " + mode + "\n" +
           (started ? "Debug: Started soundsystem with " + mode + "\n" : "") + outcome + "\n";
}

}  // namespace

TEST(SoundSystemFormat, extensionAfterTheFirstDotPicksTheModeCaseSensitively) {
    const struct {
        const char* path;
        const char* mode;  // "" for none
        const char* format;
    } cases[] = {
        {"song.mp3", "SOUND", "MP3"}, {"song.MP3", "SOUND", "MP3"}, {"song.Mp3", "SOUND", "MP3"},
        {"song.ogg", "SOUND", "OGG"}, {"song.Ogg", "SOUND", "OGG"}, {"song.OGG", "SOUND", "OGG"},
        {"tune.s3m", "MUSIC", "S3M"}, {"tune.S3m", "MUSIC", "S3M"}, {"tune.S3M", "MUSIC", "S3M"},
        {"tune.xm", "MUSIC", "XM"},   {"tune.Xm", "MUSIC", "XM"},   {"tune.XM", "MUSIC", "XM"},
        {"tune.mod", "MUSIC", "MOD"}, {"tune.Mod", "MUSIC", "MOD"}, {"tune.MOD", "MUSIC", "MOD"},
        {"song.mP3", "", ""},         {"song.oGG", "", ""},         {"tune.xM", "", ""},
        {"song.mp3.bak", "", ""},     {"./music/song.mp3", "", ""}, {"a.b.mp3", "", ""},
        {"song.mp", "", ""},          {"tune.xm2", "", ""},         {"tune.", "", ""},
        {"song", "", ""},             {"", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string mode = c.mode;
        long long callsBefore = AUDIO_GetCallCount();
        std::string text = captureText([&] {
            SoundSystem sound(c.path);
            EXPECT_EQ(sound.soundMode, mode == "SOUND");
            EXPECT_EQ(sound.musicMode, mode == "MUSIC");
            sound.play();
            EXPECT_EQ(sound.spectrum() != nullptr, mode == "SOUND");
            sound.shutdown();
        });
        if (mode.empty()) {
            EXPECT_EQ(text, "");
            EXPECT_EQ(AUDIO_GetCallCount(), callsBefore);  // never touches the audio library
        } else {
            EXPECT_EQ(text, linesFor(c.format, mode, true,
                                     "Debug: Couldn't load song with " + mode + ": File not found"));
        }
    }
    // The spy above sees calls: a missing MP3 is init, load, get-error, sample free, close.
    long long before = AUDIO_GetCallCount();
    captureText([] { SoundSystem(tempPath("missing.mp3").c_str()).shutdown(); });
    EXPECT_EQ(AUDIO_GetCallCount() - before, 5);
}

// Missing files of every format are in the test above.
TEST(SoundSystemLines, eachLoadWritesItsLinesAndLaterStepsWriteNothing) {
    const std::string mp3 = soundFile("track.mp3", stereoTone(440, 440, 0.5, 32000, 1.5), 32000);
    const struct {
        std::string path;
        bool libraryAlreadyOpen;  // then the sound system's start fails as busy, but it still loads
        std::string text;
    } cases[] = {
        {mp3, false, "Debug: Detected MP3-format.\nDebug: Starting INIT with SOUND\n"
                     "Debug: Started soundsystem with SOUND\nDebug: Loaded song with SOUND\n"},
        {writeTemp("tiny.mod", tinyMod()), false, linesFor("MOD", "MUSIC", true, "Debug: Loaded song with MUSIC")},
        {mp3, true, linesFor("MP3", "SOUND", false, "Debug: Loaded song with SOUND")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_TRUE(!c.libraryAlreadyOpen || FSOUND_Init(32000, 8, 0));
        SoundSystem* sound = nullptr;
        EXPECT_EQ(captureText([&] { sound = new SoundSystem(c.path.c_str()); }), c.text);
        bool loaded = c.text.find("Debug: Loaded") != std::string::npos;
        EXPECT_EQ(sound->sample != nullptr, loaded && sound->soundMode);
        EXPECT_EQ(sound->song != nullptr, loaded && sound->musicMode);
        EXPECT_EQ(captureText([&] {
                      sound->play();
                      for (int wait = 0; sound->sample && wait < 50 && largest(sound->spectrum()) < 0.1f; ++wait) {
                          SDL_Delay(20);
                      }
                      EXPECT_TRUE(sound->sample == nullptr || largest(sound->spectrum()) >= 0.1f)
                          << "play did not switch the FFT unit on";
                      // A sample hands out the library's own array, the same every frame.
                      EXPECT_EQ(sound->spectrum(), sound->soundMode ? FSOUND_DSP_GetSpectrum() : nullptr);
                      EXPECT_EQ(sound->spectrum(), sound->spectrum());
                      EXPECT_EQ(AUDIO_Song_IsPlaying(sound->song), loaded && sound->musicMode ? 1 : 0);
                      sound->shutdown();
                  }),
                  "");
        // What it freed it lets go of, so that nothing later hands the library a stale handle.
        EXPECT_EQ(sound->sample, nullptr);
        EXPECT_EQ(sound->song, nullptr);
        delete sound;
    }
}

// 64-bit FNV-1a of a text's bytes.
unsigned long long fingerprint(const char* text) {
    unsigned long long hash = 0xcbf29ce484222325ULL;
    for (const char* c = text; *c != '\0'; ++c) {
        hash = (hash ^ static_cast<unsigned char>(*c)) * 0x100000001b3ULL;
    }
    return hash;
}

TEST(SoundSystemErrorText, everyCodeHasTheLibrarysPublishedMessageAndOthersAreUnknown) {
    // Fingerprints of the audio library's published error texts, codes 0 to 18, taken
    // from its documentation and not from our table: a copy of the table here could
    // only repeat a mistake made in both. Any change of a byte (a lost trailing blank,
    // one space for two) changes a fingerprint.
    const unsigned long long kPublished[] = {
        0xe969b4a944505d51, 0x61744f58c264bbab, 0xcf7378f6713854ce, 0x6f3526e7e83c7f27, 0xd27a19f92cc5cbfe,
        0xde1f14cbd8a7ed14, 0x903e0739950f3617, 0x83797e1eef9d5f6d, 0x09338b7766a05cfb, 0x743e0754729e9146,
        0x37a98640e8cf5398, 0x0d5a4c2fe4da9e41, 0x2dc4eda6f7f874d7, 0xf5c7fad2f6c6f052, 0x98e66e344a9207a2,
        0xdf42a3b3345105ee, 0xcdb457ac8d3d35a2, 0xc7d01b91979dea4a, 0x60ff56d24546771e,
    };
    for (int code = 0; code <= 18; ++code) {
        EXPECT_EQ(fingerprint(SoundSystem::errorText(code)), kPublished[code]) << code << ": "
                                                                               << SoundSystem::errorText(code);
    }
    for (int code : {19, 20, -1, -18, 2147483647, -2147483647 - 1}) {
        EXPECT_STREQ(SoundSystem::errorText(code), "Unknown error") << code;
    }
}
