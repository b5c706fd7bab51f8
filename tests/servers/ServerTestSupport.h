// What the sound server tests share: the generated soundtrack decoded offline, and
// a check that the live spectrum is the offline spectrum of the frames the audio
// layer says are heard, at the clock's time.
#pragma once

#include "sound/TrackAnalysis.h"
#include "tests/support/soundserver/MachineStalls.h"
#include "tests/support/soundserver/RecordingMatch.h"
#include "tests/support/soundserver/SoundServer.h"

#include <SDL.h>

#include <string>
#include <vector>

// The demo's soundtrack path, relative to the generated content's folder, which
// the tests make their working directory.
extern const char* const kTrackPath;
// How far the heard position may stray from the clock on average: a late audio
// thread holds it back for a moment (tens of ms on a machine busy on every core),
// while an output latency left uncompensated would be 80 ms or more. Not checked
// where timing is not (see timingIsChecked).
float spectrumToleranceMs();

// The soundtrack decoded and resampled as the library loads it; loaded once.
const TrackAnalysis& track();

// Whether this build runs under ThreadSanitizer, whose instrumented threads (the
// audio thread, and all of the demo's) run several times slower than they would.
#if defined(__SANITIZE_THREAD__)
constexpr bool kUnderThreadSanitizer = true;
#else
constexpr bool kUnderThreadSanitizer = false;
#endif

// Whether this build runs under AddressSanitizer, whose threads run about twice as
// slowly and allocate through its own allocator.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

// Whether dropouts, how late the heard track stands and how far the spectrum
// follows the clock are failed rather than reported, at a load per core of load:
// not on a crowded machine, where other work holds the server back, nor in the
// sanitizer builds, whose slowed threads let a server at a small quantum run dry
// (and PipeWire's service then lengthens its buffer without saying by how much).
// Those builds are there for memory and thread faults on the same paths; the
// timing of those paths is checked in the optimized build. Nor where the whole
// machine was seen to stop for longestStallMs, past kMachineStallMs.
bool timingIsChecked(double load, double longestStallMs = 0.0);

// How far short of the clock's time the heard track may stand when play ends: the
// audio thread's lateness at the last block, while a latency left uncompensated
// would be 80 ms or more.
constexpr double kHeardToleranceSeconds = 0.04;

// The residual a recording of the track may leave: exactLimitDb where it was played
// frame for frame, 40 dB under the music where it was paced to the clock (the track
// is then followed through a fitted, sliding lag, whose error is most of that).
double residualLimitDb(const RecordingMatch& match, double exactLimitDb);

// Where a recording's unmatched frames lie, for a failure message: each span's
// frames and its place in seconds from the first frame matched and before the
// last frame heard (the start, the end, or somewhere in between).
std::string whereUnmatched(const RecordingMatch& match, int rateHz);

// Where a recording jumps in the track, for a failure message: each jump's place in
// seconds of the recording and how far it moved the lag (more than zero: frames
// were lost, a gap; less: frames were heard twice).
std::string describeJumps(const RecordingMatch& match, int rateHz);

// The soundtrack's decoded frames (interleaved stereo at 32000 Hz), copied once.
const std::vector<float>& trackFrames();

void writeFile(const std::string& path, const std::string& text);

// Points this process's sound at server's folder and SDL's output at driver.
void routeOutputTo(SoundServer& server, const char* driver = "pulseaudio");

// Opens and starts an output stream of this process as the demo's (32 kHz float
// stereo, 4096-frame blocks) that plays silence; 0, with the test failed, where
// SDL cannot. closeSilentOutput closes it and SDL's audio with it.
SDL_AudioDeviceID openSilentOutput();
void closeSilentOutput(SDL_AudioDeviceID device);

class SpectrumFollower {
public:
    // Made right after play: the sample sounds from the mixer's next block on.
    explicit SpectrumFollower(const TrackAnalysis& analysis);
    // Checks one live spectrum read at clock time t (seconds since play).
    void check(const float* spectrum, float t);
    // Heard track time less the clock at the first and the last check.
    float firstLagMs() const { return firstMs; }
    float lastLagMs() const { return lastMs; }
    // Mean distance between the heard track time and the clock.
    float meanLagMs() const { return checks > 0 ? static_cast<float>(totalMs / checks) : 0.0f; }
    // Largest spectrum entry seen in the last second checked.
    float loudestLately() const { return loudest; }

private:
    const TrackAnalysis& analysis;
    long long firstSoundingFrame;
    float firstMs = 0.0f;
    float lastMs = 0.0f;
    double totalMs = 0.0;
    int checks = 0;
    float loudest = 0.0f;
    float loudestSince = 0.0f;
};
