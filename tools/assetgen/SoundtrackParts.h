#pragma once
// The parts of the soundtrack (drums, bass, pads, arpeggio, dub stabs, lead,
// transitions), each playing its notes from SoundtrackScore into the mix
// buses. Single-threaded and seeded: the same buses on every run.
#include "tools/assetgen/Synth.h"

#include <vector>

// Where the parts meet: the dry signal in two groups and two effect sends.
struct MixBuses {
    StereoBuffer direct;      // drums and most of the bass, never ducked
    StereoBuffer ducked;      // pads, arpeggio, stabs, lead: pumped by the kick
    StereoBuffer reverbSend;
    StereoBuffer echoSend;
    explicit MixBuses(std::size_t sampleCount);
};

// Built by name, e.g. placedAt(0.4).withPan(pan).withReverb(0.4).withEcho(0.65).withDucking(true), so a
// mix change cannot silently swap two sends.
struct Placement {
    double level = 0.0;        // gain of the dry signal
    double pan = 0.0;          // -1 left, 0 centre, 1 right (constant power)
    double reverbSend = 0.0;   // gain into the reverb
    double echoSend = 0.0;     // gain into the echo
    bool ducked = false;       // dry signal into the ducked group

    Placement withPan(double value) const { return withField(&Placement::pan, value); }
    Placement withReverb(double send) const { return withField(&Placement::reverbSend, send); }
    Placement withEcho(double send) const { return withField(&Placement::echoSend, send); }
    Placement withDucking(bool on) const { return withField(&Placement::ducked, on); }

private:
    // A copy with one field changed.
    template <typename T>
    Placement withField(T Placement::*field, T value) const {
        Placement copy = *this;
        copy.*field = value;
        return copy;
    }
};

// A centred, dry, unducked placement at the given level.
inline Placement placedAt(double level) {
    Placement placement;
    placement.level = level;
    return placement;
}

// Adds a mono sound starting at startSeconds; samples past the buses' end are dropped.
void placeSound(MixBuses& buses, const MonoBuffer& sound, double startSeconds, const Placement& placement);

// Adds a stereo sound; pan moves its balance.
void placeSound(MixBuses& buses, const StereoBuffer& sound, double startSeconds, const Placement& placement);

struct DuckingKick {
    double seconds;
    double depth;   // 0 no ducking, 1 silence right after the kick
};

// Gain per sample that dips after every kick and recovers before the next
// beat: the pumping of sidechain compression, computed from the score.
MonoBuffer kickDuckEnvelope(std::size_t sampleCount, const std::vector<DuckingKick>& kicks);

// Kicks of the score with the ducking depth of their section.
std::vector<DuckingKick> duckingKicks();

// Every drum hit of the score; each section has its own kick.
void renderDrums(MixBuses& buses);
// The bass line, with a filter tone per section; the dub bass is ducked.
void renderBass(MixBuses& buses);
// One pad chord per bar (swelling in before the first bar line), and the intro drone.
void renderPads(MixBuses& buses);
// The plucked arpeggio, alternating left and right, into the echo.
void renderArpeggio(MixBuses& buses);
// The dub section's chord stabs, mostly echo and reverb.
void renderStabs(MixBuses& buses);
// The lead melody of the last section.
void renderLead(MixBuses& buses);
// Reverse cymbal of the intro and the noise risers into 28 s and 43 s.
void renderTransitions(MixBuses& buses);
