#pragma once
// Offline rendering of the demo's timeline: the same content and scenes as the
// live demo, frame n drawn at t = n / fps, the spectrum at t taken from an
// offline analysis of the decoded soundtrack, read back and handed to a sink.
// Needs the working directory to hold data/, like the demo. Runs on the
// calling thread, which gets its own hidden window and GL context (SDL's
// offscreen driver, dummy audio); frames are written on a second thread.
#include "tools/capture/CaptureOptions.h"

// Runs a whole capture and returns the process's exit status: 0 on success,
// 1 when writing failed part-way or nothing can be drawn, 2 for bad options or
// an unwritable output (with a one-line message on standard error), and
// 128 + the signal's number when SIGINT or SIGTERM stopped it (the output is
// then not left under its final name).
int runCapture(const CaptureOptions& options);
