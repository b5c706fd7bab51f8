#pragma once
// Whether a JPEG file decodes whole, found out without ending the process: the
// texture loader's decoder ends it on damaged data, as the demo always has, but a
// file loaded again while rehearsing must never end the run. Main thread; no GL.
#include <string>

// True when path opens and decodes to its last row with no error and no warning
// (a file cut short, as while it is still being written, warns); otherwise false,
// with why set to libjpeg's message.
bool jpegDecodesWhole(const char* path, std::string& why);
