// Which servers the audio thread keeps asking for its stream's latency: PulseAudio,
// which answers, but not PipeWire's PulseAudio service, which answers 0 for every
// stream and would only cost the audio thread a question every block.
#include "sound/audio/ServerLatency.h"
#include "tests/servers/ServerTestSupport.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

// Connects to the server, then opens and starts this process's output stream on it.
SDL_AudioDeviceID openStream(ServerLatency& latency) {
    EXPECT_TRUE(latency.connect());
    SDL_AudioDeviceID device = openSilentOutput();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return device;
}

}  // namespace

TEST(ServerLatencyAnswers, aServerThatReportsNoLatencyIsNotAskedAgainOneThatDoesIs) {
    for (SoundServer::Kind kind : {SoundServer::Kind::pipeWire, SoundServer::Kind::pulseAudio}) {
        SoundServer server;
        ASSERT_TRUE(server.start(kind)) << server.why();
        SCOPED_TRACE(server.name());
        routeOutputTo(server);
        ServerLatency latency;
        SDL_AudioDeviceID device = openStream(latency);
        const bool answers = kind == SoundServer::Kind::pulseAudio;
        // Until the stream is listed (a while on a crowded machine) there is nothing to
        // answer about; then PulseAudio answers from the first block on, and PipeWire's
        // service answers 0 until it is no longer asked, after as many answers.
        int asked = 0;
        long long latencyUs = -1;
        for (int waitedMs = 0; waitedMs < 10000 && !latency.reportsNoLatency() && latencyUs <= 0; waitedMs += 50) {
            latencyUs = latency.readLatencyUs();
            ++asked;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_EQ(latency.reportsNoLatency(), !answers);
        EXPECT_EQ(latencyUs > 0, answers);
        EXPECT_GE(asked, answers ? 1 : ServerLatency::kZeroAnswersBeforeGivingUp);
        // And it goes on being asked: twice as many answers again. A question the
        // server leaves unanswered past the audio thread's 10 ms (a busy machine) counts
        // as no answer, not as a zero; one that is never asked again never answers.
        int answered = 0;
        for (int waitedMs = 0; answers && waitedMs < 10000 && answered < 2 * ServerLatency::kZeroAnswersBeforeGivingUp;
             waitedMs += 5) {
            answered += latency.readLatencyUs() > 0 ? 1 : 0;
            EXPECT_FALSE(latency.reportsNoLatency());
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_EQ(answered, answers ? 2 * ServerLatency::kZeroAnswersBeforeGivingUp : 0);
        // Not asked any more: the answer comes at once, however slow the server would be.
        auto start = std::chrono::steady_clock::now();
        for (int block = 0; block < 1000 && !answers; ++block) {
            EXPECT_EQ(latency.readLatencyUs(), -1);
        }
        EXPECT_TRUE(answers || std::chrono::steady_clock::now() - start < std::chrono::milliseconds(5));
        // A new connection asks afresh.
        latency.stop();
        EXPECT_TRUE(latency.connect());
        EXPECT_FALSE(latency.reportsNoLatency());
        closeSilentOutput(device);
    }
}
