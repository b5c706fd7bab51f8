#include "sound/SoundSystem.h"

#include "sound/AudioLibrary.h"
#include "tests/sound/TestAudioFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using soundtest::captureLines;
using soundtest::captureText;
using soundtest::tempPath;
using Lines = std::vector<std::string>;

namespace {

// Path of a short real MP3 in the temporary folder, made once.
std::string sineMp3Path(const std::string& name) {
    std::string path = tempPath(name);
    soundtest::writeFile(path, soundtest::encodeMp3(soundtest::sineStereo(440, 0.5, 32000, 0.5),
                                                    32000, 2));
    return path;
}

struct ModeCase {
    const char* path;
    bool sound;
    bool music;
    const char* detectedLine;  // null: nothing detected
};

const ModeCase kModeCases[] = {
    {"song.mp3", true, false, "Debug: Detected MP3-format."},
    {"song.MP3", true, false, "Debug: Detected MP3-format."},
    {"song.Mp3", true, false, "Debug: Detected MP3-format."},
    {"song.mP3", false, false, nullptr},
    {"song.mp3.bak", false, false, nullptr},
    {"song.mp", false, false, nullptr},
    {"./music/song.mp3", false, false, nullptr},
    {"a.b.mp3", false, false, nullptr},
    {"song.ogg", true, false, "Debug: Detected OGG-format."},
    {"song.Ogg", true, false, "Debug: Detected OGG-format."},
    {"song.OGG", true, false, "Debug: Detected OGG-format."},
    {"song.oGG", false, false, nullptr},
    {"tune.s3m", false, true, "Debug: Detected S3M-format."},
    {"tune.S3m", false, true, "Debug: Detected S3M-format."},
    {"tune.S3M", false, true, "Debug: Detected S3M-format."},
    {"tune.xm", false, true, "Debug: Detected XM-format."},
    {"tune.Xm", false, true, "Debug: Detected XM-format."},
    {"tune.XM", false, true, "Debug: Detected XM-format."},
    {"tune.xM", false, false, nullptr},
    {"tune.xm2", false, false, nullptr},
    {"tune.mod", false, true, "Debug: Detected MOD-format."},
    {"tune.Mod", false, true, "Debug: Detected MOD-format."},
    {"tune.MOD", false, true, "Debug: Detected MOD-format."},
    {"tune.", false, false, nullptr},
    {"song", false, false, nullptr},
    {"", false, false, nullptr},
};

}  // namespace

TEST(SoundSystemFormat, extensionAfterTheFirstDotPicksTheModeCaseSensitively) {
    for (const ModeCase& mode : kModeCases) {
        SoundSystem* sound = nullptr;
        Lines lines = captureLines([&] { sound = new SoundSystem(mode.path); });
        EXPECT_EQ(sound->soundMode, mode.sound) << mode.path;
        EXPECT_EQ(sound->musicMode, mode.music) << mode.path;
        if (mode.detectedLine != nullptr) {
            ASSERT_GE(lines.size(), 2u) << mode.path;
            EXPECT_EQ(lines[0], mode.detectedLine) << mode.path;
            EXPECT_EQ(lines[1], mode.sound ? "Debug: Starting INIT with SOUND"
                                           : "Debug: Starting INIT with MUSIC")
                << mode.path;
        } else {
            EXPECT_TRUE(lines.empty()) << mode.path;
        }
        captureLines([&] { sound->shutdown(); });
        delete sound;
    }
}

TEST(SoundSystemFormat, pathWithoutRecognisedExtensionNeverCallsTheAudioLibrary) {
    for (const char* path : {"song", "song.mp3.bak", "./music/song.mp3", "tune.xm2", ""}) {
        long long before = AUDIO_GetCallCount();
        std::string text = captureText([&] {
            SoundSystem sound(path);
            sound.play();
            EXPECT_EQ(sound.spectrum(), nullptr);
            sound.shutdown();
            EXPECT_EQ(sound.song, nullptr);
            EXPECT_EQ(sound.sample, nullptr);
        });
        EXPECT_EQ(AUDIO_GetCallCount(), before) << path;
        EXPECT_EQ(text, "") << path;
    }
}

TEST(SoundSystemFormat, theCallCounterSeesEveryCallOfARecognisedMode) {
    // Guards the spy above: a mode that does call the library must move the counter.
    long long before = AUDIO_GetCallCount();
    captureText([] {
        SoundSystem sound(tempPath("missing.mp3").c_str());
        sound.shutdown();
    });
    // init, load, get-error, sample free, close.
    EXPECT_EQ(AUDIO_GetCallCount() - before, 5);
}

TEST(SoundSystemLines, loadedMp3WritesTheFourLinesInOrderEachFlushedWithANewline) {
    std::string path = sineMp3Path("track.mp3");
    SoundSystem* sound = nullptr;
    std::string text = captureText([&] { sound = new SoundSystem(path.c_str()); });
    EXPECT_EQ(text,
              "Debug: Detected MP3-format.\n"
              "Debug: Starting INIT with SOUND\n"
              "Debug: Started soundsystem with SOUND\n"
              "Debug: Loaded song with SOUND\n");
    EXPECT_NE(sound->sample, nullptr);
    EXPECT_EQ(sound->song, nullptr);
    std::string later = captureText([&] {
        sound->play();
        sound->spectrum();
        sound->shutdown();
    });
    EXPECT_EQ(later, "");  // play, spectrum and shutdown write nothing
    delete sound;
}

TEST(SoundSystemLines, missingFileWritesTheCouldNotLoadLineWithTheLibraryText) {
    SoundSystem* sound = nullptr;
    Lines lines = captureLines([&] { sound = new SoundSystem(tempPath("nothere.mp3").c_str()); });
    EXPECT_EQ(lines, (Lines{"Debug: Detected MP3-format.", "Debug: Starting INIT with SOUND",
                            "Debug: Started soundsystem with SOUND",
                            "Debug: Couldn't load song with SOUND: File not found"}));
    EXPECT_EQ(sound->sample, nullptr);
    captureText([&] { sound->shutdown(); });
    delete sound;
}

TEST(SoundSystemLines, moduleWritesTheMusicLines) {
    std::string path = tempPath("tiny.mod");
    ASSERT_TRUE(soundtest::writeFile(path, soundtest::tinyMod()));
    SoundSystem* sound = nullptr;
    Lines lines = captureLines([&] { sound = new SoundSystem(path.c_str()); });
    EXPECT_EQ(lines, (Lines{"Debug: Detected MOD-format.", "Debug: Starting INIT with MUSIC",
                            "Debug: Started soundsystem with MUSIC",
                            "Debug: Loaded song with MUSIC"}));
    EXPECT_NE(sound->song, nullptr);
    EXPECT_EQ(sound->sample, nullptr);
    captureText([&] {
        sound->play();
        EXPECT_EQ(sound->spectrum(), nullptr);
        EXPECT_EQ(AUDIO_Song_IsPlaying(sound->song), 1);
        sound->shutdown();
    });
    delete sound;
}

TEST(SoundSystemLines, missingModuleWritesTheMusicCouldNotLoadLine) {
    SoundSystem* sound = nullptr;
    Lines lines = captureLines([&] { sound = new SoundSystem(tempPath("nothere.xm").c_str()); });
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "Debug: Couldn't load song with MUSIC: File not found");
    captureText([&] {
        sound->play();  // hands the null module to the library, which ignores it
        EXPECT_EQ(sound->spectrum(), nullptr);
        sound->shutdown();
    });
    delete sound;
}

TEST(SoundSystemLines, failedInitWritesNoStartedLineButStillTriesToLoad) {
    // The library is already open, so the sound system's own start fails with "busy".
    ASSERT_TRUE(FSOUND_Init(32000, 8, 0));
    std::string path = sineMp3Path("busy.mp3");
    SoundSystem* sound = nullptr;
    Lines lines = captureLines([&] { sound = new SoundSystem(path.c_str()); });
    EXPECT_EQ(lines, (Lines{"Debug: Detected MP3-format.", "Debug: Starting INIT with SOUND",
                            "Debug: Loaded song with SOUND"}));
    EXPECT_FALSE(sound->init());
    sound->shutdown();
    delete sound;
}

TEST(SoundSystemSpectrum, soundModeHandsOutTheLibraryArrayUnchanged) {
    std::string path = sineMp3Path("spectrum.mp3");
    SoundSystem* sound = nullptr;
    captureText([&] { sound = new SoundSystem(path.c_str()); });
    sound->play();
    float* first = sound->spectrum();
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(first, FSOUND_DSP_GetSpectrum());
    EXPECT_EQ(sound->spectrum(), first);  // the same array every frame
    sound->shutdown();
    delete sound;
}

TEST(SoundSystemErrorText, everyCodeHasItsMessage) {
    const char* expected[] = {
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
        EXPECT_STREQ(SoundSystem::errorText(code), expected[code]) << code;
    }
    EXPECT_EQ(std::string(SoundSystem::errorText(12)).back(), ' ');
}

TEST(SoundSystemErrorText, codesOutsideTheTableAreUnknown) {
    for (int code : {19, 20, -1, -18, 1000000, 2147483647, -2147483647 - 1}) {
        EXPECT_STREQ(SoundSystem::errorText(code), "Unknown error") << code;
    }
}
