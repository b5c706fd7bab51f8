// Who owns the termination signals, and what a stop request is made of.
#include "platform/GLWindow.h"
#include "platform/StopRequests.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cerrno>
#include <unistd.h>

namespace {

void (*dispositionOf(int signalNumber))(int) {
    struct sigaction current = {};
    sigaction(signalNumber, nullptr, &current);
    return current.sa_handler;
}

void testHandler(int) {}

}  // namespace

TEST(StopRequests, aWindowLeavesTheSignalsAlone) {
    GLWindow window(800, 600, 32, false, "morvel-test");
    ASSERT_TRUE(window.ready);
    EXPECT_EQ(dispositionOf(SIGINT), SIG_DFL);
    EXPECT_EQ(dispositionOf(SIGTERM), SIG_DFL);
    window.close();
    EXPECT_EQ(dispositionOf(SIGINT), SIG_DFL);
}

TEST(StopRequests, signalsAskToStopWhileOwnedAndTheFirstOneIsKept) {
    clearStopRequests();
    {
        StopRequests owned;
        EXPECT_FALSE(stopRequested());
        raise(SIGTERM);
        EXPECT_TRUE(stopRequested());
        raise(SIGINT);
        EXPECT_EQ(stopSignal(), SIGTERM);
        clearStopRequests();
        EXPECT_FALSE(stopRequested());
        raise(SIGINT);
        EXPECT_EQ(stopSignal(), SIGINT);
    }
    clearStopRequests();
}

TEST(StopRequests, endingTheOwnershipPutsBackWhatWasThere) {
    struct sigaction custom = {};
    custom.sa_handler = testHandler;
    sigemptyset(&custom.sa_mask);
    struct sigaction before = {};
    sigaction(SIGINT, &custom, &before);
    {
        StopRequests owned;
        EXPECT_NE(dispositionOf(SIGINT), testHandler);
        EXPECT_EQ(dispositionOf(SIGPIPE), SIG_IGN);
    }
    EXPECT_EQ(dispositionOf(SIGINT), testHandler);
    EXPECT_EQ(dispositionOf(SIGTERM), SIG_DFL);
    EXPECT_EQ(dispositionOf(SIGPIPE), SIG_DFL);
    sigaction(SIGINT, &before, nullptr);
}

TEST(StopRequests, aClosedPipeIsAFailedWriteNotTheEnd) {
    StopRequests owned;
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    errno = 0;
    EXPECT_EQ(write(ends[1], "Debug: x\n", 9), -1);
    EXPECT_EQ(errno, EPIPE);
    close(ends[1]);
}

TEST(StopRequests, requestsWithoutVideoAreReadWithoutPumping) {
    clearStopRequests();
    EXPECT_FALSE(stopRequested());
    requestStop();
    EXPECT_TRUE(stopRequested());
    EXPECT_EQ(stopSignal(), 0);
    clearStopRequests();
    EXPECT_FALSE(stopRequested());
}
