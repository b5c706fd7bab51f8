// Sound benchmark: the cost of one spectrum (the FFT the scenes wait for every
// frame), of decoding the soundtrack whole, and how closely playback on the current
// audio driver follows the wall clock. Prints one JSON object.
// Usage: sound_bench [track.mp3]   (default data/sound/tamokrelu.mp3)
#include "bench/support/BenchSupport.h"
#include "sound/AudioLibrary.h"
#include "sound/TrackAnalysis.h"
#include "sound/audio/FftAnalyzer.h"

#include <SDL.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<double> timeAnalyzer(int runs) {
    std::mt19937 generator(1);
    std::vector<float> window(kFftSize);
    for (float& value : window) {
        value = static_cast<float>(generator() % 2001) / 1000.0f - 1.0f;
    }
    std::vector<float> out(kSpectrumBinCount);
    FftAnalyzer analyzer;
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        double start = bench::nowMs();
        analyzer.analyze(window.data(), out.data());
        samples.push_back(bench::nowMs() - start);
    }
    return samples;
}

std::vector<double> timeOffline(const TrackAnalysis& offline, int runs) {
    std::vector<float> out(kSpectrumBinCount);
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        double seconds = offline.durationSeconds() * i / runs;
        double start = bench::nowMs();
        offline.spectrumAt(seconds, out.data());
        samples.push_back(bench::nowMs() - start);
    }
    return samples;
}

// Plays the track for seconds, reading the spectrum every millisecond like a fast
// frame loop; records each read's cost and the heard-frame rate against the clock.
void measureLive(const char* path, double seconds, bench::JsonObject& json) {
    if (!FSOUND_Init(32000, 64, 0)) {
        json.add("live_error", FSOUND_GetError());
        return;
    }
    json.add("driver", AUDIO_GetDriverName());
    json.add("device_buffer_frames", AUDIO_GetDeviceBufferFrames());
    double loadStart = bench::nowMs();
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, path, FSOUND_STEREO, 0, 0);
    json.add("live_load_ms", bench::nowMs() - loadStart);
    FSOUND_PlaySound(FSOUND_FREE, sample);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
    SDL_Delay(100);
    long long firstFrame = AUDIO_GetHeardFrame();
    double clockStart = bench::nowMs();
    std::vector<double> reads;
    while (bench::nowMs() - clockStart < seconds * 1000.0) {
        double start = bench::nowMs();
        FSOUND_DSP_GetSpectrum();
        reads.push_back(bench::nowMs() - start);
        SDL_Delay(1);
    }
    double elapsedMs = bench::nowMs() - clockStart;
    long long frames = AUDIO_GetHeardFrame() - firstFrame;
    json.addStats("spectrum_read_", bench::summarize(reads));
    json.add("playback_rate_vs_clock", frames / (elapsedMs / 1000.0) / 32000.0);
    FSOUND_Sample_Free(sample);
    FSOUND_Close();
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "data/sound/tamokrelu.mp3";
    bench::JsonObject json;
    json.add("benchmark", "sound");
    json.add("track", path);
    json.addStats("fft_", bench::summarize(timeAnalyzer(5000)));
    TrackAnalysis offline;
    double decodeStart = bench::nowMs();
    bool loaded = offline.load(path);
    json.add("decode_resample_ms", bench::nowMs() - decodeStart);
    json.add("track_loaded", loaded);
    if (loaded) {
        json.add("track_seconds", offline.durationSeconds());
        json.addStats("offline_spectrum_", bench::summarize(timeOffline(offline, 2000)));
        measureLive(path, 2.0, json);
    } else {
        json.add("track_error", offline.errorCode());
    }
    json.print();
    return loaded ? 0 : 1;
}
