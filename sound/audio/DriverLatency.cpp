#include "sound/audio/DriverLatency.h"

namespace {

// PipeWire's PulseAudio service ("pulseaudio" stands for it: PulseAudio itself
// reports its latency from the first block), measured with bench/sync_bench through a
// private server with 4096-frame blocks at 32 kHz, where SDL's stream alone sets the
// graph's quantum (44 ms), as on a desktop where nothing else plays: seven runs
// started 1.3 to 4.1 ms early against 75 ms. Where another stream holds the graph at a
// smaller quantum, runs start some milliseconds either side of it, by where the
// service's steps of room requests fall against SDL's blocks (at 8 ms from 0.5 ms
// early to 7.5 ms late; at 4 ms, 4 to 7 ms late in most runs and 25 ms in some).
constexpr double kPulseAudioServiceMs = 72.5;
// Through SDL's ALSA driver and ALSA's PulseAudio plugin: SDL's two periods of a
// block each and the plugin's own buffer of one more, and the server's few
// milliseconds (386 ms with 4096-frame blocks at 32 kHz, as measured).
constexpr int kAlsaHeldBlocks = 3;
constexpr double kAlsaServerMs = 2.0;

int framesOf(double ms, int mixRateHz) {
    return static_cast<int>(ms * mixRateHz / 1000.0);
}

}  // namespace

int fixedLatencyFrames(const std::string& driver, int mixRateHz, int blockFrames) {
    if (driver == "dummy") {
        return 0;  // nothing is heard: a block counts as heard when it is asked for
    }
    if (driver == "alsa") {
        return kAlsaHeldBlocks * blockFrames + framesOf(kAlsaServerMs, mixRateHz);
    }
    return framesOf(kPulseAudioServiceMs, mixRateHz);
}
