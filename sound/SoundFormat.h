// The numbers the live sound path and the offline analysis must agree on, so a
// captured frame sees the same spectrum as a live frame at the same time.
#pragma once

#include "sound/audio/AudioTypes.h"  // kFftSize, kSpectrumBinCount

// The demo's mix rate: the live library runs at it and the offline analysis
// resamples to it.
constexpr int kMixRateHz = 32000;

