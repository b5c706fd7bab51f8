#pragma once
// Offline rendering of the demo's timeline: the same content and scenes as the
// live demo, drawn at the render size, frame n at t = n / fps, the spectrum at
// t taken from an offline analysis of the decoded soundtrack, read back and
// handed to a sink. Needs the working directory to hold the whole data/, like
// the demo. Runs on the calling thread, which gets its own hidden window and
// GL context (SDL's offscreen driver, dummy audio); frames are written on
// writer threads.
#include "tools/capture/CaptureOptions.h"

// Runs a whole capture and returns the process's exit status: 0 on success;
// 1 when a file of data/ is missing or damaged, nothing can be drawn, or
// writing failed part-way; 2 for an output that cannot be written or is not a
// regular file, or a render size the GL driver cannot draw (each with a
// one-line message on standard error); 128 + the signal's number when SIGINT
// or SIGTERM stopped it. Only a whole output is left under its final name.
int runCapture(const CaptureOptions& options);
