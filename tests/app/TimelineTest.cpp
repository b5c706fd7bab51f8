// The loop against a scripted host: each call to now() returns the next time of
// a script, and every call the loop makes is recorded in order.
#include "app/Timeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class ScriptedHost : public DemoHost {
public:
    // times: what now() returns, one per iteration. escapeAt: the poll (0 is the
    // one before the first iteration) from which Escape reads as pressed.
    ScriptedHost(std::vector<float> times, int escapeAt = -1) : times(std::move(times)), escapeAt(escapeAt) {}

    float now() override {
        if (next >= times.size()) {
            // The script ran out without the loop ending: fail fast with Escape.
            ranOut = true;
            return -1.0f;
        }
        return times[next++];
    }
    const float* currentSpectrum() override {
        calls.push_back("spectrum");
        return spectrum;
    }
    void renderScene(int scene, float t, const float* s) override {
        calls.push_back("render" + std::to_string(scene) + "@" + std::to_string(t));
        EXPECT_EQ(s, spectrum);
    }
    void present() override { calls.push_back("present"); }
    bool stopRequested() override {
        calls.push_back("poll");
        return ranOut || (escapeAt >= 0 && polls++ >= escapeAt);
    }
    void stopClock() override { calls.push_back("stop"); }
    void shutdownSound() override { calls.push_back("shutdown"); }
    int closeWindow() override {
        calls.push_back("close");
        return 7;
    }

    // The recorded calls with the polls and spectrum reads left out.
    std::vector<std::string> frames() const {
        std::vector<std::string> out;
        for (const std::string& call : calls) {
            if (call != "poll" && call != "spectrum") {
                out.push_back(call);
            }
        }
        return out;
    }

    std::vector<float> times;
    size_t next = 0;
    int escapeAt;
    int polls = 0;
    bool ranOut = false;
    float spectrum[512] = {};
    std::vector<std::string> calls;
};

std::string at(int scene, float t) {
    return "render" + std::to_string(scene) + "@" + std::to_string(t);
}

}  // namespace

TEST(Timeline, playsEachSceneInItsWindowAndEndsAfterSixtySeconds) {
    ScriptedHost host({0.0f, 10.0f, 30.0f, 50.0f, 61.0f});
    EXPECT_EQ(runTimeline(host), 0);
    EXPECT_FALSE(host.ranOut);
    std::vector<std::string> expected = {at(0, 0.0f),  "present", at(0, 10.0f), "present", at(1, 30.0f), "present",
                                         at(2, 50.0f), "present", "stop",        "shutdown", "close"};
    EXPECT_EQ(host.frames(), expected);
}

TEST(Timeline, sharedBoundsDrawTwoScenesWithTwoPresents) {
    ScriptedHost host({28.0f, 43.0f, 60.0f});
    EXPECT_EQ(runTimeline(host), 0);
    std::vector<std::string> expected = {at(0, 28.0f), "present", at(1, 28.0f), "present",
                                         at(1, 43.0f), "present", at(2, 43.0f), "present",
                                         at(2, 60.0f), "present", "stop",       "shutdown", "close"};
    EXPECT_EQ(host.frames(), expected);
}

TEST(Timeline, timesBeforeZeroDrawNothingAndDoNotEndTheRun) {
    ScriptedHost host({-0.5f, -0.25f, -0.125f}, 3);
    EXPECT_EQ(runTimeline(host), 7);
    std::vector<std::string> expected = {"stop", "shutdown", "close"};
    EXPECT_EQ(host.frames(), expected);
    EXPECT_FALSE(host.ranOut);
}

// A process stopped across the end (a debugger, SIGSTOP, a suspended machine)
// wakes far past it; the run must still end by itself, with status 0, rather
// than wait for an Escape that a window no longer pumped may never get.
TEST(Timeline, aClockThatJumpsFarPastTheEndStillEndsTheRun) {
    for (float late : {100.0f, 100.5f, 250.0f, 1e9f}) {
        ScriptedHost host({3.0f, late});
        EXPECT_EQ(runTimeline(host), 0) << late;
        std::vector<std::string> expected = {at(0, 3.0f), "present", "stop", "shutdown", "close"};
        EXPECT_EQ(host.frames(), expected) << late;
        EXPECT_FALSE(host.ranOut) << late;
    }
}

TEST(Timeline, firstIterationPastSixtyEndsWithoutDrawing) {
    ScriptedHost host({59.0f, 99.0f});
    EXPECT_EQ(runTimeline(host), 0);
    std::vector<std::string> expected = {at(2, 59.0f), "present", "stop", "shutdown", "close"};
    EXPECT_EQ(host.frames(), expected);
}

TEST(Timeline, escapeHeldDuringLoadingEndsBeforeTheFirstFrame) {
    ScriptedHost host({0.0f, 1.0f}, 0);
    EXPECT_EQ(runTimeline(host), 7);
    std::vector<std::string> expected = {"poll", "stop", "shutdown", "close"};
    EXPECT_EQ(host.calls, expected);
    EXPECT_EQ(host.next, 0u);
}

TEST(Timeline, escapeDuringTheRunFinishesTheIterationFirst) {
    ScriptedHost host({5.0f, 28.0f, 29.0f}, 2);
    EXPECT_EQ(runTimeline(host), 7);
    std::vector<std::string> expected = {"poll",   "spectrum", at(0, 5.0f),  "present", "poll", "spectrum",
                                         at(0, 28.0f), "present", at(1, 28.0f), "present", "poll", "stop",
                                         "shutdown", "close"};
    EXPECT_EQ(host.calls, expected);
}

TEST(Timeline, readsTheClockThenTheSpectrumOncePerIteration) {
    ScriptedHost host({1.0f, 2.0f, 70.0f});
    runTimeline(host);
    int spectrumReads = 0;
    for (const std::string& call : host.calls) {
        spectrumReads += call == "spectrum";
    }
    EXPECT_EQ(spectrumReads, 3);
    EXPECT_EQ(host.next, 3u);
}

// A frame-callback host drives the loop one pass at a time and must see the
// same calls, the same end and the same exit status as the blocking loop.
TEST(Timeline, onePassAtATimeMatchesTheBlockingLoop) {
    ScriptedHost byPass({5.0f, 43.0f, 60.0f});
    int status = -1;
    EXPECT_TRUE(runTimelineIteration(byPass, status));
    EXPECT_TRUE(runTimelineIteration(byPass, status));
    EXPECT_FALSE(runTimelineIteration(byPass, status));
    EXPECT_EQ(status, 0);
    ScriptedHost looped({5.0f, 43.0f, 60.0f});
    runTimeline(looped);
    // The blocking loop polls once more, before its first pass.
    looped.calls.erase(looped.calls.begin());
    EXPECT_EQ(byPass.calls, looped.calls);

    ScriptedHost escaped({5.0f, 6.0f}, 1);
    EXPECT_TRUE(runTimelineIteration(escaped, status));
    EXPECT_FALSE(runTimelineIteration(escaped, status));
    EXPECT_EQ(status, 7);
    EXPECT_EQ(escaped.frames().back(), "close");
}
