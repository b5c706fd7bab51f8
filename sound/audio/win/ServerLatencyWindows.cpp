// Windows has no PulseAudio server to ask: SDL plays through WASAPI, whose
// stream belongs to SDL and reports nothing to the demo. Every query says so,
// and the mixer keeps the fixed latency figure of the driver it opened.
#include "sound/audio/ServerLatency.h"

// Never made: there is nothing to connect to.
struct ServerLatency::Connection {};

ServerLatency::ServerLatency() = default;

ServerLatency::~ServerLatency() = default;

bool ServerLatency::connect() {
    return false;
}

long long ServerLatency::readLatencyUs() {
    return -1;
}

void ServerLatency::watch(std::function<void(long long)>) {}

void ServerLatency::stop() {}
