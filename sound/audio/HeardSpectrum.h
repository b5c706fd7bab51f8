// Keeps the library's spectrum in step with what is being heard: the mono mix
// of the kFftSize frames ending delayFrames before the mixer's heard frame, read
// from the mixer's ring without a lock. Main thread; the mixer runs on the audio thread.
#pragma once

class FftAnalyzer;
class Mixer;

// The spectrum a caller holds and the frame its window ended at (-1: none yet).
struct HeardSpectrum {
    float* magnitudes;
    long long endFrame;
};

// Re-analyses when the heard frame has moved since spectrum.endFrame. A window
// the mixer overwrote while it was being copied is torn: the copy is tried once
// more at the newer heard frame, and if that tears too the previous spectrum is
// kept (and endFrame with it, so the next call tries again) rather than showing
// a mixture of two moments. Returns false only in that last case.
bool refreshHeardSpectrum(const Mixer& mixer, long long delayFrames, FftAnalyzer& analyzer,
                          HeardSpectrum& spectrum);
