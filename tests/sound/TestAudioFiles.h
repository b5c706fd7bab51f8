// Inputs the sound tests make themselves: tones, MP3s encoded with libmp3lame,
// Ogg Vorbis files encoded with libvorbisenc, a tiny MOD written byte by byte,
// files in a per-process temporary folder, and captured standard output.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace soundtest {

// A fresh folder for this test process's files (removed at exit).
const std::string& tempDir();
// tempDir() + "/" + name.
std::string tempPath(const std::string& name);

// Interleaved stereo frames of a sine, the same on both sides.
std::vector<float> sineStereo(double frequencyHz, double amplitude, int rateHz, double seconds);
// Interleaved stereo frames: one tone for a time, then another (for timing checks).
std::vector<float> toneSteps(const std::vector<double>& frequenciesHz, double stepSeconds,
                             double amplitude, int rateHz);

// Encodes stereo frames to MP3 (channelCount 1 encodes the left side only), with a LAME
// tag so the decoder trims the encoder's delay. Returns the file's bytes.
std::vector<unsigned char> encodeMp3(const std::vector<float>& stereo, int rateHz, int channelCount);
// Encodes stereo frames to Ogg Vorbis (channelCount 1 encodes the left side only).
std::vector<unsigned char> encodeOgg(const std::vector<float>& stereo, int rateHz, int channelCount);
// A 4-channel ProTracker module: one 2000-byte square-wave sample played once at row 0
// of a single pattern cut short after 4 rows by a pattern break (0.48 s at speed 6).
std::vector<unsigned char> tinyMod();

// Opens the audio library for a scope and closes it at the end, even after a failed assertion.
struct OpenAudio {
    OpenAudio();
    ~OpenAudio();
    bool opened;
};

// Writes bytes to a file; true on success.
bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes);
bool writeText(const std::string& path, const std::string& text);

// Runs body and returns what it wrote to standard output.
std::string captureText(const std::function<void()>& body);
// Runs body and returns what it wrote to standard output, split into lines.
std::vector<std::string> captureLines(const std::function<void()>& body);

}  // namespace soundtest
