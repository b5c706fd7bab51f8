#include "sound/audio/DriverLatency.h"

namespace {

// PipeWire's PulseAudio service, measured with bench/sync_bench through a private
// server with 4096-frame blocks at 32 kHz, at graph quanta of 4, 8 and 44 ms
// ("pulseaudio" stands for it: PulseAudio itself reports its latency from the first
// block). Runs start 0 to 8 ms either side of it, by where the service's steps of
// room requests fall against SDL's blocks.
constexpr double kPulseAudioServiceMs = 75.0;
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
