// Read-only views into the audio library for tests and tools. They are not part of
// the playback interface and do not count as library calls.
#include "sound/AudioLibrary.h"

#include "sound/audio/LibraryState.h"

namespace {

// The sample's audio once it is whole.
const PcmData* pcmOf(FSOUND_SAMPLE* sample) {
    LoadedSample* loaded = library().samples.find(sample);
    if (loaded == nullptr) {
        return nullptr;
    }
    loaded->waitUntilWhole();
    return &loaded->pcm;
}

}  // namespace

long long AUDIO_GetCallCount(void) {
    return libraryCallCount().load(std::memory_order_relaxed);
}

int AUDIO_GetMixRate(void) {
    return library().mixRateHz;
}

const char* AUDIO_GetDriverName(void) {
    return library().driverName.c_str();
}

int AUDIO_GetDeviceBufferFrames(void) {
    return library().bufferFrames;
}

long long AUDIO_GetMixedFrames(void) {
    LibraryState& lib = library();
    return lib.open ? lib.mixer->mixedFrames() : 0;
}

long long AUDIO_GetHeardFrame(void) {
    LibraryState& lib = library();
    return lib.open ? lib.mixer->heardFrame() : 0;
}

long long AUDIO_GetSpectrumEndFrame(void) {
    return library().spectrumEndFrame;
}

int AUDIO_IsChannelPlaying(int channel) {
    LibraryState& lib = library();
    if (!lib.open) {
        return 0;
    }
    SDL_LockAudioDevice(lib.device);
    bool playing = lib.mixer->isChannelPlaying(channel);
    SDL_UnlockAudioDevice(lib.device);
    return playing ? 1 : 0;
}

long long AUDIO_GetChannelStartFrame(int channel) {
    LibraryState& lib = library();
    if (!lib.open) {
        return -1;
    }
    SDL_LockAudioDevice(lib.device);
    long long start = lib.mixer->channelStartFrame(channel);
    SDL_UnlockAudioDevice(lib.device);
    return start;
}

double AUDIO_GetChannelSampleFrame(int channel, long long mixerFrame) {
    LibraryState& lib = library();
    if (!lib.open) {
        return -1.0;
    }
    SDL_LockAudioDevice(lib.device);
    double frame = lib.mixer->channelSampleFrame(channel, mixerFrame);
    SDL_UnlockAudioDevice(lib.device);
    return frame;
}

long long AUDIO_Sample_GetLength(FSOUND_SAMPLE* sample) {
    // Once whole, what is ready is all of it (the frames may have room for more).
    return pcmOf(sample) != nullptr ? library().samples.find(sample)->readyFrames() : 0;
}

int AUDIO_Sample_GetSourceRate(FSOUND_SAMPLE* sample) {
    const PcmData* pcm = pcmOf(sample);
    return pcm != nullptr ? pcm->sourceRateHz : 0;
}

int AUDIO_Sample_GetSourceChannels(FSOUND_SAMPLE* sample) {
    const PcmData* pcm = pcmOf(sample);
    return pcm != nullptr ? pcm->sourceChannelCount : 0;
}

const float* AUDIO_Sample_GetData(FSOUND_SAMPLE* sample) {
    const PcmData* pcm = pcmOf(sample);
    return pcm != nullptr ? pcm->frames.data() : nullptr;
}

int AUDIO_Song_IsPlaying(FMUSIC_MODULE* song) {
    LibraryState& lib = library();
    const LoadedModule* loaded = lib.songs.find(song);
    if (loaded == nullptr) {
        return 0;
    }
    SDL_LockAudioDevice(lib.device);
    bool playing = loaded->playing;
    SDL_UnlockAudioDevice(lib.device);
    return playing ? 1 : 0;
}

double AUDIO_Song_GetLengthSeconds(FMUSIC_MODULE* song) {
    const LoadedModule* loaded = library().songs.find(song);
    return loaded != nullptr ? loaded->lengthSeconds : 0.0;
}

float AUDIO_TakePeakLevel(void) {
    LibraryState& lib = library();
    return lib.open ? lib.mixer->takePeak() : 0.0f;
}
