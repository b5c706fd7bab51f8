// What each rehearsal key does to the range, the pause and the overlay, and what
// it asks of the clock and the music.
#include "app/Rehearsal.h"

#include <gtest/gtest.h>

namespace {

RehearsalState rangeOf(float start, float end) {
    RehearsalState state;
    state.rangeStartSeconds = start;
    state.rangeEndSeconds = end;
    return state;
}

ClockCommand press(RehearsalState& state, RehearsalKey key, float now, bool shift = false) {
    return applyRehearsalKey(state, {key, shift}, now);
}

}  // namespace

TEST(RehearsalKeys, arrowsStepOneOrFiveSecondsWithinTheRangeAndHomeGoesToItsStart) {
    RehearsalState state = rangeOf(10.0f, 40.0f);
    const struct {
        RehearsalKey key;
        bool shift;
        float now, target;
    } cases[] = {
        {RehearsalKey::kLeft, false, 20.0f, 19.0f},  {RehearsalKey::kRight, false, 20.0f, 21.0f},
        {RehearsalKey::kLeft, true, 20.0f, 15.0f},   {RehearsalKey::kRight, true, 20.0f, 25.0f},
        {RehearsalKey::kLeft, true, 12.0f, 10.0f},   {RehearsalKey::kRight, true, 38.0f, 40.0f},
        {RehearsalKey::kHome, false, 33.0f, 10.0f},  {RehearsalKey::kHome, true, 33.0f, 10.0f},
    };
    for (const auto& c : cases) {
        const ClockCommand command = press(state, c.key, c.now, c.shift);
        EXPECT_EQ(command.kind, ClockCommand::kJump);
        EXPECT_EQ(command.seconds, c.target) << static_cast<int>(c.key) << " shift " << c.shift << " at " << c.now;
    }
    EXPECT_FALSE(state.paused || state.loop || state.overlay);
}

TEST(RehearsalKeys, spacePausesAndResumesAndFTogglesTheOverlayWithoutMovingTheClock) {
    RehearsalState state;
    EXPECT_EQ(press(state, RehearsalKey::kSpace, 5.0f).kind, ClockCommand::kPause);
    EXPECT_TRUE(state.paused);
    EXPECT_EQ(press(state, RehearsalKey::kSpace, 5.0f).kind, ClockCommand::kResume);
    EXPECT_FALSE(state.paused);
    EXPECT_EQ(press(state, RehearsalKey::kOverlay, 5.0f).kind, ClockCommand::kNone);
    EXPECT_TRUE(state.overlay);
    press(state, RehearsalKey::kOverlay, 5.0f);
    EXPECT_FALSE(state.overlay);
    EXPECT_EQ(press(state, RehearsalKey::kOther, 5.0f, true).kind, ClockCommand::kNone);
}

TEST(RehearsalKeys, bracketsSetALoopRangeThatIsNeverEmptyOrBackwards) {
    RehearsalState state;
    EXPECT_EQ(press(state, RehearsalKey::kRangeStart, 28.0f).kind, ClockCommand::kNone);
    EXPECT_EQ(state.rangeStartSeconds, 28.0f);
    EXPECT_TRUE(state.loop);
    press(state, RehearsalKey::kRangeEnd, 43.0f);
    EXPECT_EQ(state.rangeEndSeconds, 43.0f);
    // An end before the start, or a start after the end, is not taken.
    press(state, RehearsalKey::kRangeEnd, 20.0f);
    press(state, RehearsalKey::kRangeStart, 50.0f);
    press(state, RehearsalKey::kRangeEnd, 28.05f);
    EXPECT_EQ(state.rangeStartSeconds, 28.0f);
    EXPECT_EQ(state.rangeEndSeconds, 43.0f);
    EXPECT_EQ(press(state, RehearsalKey::kHome, 40.0f).seconds, 28.0f);
}

TEST(RehearsalRangeEnd, aLoopJumpsBackAndWithoutOneTheRunHoldsItsEndOnce) {
    RehearsalState looping = rangeOf(57.0f, 60.0f);
    looping.loop = true;
    EXPECT_EQ(atRangeEnd(looping, 59.9f).kind, ClockCommand::kNone);
    const ClockCommand back = atRangeEnd(looping, 60.02f);
    EXPECT_EQ(back.kind, ClockCommand::kJump);
    EXPECT_EQ(back.seconds, 57.0f);

    RehearsalState once = rangeOf(0.0f, 60.0f);
    EXPECT_EQ(atRangeEnd(once, 60.0f).kind, ClockCommand::kPause);
    EXPECT_TRUE(once.paused);
    EXPECT_EQ(atRangeEnd(once, 60.0f).kind, ClockCommand::kNone);
}
