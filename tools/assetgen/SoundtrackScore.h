#pragma once
// The score of the soundtrack: tempo, bar grid, sections, chords and the notes
// of every part, in A minor at 128 BPM. Pure data and arithmetic; the parts
// that play it live in SoundtrackParts.
#include "app/Timeline.h"

#include <array>
#include <vector>

constexpr double kTempoBpm = 128.0;
constexpr double kBeatSeconds = 60.0 / kTempoBpm;
constexpr double kBarSeconds = 4.0 * kBeatSeconds;
constexpr double kTrackSeconds = 62.0;
constexpr int kBarCount = 32;

// Build: pads and arpeggio, the kick coming in (bars 0-13, to 28 s).
// Dub: deep bass, strong kick, echoing chord stabs (bars 14-21, to 43 s).
// Lift: everything plus the lead melody (bars 22-30, to 59.875 s).
// Outro: the last chord and the fade (bar 31).
enum class Section { build, dub, lift, outro };

constexpr int kDubFirstBar = 14;
constexpr int kLiftFirstBar = 22;
constexpr int kOutroBar = 31;

// The sections change where the picture changes scene. At 128 BPM the 15 s of
// the photo scene are exactly eight bars, so one bar grid puts bar lines at both.
constexpr double kDubStartSeconds = kSceneWindows[1].start;
constexpr double kLiftStartSeconds = kSceneWindows[2].start;
constexpr double kFirstBarSeconds = kDubStartSeconds - kDubFirstBar * kBarSeconds;
static_assert(kFirstBarSeconds + kLiftFirstBar * kBarSeconds == kLiftStartSeconds,
              "the lift must start on a bar line at the shell scene's start");

// Section that plays during a bar.
Section sectionOfBar(int bar);

// Time in seconds of a beat counted from the first bar line (fractions allowed).
double beatToSeconds(double beat);

struct Chord {
    int bassNote;                  // MIDI note of the bass, in the 80-135 Hz octave
    std::array<int, 4> padNotes;   // MIDI notes of the pad voicing, low to high
};

// Chord of a bar (bars before 0 or after the last give the tonic).
const Chord& chordOfBar(int bar);

struct Note {
    double startBeat;    // from the first bar line
    double lengthBeats;
    int midiNote;
    double velocity;     // 0 to 1
};

enum class Drum { kick, snare, clap, closedHat, openHat, rim, crash };

struct Hit {
    Drum drum;
    double startBeat;
    double velocity;
};

// Every drum hit of the track, sorted by drum then time.
std::vector<Hit> drumHits();

// Beats on which the kick sounds (the pads duck under these).
std::vector<double> kickBeats();

// Bass line notes.
std::vector<Note> bassNotes();

// Sixteenth-note arpeggio over the chords.
std::vector<Note> arpeggioNotes();

// Short chord stabs of the dub section (one Note per chord tone).
std::vector<Note> stabNotes();

// The lead melody of the lift section and the final note.
std::vector<Note> leadNotes();

// Pad brightness for a bar: the low-pass cutoff in Hz the pad sweeps toward.
double padCutoffHz(double beat);
