// The audio library's state. Its interface is C with no context argument, so the
// state is one process-wide object; only the main thread touches it (the mixer
// keeps what the audio thread needs). Shared by the library's own sources only.
#pragma once

#include "sound/audio/AudioTypes.h"
#include "sound/audio/HandleTable.h"
#include "sound/audio/LibraryHandles.h"
#include "sound/audio/Mixer.h"
#include "sound/audio/FftAnalyzer.h"
#include "sound/audio/ServerLatency.h"

#include <SDL.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

struct LibraryState {
    bool open = false;
    SDL_AudioDeviceID device = 0;
    bool dummyFallback = false;
    bool outputLost = false;
    int mixRateHz = 0;
    int bufferFrames = 0;
    std::string driverName;
    std::unique_ptr<Mixer> mixer;
    // Declared after the mixer it reports to, so it stops first.
    ServerLatency serverLatency;
    HandleTable<FSOUND_SAMPLE, LoadedSample> samples;
    HandleTable<FMUSIC_MODULE, LoadedModule> songs;
    int lastError = FMOD_ERR_NONE;
    FSOUND_DSPUNIT fftUnit;
    float spectrum[kSpectrumBinCount] = {};
    long long spectrumEndFrame = -1;
    FftAnalyzer analyzer;
};

// The one library state.
LibraryState& library();

// Calls made through the FSOUND_/FMUSIC_ interface.
std::atomic<long long>& libraryCallCount();
