#pragma once
// The demo's command line. With no options a run is the classic one: full
// screen, drawn at 800 x 600 and scaled to fit. Parsed without side effects, so
// every bad input gets a one-line message before anything opens.
#include "platform/CanvasSize.h"

#include <string>
#include <vector>

struct DemoOptions {
    // --size WxH: the canvas's pixel size.
    CanvasSize size = kDefaultCanvasSize;
    // --native: the largest 4:3 canvas the window's display holds.
    bool native = false;
    // --window: a window of the canvas's size instead of full screen.
    bool windowed = false;
    // --help: print the usage and play nothing.
    bool help = false;
    // --from S, --to S: the part of the timeline played, in seconds.
    float fromSeconds = 0.0f;
    float toSeconds = 60.0f;
    // --loop: plays the range again and again until stopped.
    bool loop = false;
    // --rehearse: keys to pause, jump and loop, and an overlay; in a window unless
    // --full-screen is given.
    bool rehearse = false;
    bool fullscreen = false;
    // --watch (with --rehearse): loads files under data/ again when they change.
    bool watch = false;
};

// Parses args (without the program name). On a bad input returns false and
// sets error to a one-line message naming the problem.
bool parseDemoOptions(const std::vector<std::string>& args, DemoOptions& options, std::string& error);

// The usage text, with advice on what to pick for a big screen.
const char* demoUsage();
