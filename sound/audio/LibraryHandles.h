// What the audio library's opaque handles point to. The library owns every one:
// it allocates them on load and frees them on free or close. Only the main
// thread changes them; the mixer reads samples and modules on the audio thread
// with the device locked around every change.
#pragma once

#include "sound/audio/PcmData.h"

typedef struct openmpt_module openmpt_module;

// A loaded sample: the whole file decoded to stereo at the mix rate.
struct FSOUND_SAMPLE {
    PcmData pcm;
};

// A loaded module, rendered by the mixer while playing.
struct FMUSIC_MODULE {
    openmpt_module* module = nullptr;
    double lengthSeconds = 0.0;
    bool playing = false;
};

// The FFT unit: while active, FSOUND_DSP_GetSpectrum analyses what is heard.
struct FSOUND_DSPUNIT {
    bool active = false;
};
