// A stand-in for the audio library that plays nothing and records every call
// the sound system makes, in order, for the tests in this folder.
#include "tests/soundcalls/RecordingAudioLibrary.h"

#include "sound/AudioLibrary.h"

namespace {

// Distinct addresses for the handles the stand-in hands out.
char gSample, gSong, gFftUnit;
float gSpectrum[512];

void record(const std::string& call) {
    recordedAudioCalls().push_back(call);
}

}  // namespace

std::vector<std::string>& recordedAudioCalls() {
    static std::vector<std::string> calls;
    return calls;
}

signed char FSOUND_Init(int, int, unsigned int) {
    record("init");
    return 1;
}

FSOUND_SAMPLE* FSOUND_Sample_Load(int, const char*, unsigned int, int, int) {
    record("sample load");
    return reinterpret_cast<FSOUND_SAMPLE*>(&gSample);
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char*) {
    record("song load");
    return reinterpret_cast<FMUSIC_MODULE*>(&gSong);
}

int FSOUND_GetError(void) {
    return FMOD_ERR_NONE;
}

int FSOUND_PlaySound(int, FSOUND_SAMPLE* sample) {
    record(sample == reinterpret_cast<FSOUND_SAMPLE*>(&gSample) ? "play sample" : "play unknown sample");
    return 0;
}

FSOUND_DSPUNIT* FSOUND_DSP_GetFFTUnit(void) {
    return reinterpret_cast<FSOUND_DSPUNIT*>(&gFftUnit);
}

signed char FSOUND_DSP_SetActive(FSOUND_DSPUNIT* unit, signed char active) {
    const bool fft = unit == reinterpret_cast<FSOUND_DSPUNIT*>(&gFftUnit);
    record(std::string(fft ? "fft" : "unknown unit") + (active ? " on" : " off"));
    return 1;
}

float* FSOUND_DSP_GetSpectrum(void) {
    return gSpectrum;
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE*) {
    record("play song");
    return 1;
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE*) {
    record("free song");
    return 1;
}

void FSOUND_Sample_Free(FSOUND_SAMPLE*) {
    record("free sample");
}

void FSOUND_Close(void) {
    record("close");
}
