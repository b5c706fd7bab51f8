#pragma once
// An attack-decay-sustain-release envelope of the soundtrack's voices: a pure
// function of time, with the decay exponential and the release a half-cosine.

struct Adsr {
    double attackSeconds;
    double decaySeconds;
    double sustainLevel;
    double releaseSeconds;

    // Level (0..1) at secondsOn after the note started, for a note held
    // gateSeconds; 0 before the start and once the release has ended.
    double levelAt(double secondsOn, double gateSeconds) const;
    // Length of the sound of a note held gateSeconds, release included.
    double lengthSeconds(double gateSeconds) const { return gateSeconds + releaseSeconds; }
};
