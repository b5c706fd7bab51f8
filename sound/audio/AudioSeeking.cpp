// Pausing and moving what plays, for rehearsing: the channel calls keep a sample in
// step with the clock (the frame heard at a moment is where the clock says), and the
// spectrum follows the new position at once rather than after the output's latency.
#include "sound/AudioLibrary.h"

#include "sound/audio/FftAnalyzer.h"
#include "sound/audio/LibraryState.h"

#include <libopenmpt/libopenmpt.h>

namespace {

void countCall() {
    libraryCallCount().fetch_add(1, std::memory_order_relaxed);
}

// The library open and the channel's sample known, or the call fails with why.
bool channelReady(LibraryState& lib, int channel) {
    if (!lib.open) {
        lib.lastError = FMOD_ERR_UNINITIALIZED;
        return false;
    }
    SDL_LockAudioDevice(lib.device);
    bool known = lib.mixer->channelSample(channel) != nullptr;
    SDL_UnlockAudioDevice(lib.device);
    if (!known) {
        lib.lastError = FMOD_ERR_INVALID_PARAM;
    }
    return known;
}

LoadedModule* openSong(LibraryState& lib, FMUSIC_MODULE* song) {
    if (!lib.open) {
        lib.lastError = FMOD_ERR_UNINITIALIZED;
        return nullptr;
    }
    LoadedModule* loaded = lib.songs.find(song);
    if (loaded == nullptr) {
        lib.lastError = FMOD_ERR_INVALID_PARAM;
    }
    return loaded;
}

}  // namespace

signed char FSOUND_SetPaused(int channel, signed char paused) {
    countCall();
    LibraryState& lib = library();
    long long calledNs = Mixer::nowNs();
    if (!channelReady(lib, channel)) {
        return 0;
    }
    SDL_LockAudioDevice(lib.device);
    lib.mixer->pauseChannel(channel, paused != 0, calledNs);
    SDL_UnlockAudioDevice(lib.device);
    lib.movedChannel = channel;
    return 1;
}

signed char FSOUND_GetPaused(int channel) {
    countCall();
    LibraryState& lib = library();
    if (!channelReady(lib, channel)) {
        return 0;
    }
    SDL_LockAudioDevice(lib.device);
    bool paused = lib.mixer->isChannelPaused(channel);
    SDL_UnlockAudioDevice(lib.device);
    return paused ? 1 : 0;
}

signed char FSOUND_SetCurrentPosition(int channel, unsigned int offset) {
    countCall();
    LibraryState& lib = library();
    if (!channelReady(lib, channel)) {
        return 0;
    }
    SDL_LockAudioDevice(lib.device);
    const LoadedSample* sample = lib.mixer->channelSample(channel);
    SDL_UnlockAudioDevice(lib.device);
    // A position far in must be resampled before it can be heard; the new position
    // is heard from when that is done, as the call returns.
    sample->waitForFrames(offset + 2LL * lib.mixRateHz);
    long long calledNs = Mixer::nowNs();
    SDL_LockAudioDevice(lib.device);
    lib.mixer->seekChannel(channel, offset, calledNs);
    SDL_UnlockAudioDevice(lib.device);
    lib.movedChannel = channel;
    return 1;
}

unsigned int FSOUND_GetCurrentPosition(int channel) {
    countCall();
    if (!channelReady(library(), channel)) {
        return 0;
    }
    return static_cast<unsigned int>(AUDIO_GetChannelClockFrame(channel, nullptr));
}

long long AUDIO_GetChannelClockFrame(int channel, long long* atNs) {
    LibraryState& lib = library();
    if (!lib.open) {
        return -1;
    }
    // The instant is taken before the lock: a wait for the audio thread's block
    // does not move the frame away from the instant it belongs to.
    const long long readNs = Mixer::nowNs();
    SDL_LockAudioDevice(lib.device);
    const long long frame = lib.mixer->channelClockFrame(channel, readNs);
    SDL_UnlockAudioDevice(lib.device);
    if (atNs != nullptr) {
        *atNs = readNs;
    }
    return frame;
}

signed char FMUSIC_SetPaused(FMUSIC_MODULE* song, signed char paused) {
    countCall();
    LibraryState& lib = library();
    LoadedModule* loaded = openSong(lib, song);
    if (loaded == nullptr) {
        return 0;
    }
    SDL_LockAudioDevice(lib.device);
    loaded->playing = paused == 0;
    SDL_UnlockAudioDevice(lib.device);
    return 1;
}

signed char FMUSIC_SetPositionSeconds(FMUSIC_MODULE* song, double seconds) {
    countCall();
    LibraryState& lib = library();
    LoadedModule* loaded = openSong(lib, song);
    if (loaded == nullptr) {
        return 0;
    }
    SDL_LockAudioDevice(lib.device);
    openmpt_module_set_position_seconds(loaded->module, seconds);
    SDL_UnlockAudioDevice(lib.device);
    return 1;
}

bool spectrumOfMovedChannel(LibraryState& lib) {
    long long atNs = Mixer::nowNs();
    SDL_LockAudioDevice(lib.device);
    const LoadedSample* sample = lib.mixer->channelSample(lib.movedChannel);
    bool paused = lib.mixer->isChannelPaused(lib.movedChannel);
    long long frame = lib.mixer->channelClockFrame(lib.movedChannel, atNs);
    long long firstMixed = lib.mixer->channelFirstMixedFrame(lib.movedChannel);
    SDL_UnlockAudioDevice(lib.device);
    // Once the whole window heard comes from the new position, the mix says it best.
    if (sample == nullptr || (!paused && lib.mixer->heardFrame() >= firstMixed + kFftSize)) {
        lib.movedChannel = -1;
        lib.spectrumEndFrame = -1;
        return false;
    }
    float window[kFftSize];
    gatherMonoWindow(sample->pcm.frames.data(), sample->readyFrames(), frame, window);
    lib.analyzer.analyze(window, lib.spectrum);
    lib.spectrumEndFrame = -1;
    return true;
}
