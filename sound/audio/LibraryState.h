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
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A device being closed on a thread of its own.
struct DeviceClosing {
    std::mutex lock;
    std::condition_variable ended;
    bool closed = false;
    // How SDL's audio was started for it, and so how to quit it once it has closed.
    bool dummyFallback = false;
};

struct LibraryState {
    bool open = false;
    SDL_AudioDeviceID device = 0;
    bool dummyFallback = false;
    bool outputLost = false;
    // A device close that did not end in time and goes on by itself, or null.
    std::shared_ptr<DeviceClosing> closingDevice;
    // When the device was started, and when the main thread last looked for a stalled
    // output (Mixer::nowNs()).
    long long outputStartedNs = 0;
    long long lastOutputCheckNs = 0;
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
    // The channel last moved (seek, pause, resume), or -1: until what is heard is
    // its new position, the spectrum is read from the sample where the clock says.
    int movedChannel = -1;
    FftAnalyzer analyzer;
};

// Main thread, FFT unit on: the spectrum of a channel that was moved, from its sample
// at the frame the clock says is heard, until the output's own mix has reached the
// new position. False (and the channel forgotten) once the heard mix will do.
bool spectrumOfMovedChannel(LibraryState& lib);

// The one library state.
LibraryState& library();

// Calls made through the FSOUND_/FMUSIC_ interface.
std::atomic<long long>& libraryCallCount();
