#pragma once
// The command line of morvel-capture, parsed without side effects so that
// every bad input gets a one-line message before anything is rendered.
#include "platform/CanvasSize.h"

#include <string>
#include <vector>

struct CaptureOptions {
    int fps = 60;
    double fromSeconds = 0.0;
    double toSeconds = 60.0;
    std::string framesDir;   // --frames: numbered PNGs
    std::string outFile;     // --out: an MP4 with the soundtrack
    std::string stillFile;   // --png with --at: one still
    double atSeconds = -1.0; // --at
    bool hasAt = false;
    int outWidth = kDefaultCanvasSize.width;  // --size: scaled output; the demo renders at the canvas size
    int outHeight = kDefaultCanvasSize.height;
};

// Parses args (without the program name). On a bad input returns false and
// sets error to a one-line message naming the problem.
bool parseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options, std::string& error);

// First and one-past-last frame numbers of [fromSeconds, toSeconds) at fps:
// frame n shows t = n / fps.
void frameRange(const CaptureOptions& options, long& first, long& end);

// Time of frame n, computed from integers so that no error accumulates.
float frameTime(long frame, int fps);

// The usage text.
const char* captureUsage();
