// How the layer turns a server's latency readings into the mixer's output latency,
// and which of the server's streams it reads them from.
#include "sound/audio/LatencyWindow.h"
#include "sound/audio/ServerLatency.h"

#include <gtest/gtest.h>

TEST(LatencyWindow, keepsTheHighestOfTheLastSecondOnceTheStreamHasFilled) {
    LatencyWindow window;
    for (int i = 0; i < LatencyWindow::kSkippedReadings; ++i) {
        window.add(1500000);  // a stream still filling, or a sink still playing out
    }
    EXPECT_EQ(window.latencyUs(), -1);
    window.add(0);  // a server that reports nothing is not read as no latency
    window.add(-5);
    EXPECT_EQ(window.latencyUs(), -1);
    // Between two writes the buffer runs down; the reading just after a write counts.
    for (long long us : {70000, 85000, 75000, 68000}) {
        window.add(us);
    }
    EXPECT_EQ(window.latencyUs(), 85000);
    // A second later the high reading has aged out.
    for (int i = 0; i < LatencyWindow::kKeptReadings; ++i) {
        window.add(60000 + i);
    }
    EXPECT_EQ(window.latencyUs(), 60000 + LatencyWindow::kKeptReadings - 1);
}

TEST(ServerLatency, readsOnlyTheStreamThisProcessOpenedSinceConnecting) {
    const long long self = 4242;
    const std::vector<unsigned> earlier = {3};
    // Another program's stream, and a stream of ours opened before: neither is the output.
    EXPECT_EQ(ServerLatency::latencyOfNewStream({{1, 99, 10000}, {3, self, 20000}}, earlier, self), -1);
    EXPECT_EQ(ServerLatency::latencyOfNewStream({{1, 99, 10000}, {3, self, 20000}, {7, self, 84000}}, earlier, self),
              84000);
    // Two new ones: the first opened (a later one belongs to something else started after).
    EXPECT_EQ(ServerLatency::latencyOfNewStream({{9, self, 1000}, {5, self, 386000}}, earlier, self), 386000);
    EXPECT_EQ(ServerLatency::latencyOfNewStream({}, earlier, self), -1);
}
