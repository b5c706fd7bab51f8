#pragma once
// Opening a loader's input. A folder or a device opens under POSIX but has no
// bytes to trust, so the loaders treat it exactly as a file that is not there.
#include <cstdio>

// fopen(path, "rb") when path names a regular file (or a link to one); null
// otherwise, with nothing left open. Any thread.
std::FILE* openRegularFile(const char* path);
