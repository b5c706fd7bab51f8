#pragma once
// The demo's soundtrack, composed in code and encoded to MP3 with libmp3lame.
// Rendering is single-threaded and keeps no state between calls, so it may run
// beside the image makers on another thread.
#include <string>

// Writes the soundtrack MP3 (about 62 s, 44.1 kHz stereo, 192 kbps) to path,
// the same bytes on every run; false when it cannot be written.
bool writeSoundtrack(const std::string& path);
