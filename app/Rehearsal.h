#pragma once
// What the rehearsal keys do, as plain arithmetic on a small state: which range
// plays, whether it loops, whether the picture and music are paused, whether the
// overlay shows, and what the clock and the music must do for each key. No window,
// clock or sound here, so that every key can be tested alone.

// The keys rehearsal listens to; any other key is kOther and does nothing.
enum class RehearsalKey { kSpace, kLeft, kRight, kHome, kRangeStart, kRangeEnd, kOverlay, kOther };

struct RehearsalKeyPress {
    RehearsalKey key;
    bool shift;
};

struct RehearsalState {
    float rangeStartSeconds = 0.0f;
    float rangeEndSeconds = 60.0f;
    bool loop = false;
    bool paused = false;
    bool overlay = false;
};

// What the clock and the music do for a key: nothing, jump to seconds, pause, resume.
struct ClockCommand {
    enum Kind { kNone, kJump, kPause, kResume };
    Kind kind = kNone;
    // Double, so that a step and its way back land exactly where they started.
    double seconds = 0.0;
};

// Steps of the arrow keys, alone and with Shift.
constexpr double kStepSeconds = 1.0;
constexpr double kShiftStepSeconds = 5.0;
// A loop range is never shorter than this, so that it cannot loop every frame.
constexpr float kShortestRangeSeconds = 0.1f;

// Applies one key pressed at timeline time nowSeconds: Space pauses or resumes,
// Left/Right jump 1 s (5 s with Shift) back or on within the range, Home jumps to
// its start, [ and ] start and end a loop range at nowSeconds, F shows or hides the
// overlay. Returns what the clock and the music must do.
ClockCommand applyRehearsalKey(RehearsalState& state, RehearsalKeyPress press, double nowSeconds);

// What happens at time t: kJump back to the range's start when a loop's range has
// run out, kPause (and paused) at its end without a loop, else kNone.
ClockCommand atRangeEnd(RehearsalState& state, float t);
