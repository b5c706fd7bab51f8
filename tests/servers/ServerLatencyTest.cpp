// The latency a real PulseAudio server reports for the demo's own output stream,
// which the mixer's heard position follows.
#include "sound/audio/ServerLatency.h"
#include "tests/support/soundserver/SoundServer.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

void SDLCALL silence(void*, Uint8* stream, int byteCount) {
    SDL_memset(stream, 0, static_cast<size_t>(byteCount));
}

}  // namespace

TEST(ServerLatency, followsTheStreamOpenedAfterConnectingAndNothingElse) {
    SoundServer server;
    ASSERT_TRUE(server.start(SoundServer::Kind::pulseAudio)) << server.why();
    server.applyToThisProcess();
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    ServerLatency latency;
    ASSERT_TRUE(latency.connect());
    // The server's own keep-running stream belongs to another process.
    EXPECT_EQ(latency.readLatencyUs(), -1);

    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    SDL_AudioSpec want = {};
    want.freq = 32000;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 4096;
    want.callback = silence;
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    ASSERT_NE(device, 0u) << SDL_GetError();
    SDL_PauseAudioDevice(device, 0);
    // The stream plays within a second, a few where the machine is crowded or our
    // threads run under ThreadSanitizer; until then there is no stream to ask about.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    long long latencyUs = latency.readLatencyUs();
    for (int waitedMs = 0; latencyUs < 0 && waitedMs < 10000; waitedMs += 100) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        latencyUs = latency.readLatencyUs();
    }
    // About one 128-ms block and the sink's few ms, never seconds.
    EXPECT_GT(latencyUs, 20000);
    EXPECT_LT(latencyUs, 400000);
    // A server that has gone answers nothing, at once, from then on.
    server.killServer();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(latency.readLatencyUs(), -1);
    EXPECT_EQ(latency.readLatencyUs(), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

TEST(ServerLatency, withoutAServerConnectingFailsAtOnceAndStartsNone) {
    SoundServer server;
    ASSERT_TRUE(server.start(SoundServer::Kind::pulseAudio)) << server.why();
    server.stop();
    server.applyToThisProcess();  // its folder holds no server now
    ServerLatency latency;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(latency.connect());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(latency.readLatencyUs(), -1);
    latency.stop();
}
