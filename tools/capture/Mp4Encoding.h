#pragma once
// How morvel-capture makes an MP4 through Debian's ffmpeg: the frames' shape
// and rate, the H.264 and AAC settings, and the ffmpeg command lines for one
// pass or for two passes over a lossless intermediate. Pure: builds argument
// lists and runs nothing.
#include "tools/capture/CaptureOptions.h"

#include <string>
#include <vector>

struct Mp4Encoding {
    CanvasSize render;     // the size of the frames handed over, bottom row first
    CanvasSize frame;      // the video's size; the render centred in it on black
    FrameRate fps;
    long firstFrame = 0;   // the frame numbers of the range, for the audio's cut
    long endFrame = 0;
    std::string audioPath;
    // H.264: constant quality at crf, or two passes at bitRateKbps under a
    // buffer of bufferKbits filled at maxRateKbps at most.
    bool twoPass = false;
    int crf = 18;
    int bitRateKbps = 0;
    int maxRateKbps = 0;
    int bufferKbits = 0;
    std::string profile;   // "" lets x264 choose
    std::string level;     // "" lets x264 choose
    std::string speed = "veryfast";
};

// The audio every MP4 carries: AAC, stereo, at this rate and bit rate.
constexpr int kAudioRateHz = 48000;
constexpr int kAudioBitRateKbps = 192;

// The encoding for an MP4 capture: a preset's, or constant quality at the sizes
// and rate given. The range is the options' frames.
Mp4Encoding mp4EncodingFor(const CaptureOptions& options, const std::string& audioPath);

// True for frames that players take as HD (1280x720 and up), which get BT.709
// colour; smaller ones get BT.601.
bool usesBt709(CanvasSize frame);

// The frames between keyframes: 2 s or less, so that a player or an editor can
// seek to any point quickly.
int keyframeInterval(FrameRate fps);

// One pass straight to outFile: frames from standard input, the audio cut to
// the range, the colour converted and tagged.
std::vector<std::string> singlePassCommand(const Mp4Encoding& encoding, const std::string& outFile);

// The first of two passes: frames from standard input written once to a
// lossless RGB intermediate and analysed into the pass log at the same time.
std::vector<std::string> firstPassCommand(const Mp4Encoding& encoding, const std::string& intermediate,
                                          const std::string& passLog);

// The second pass: the intermediate encoded with the pass log, the audio muxed in.
std::vector<std::string> secondPassCommand(const Mp4Encoding& encoding, const std::string& intermediate,
                                           const std::string& passLog, const std::string& outFile);
