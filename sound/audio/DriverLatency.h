// The output latency to assume for an SDL audio driver until (or where never) a
// server reports its own: frames between a block's request and the moment its first
// frame is heard. Plain arithmetic; any thread.
#pragma once

#include <string>

// For driver ("pulseaudio", "alsa", "dummy", ...) at mixRateHz with SDL blocks of
// blockFrames.
int fixedLatencyFrames(const std::string& driver, int mixRateHz, int blockFrames);
