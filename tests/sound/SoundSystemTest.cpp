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

TEST(SoundSystemErrorText, everyCodeHasItsMessageAndOthersAreUnknown) {
    const char* const texts[] = {
        "No errors",
        "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
        "This command failed because FSOUND_Init was not called",
        "Error initializing output device.",
        "The output device is already in use and cannot be reused.",
        "Playing the sound failed.",
        "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
        "Error setting cooperative level for hardware.",
        "Error creating hardware sound buffer.",
        "File not found",
        "Unknown file format",
        "Error loading file",
        "Not enough memory ",
        "The version number of this file format is not supported",
        "An invalid parameter was passed to this function",
        "Tried to use an EAX command on a non EAX enabled channel or output.",
        "Failed to allocate a new channel",
        "Recording not supported on this device",
        "Required Mediaplayer codec is not installed",
    };
    for (int code = 0; code <= 18; ++code) {
        EXPECT_STREQ(SoundSystem::errorText(code), texts[code]) << code;
    }
    for (int code : {19, 20, -1, -18, 2147483647, -2147483647 - 1}) {
        EXPECT_STREQ(SoundSystem::errorText(code), "Unknown error") << code;
    }
}
