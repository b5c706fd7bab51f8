// The audio library (sound/AudioLibrary.h) for the browser build, on Web Audio.
// The page decodes the soundtrack with the browser's decoder at the mix rate
// while it downloads (decodeAudioData in an OfflineAudioContext, page.js) and
// hands the samples over here; playback is an AudioBufferSourceNode on the
// page's AudioContext. The spectrum is the native one (gatherMonoWindow and
// FftAnalyzer) over the 1024 frames that end at the position being heard.
// Modules (S3M, XM, MOD) are not played in the browser: loading one fails with
// "Unknown file format". The AUDIO_ inspection calls are native only.
#include "sound/AudioLibrary.h"

#include "sound/audio/FftAnalyzer.h"
#include "web/sound/WebTrack.h"

#include <emscripten.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

struct FSOUND_SAMPLE {
    std::string path;           // the page's name for the decoded track
    std::vector<float> frames;  // interleaved stereo at the mix rate
};
struct FSOUND_DSPUNIT {
    bool active = false;
};

namespace {

struct State {
    bool open = false;
    int mixRateHz = 0;
    int lastError = FMOD_ERR_NONE;
    std::vector<std::unique_ptr<FSOUND_SAMPLE>> samples;
    const FSOUND_SAMPLE* playing = nullptr;
    FSOUND_DSPUNIT fftUnit;
    FftAnalyzer analyzer;
    std::array<float, kSpectrumBinCount> spectrum{};
};

State& state() {
    static State s;
    return s;
}

void fail(int code) {
    state().lastError = code;
}

}  // namespace

// The page's playback: starts the decoded track now, skipping the output
// latency so that what is heard at clock time t is track time t, as natively.
EM_JS(int, webStartTrack, (const char* path), {
    const track = Module.morvelTracks && Module.morvelTracks[UTF8ToString(path)];
    const ctx = Module.morvelAudio;
    if (!track || !ctx) return 0;
    if (Module.morvelSource) Module.morvelSource.stop();
    const source = ctx.createBufferSource();
    source.buffer = track;
    source.connect(ctx.destination);
    const latency = (ctx.baseLatency || 0) + (ctx.outputLatency || 0);
    Module.morvelLatency = latency;
    Module.morvelStartedAt = ctx.currentTime;
    source.start(ctx.currentTime, latency);
    Module.morvelSource = source;
    return 1;
});

// Track seconds being heard now, or a negative number when nothing plays.
EM_JS(double, webHeardSeconds, (), {
    const ctx = Module.morvelAudio;
    if (!ctx || !Module.morvelSource) return -1;
    let heard = ctx.currentTime - (ctx.outputLatency || 0) - (ctx.baseLatency || 0);
    const stamp = ctx.getOutputTimestamp ? ctx.getOutputTimestamp() : null;
    if (stamp && stamp.contextTime > 0) {
        heard = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
    }
    return heard - Module.morvelStartedAt + Module.morvelLatency;
});

EM_JS(void, webStopTrack, (), {
    if (Module.morvelSource) {
        Module.morvelSource.stop();
        Module.morvelSource = null;
    }
});

signed char FSOUND_Init(int mixRateHz, int, unsigned int) {
    State& s = state();
    if (s.open) {
        fail(FMOD_ERR_BUSY);
        return 0;
    }
    s.open = true;
    s.mixRateHz = mixRateHz;
    return 1;
}

FSOUND_SAMPLE* FSOUND_Sample_Load(int, const char* path, unsigned int, int, int) {
    State& s = state();
    if (!s.open) {
        fail(FMOD_ERR_UNINITIALIZED);
        return nullptr;
    }
    if (path == nullptr) {
        fail(FMOD_ERR_INVALID_PARAM);
        return nullptr;
    }
    auto sample = std::make_unique<FSOUND_SAMPLE>();
    sample->path = path;
    const int code = copyDecodedTrack(path, s.mixRateHz, sample->frames);
    if (code != FMOD_ERR_NONE) {
        fail(code);
        return nullptr;
    }
    s.samples.push_back(std::move(sample));
    return s.samples.back().get();
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char*) {
    fail(state().open ? FMOD_ERR_FILE_FORMAT : FMOD_ERR_UNINITIALIZED);
    return nullptr;
}

int FSOUND_GetError(void) {
    return state().lastError;
}

int FSOUND_PlaySound(int, FSOUND_SAMPLE* sample) {
    State& s = state();
    if (!s.open || sample == nullptr) {
        fail(s.open ? FMOD_ERR_INVALID_PARAM : FMOD_ERR_UNINITIALIZED);
        return -1;
    }
    if (!webStartTrack(sample->path.c_str())) {
        fail(FMOD_ERR_PLAY);
        return -1;
    }
    s.playing = sample;
    return 0;
}

FSOUND_DSPUNIT* FSOUND_DSP_GetFFTUnit(void) {
    return &state().fftUnit;
}

signed char FSOUND_DSP_SetActive(FSOUND_DSPUNIT* unit, signed char active) {
    if (unit == nullptr) {
        fail(FMOD_ERR_INVALID_PARAM);
        return 0;
    }
    unit->active = active != 0;
    return 1;
}

float* FSOUND_DSP_GetSpectrum(void) {
    State& s = state();
    if (!s.open || !s.fftUnit.active || s.playing == nullptr) {
        s.spectrum.fill(0.0f);
        return s.spectrum.data();
    }
    const double heard = webHeardSeconds();
    const long long endFrame = heard < 0 ? 0 : std::llround(heard * s.mixRateHz);
    float window[kFftSize];
    gatherMonoWindow(s.playing->frames.data(), static_cast<long long>(s.playing->frames.size() / 2), endFrame,
                     window);
    s.analyzer.analyze(window, s.spectrum.data());
    return s.spectrum.data();
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE*) {
    fail(FMOD_ERR_INVALID_PARAM);
    return 0;
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE*) {
    fail(FMOD_ERR_INVALID_PARAM);
    return 0;
}

void FSOUND_Sample_Free(FSOUND_SAMPLE* sample) {
    State& s = state();
    if (sample == nullptr) {
        return;
    }
    if (s.playing == sample) {
        webStopTrack();
        s.playing = nullptr;
    }
    for (auto it = s.samples.begin(); it != s.samples.end(); ++it) {
        if (it->get() == sample) {
            s.samples.erase(it);
            return;
        }
    }
}

void FSOUND_Close(void) {
    State& s = state();
    webStopTrack();
    s.playing = nullptr;
    s.samples.clear();
    s.fftUnit.active = false;
    s.spectrum.fill(0.0f);
    s.open = false;
}
