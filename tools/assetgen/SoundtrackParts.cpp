#include "tools/assetgen/SoundtrackParts.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/SoundtrackScore.h"
#include "tools/assetgen/SynthDrums.h"
#include "tools/assetgen/SynthMath.h"
#include "tools/assetgen/SynthVoices.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kDroneEndBar = 8;

struct PanGains {
    double left, right;
};

// Constant-power pan, scaled so that the centre keeps unit gain per side.
PanGains panGains(double pan) {
    const double angle = (std::clamp(pan, -1.0, 1.0) + 1.0) * kPi / 4.0;
    return {synthCos(angle) * std::sqrt(2.0), synthSin(angle) * std::sqrt(2.0)};
}

// Adds source * gain into target from sample start on, clipped to target's end.
void addInto(MonoBuffer& target, const MonoBuffer& source, std::size_t start, double gain) {
    if (gain == 0.0 || start >= target.size()) {
        return;
    }
    const std::size_t count = std::min(source.size(), target.size() - start);
    for (std::size_t i = 0; i < count; ++i) {
        target[start + i] += static_cast<float>(source[i] * gain);
    }
}

void addStereo(StereoBuffer& target, const MonoBuffer& left, const MonoBuffer& right, std::size_t start,
               PanGains gains) {
    addInto(target.left, left, start, gains.left);
    addInto(target.right, right, start, gains.right);
}

void placeStereo(MixBuses& buses, const MonoBuffer& left, const MonoBuffer& right, double startSeconds,
                 const Placement& placement) {
    const std::size_t start = secondsToSamples(startSeconds);
    const PanGains pan = panGains(placement.pan);
    const PanGains dry{pan.left * placement.level, pan.right * placement.level};
    addStereo(placement.ducked ? buses.ducked : buses.direct, left, right, start, dry);
    addStereo(buses.reverbSend, left, right, start, {pan.left * placement.reverbSend, pan.right * placement.reverbSend});
    addStereo(buses.echoSend, left, right, start, {pan.left * placement.echoSend, pan.right * placement.echoSend});
}

double noteSeconds(double lengthBeats) {
    return lengthBeats * kBeatSeconds;
}

int barOfBeat(double beat) {
    return static_cast<int>(std::floor(beat / 4.0));
}

// Distinct, reproducible seeds for every note of a part.
std::uint32_t noteSeed(std::uint32_t part, std::size_t index) {
    return part * 2654435761u + static_cast<std::uint32_t>(index) * 40503u + 1u;
}

KickShape kickShapeFor(Section section) {
    KickShape shape;
    if (section == Section::dub) {
        shape.decaySeconds = 0.17;
        shape.sweepHz = 130.0;
        shape.drive = 2.0;
    } else if (section == Section::build) {
        shape.decaySeconds = 0.13;
        shape.clickLevel = 0.18;
    }
    return shape;
}

Placement drumPlacement(Drum drum, Section section, std::size_t index) {
    const bool dub = section == Section::dub;
    switch (drum) {
    case Drum::kick:
        return placedAt(1.4);
    case Drum::snare:
        return placedAt(0.5).withPan(0.05).withReverb(0.25);
    case Drum::clap:
        return placedAt(0.55).withPan(-0.05).withReverb(dub ? 0.6 : 0.3).withEcho(dub ? 0.15 : 0.0);
    case Drum::closedHat:
        return placedAt(0.75).withPan(index % 2 == 0 ? 0.25 : 0.1).withReverb(0.05);
    case Drum::openHat:
        return placedAt(0.6).withPan(-0.2).withReverb(0.1).withEcho(dub ? 0.25 : 0.0);
    case Drum::rim:
        return placedAt(1.0).withPan(-0.35).withReverb(0.3).withEcho(0.6);
    case Drum::crash:
        return placedAt(0.4).withPan(0.1).withReverb(0.2);
    }
    return placedAt(0.0);
}

// The build's bass is bright and short, the dub's dark and long, the lift's brightest.
BassTone bassToneFor(Section section) {
    BassTone tone{};
    if (section == Section::build) {
        tone.baseHz = 320.0;
        tone.envelopeHz = 1400.0;
        tone.decaySeconds = 0.08;
        tone.q = 1.4;
        tone.subLevel = 0.35;
    } else if (section == Section::dub) {
        tone.baseHz = 170.0;
        tone.envelopeHz = 650.0;
        tone.decaySeconds = 0.16;
        tone.q = 2.2;
        tone.subLevel = 0.6;
    } else {
        tone.baseHz = 380.0;
        tone.envelopeHz = 1900.0;
        tone.decaySeconds = 0.06;
        tone.q = 1.3;
        tone.subLevel = 0.3;
    }
    return tone;
}

}  // namespace

MixBuses::MixBuses(std::size_t sampleCount) {
    direct.resize(sampleCount);
    ducked.resize(sampleCount);
    reverbSend.resize(sampleCount);
    echoSend.resize(sampleCount);
}

void placeSound(MixBuses& buses, const MonoBuffer& sound, double startSeconds, const Placement& placement) {
    placeStereo(buses, sound, sound, startSeconds, placement);
}

void placeSound(MixBuses& buses, const StereoBuffer& sound, double startSeconds, const Placement& placement) {
    placeStereo(buses, sound.left, sound.right, startSeconds, placement);
}

MonoBuffer kickDuckEnvelope(std::size_t sampleCount, const std::vector<DuckingKick>& kicks) {
    const double attackSeconds = 0.005, recoverSeconds = 0.3;
    MonoBuffer gains(sampleCount, 1.0f);
    for (const DuckingKick& kick : kicks) {
        const std::size_t start = std::min(secondsToSamples(kick.seconds), sampleCount);
        const std::size_t end = std::min(start + secondsToSamples(attackSeconds + recoverSeconds), sampleCount);
        for (std::size_t i = start; i < end; ++i) {
            const double t = static_cast<double>(i - start) / kSynthRateHz;
            const double x = std::max(t - attackSeconds, 0.0) / recoverSeconds;
            const double dip = std::min(t / attackSeconds, 1.0) * (1.0 - x) * (1.0 - x);
            gains[i] = std::min(gains[i], static_cast<float>(1.0 - kick.depth * dip));
        }
    }
    return gains;
}

std::vector<DuckingKick> duckingKicks() {
    std::vector<DuckingKick> kicks;
    for (double beat : kickBeats()) {
        const Section section = sectionOfBar(barOfBeat(beat));
        const double depth = section == Section::build ? 0.45 : section == Section::dub ? 0.75 : 0.6;
        kicks.push_back({beatToSeconds(beat), depth});
    }
    return kicks;
}

void renderDrums(MixBuses& buses) {
    const MonoBuffer kicks[] = {renderKick(kickShapeFor(Section::build), 11),
                                renderKick(kickShapeFor(Section::dub), 12),
                                renderKick(kickShapeFor(Section::lift), 13)};
    const MonoBuffer snare = renderSnare(21), clap = renderClap(22), rim = renderRim(23), crash = renderCrash(24);
    const MonoBuffer closedHats[] = {renderHat(false, 31), renderHat(false, 32)};
    const MonoBuffer openHat = renderHat(true, 33);
    const std::vector<Hit> hits = drumHits();
    for (std::size_t i = 0; i < hits.size(); ++i) {
        const Hit& hit = hits[i];
        const Section section = sectionOfBar(barOfBeat(hit.startBeat));
        const MonoBuffer* sound = &snare;
        switch (hit.drum) {
        case Drum::kick: sound = &kicks[section == Section::build ? 0 : section == Section::dub ? 1 : 2]; break;
        case Drum::snare: sound = &snare; break;
        case Drum::clap: sound = &clap; break;
        case Drum::closedHat: sound = &closedHats[i % 2]; break;
        case Drum::openHat: sound = &openHat; break;
        case Drum::rim: sound = &rim; break;
        case Drum::crash: sound = &crash; break;
        }
        Placement placement = drumPlacement(hit.drum, section, i);
        placement.level *= hit.velocity;
        placement.reverbSend *= hit.velocity;
        placement.echoSend *= hit.velocity;
        placeSound(buses, *sound, beatToSeconds(hit.startBeat), placement);
    }
}

void renderBass(MixBuses& buses) {
    const BassTone build = bassToneFor(Section::build);
    const BassTone dub = bassToneFor(Section::dub);
    const BassTone lift = bassToneFor(Section::lift);
    const std::vector<Note> notes = bassNotes();
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const Note& note = notes[i];
        const Section section = sectionOfBar(barOfBeat(note.startBeat));
        const BassTone& tone = section == Section::build ? build : section == Section::dub ? dub : lift;
        const MonoBuffer sound =
            renderBassNote(note.midiNote, noteSeconds(note.lengthBeats), note.velocity, tone, noteSeed(1, i));
        // The dub bass holds across kicks, so it pumps with the pads.
        placeSound(buses, sound, beatToSeconds(note.startBeat), placedAt(0.6).withDucking(section == Section::dub));
    }
}

void renderPads(MixBuses& buses) {
    for (int bar = 0; bar <= kOutroBar; ++bar) {
        const double startBeat = 4.0 * bar;
        // The first chord swells in from silence during the bar before the grid.
        const double startSeconds = bar == 0 ? 0.0 : beatToSeconds(startBeat);
        const double attackSeconds = bar == 0 ? kFirstBarSeconds + 0.3 : 0.04;
        const double gateSeconds = bar == kOutroBar ? 1.6 : beatToSeconds(startBeat + 4.0) - startSeconds;
        auto cutoff = [startSeconds](double seconds) {
            return padCutoffHz((startSeconds + seconds - kFirstBarSeconds) / kBeatSeconds);
        };
        const StereoBuffer chord = renderPadChord(chordOfBar(bar).padNotes, gateSeconds, attackSeconds, cutoff,
                                                  noteSeed(2, static_cast<std::size_t>(bar)));
        // Under the lead the pads step back a little.
        const double level = sectionOfBar(bar) == Section::lift ? 0.7 : 0.9;
        placeSound(buses, chord, startSeconds, placedAt(level).withReverb(0.3).withDucking(true));
        // Until the bass comes in, a soft drone on the chord's root fills the low end.
        if (bar < kDroneEndBar) {
            const MonoBuffer drone = renderDroneNote(chordOfBar(bar).bassNote, gateSeconds, attackSeconds,
                                                     noteSeed(6, static_cast<std::size_t>(bar)));
            placeSound(buses, drone, startSeconds, placedAt(0.5).withReverb(0.1).withDucking(true));
        }
    }
}

void renderArpeggio(MixBuses& buses) {
    const std::vector<Note> notes = arpeggioNotes();
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const Note& note = notes[i];
        const bool build = sectionOfBar(barOfBeat(note.startBeat)) == Section::build;
        const double cutoff = build ? 900.0 + 1.2 * padCutoffHz(note.startBeat) : 4200.0;
        const MonoBuffer sound = renderPluckNote(note.midiNote, note.velocity, cutoff, noteSeed(3, i));
        const double pan = i % 2 == 0 ? -0.4 : 0.4;
        const Placement placement =
            placedAt(build ? 0.4 : 0.28).withPan(pan).withReverb(0.15).withEcho(0.3).withDucking(true);
        placeSound(buses, sound, beatToSeconds(note.startBeat), placement);
    }
}

void renderStabs(MixBuses& buses) {
    const std::vector<Note> notes = stabNotes();
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const Note& note = notes[i];
        const MonoBuffer sound = renderStabNote(note.midiNote, note.velocity, noteSeed(4, i));
        const double pan = (static_cast<double>(i % 4) - 1.5) * 0.2;
        const Placement placement = placedAt(0.4).withPan(pan).withReverb(0.4).withEcho(0.65).withDucking(true);
        placeSound(buses, sound, beatToSeconds(note.startBeat), placement);
    }
}

void renderLead(MixBuses& buses) {
    const std::vector<Note> notes = leadNotes();
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const Note& note = notes[i];
        const StereoBuffer sound =
            renderLeadNote(note.midiNote, noteSeconds(note.lengthBeats), note.velocity, noteSeed(5, i));
        const Placement placement = placedAt(0.95).withReverb(0.35).withEcho(0.25).withDucking(true);
        placeSound(buses, sound, beatToSeconds(note.startBeat), placement);
    }
}

void renderTransitions(MixBuses& buses) {
    // A crash played backwards swells into the first bar line.
    MonoBuffer swell = renderCrash(41);
    swell.resize(std::min(swell.size(), secondsToSamples(kFirstBarSeconds)));
    std::reverse(swell.begin(), swell.end());
    placeSound(buses, swell, kFirstBarSeconds - static_cast<double>(swell.size()) / kSynthRateHz,
               placedAt(0.35).withReverb(0.3));
    const double intoDubSeconds = 2.0 * kBarSeconds;
    placeSound(buses, renderRiser(intoDubSeconds, 42), beatToSeconds(4.0 * kDubFirstBar) - intoDubSeconds,
               placedAt(0.3).withPan(0.15).withReverb(0.3));
    const double intoLiftSeconds = 2.0 * kBarSeconds;
    placeSound(buses, renderRiser(intoLiftSeconds, 43), beatToSeconds(4.0 * kLiftFirstBar) - intoLiftSeconds,
               placedAt(0.3).withPan(-0.15).withReverb(0.3));
}
