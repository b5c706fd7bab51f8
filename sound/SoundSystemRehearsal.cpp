// The soundtrack's controls for rehearsing: seeking, pausing and loading it again
// while the demo runs. Native builds only; the web's audio layer has no such calls.
#include "sound/SoundSystem.h"

#include "sound/AudioLibrary.h"
#include "sound/SoundFormat.h"

#include <cmath>

namespace {

unsigned int frameOf(double seconds) {
    return seconds > 0.0 ? static_cast<unsigned int>(std::llround(seconds * kMixRateHz)) : 0u;
}

}  // namespace

void SoundSystem::seek(double seconds) {
    if (soundMode && sample != nullptr) {
        // A sample that has played out has left its channel: it starts again.
        if (channel < 0 || !FSOUND_SetCurrentPosition(channel, frameOf(seconds))) {
            channel = FSOUND_PlaySound(FSOUND_FREE, sample);
            FSOUND_SetCurrentPosition(channel, frameOf(seconds));
        }
    } else if (musicMode && song != nullptr) {
        FMUSIC_SetPositionSeconds(song, seconds);
    }
}

void SoundSystem::setPaused(bool paused) {
    if (soundMode && channel >= 0) {
        FSOUND_SetPaused(channel, paused ? 1 : 0);
    } else if (musicMode && song != nullptr) {
        FMUSIC_SetPaused(song, paused ? 1 : 0);
    }
}

bool SoundSystem::musicClock(double& seconds, long long& atNs) {
    if (!soundMode || sample == nullptr || channel < 0 || !AUDIO_IsChannelPlaying(channel) ||
        FSOUND_GetPaused(channel)) {
        return false;
    }
    // The frame comes with the instant it is heard at, so a thread held up
    // around the reading does not blur it.
    long long readNs = 0;
    const long long frame = AUDIO_GetChannelClockFrame(channel, &readNs);
    if (frame < 0 || frame >= AUDIO_Sample_GetLength(sample)) {
        return false;  // played out: the clock no longer moves it
    }
    seconds = static_cast<double>(frame) / kMixRateHz;
    atNs = readNs;
    return true;
}

bool SoundSystem::reload(const char* path, double seconds, bool paused, std::string& error) {
    if (soundMode) {
        FSOUND_SAMPLE* loaded = FSOUND_Sample_Load(FSOUND_UNMANAGED, path, FSOUND_STEREO, 0, 0);
        if (loaded == nullptr) {
            error = errorText(FSOUND_GetError());
            return false;
        }
        FSOUND_Sample_Free(sample);
        sample = loaded;
        channel = FSOUND_PlaySound(FSOUND_FREE, sample);
    } else if (musicMode) {
        FMUSIC_MODULE* loaded = FMUSIC_LoadSong(path);
        if (loaded == nullptr) {
            error = errorText(FSOUND_GetError());
            return false;
        }
        FMUSIC_FreeSong(song);
        song = loaded;
        FMUSIC_PlaySong(song);
    } else {
        error = "no sound system";
        return false;
    }
    setPaused(paused);
    seek(seconds);
    return true;
}
