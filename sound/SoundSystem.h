// The demo's soundtrack: picks sample (MP3, OGG) or module (S3M, XM, MOD) playback
// from the file name's extension, plays it through the audio library, hands out the
// library's FFT spectrum and writes a "Debug: " line for each step. Main thread only;
// with no recognised extension it never calls the audio library.
#pragma once

#include "sound/AudioLibrary.h"

#include <string>

class SoundSystem {
public:
    // Detects the format from path, then starts the library and loads the whole file.
    explicit SoundSystem(const char* path);

    // Starts the library at kMixRateHz (32000 Hz) with 64 channels; true when it started.
    bool init();
    // Loads path as a sample or a module, in the detected mode.
    void load(const char* path);
    // Starts playback; for a sample also switches the FFT unit on.
    void play();
    // The library's 512-entry spectrum for a sample, null for a module or no mode.
    float* spectrum();
    // Releases the loaded sound and closes the library; the handle it held is null after.
    void shutdown();
    // Rehearsal, native builds only (SoundSystemRehearsal.cpp): moves the soundtrack
    // to seconds in, heard from this call on (a paused one resumes there; one that
    // has played out plays again from there).
    void seek(double seconds);
    // Rehearsal, native builds only: pauses or resumes the soundtrack where it stands.
    void setPaused(bool paused);
    // Rehearsal, native builds only: where the playing sample stands on its own clock,
    // as seconds in and the process-clock instant (processClockNs) it stood there,
    // read to within half a millisecond. A picture clock set from it shows what is
    // heard even where the thread was held up between moving the music and the
    // clock. False for a module, a paused or played-out sample, or no sound.
    bool musicClock(double& seconds, long long& atNs);
    // Rehearsal, native builds only: loads path again in place of the soundtrack and
    // plays it from seconds in (paused if paused). On failure the old one plays on,
    // and error says why; false then.
    bool reload(const char* path, double seconds, bool paused, std::string& error);
    // The message for an audio library error code; "Unknown error" outside 0..18.
    static const char* errorText(int code);

    FMUSIC_MODULE* song;
    FSOUND_SAMPLE* sample;
    bool musicMode;
    bool soundMode;
    // The channel the sample plays on, or -1.
    int channel = -1;
};
