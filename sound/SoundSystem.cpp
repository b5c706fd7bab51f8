#include "sound/SoundSystem.h"

#include "sound/SoundFormat.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kSoftwareChannelCount = 64;

// One debug line: the text, a newline, and a flush so it shows at once.
void debugLine(const char* text, const char* detail = "") {
    std::fputs(text, stdout);
    std::fputs(detail, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

struct FormatTest {
    const char* forms[3];
    const char* line;
    bool music;
};

const FormatTest kFormatTests[] = {
    {{"mp3", "Mp3", "MP3"}, "Debug: Detected MP3-format.", false},
    {{"ogg", "Ogg", "OGG"}, "Debug: Detected OGG-format.", false},
    {{"s3m", "S3m", "S3M"}, "Debug: Detected S3M-format.", true},
    {{"xm", "Xm", "XM"}, "Debug: Detected XM-format.", true},
    {{"mod", "Mod", "MOD"}, "Debug: Detected MOD-format.", true},
};

}  // namespace

SoundSystem::SoundSystem(const char* path)
    : song(nullptr), sample(nullptr), musicMode(false), soundMode(false) {
    // Everything after the first '.' is the extension, later dots included.
    const char* dot = path != nullptr ? std::strchr(path, '.') : nullptr;
    if (dot != nullptr) {
        const char* extension = dot + 1;
        for (const FormatTest& test : kFormatTests) {
            for (const char* form : test.forms) {
                if (std::strcmp(extension, form) == 0) {
                    debugLine(test.line);
                    (test.music ? musicMode : soundMode) = true;
                }
            }
        }
    }
    if (soundMode) {
        debugLine("Debug: Starting INIT with SOUND");
    } else if (musicMode) {
        debugLine("Debug: Starting INIT with MUSIC");
    } else {
        return;
    }
    init();
    load(path);
}

bool SoundSystem::init() {
    if (!soundMode && !musicMode) {
        return false;
    }
    if (!FSOUND_Init(kMixRateHz, kSoftwareChannelCount, 0)) {
        return false;
    }
    debugLine(soundMode ? "Debug: Started soundsystem with SOUND"
                        : "Debug: Started soundsystem with MUSIC");
    return true;
}

void SoundSystem::load(const char* path) {
    if (soundMode) {
        sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path, FSOUND_STEREO, 0, 0);
        if (sample != nullptr) {
            debugLine("Debug: Loaded song with SOUND");
        } else {
            debugLine("Debug: Couldn't load song with SOUND: ", errorText(FSOUND_GetError()));
        }
    } else if (musicMode) {
        song = FMUSIC_LoadSong(path);
        if (song != nullptr) {
            debugLine("Debug: Loaded song with MUSIC");
        } else {
            debugLine("Debug: Couldn't load song with MUSIC: ", errorText(FSOUND_GetError()));
        }
    }
}

void SoundSystem::play() {
    if (soundMode) {
        channel = FSOUND_PlaySound(FSOUND_FREE, sample);
        FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
    } else if (musicMode) {
        FMUSIC_PlaySong(song);
    }
}

float* SoundSystem::spectrum() {
    return soundMode ? FSOUND_DSP_GetSpectrum() : nullptr;
}

void SoundSystem::shutdown() {
    // The handles are let go of with what they stood for.
    if (musicMode) {
        FMUSIC_FreeSong(song);
        song = nullptr;
        FSOUND_Close();
    } else if (soundMode) {
        FSOUND_Sample_Free(sample);
        sample = nullptr;
        FSOUND_Close();
    }
}

const char* SoundSystem::errorText(int code) {
    static const char* const kTexts[] = {
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
    const int count = static_cast<int>(sizeof kTexts / sizeof kTexts[0]);
    return code >= 0 && code < count ? kTexts[code] : "Unknown error";
}
