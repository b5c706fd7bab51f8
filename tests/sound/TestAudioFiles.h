// Inputs the sound tests make themselves (tones, MP3s from libmp3lame, Ogg Vorbis
// files from libvorbisenc, a tiny MOD written byte by byte) in a per-process
// temporary folder, and small readers of what the code under test produced.
#pragma once

#include "sound/AudioLibrary.h"
#include "sound/audio/FftAnalyzer.h"
#include "tests/support/SoundEncoders.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace soundtest {

using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

// A path in this process's temporary folder (removed at exit).
std::string tempPath(const std::string& name);
// Writes bytes to tempPath(name); returns the path.
std::string writeTemp(const std::string& name, const Bytes& bytes);

// Interleaved stereo sines; a side at 0 Hz is silent.
std::vector<float> stereoTone(double leftHz, double rightHz, double amplitude, int rateHz, double seconds);
// One tone (on both sides) after another, each lasting stepSeconds.
std::vector<float> toneSteps(const std::vector<double>& hz, double stepSeconds, double amplitude, int rateHz);
// Channel count 1 makes a mono file: the left side in Ogg, the sides mixed in MP3. MP3s
// carry a LAME tag, so decoders trim the encoder's delay.
Bytes encodeMp3(const std::vector<float>& stereo, int rateHz, int channelCount);
Bytes encodeOgg(const std::vector<float>& stereo, int rateHz, int channelCount);
// Encodes by the name's extension (.mp3 or .ogg) into the temporary folder; returns the path.
std::string soundFile(const std::string& name, const std::vector<float>& stereo, int rateHz,
                      int channelCount = 2);
using soundencode::tinyMod;

inline FSOUND_SAMPLE* loadSample(const std::string& path) {
    return FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), FSOUND_STEREO, 0, 0);
}

// Opens the audio library for a scope and closes it at the end, even after a failed assertion.
struct OpenAudio {
    bool opened = FSOUND_Init(32000, 8, 0) != 0;
    ~OpenAudio() { FSOUND_Close(); }
};

inline int loudestBin(const float* spectrum) {
    return static_cast<int>(std::max_element(spectrum, spectrum + kSpectrumBinCount) - spectrum);
}
inline float largest(const float* spectrum) { return spectrum[loudestBin(spectrum)]; }

// What body writes to standard output.
std::string captureText(const std::function<void()>& body);
// Constructs a SoundSystem on path, plays, reads the spectrum (which must stay in
// [0, 1]) and shuts down; the lines it wrote.
Lines runThrough(const std::string& path);

}  // namespace soundtest
