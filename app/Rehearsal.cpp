#include "app/Rehearsal.h"

#include <algorithm>

namespace {

ClockCommand jumpTo(const RehearsalState& state, double seconds) {
    return {ClockCommand::kJump, std::clamp<double>(seconds, state.rangeStartSeconds, state.rangeEndSeconds)};
}

ClockCommand togglePause(RehearsalState& state) {
    state.paused = !state.paused;
    return {state.paused ? ClockCommand::kPause : ClockCommand::kResume, 0.0};
}

// [ and ]: a range of at least kShortestRangeSeconds, looped from then on.
ClockCommand setRangeEdge(RehearsalState& state, bool start, double nowSeconds) {
    const float now = static_cast<float>(nowSeconds);
    if (start && now + kShortestRangeSeconds <= state.rangeEndSeconds) {
        state.rangeStartSeconds = now;
        state.loop = true;
    } else if (!start && now - kShortestRangeSeconds >= state.rangeStartSeconds) {
        state.rangeEndSeconds = now;
        state.loop = true;
    }
    return {};
}

}  // namespace

ClockCommand applyRehearsalKey(RehearsalState& state, RehearsalKeyPress press, double nowSeconds) {
    const double step = press.shift ? kShiftStepSeconds : kStepSeconds;
    switch (press.key) {
    case RehearsalKey::kSpace:
        return togglePause(state);
    case RehearsalKey::kLeft:
        return jumpTo(state, nowSeconds - step);
    case RehearsalKey::kRight:
        return jumpTo(state, nowSeconds + step);
    case RehearsalKey::kHome:
        return jumpTo(state, state.rangeStartSeconds);
    case RehearsalKey::kRangeStart:
        return setRangeEdge(state, true, nowSeconds);
    case RehearsalKey::kRangeEnd:
        return setRangeEdge(state, false, nowSeconds);
    case RehearsalKey::kOverlay:
        state.overlay = !state.overlay;
        return {};
    case RehearsalKey::kOther:
        break;
    }
    return {};
}

ClockCommand atRangeEnd(RehearsalState& state, float t) {
    if (t < state.rangeEndSeconds) {
        return {};
    }
    if (state.loop) {
        return {ClockCommand::kJump, state.rangeStartSeconds};
    }
    if (state.paused) {
        return {};
    }
    state.paused = true;
    return {ClockCommand::kPause, 0.0};
}
