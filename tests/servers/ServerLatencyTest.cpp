// The latency a real PulseAudio server reports for the demo's own output stream,
// which the mixer's heard position follows.
#include "sound/audio/ServerLatency.h"
#include "tests/servers/ServerTestSupport.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

TEST(ServerLatency, followsTheStreamOpenedAfterConnectingAndNothingElse) {
    SoundServer server;
    ASSERT_TRUE(server.start(SoundServer::Kind::pulseAudio)) << server.why();
    routeOutputTo(server);
    ServerLatency latency;
    ASSERT_TRUE(latency.connect());
    // The server's own keep-running stream belongs to another process.
    EXPECT_EQ(latency.readLatencyUs(), -1);

    SDL_AudioDeviceID device = openSilentOutput();
    ASSERT_NE(device, 0u);
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
    closeSilentOutput(device);
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
