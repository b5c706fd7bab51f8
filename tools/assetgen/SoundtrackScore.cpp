#include "tools/assetgen/SoundtrackScore.h"

#include "tools/assetgen/SynthMath.h"

#include <algorithm>
#include <cmath>

namespace {

// Chords in A minor: the tonic, its relatives, and E major as the dominant
// that pulls each section into the next.
const Chord kAm{45, {57, 60, 64, 69}};
const Chord kF{41, {53, 57, 60, 65}};
const Chord kC{48, {55, 60, 64, 67}};
const Chord kG{43, {55, 59, 62, 67}};
const Chord kE{40, {56, 59, 64, 68}};
const Chord kDm7{38, {57, 60, 62, 65}};
const Chord kEm7{40, {55, 59, 62, 64}};

double barBeat(int bar) {
    return 4.0 * bar;
}

void addEveryBeat(std::vector<Hit>& hits, Drum drum, int firstBar, int endBar, const std::vector<double>& offsets,
                  double velocity) {
    for (int bar = firstBar; bar < endBar; ++bar) {
        for (double offset : offsets) {
            hits.push_back({drum, barBeat(bar) + offset, velocity});
        }
    }
}

void addKicks(std::vector<Hit>& hits) {
    addEveryBeat(hits, Drum::kick, 2, 4, {0.0, 2.0}, 0.6);
    addEveryBeat(hits, Drum::kick, 4, 13, {0.0, 1.0, 2.0, 3.0}, 0.9);
    // The last build bar drops the kick halfway, so its return at 28 s lands hard.
    addEveryBeat(hits, Drum::kick, 13, 14, {0.0, 1.0}, 0.9);
    addEveryBeat(hits, Drum::kick, kDubFirstBar, kOutroBar, {0.0, 1.0, 2.0, 3.0}, 1.0);
    hits.push_back({Drum::kick, barBeat(kOutroBar), 1.0});
}

void addBackbeat(std::vector<Hit>& hits) {
    addEveryBeat(hits, Drum::clap, 8, 13, {1.0, 3.0}, 0.8);
    // Snare roll into the dub section: eighths, then sixteenths growing louder.
    for (int step = 0; step < 8; ++step) {
        hits.push_back({Drum::snare, barBeat(12) + 0.5 * step, 0.25 + 0.03 * step});
    }
    for (int step = 0; step < 16; ++step) {
        hits.push_back({Drum::snare, barBeat(13) + 0.25 * step, 0.35 + 0.04 * step});
    }
    addEveryBeat(hits, Drum::clap, kDubFirstBar, kLiftFirstBar, {1.0, 3.0}, 0.55);
    addEveryBeat(hits, Drum::rim, kDubFirstBar, kLiftFirstBar, {2.75}, 0.7);
    addEveryBeat(hits, Drum::clap, kLiftFirstBar, kOutroBar, {1.0, 3.0}, 0.9);
    addEveryBeat(hits, Drum::snare, kLiftFirstBar, kOutroBar, {1.0, 3.0}, 0.45);
    for (int step = 0; step < 8; ++step) {
        hits.push_back({Drum::snare, barBeat(29) + 2.0 + 0.25 * step, 0.3 + 0.06 * step});
    }
}

void addCymbals(std::vector<Hit>& hits) {
    for (int bar = 4; bar < kOutroBar; ++bar) {
        if (bar == 13 || sectionOfBar(bar) == Section::dub) {
            continue;
        }
        for (int step = 0; step < 16; ++step) {
            const bool offbeat = step % 4 == 2;
            const double build = bar < 8 ? 0.5 : 0.75;
            hits.push_back({Drum::closedHat, barBeat(bar) + 0.25 * step, build * (offbeat ? 0.55 : 0.32)});
        }
    }
    addEveryBeat(hits, Drum::openHat, 8, 13, {0.5, 1.5, 2.5, 3.5}, 0.45);
    // Dub hats: sparse, swung offbeats.
    addEveryBeat(hits, Drum::closedHat, kDubFirstBar, kLiftFirstBar, {0.5, 1.5, 2.5, 3.5}, 0.5);
    addEveryBeat(hits, Drum::closedHat, kDubFirstBar, kLiftFirstBar, {0.83, 2.83}, 0.22);
    addEveryBeat(hits, Drum::openHat, kDubFirstBar + 4, kLiftFirstBar, {1.5, 3.5}, 0.3);
    addEveryBeat(hits, Drum::openHat, kLiftFirstBar, kOutroBar, {0.5, 1.5, 2.5, 3.5}, 0.6);
    for (int bar : {kDubFirstBar, kLiftFirstBar, kOutroBar}) {
        hits.push_back({Drum::crash, barBeat(bar), 0.9});
    }
}

}  // namespace

Section sectionOfBar(int bar) {
    if (bar < kDubFirstBar) {
        return Section::build;
    }
    if (bar < kLiftFirstBar) {
        return Section::dub;
    }
    return bar < kOutroBar ? Section::lift : Section::outro;
}

double beatToSeconds(double beat) {
    return kFirstBarSeconds + beat * kBeatSeconds;
}

const Chord& chordOfBar(int bar) {
    static const std::array<const Chord*, 4> kBuildChords{&kAm, &kF, &kC, &kG};
    static const std::array<const Chord*, 4> kDubChords{&kAm, &kAm, &kDm7, &kEm7};
    static const std::array<const Chord*, 4> kLiftChords{&kF, &kC, &kG, &kAm};
    if (bar < 0 || bar >= kOutroBar) {
        return kAm;
    }
    if (bar == kDubFirstBar - 1 || bar == kOutroBar - 1) {
        return kE;
    }
    switch (sectionOfBar(bar)) {
    case Section::build:
        return *kBuildChords[bar % 4];
    case Section::dub:
        return *kDubChords[(bar - kDubFirstBar) % 4];
    default:
        return *kLiftChords[(bar - kLiftFirstBar) % 4];
    }
}

std::vector<Hit> drumHits() {
    std::vector<Hit> hits;
    addKicks(hits);
    addBackbeat(hits);
    addCymbals(hits);
    std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
        return a.drum != b.drum ? a.drum < b.drum : a.startBeat < b.startBeat;
    });
    return hits;
}

std::vector<double> kickBeats() {
    std::vector<double> beats;
    for (const Hit& hit : drumHits()) {
        if (hit.drum == Drum::kick) {
            beats.push_back(hit.startBeat);
        }
    }
    return beats;
}

std::vector<Note> bassNotes() {
    std::vector<Note> notes;
    // Build: offbeat eighths, the classic answer to a four-on-the-floor kick.
    for (int bar = 8; bar < kDubFirstBar; ++bar) {
        const int beatCount = bar == kDubFirstBar - 1 ? 2 : 4;
        for (int beat = 0; beat < beatCount; ++beat) {
            notes.push_back({barBeat(bar) + beat + 0.5, 0.3, chordOfBar(bar).bassNote, 0.85});
        }
    }
    // Dub: long syncopated notes that leave the kick's beats free.
    for (int bar = kDubFirstBar; bar < kLiftFirstBar; ++bar) {
        const int root = chordOfBar(bar).bassNote;
        notes.push_back({barBeat(bar) + 0.5, 1.0, root, 1.0});
        notes.push_back({barBeat(bar) + 1.75, 0.5, root, 0.8});
        notes.push_back({barBeat(bar) + 2.5, 0.75, root, 0.95});
        notes.push_back({barBeat(bar) + 3.5, 0.25, root + 12, 0.7});
    }
    // Lift: rolling sixteenths on the three steps after each kick.
    for (int bar = kLiftFirstBar; bar < kOutroBar; ++bar) {
        for (int beat = 0; beat < 4; ++beat) {
            for (int step = 1; step < 4; ++step) {
                const int octave = (beat == 3 && step == 3) ? 12 : 0;
                notes.push_back({barBeat(bar) + beat + 0.25 * step, 0.2, chordOfBar(bar).bassNote + octave, 0.9});
            }
        }
    }
    notes.push_back({barBeat(kOutroBar), 3.0, chordOfBar(kOutroBar).bassNote, 0.9});
    return notes;
}

std::vector<Note> arpeggioNotes() {
    static const std::array<int, 16> kArpeggioPattern{0, 2, 1, 3, 2, 1, 3, 2, 0, 2, 1, 3, 2, 3, 1, 2};
    std::vector<Note> notes;
    for (int bar = 0; bar < kOutroBar; ++bar) {
        if (sectionOfBar(bar) == Section::dub) {
            continue;
        }
        const double rise = sectionOfBar(bar) == Section::build ? 0.45 + 0.04 * bar : 0.6;
        for (int step = 0; step < 16; ++step) {
            const int note = chordOfBar(bar).padNotes[kArpeggioPattern[step]] + 12;
            const double accent = step % 4 == 2 ? 1.0 : 0.8;
            notes.push_back({barBeat(bar) + 0.25 * step, 0.2, note, std::min(1.0, rise * accent)});
        }
    }
    return notes;
}

std::vector<Note> stabNotes() {
    std::vector<Note> notes;
    for (int bar = kDubFirstBar; bar < kLiftFirstBar; ++bar) {
        for (double offset : {0.75, 2.5}) {
            for (int note : chordOfBar(bar).padNotes) {
                notes.push_back({barBeat(bar) + offset, 0.18, note, 0.8});
            }
        }
    }
    return notes;
}

std::vector<Note> leadNotes() {
    struct Phrase {
        int bar;  // from the lift's first bar
        double beat;
        double lengthBeats;
        int midiNote;
    };
    // A 3-3-2 rhythm over F C G Am, twice, then the dominant and home.
    static const Phrase kLeadPhrase[] = {
        {0, 0.0, 1.5, 69}, {0, 1.5, 1.5, 72}, {0, 3.0, 1.0, 77},
        {1, 0.0, 1.5, 76}, {1, 1.5, 1.5, 74}, {1, 3.0, 1.0, 72},
        {2, 0.0, 1.5, 74}, {2, 1.5, 1.5, 71}, {2, 3.0, 1.0, 67},
        {3, 0.0, 3.0, 69}, {3, 3.0, 0.5, 72}, {3, 3.5, 0.5, 74},
        {4, 0.0, 1.5, 69}, {4, 1.5, 1.5, 72}, {4, 3.0, 1.0, 77},
        {5, 0.0, 1.5, 79}, {5, 1.5, 1.5, 76}, {5, 3.0, 1.0, 72},
        {6, 0.0, 1.0, 74}, {6, 1.0, 0.5, 76}, {6, 1.5, 1.0, 74}, {6, 2.5, 1.5, 71},
        {7, 0.0, 4.0, 69},
        {8, 0.0, 1.5, 71}, {8, 1.5, 1.5, 74}, {8, 3.0, 1.0, 68},
        {9, 0.0, 3.0, 69},
    };
    std::vector<Note> notes;
    for (const Phrase& p : kLeadPhrase) {
        notes.push_back({barBeat(kLiftFirstBar + p.bar) + p.beat, p.lengthBeats * 0.92, p.midiNote, 0.9});
    }
    return notes;
}

double padCutoffHz(double beat) {
    const double bar = beat / 4.0;
    if (bar < kDubFirstBar) {
        // Opens from dark to bright across the build.
        const double progress = std::clamp(bar / kDubFirstBar, 0.0, 1.0);
        return 450.0 * synthPow(6.0, progress);
    }
    if (bar < kLiftFirstBar) {
        // A slow two-bar wobble keeps the dark dub pads moving.
        return 750.0 + 350.0 * synthSin(3.14159265358979 * beat / 8.0);
    }
    return 3600.0;
}
