// What the audio library's opaque handles stand for (HandleTable maps one to the
// other). The library owns every one: it allocates them on load and frees them on
// free or close. Only the main thread changes them (and a sample's own resampling
// thread its frames not yet ready); the mixer reads samples and modules on the
// audio thread with the device locked around every change.
#pragma once

#include "sound/audio/PcmData.h"

#include <atomic>
#include <thread>

typedef struct openmpt_module openmpt_module;

// A loaded sample: the whole file decoded to stereo at the mix rate. The load
// returns once the file is decoded; the resampling to the mix rate goes on, front to
// back, on a thread of its own (a minute of music takes about half a second, which
// would otherwise delay the first frame) and the mixer plays what is ready. Playback
// starting at once finds it far ahead: it resamples tens of times faster than real time.
struct LoadedSample {
    LoadedSample() = default;
    LoadedSample(const LoadedSample&) = delete;
    LoadedSample& operator=(const LoadedSample&) = delete;
    // Stops the resampling and waits for it.
    ~LoadedSample();

    // Main thread: takes decoded audio already at the mix rate; whole at once.
    void setWhole(PcmData decoded);
    // Main thread: resamples decoded to rateHz on the sample's own thread. False when
    // the result would pass the decode caps (nothing is started then).
    bool startResampling(PcmData decoded, int rateHz);
    // Any thread: frames ready to play, from the first on; all of them once whole.
    long long readyFrames() const;
    // Any thread: true once every frame is ready. Read before readyFrames() when both
    // are needed, so that a whole sample's count is its final one.
    bool isWhole() const;
    // Main thread: waits until the sample is whole.
    void waitUntilWhole();
    // Main thread: waits until its first frameCount frames are ready (or it is whole).
    void waitForFrames(long long frameCount) const;
    // Main thread: stops the resampling where it is; the sample stays as far as it got.
    void stopResampling();

    // Sized for the whole sample before any frame is written, and never reallocated
    // while the resampling runs; its frames past readyFrames() are not ready yet.
    PcmData pcm;

private:
    PcmData source;
    std::atomic<long long> ready{0};
    std::atomic<bool> whole{false};
    std::atomic<bool> stopping{false};
    std::thread resampler;
};

// A loaded module, rendered by the mixer while playing.
struct LoadedModule {
    explicit LoadedModule(openmpt_module* module);
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    // Destroys the module.
    ~LoadedModule();

    openmpt_module* module;
    double lengthSeconds = 0.0;
    bool playing = false;
};

// The FFT unit: while active, FSOUND_DSP_GetSpectrum analyses what is heard.
struct FSOUND_DSPUNIT {
    bool active = false;
};
