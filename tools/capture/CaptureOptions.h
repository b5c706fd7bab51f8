#pragma once
// The command line of morvel-capture, parsed without side effects so that
// every bad input gets a one-line message before anything is rendered.
#include "platform/CanvasSize.h"

#include <string>
#include <vector>

// Frames per second as a fraction, so that the NTSC rates are exact:
// 29.97 is 30000/1001. The denominator is 1 or 1001.
struct FrameRate {
    int num = 60;
    int den = 1;
    double perSecond() const { return static_cast<double>(num) / den; }
};

// The videos a party's rules ask for, each a frame size, a render size
// centred in it, a frame rate and a two-pass H.264 encoding.
enum class CapturePreset { none, party, party720, uhd4k };

struct CaptureOptions {
    FrameRate fps;
    double fromSeconds = 0.0;
    double toSeconds = 60.0;
    std::string framesDir;    // --frames: numbered PNGs
    std::string outFile;      // --out: an MP4 with the soundtrack
    std::string stillFile;    // --png with --at: one still
    double atSeconds = -1.0;  // --at
    bool hasAt = false;
    // The pixel size every frame is drawn at (--size), and the picture it is
    // centred in on black (--frame; the render size unless given).
    CanvasSize render = kDefaultCanvasSize;
    CanvasSize frame = kDefaultCanvasSize;
    CapturePreset preset = CapturePreset::none;
};

// Parses args (without the program name). On a bad input returns false and
// sets error to a one-line message naming the problem.
bool parseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options, std::string& error);

// First and one-past-last frame numbers of [fromSeconds, toSeconds) at fps:
// frame n shows t = n / fps.
void frameRange(const CaptureOptions& options, long& first, long& end);

// Time of frame n, computed from integers so that no error accumulates.
float frameTime(long frame, FrameRate fps);

// The sample at rateHz that plays when frame n shows: n / fps, to the nearest
// sample, from integers.
long long frameStartSample(long frame, FrameRate fps, int rateHz);

// The usage text.
const char* captureUsage();
