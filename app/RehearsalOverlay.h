#pragma once
// The rehearsal overlay: the timeline time, the last frame's time and the four
// spectrum bins the scenes read (the sphere's shake along x, y and z and the
// photograph's bass), as seven-segment digits and bars in the upper-left corner of
// the 800 x 600 layout space. Needs the window's GL context current.

// Draws the overlay over the frame; leaves the GL state as it found it.
void drawRehearsalOverlay(float seconds, float frameMs, const float* spectrum);

// The digits drawn for a value with decimals after the point, at most 7 characters
// ("12.34", "-0.5"); what the overlay writes, for tests.
void formatOverlayNumber(float value, int decimals, char* text, int capacity);
