#pragma once
// The keys a person presses while rehearsing, collected as SDL delivers them (an
// event watch, like the stop requests'), so that none is lost to the window's
// one-event-per-frame polling. Main thread, with SDL's video running.

enum class Key { kSpace, kLeft, kRight, kHome, kLeftBracket, kRightBracket, kF, kOther };

struct KeyPress {
    Key key;
    bool shift;
};

// Starts and stops collecting key presses; stop before SDL's video goes.
void startCollectingKeyPresses();
void stopCollectingKeyPresses();

// Takes up to capacity of the presses collected since the last call, oldest
// first, into out; returns how many. Presses beyond a full queue are dropped.
int takeKeyPresses(KeyPress* out, int capacity);

// Tests: records a press as if SDL had delivered it.
void pushKeyPressForTesting(KeyPress press);
