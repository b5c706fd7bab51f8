// The numbers the live sound path and the offline analysis must agree on, so a
// captured frame sees the same spectrum as a live frame at the same time.
#pragma once

// The demo's mix rate: the live library runs at it and the offline analysis
// resamples to it.
constexpr int kMixRateHz = 32000;

// The spectrum is computed from this many mono frames ending at the heard one...
constexpr int kFftSize = 1024;
// ...and has this many magnitudes, bin k at k x kMixRateHz / kFftSize Hz.
constexpr int kSpectrumBinCount = kFftSize / 2;
static_assert(kSpectrumBinCount == 512, "the scenes and the library's callers expect 512 entries");
