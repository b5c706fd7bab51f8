// Windows: the capture tool writes stills and PNG frames there; MP4 output,
// which runs ffmpeg as a helper program, is not on this platform.
#include "tools/capture/ChildProcess.h"

ChildProcess::~ChildProcess() = default;

bool ChildProcess::start(const std::vector<std::string>&, bool, std::string& error) {
    error = "MP4 output is not made on Windows (it needs ffmpeg); capture PNG frames or a still";
    return false;
}

bool ChildProcess::write(const void*, size_t) {
    return false;
}

bool ChildProcess::finish() {
    return false;
}

void ChildProcess::stop() {}

void ChildProcess::closeInput() {}
