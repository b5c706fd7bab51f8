#include "sound/audio/DriverLatency.h"

namespace {

// PipeWire's PulseAudio service ("pulseaudio" stands for it: PulseAudio itself
// reports its latency from the first block), measured with bench/sync_bench on the
// graph's own clock through a private server with 4096-frame blocks at 32 kHz, where
// SDL's stream alone sets the graph's quantum (32 ms), as on a desktop where nothing
// else plays: 127.4 ms, within 0.5 ms in each run. The service holds about two quanta
// beyond a fixed part, so where another stream holds the graph at a smaller quantum
// it is less (95 ms at 16 ms, about 82 ms at 8 and 4 ms), and it does not say so.
constexpr double kPulseAudioServiceMs = 127.5;
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
